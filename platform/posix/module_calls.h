// Run-time lookup of the spooler's GetDefaultPrinterA, as a Windows program
// finds it in WINSPOOL.DRV: the one module and the one function this backend
// can hand out.
#pragma once

#include "platform/winapi.h"

namespace dkposix {

winapi::HMODULE LoadLibraryA(winapi::LPCSTR name);
winapi::FARPROC GetProcAddress(winapi::HMODULE module, winapi::LPCSTR name);
winapi::BOOL FreeLibrary(winapi::HMODULE module);

}  // namespace dkposix
