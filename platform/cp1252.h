// Windows-1252, the ANSI code page the posix backend and the fake both
// model: its characters and its upper-casing, written down once.
#pragma once

#include <cstdint>

namespace cp1252 {

// Bytes 0x80-0x9F; the other bytes equal their Latin-1 characters. The five
// bytes the code page leaves undefined map to the C1 controls of the same
// value, as MultiByteToWideChar does.
inline constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

inline bool IsUndefined(uint8_t byte) {
  return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

inline char16_t ToUnicode(uint8_t byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

// The upper-case form of a byte (unchanged when it has none in the code page).
inline uint8_t Upper(uint8_t byte) {
  if (byte >= 'a' && byte <= 'z') return static_cast<uint8_t>(byte - 0x20);
  // à-þ except ÷
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<uint8_t>(byte - 0x20);
  switch (byte) {
    case 0x9A:  // š
    case 0x9C:  // œ
    case 0x9E:  // ž
      return static_cast<uint8_t>(byte - 0x10);
    case 0xFF:  // ÿ
      return 0x9F;
    default:
      return byte;  // ß and µ have no single upper-case byte
  }
}

}  // namespace cp1252
