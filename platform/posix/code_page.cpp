#include "platform/posix/code_page.h"

namespace dkposix {
namespace {

// Bytes 0x80-0x9F of Windows-1252; the other high bytes equal Latin-1.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Code page 437's pictures for bytes 0x00-0x1F (0x00 shows blank).
constexpr char32_t kControlPictures[32] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,  //
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,  //
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,  //
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
};
constexpr char32_t kDeletePicture = 0x2302;

bool IsUndefinedCp1252(uint8_t byte) {
  return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

}  // namespace

char32_t Cp1252ToUnicode(uint8_t byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

std::optional<uint8_t> UnicodeToCp1252(char32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    return static_cast<uint8_t>(character);
  }
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == character) return static_cast<uint8_t>(0x80 + i);
  }
  return std::nullopt;
}

uint8_t Cp1252Upper(uint8_t byte) {
  if (byte >= 'a' && byte <= 'z') return byte - 0x20;
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return byte - 0x20;  // à-þ except ÷
  switch (byte) {
    case 0x9A:  // š
    case 0x9C:  // œ
    case 0x9E:  // ž
      return byte - 0x10;
    case 0xFF:  // ÿ
      return 0x9F;
    default:
      return byte;  // ß and µ have no single upper-case byte
  }
}

char32_t ConsoleGlyph(uint8_t byte) {
  if (byte < 0x20) return kControlPictures[byte];
  if (byte == 0x7F) return kDeletePicture;
  if (IsUndefinedCp1252(byte)) return U'?';
  return Cp1252ToUnicode(byte);
}

void AppendUtf8(std::string &out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace dkposix
