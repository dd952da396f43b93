// Reads what the tests check of a Windows program file: its machine, its
// subsystem, the DLLs it imports and its resources.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wine_harness {

struct PeImage {
  uint16_t machine = 0;        // 0x014C: i386, 0x8664: x86-64
  uint16_t optionalMagic = 0;  // 0x010B: PE32, 0x020B: PE32+
  uint16_t subsystem = 0;      // 2: Windows GUI, 3: console
  uint32_t entryPointRva = 0;
  std::vector<std::string> importedDlls;

  // The data of the first resource of type (and of any name and language),
  // or nothing when the image has none.
  std::optional<std::string> Resource(uint32_t type) const;

  struct ResourceEntry {
    uint32_t type;
    std::string data;
  };
  std::vector<ResourceEntry> resources;
};

// Parses the file; on a malformed or missing file, returns nothing and says
// why in error.
std::optional<PeImage> ReadPeImage(const std::string &path, std::string &error);

}  // namespace wine_harness
