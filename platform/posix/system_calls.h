// Version, text and clock calls: no Windows version to report, Windows-1252
// as the ANSI code page, the local time of the C library.
#pragma once

#include "platform/winapi.h"

namespace dkposix {

constexpr winapi::UINT kCodePage1252 = 1252;

winapi::BOOL GetVersionExA(winapi::LPOSVERSIONINFOA info);
winapi::DWORD GetVersion();
winapi::LPSTR CharUpperA(winapi::LPSTR text);
int MultiByteToWideChar(winapi::UINT codePage, winapi::DWORD flags, winapi::LPCSTR text,
                        int textBytes, winapi::LPWSTR wide, int wideChars);
void GetLocalTime(winapi::LPSYSTEMTIME time);

}  // namespace dkposix
