// Fuzz entry for the decoder: any bytes must decode without a crash, a hang
// or a read out of bounds, into lines of valid UTF-8 that hold no line break,
// at most one line for each input byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tools/escpos/decoder.h"

namespace {

bool IsUtf8(const std::string &text) {
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t follow = 0;
    if (lead < 0x80) {
      follow = 0;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      follow = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      follow = 2;
    } else {
      return false;  // the decoder writes nothing beyond the three-byte range
    }
    if (text.size() - i <= follow) return false;
    for (size_t k = 1; k <= follow; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += follow + 1;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char *>(data), size);
  const std::vector<std::string> lines = escpos::Decode(bytes);
  if (lines.size() > size) std::abort();
  for (const std::string &line : lines) {
    if (line.empty() || line.find_first_of("\r\n") != std::string::npos || !IsUtf8(line)) {
      std::abort();
    }
  }
  return 0;
}
