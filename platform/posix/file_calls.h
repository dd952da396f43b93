// Files through POSIX descriptors behind handles, with Windows' creation
// dispositions and last errors.
#pragma once

#include "platform/winapi.h"

namespace dkposix {

constexpr winapi::DWORD kOpenAlways = 4;
constexpr winapi::DWORD kFileCurrent = 1;
constexpr winapi::DWORD kFileEnd = 2;

winapi::HANDLE CreateFileA(winapi::LPCSTR name, winapi::DWORD access, winapi::DWORD share,
                           winapi::LPVOID security, winapi::DWORD disposition, winapi::DWORD flags,
                           winapi::HANDLE templateFile);
winapi::DWORD GetFileSize(winapi::HANDLE file, winapi::LPDWORD sizeHigh);
winapi::DWORD SetFilePointer(winapi::HANDLE file, winapi::LONG distance, winapi::PLONG distanceHigh,
                             winapi::DWORD method);
winapi::BOOL WriteFile(winapi::HANDLE file, winapi::LPCVOID buffer, winapi::DWORD count,
                       winapi::LPDWORD written, winapi::LPVOID overlapped);
winapi::BOOL CloseHandle(winapi::HANDLE handle);

}  // namespace dkposix
