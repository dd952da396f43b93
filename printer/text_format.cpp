#include "printer/text_format.h"

std::string DecimalText(int64_t value) {
  int32_t low = static_cast<int32_t>(static_cast<uint32_t>(value));
  // Widen before negating so that the smallest value has a positive form.
  int64_t magnitude = low < 0 ? -static_cast<int64_t>(low) : low;
  char digits[12];
  int at = sizeof digits;
  do {
    digits[--at] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (low < 0) digits[--at] = '-';
  return std::string(digits + at, sizeof digits - at);
}

std::string HexText(uint64_t value) {
  static const char kDigits[] = "0123456789ABCDEF";
  uint32_t low = static_cast<uint32_t>(value);
  char digits[8];
  int at = sizeof digits;
  do {
    digits[--at] = kDigits[low & 0xF];
    low >>= 4;
  } while (low != 0);
  return std::string(digits + at, sizeof digits - at);
}

std::string HexText(const void *pointer) {
  return HexText(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(pointer)));
}
