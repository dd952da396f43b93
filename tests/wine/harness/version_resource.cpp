#include "harness/version_resource.h"

namespace wine_harness {

namespace {

constexpr uint32_t kFixedInfoSignature = 0xFEEF04BDu;
constexpr size_t kFixedInfoSize = 52;

// Every block of the resource has the same head: length, value length, type
// (0 binary, 1 text), a UTF-16 key, then the value and the child blocks, each
// on a 32-bit boundary.
class Reader {
 public:
  explicit Reader(const std::string &data) : data_(data) {}

  bool Block(size_t at, size_t end, int depth, VersionInfo &out, const std::string &parentKey) {
    if (depth > 4 || at + 6 > end) return false;
    const size_t length = U16(at);
    const size_t valueLength = U16(at + 2);
    const uint16_t type = U16(at + 4);
    if (length < 6 || at + length > end) return false;
    const size_t blockEnd = at + length;

    std::string key;
    size_t p = at + 6;
    for (; p + 2 <= blockEnd && U16(p) != 0; p += 2) key += static_cast<char>(U16(p) & 0xFF);
    p = Align(p + 2);

    const size_t valueBytes = type == 1 ? 2 * valueLength : valueLength;
    if (p + valueBytes > blockEnd && valueLength != 0) return false;
    if (depth == 0) {
      if (key != "VS_VERSION_INFO" || valueBytes < kFixedInfoSize) return false;
      if (U32(p) != kFixedInfoSignature) return false;
      out.fileVersionMs = U32(p + 8);
      out.fileVersionLs = U32(p + 12);
      out.productVersionMs = U32(p + 16);
      out.productVersionLs = U32(p + 20);
      out.fileType = U32(p + 36);
    } else if (type == 1 && parentKey.size() == 8) {  // a string inside a language table
      std::string text;
      for (size_t q = p; q + 2 <= p + valueBytes && U16(q) != 0; q += 2)
        text += static_cast<char>(U16(q) & 0xFF);
      out.strings[key] = text;
    }
    for (size_t child = Align(p + valueBytes); child + 6 <= blockEnd;) {
      const size_t childLength = U16(child);
      if (!Block(child, blockEnd, depth + 1, out, key)) return false;
      child = Align(child + childLength);
    }
    return true;
  }

 private:
  static size_t Align(size_t at) { return (at + 3) & ~size_t{3}; }
  uint16_t U16(size_t at) const {
    if (at + 2 > data_.size()) return 0;
    return static_cast<uint16_t>(static_cast<uint8_t>(data_[at]) |
                                 static_cast<uint8_t>(data_[at + 1]) << 8);
  }
  uint32_t U32(size_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }

  const std::string &data_;
};

}  // namespace

std::optional<VersionInfo> ReadVersionInfo(const std::string &resource) {
  VersionInfo info;
  Reader reader(resource);
  if (!reader.Block(0, resource.size(), 0, info, "")) return std::nullopt;
  return info;
}

}  // namespace wine_harness
