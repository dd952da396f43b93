#include "platform/posix/code_page.h"

#include "platform/cp1252.h"

namespace dkposix {
namespace {

// Code page 437's pictures for bytes 0x00-0x1F (0x00 shows blank).
constexpr char32_t kControlPictures[32] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,  //
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,  //
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,  //
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
};
constexpr char32_t kDeletePicture = 0x2302;

}  // namespace

char32_t Cp1252ToUnicode(uint8_t byte) {
  return cp1252::ToUnicode(byte);
}

std::optional<uint8_t> UnicodeToCp1252(char32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    return static_cast<uint8_t>(character);
  }
  for (int i = 0; i < 32; ++i) {
    if (cp1252::kHighControls[i] == character) return static_cast<uint8_t>(0x80 + i);
  }
  return std::nullopt;
}

uint8_t Cp1252Upper(uint8_t byte) {
  return cp1252::Upper(byte);
}

char32_t ConsoleGlyph(uint8_t byte) {
  if (byte < 0x20) return kControlPictures[byte];
  if (byte == 0x7F) return kDeletePicture;
  if (cp1252::IsUndefined(byte)) return U'?';
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
