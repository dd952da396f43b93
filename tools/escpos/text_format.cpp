#include "tools/escpos/text_format.h"

#include <cstdio>

namespace escpos {
namespace {
constexpr size_t kHexShown = 16;

void AppendHexPair(unsigned char byte, std::string &out) {
  static const char kDigits[] = "0123456789ABCDEF";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0x0F];
}
}  // namespace

std::string HexBytes(const unsigned char *bytes, size_t size) {
  std::string out;
  const size_t shown = size > kHexShown ? kHexShown : size;
  for (size_t i = 0; i < shown; ++i) {
    if (i > 0) out += ' ';
    AppendHexPair(bytes[i], out);
  }
  if (shown < size) out += " ... (" + std::to_string(size) + " bytes)";
  return out;
}

void AppendQuoted(unsigned char byte, std::string &out) {
  if (byte == '"' || byte == '\\') {
    out += '\\';
    out += static_cast<char>(byte);
  } else if (byte == '\t') {
    out += "\\t";
  } else if (byte < 0x20 || byte > 0x7E) {
    out += "\\x";
    AppendHexPair(byte, out);
  } else {
    out += static_cast<char>(byte);
  }
}

std::string Quoted(const unsigned char *bytes, size_t size) {
  std::string out = "\"";
  for (size_t i = 0; i < size; ++i) AppendQuoted(bytes[i], out);
  return out + "\"";
}

}  // namespace escpos
