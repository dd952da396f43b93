#include "platform/posix/system_calls.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "platform/posix/code_page.h"
#include "platform/posix/last_error.h"

namespace dkposix {

winapi::BOOL GetVersionExA(winapi::LPOSVERSIONINFOA info) {
  // There is no Windows version to report; callers take the newest path.
  SetLastError(info == nullptr ? winapi::ERROR_INVALID_PARAMETER : kErrorNotSupported);
  return winapi::FALSE;
}

winapi::DWORD GetVersion() {
  return 0;
}

winapi::LPSTR CharUpperA(winapi::LPSTR text) {
  auto address = reinterpret_cast<uintptr_t>(text);
  if (address >> 16 == 0) {
    // A single character passed in the low word, answered the same way.
    return reinterpret_cast<winapi::LPSTR>(
        static_cast<uintptr_t>(Cp1252Upper(static_cast<uint8_t>(address & 0xFF))));
  }
  for (char *p = text; *p; ++p) *p = static_cast<char>(Cp1252Upper(static_cast<uint8_t>(*p)));
  return text;
}

int MultiByteToWideChar(winapi::UINT codePage, winapi::DWORD, winapi::LPCSTR text, int textBytes,
                        winapi::LPWSTR wide, int wideChars) {
  if ((codePage != winapi::CP_ACP && codePage != kCodePage1252) || text == nullptr ||
      textBytes == 0 || textBytes < -1 || wideChars < 0 || (wideChars > 0 && wide == nullptr)) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return 0;
  }
  // -1: the text is zero-terminated and the zero is converted too.
  size_t count = textBytes == -1 ? std::strlen(text) + 1 : static_cast<size_t>(textBytes);
  if (count > static_cast<size_t>(INT32_MAX)) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (wideChars == 0) return static_cast<int>(count);  // the size asked for
  if (static_cast<size_t>(wideChars) < count) {
    SetLastError(winapi::ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // Every Windows-1252 character lies in the Basic Multilingual Plane.
  for (size_t i = 0; i < count; ++i) {
    wide[i] = static_cast<winapi::WCHAR>(Cp1252ToUnicode(static_cast<uint8_t>(text[i])));
  }
  return static_cast<int>(count);
}

void GetLocalTime(winapi::LPSYSTEMTIME time) {
  if (time == nullptr) return;
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  struct tm local {};
  localtime_r(&now.tv_sec, &local);
  time->wYear = static_cast<winapi::WORD>(local.tm_year + 1900);
  time->wMonth = static_cast<winapi::WORD>(local.tm_mon + 1);
  time->wDayOfWeek = static_cast<winapi::WORD>(local.tm_wday);
  time->wDay = static_cast<winapi::WORD>(local.tm_mday);
  time->wHour = static_cast<winapi::WORD>(local.tm_hour);
  time->wMinute = static_cast<winapi::WORD>(local.tm_min);
  time->wSecond = static_cast<winapi::WORD>(std::min(local.tm_sec, 59));  // no leap second
  time->wMilliseconds = static_cast<winapi::WORD>(now.tv_nsec / 1000000);
}

}  // namespace dkposix
