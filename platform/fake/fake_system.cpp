// Version report, profile strings, Windows-1252 upper-casing and
// conversion, the last error and process exit.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/cp1252.h"
#include "platform/fake/fake_internal.h"

namespace fake {

namespace {

constexpr UINT kCodePage1252 = 1252;

std::string Upper(std::string text) {
  for (char &c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Copies value into buffer, cut to size-1 characters and closed with a
// zero; returns the characters copied.
DWORD CopyCut(const std::string &value, LPSTR buffer, DWORD size) {
  if (size == 0 || buffer == nullptr) return 0;
  const DWORD count = std::min<DWORD>(static_cast<DWORD>(value.size()), size - 1);
  std::memcpy(buffer, value.data(), count);
  buffer[count] = '\0';
  return count;
}

}  // namespace

namespace entry {

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
  Decision decision = Record(MakeCall("GetVersionExA", {Ptr(info)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (info == nullptr) return Failed(ERROR_INVALID_PARAMETER, FALSE);
  const VersionModel &version = platform.version;
  const DWORD size = info->dwOSVersionInfoSize;
  if (size == sizeof(OSVERSIONINFOA) && !version.firstOk) {
    return Failed(ERROR_INVALID_PARAMETER, FALSE);
  }
  if (size == sizeof(OSVERSIONINFOEXA) && !version.secondOk) {
    return Failed(ERROR_INVALID_PARAMETER, FALSE);
  }
  if (size != sizeof(OSVERSIONINFOA) && size != sizeof(OSVERSIONINFOEXA)) {
    return Failed(ERROR_INSUFFICIENT_BUFFER, FALSE);
  }
  std::memset(info, 0, size);
  info->dwOSVersionInfoSize = size;
  info->dwMajorVersion = version.major;
  info->dwMinorVersion = version.minor;
  info->dwBuildNumber = version.build;
  info->dwPlatformId = version.platformId;
  if (size == sizeof(OSVERSIONINFOEXA)) {
    reinterpret_cast<OSVERSIONINFOEXA *>(info)->wProductType = version.productType;
  }
  return TRUE;
}

DWORD GetVersion() {
  Decision decision = Record(MakeCall("GetVersion", {}), false);
  if (decision.outcome == Outcome::kAnswer) return Settle<DWORD>(decision, 0);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  return platform.version.versionWord;
}

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer,
                               DWORD size, LPCSTR file) {
  Decision decision =
      Record(MakeCall("GetPrivateProfileStringA",
                      {Str(section), Str(key), Str(fallback), Ptr(buffer), Num(size), Str(file)}));
  if (decision.outcome != Outcome::kAct) {
    if (decision.outcome == Outcome::kFail && buffer != nullptr && size > 0) buffer[0] = '\0';
    return Settle<DWORD>(decision, 0);
  }
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  std::string value = fallback != nullptr ? fallback : "";
  if (file != nullptr && section != nullptr && key != nullptr && Upper(file) == "WIN.INI") {
    auto found = platform.winIni.find(Upper(section) + "/" + Upper(key));
    if (found != platform.winIni.end()) value = found->second;
  }
  return CopyCut(value, buffer, size);
}

DWORD GetLastError() {
  Decision decision = Record(MakeCall("GetLastError", {}), false);
  if (decision.outcome == Outcome::kAnswer) return static_cast<DWORD>(decision.result);
  return LastErrorForTest();
}

LPSTR CharUpperA(LPSTR text) {
  // A pointer below 0x10000 carries a single character in its low byte.
  if (text != nullptr && HandleValue(text) < 0x10000) {
    const unsigned char c = static_cast<unsigned char>(HandleValue(text));
    Decision decision = Record(MakeCall("CharUpperA", {Num(c)}), false);
    if (decision.outcome == Outcome::kAnswer) return Settle<LPSTR>(decision, nullptr);
    return reinterpret_cast<LPSTR>(static_cast<uintptr_t>(cp1252::Upper(c)));
  }
  Decision decision = Record(MakeCall("CharUpperA", {Str(text)}), false);
  if (decision.outcome == Outcome::kAnswer) return Settle<LPSTR>(decision, nullptr);
  if (text == nullptr) return nullptr;
  for (char *c = text; *c != '\0'; ++c) {
    *c = static_cast<char>(cp1252::Upper(static_cast<unsigned char>(*c)));
  }
  return text;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int textBytes, LPWSTR wide,
                        int wideChars) {
  Decision decision =
      Record(MakeCall("MultiByteToWideChar", {Num(codePage), Num(flags), Bytes(text, textBytes),
                                              Num(textBytes), Ptr(wide), Num(wideChars)}));
  if (decision.outcome != Outcome::kAct) return Settle<int>(decision, 0);
  if (codePage != CP_ACP && codePage != kCodePage1252) return Failed(ERROR_INVALID_PARAMETER, 0);
  if (text == nullptr || textBytes == 0 || textBytes < -1 || wideChars < 0) {
    return Failed(ERROR_INVALID_PARAMETER, 0);
  }
  if (wideChars > 0 && wide == nullptr) return Failed(ERROR_INVALID_PARAMETER, 0);
  // -1: the text runs up to and including its zero.
  const size_t count = textBytes == -1 ? std::strlen(text) + 1 : static_cast<size_t>(textBytes);
  if (wideChars == 0) return static_cast<int>(count);
  if (static_cast<size_t>(wideChars) < count) return Failed(ERROR_INSUFFICIENT_BUFFER, 0);
  for (size_t i = 0; i < count; ++i) {
    wide[i] = cp1252::ToUnicode(static_cast<unsigned char>(text[i]));
  }
  return static_cast<int>(count);
}

void ExitProcess(UINT exitCode) {
  Record(MakeCall("ExitProcess", {Num(exitCode)}), false);
  throw ProcessExit{exitCode};
}

}  // namespace entry

}  // namespace fake
