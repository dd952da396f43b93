#include "harness/pe_image.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace wine_harness {

namespace {

// Bounds-checked little-endian reads over the whole file.
class Bytes {
 public:
  explicit Bytes(std::vector<uint8_t> data) : data_(std::move(data)) {}
  bool Has(uint64_t offset, uint64_t size) const {
    return offset <= data_.size() && size <= data_.size() - offset;
  }
  uint16_t U16(uint64_t at) const { return static_cast<uint16_t>(U8(at) | U8(at + 1) << 8); }
  uint32_t U32(uint64_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
  // Only for ranges Has() accepted.
  std::string Slice(uint64_t at, uint64_t size) const {
    return std::string(data_.begin() + at, data_.begin() + at + size);
  }
  std::string CString(uint64_t at) const {
    std::string text;
    while (Has(at, 1) && data_[at] != 0) text += static_cast<char>(data_[at++]);
    return text;
  }

 private:
  uint32_t U8(uint64_t at) const { return Has(at, 1) ? data_[at] : 0; }
  std::vector<uint8_t> data_;
};

struct Section {
  uint32_t virtualAddress;
  uint32_t virtualSize;
  uint32_t rawOffset;
  uint32_t rawSize;
};

class Image {
 public:
  Image(const Bytes &bytes, std::vector<Section> sections)
      : bytes_(bytes), sections_(std::move(sections)) {}

  // File offset of a relative virtual address, if it lies in a section's data.
  std::optional<uint64_t> Offset(uint32_t rva) const {
    for (const Section &s : sections_) {
      if (rva >= s.virtualAddress && rva - s.virtualAddress < s.rawSize)
        return uint64_t{s.rawOffset} + (rva - s.virtualAddress);
    }
    return std::nullopt;
  }

  const Bytes &bytes() const { return bytes_; }

 private:
  const Bytes &bytes_;
  std::vector<Section> sections_;
};

bool ReadImports(const Image &image, uint32_t rva, uint32_t size, PeImage &out,
                 std::string &error) {
  if (size == 0) return true;
  auto at = image.Offset(rva);
  // Each descriptor is 20 bytes; a zeroed one ends the table.
  for (int i = 0; at && i < 4096; ++i, *at += 20) {
    if (!image.bytes().Has(*at, 20)) break;
    const uint32_t nameRva = image.bytes().U32(*at + 12);
    if (nameRva == 0) return true;
    const auto name = image.Offset(nameRva);
    if (!name) break;
    out.importedDlls.push_back(image.bytes().CString(*name));
  }
  error = "import table runs outside the file";
  return false;
}

// The resource tree is type / name / language; the leaves point at the data.
bool ReadResources(const Image &image, uint32_t rva, PeImage &out, std::string &error) {
  if (rva == 0) return true;
  const auto root = image.Offset(rva);
  const Bytes &b = image.bytes();
  if (!root || !b.Has(*root, 16)) {
    error = "resource directory outside the file";
    return false;
  }
  // Entries of one directory: (id or name, offset of child | 0x80000000 if a directory).
  auto entries = [&](uint64_t directory) {
    std::vector<std::pair<uint32_t, uint32_t>> list;
    if (!b.Has(directory, 16)) return list;
    const uint32_t count = uint32_t{b.U16(directory + 12)} + b.U16(directory + 14);
    for (uint32_t i = 0; i < count && i < 1024; ++i) {
      const uint64_t entry = directory + 16 + 8 * uint64_t{i};
      if (!b.Has(entry, 8)) break;
      list.emplace_back(b.U32(entry), b.U32(entry + 4));
    }
    return list;
  };
  constexpr uint32_t kDirectory = 0x80000000u;
  for (const auto &[type, typeChild] : entries(*root)) {
    if (!(typeChild & kDirectory)) continue;
    for (const auto &name : entries(*root + (typeChild & ~kDirectory))) {
      if (!(name.second & kDirectory)) continue;
      for (const auto &language : entries(*root + (name.second & ~kDirectory))) {
        if (language.second & kDirectory) continue;
        const uint64_t leaf = *root + language.second;
        if (!b.Has(leaf, 16)) continue;
        const auto data = image.Offset(b.U32(leaf));
        const uint32_t size = b.U32(leaf + 4);
        if (!data || !b.Has(*data, size)) {
          error = "resource data outside the file";
          return false;
        }
        out.resources.push_back({type, b.Slice(*data, size)});
      }
    }
  }
  return true;
}

}  // namespace

std::optional<std::string> PeImage::Resource(uint32_t type) const {
  for (const ResourceEntry &entry : resources) {
    if (entry.type == type) return entry.data;
  }
  return std::nullopt;
}

std::optional<PeImage> ReadPeImage(const std::string &path, std::string &error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot open " + path;
    return std::nullopt;
  }
  std::vector<uint8_t> content{std::istreambuf_iterator<char>(file),
                               std::istreambuf_iterator<char>()};
  const Bytes b(std::move(content));
  if (!b.Has(0, 64) || b.U16(0) != 0x5A4D) {
    error = "no MZ header";
    return std::nullopt;
  }
  const uint32_t pe = b.U32(0x3C);
  if (!b.Has(pe, 24) || b.U32(pe) != 0x00004550) {
    error = "no PE signature";
    return std::nullopt;
  }
  PeImage out;
  out.machine = b.U16(pe + 4);
  const uint16_t sectionCount = b.U16(pe + 6);
  const uint16_t optionalSize = b.U16(pe + 20);
  const uint64_t optional = pe + 24;
  if (!b.Has(optional, optionalSize) || optionalSize < 96) {
    error = "optional header cut short";
    return std::nullopt;
  }
  out.optionalMagic = b.U16(optional);
  // PE32+ (the 64-bit build) has a wider image base and stack fields, which
  // move the data directories 16 bytes on.
  uint32_t directories;
  if (out.optionalMagic == 0x010B) {
    directories = 96;
  } else if (out.optionalMagic == 0x020B) {
    directories = 112;
  } else {
    error = "neither a PE32 nor a PE32+ image";
    return std::nullopt;
  }
  if (optionalSize < directories) {
    error = "optional header cut short";
    return std::nullopt;
  }
  out.entryPointRva = b.U32(optional + 16);
  out.subsystem = b.U16(optional + 68);
  const uint32_t directoryCount = b.U32(optional + directories - 4);
  auto directory = [&](uint32_t index, uint32_t &rva, uint32_t &size) {
    rva = size = 0;
    if (index >= directoryCount || directories + 8 * (index + 1) > optionalSize) return;
    rva = b.U32(optional + directories + 8 * index);
    size = b.U32(optional + directories + 8 * index + 4);
  };

  std::vector<Section> sections;
  const uint64_t table = optional + optionalSize;
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const uint64_t s = table + 40 * uint64_t{i};
    if (!b.Has(s, 40)) {
      error = "section table cut short";
      return std::nullopt;
    }
    sections.push_back({b.U32(s + 12), b.U32(s + 8), b.U32(s + 20), b.U32(s + 16)});
  }
  const Image image(b, std::move(sections));

  uint32_t rva, size;
  directory(1, rva, size);
  if (!ReadImports(image, rva, size, out, error)) return std::nullopt;
  directory(2, rva, size);
  if (!ReadResources(image, rva, out, error)) return std::nullopt;
  return out;
}

}  // namespace wine_harness
