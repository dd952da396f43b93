// Files through POSIX descriptors behind handles, with Windows' creation
// dispositions and last errors.
#pragma once

#include "platform/seam.h"

namespace dkposix {

constexpr winapi::DWORD kOpenAlways = winapi::OPEN_ALWAYS;
constexpr winapi::DWORD kFileCurrent = winapi::FILE_CURRENT;
constexpr winapi::DWORD kFileEnd = winapi::FILE_END;

DK_FILE_CALLS(DK_PLATFORM_DECLARE)

}  // namespace dkposix
