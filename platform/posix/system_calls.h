// Version, text and clock calls: no Windows version to report, Windows-1252
// as the ANSI code page, the local time of the C library.
#pragma once

#include "platform/seam.h"

namespace dkposix {

constexpr winapi::UINT kCodePage1252 = 1252;

DK_SYSTEM_CALLS(DK_PLATFORM_DECLARE)

}  // namespace dkposix
