#include "printer/os_version.h"

#include <cstring>

#include "platform/platform.h"

namespace {

constexpr int kAny = -1;

enum Product { kAnyProduct, kWorkstation, kNotWorkstation };

struct Generation {
  DWORD platform;
  int major;  // kAny: not consulted
  int minor;  // kAny: any minor
  Product product;
  int code;
  const char *name;
};

// First matching row wins. The Windows 95 family is told apart by its minor
// version alone.
const Generation kGenerations[] = {
    {VER_PLATFORM_WIN32_NT, 3, kAny, kAnyProduct, 5, "Windows_NT3_51"},
    {VER_PLATFORM_WIN32_WINDOWS, kAny, 0, kAnyProduct, 10, "Windows_95"},
    {VER_PLATFORM_WIN32_NT, 4, kAny, kAnyProduct, 20, "Windows_NT_4"},
    {VER_PLATFORM_WIN32_WINDOWS, kAny, 10, kAnyProduct, 30, "Windows_98"},
    {VER_PLATFORM_WIN32_WINDOWS, kAny, 90, kAnyProduct, 40, "Windows_ME"},
    {VER_PLATFORM_WIN32_NT, 5, 0, kAnyProduct, 50, "Windows_2000"},
    {VER_PLATFORM_WIN32_NT, 5, 1, kAnyProduct, 60, "Windows_XP"},
    {VER_PLATFORM_WIN32_NT, 5, 2, kWorkstation, 60, "Windows_XP"},
    {VER_PLATFORM_WIN32_NT, 5, 2, kNotWorkstation, 65, "Windows_Server_2003"},
    {VER_PLATFORM_WIN32_NT, 6, 0, kWorkstation, 70, "Windows_Vista"},
    {VER_PLATFORM_WIN32_NT, 6, 0, kNotWorkstation, 75, "Windows_Server_2008"},
    {VER_PLATFORM_WIN32_NT, 6, 1, kWorkstation, 80, "Windows_7"},
    {VER_PLATFORM_WIN32_NT, 6, 1, kNotWorkstation, 85, "Windows_Server_2008_R2"},
    {VER_PLATFORM_WIN32_NT, 6, 2, kWorkstation, 90, "Windows_8"},
    {VER_PLATFORM_WIN32_NT, 6, 2, kNotWorkstation, 95, "Windows_Server_2012"},
};

bool Matches(const Generation &row, DWORD platform, DWORD major, DWORD minor, bool workstation) {
  if (row.platform != platform) return false;
  if (row.major != kAny && static_cast<DWORD>(row.major) != major) return false;
  if (row.minor != kAny && static_cast<DWORD>(row.minor) != minor) return false;
  if (row.product == kWorkstation) return workstation;
  if (row.product == kNotWorkstation) return !workstation;
  return true;
}

}  // namespace

int OsVersionCode() {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) return kOsCodeUnknown;

  bool workstation = false;
  if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    OSVERSIONINFOEXA extended;
    std::memset(&extended, 0, sizeof extended);
    extended.dwOSVersionInfoSize = sizeof extended;
    workstation = GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&extended)) &&
                  extended.wProductType == VER_NT_WORKSTATION;
  }
  for (const Generation &row : kGenerations) {
    if (Matches(row, info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, workstation))
      return row.code;
  }
  return kOsCodeUnknown;
}

const char *OsGenerationName(int code) {
  for (const Generation &row : kGenerations) {
    if (row.code == code) return row.name;
  }
  return "Windows_Future";
}
