// The calling thread's last error, as GetLastError reports it, and the
// mapping of errno values onto Windows error codes.
#pragma once

#include "platform/seam.h"

namespace dkposix {

// This backend's short names for codes of winapi.h.
constexpr winapi::DWORD kErrorPathNotFound = winapi::ERROR_PATH_NOT_FOUND;
constexpr winapi::DWORD kErrorTooManyOpenFiles = winapi::ERROR_TOO_MANY_OPEN_FILES;
constexpr winapi::DWORD kErrorHandleEof = winapi::ERROR_HANDLE_EOF;
constexpr winapi::DWORD kErrorNotSupported = winapi::ERROR_NOT_SUPPORTED;
constexpr winapi::DWORD kErrorBrokenPipe = winapi::ERROR_BROKEN_PIPE;
constexpr winapi::DWORD kErrorDiskFull = winapi::ERROR_DISK_FULL;
constexpr winapi::DWORD kErrorInvalidLevel = winapi::ERROR_INVALID_LEVEL;
constexpr winapi::DWORD kErrorNegativeSeek = winapi::ERROR_NEGATIVE_SEEK;
constexpr winapi::DWORD kErrorBusy = winapi::ERROR_BUSY;
constexpr winapi::DWORD kErrorAlreadyExists = winapi::ERROR_ALREADY_EXISTS;
constexpr winapi::DWORD kErrorFilenameTooLong = winapi::ERROR_FILENAME_EXCED_RANGE;
constexpr winapi::DWORD kErrorInvalidDatatype = winapi::ERROR_INVALID_DATATYPE;
constexpr winapi::DWORD kErrorInvalidPrinterState = winapi::ERROR_INVALID_PRINTER_STATE;
constexpr winapi::DWORD kErrorServerUnavailable = winapi::RPC_S_SERVER_UNAVAILABLE;
constexpr winapi::DWORD kErrorGenFailure = winapi::ERROR_GEN_FAILURE;

void SetLastError(winapi::DWORD error);
DK_ERROR_CALLS(DK_PLATFORM_DECLARE)

// The Windows code closest to an errno value (ERROR_GEN_FAILURE when none is).
winapi::DWORD ErrorFromErrno(int error);

}  // namespace dkposix
