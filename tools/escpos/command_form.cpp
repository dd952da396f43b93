#include "tools/escpos/command_form.h"

#include <cstdio>

namespace escpos {

std::string Number(unsigned n) {
  return std::to_string(n);
}

std::string Hex(unsigned char n) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", n);
  return text;
}

std::string Count(unsigned long long n, const char *unit) {
  return std::to_string(n) + " " + unit + (n == 1 ? "" : "s");
}

Text Prefixed(const char *label, Text choice) {
  if (!choice) return std::nullopt;
  return std::string(label) + *choice;
}

Text Choice(unsigned char n, std::initializer_list<const char *> names) {
  const size_t count = names.size();
  size_t index = n;
  if (index >= '0' && index < '0' + count) index -= '0';
  if (index >= count) return std::nullopt;
  return std::string(names.begin()[index]);
}

DataLength Counted(unsigned long long count, ByteSpan rest) {
  if (count > rest.size) return {DataLength::kTruncated, 0};
  return {DataLength::kKnown, static_cast<size_t>(count)};
}

}  // namespace escpos
