// Reads a VS_VERSIONINFO resource: the fixed version numbers and the strings
// of its StringFileInfo tables.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace wine_harness {

struct VersionInfo {
  uint32_t fileVersionMs = 0;  // major << 16 | minor
  uint32_t fileVersionLs = 0;
  uint32_t productVersionMs = 0;
  uint32_t productVersionLs = 0;
  uint32_t fileType = 0;                       // 1: application
  std::map<std::string, std::string> strings;  // "ProductName" -> "drawer-kick-test", ...
};

// Nothing when the data is not a well-formed version resource.
std::optional<VersionInfo> ReadVersionInfo(const std::string &resource);

}  // namespace wine_harness
