// The calling thread's last error, as GetLastError reports it, and the
// mapping of errno values onto Windows error codes.
#pragma once

#include "platform/winapi.h"

namespace dkposix {

// Error codes beyond those winapi.h declares, used only by this backend.
constexpr winapi::DWORD kErrorPathNotFound = 3;
constexpr winapi::DWORD kErrorTooManyOpenFiles = 4;
constexpr winapi::DWORD kErrorHandleEof = 38;
constexpr winapi::DWORD kErrorNotSupported = 50;
constexpr winapi::DWORD kErrorBrokenPipe = 109;
constexpr winapi::DWORD kErrorDiskFull = 112;
constexpr winapi::DWORD kErrorInvalidLevel = 124;
constexpr winapi::DWORD kErrorNegativeSeek = 131;
constexpr winapi::DWORD kErrorBusy = 170;
constexpr winapi::DWORD kErrorAlreadyExists = 183;
constexpr winapi::DWORD kErrorFilenameTooLong = 206;
constexpr winapi::DWORD kErrorInvalidDatatype = 1804;
constexpr winapi::DWORD kErrorInvalidPrinterState = 1906;
constexpr winapi::DWORD kErrorServerUnavailable = 1722;
constexpr winapi::DWORD kErrorGenFailure = 31;

void SetLastError(winapi::DWORD error);
winapi::DWORD GetLastError();

// The Windows code closest to an errno value (ERROR_GEN_FAILURE when none is).
winapi::DWORD ErrorFromErrno(int error);

}  // namespace dkposix
