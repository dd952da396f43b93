#include "platform/posix/last_error.h"

#include <cerrno>

namespace dkposix {
namespace {
thread_local winapi::DWORD t_lastError = winapi::ERROR_SUCCESS;
}

void SetLastError(winapi::DWORD error) {
  t_lastError = error;
}

winapi::DWORD GetLastError() {
  return t_lastError;
}

winapi::DWORD ErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return winapi::ERROR_SUCCESS;
    case ENOENT:
      return winapi::ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return winapi::ERROR_ACCESS_DENIED;
    case EEXIST:
      return winapi::ERROR_FILE_EXISTS;
    case EBADF:
      return winapi::ERROR_INVALID_HANDLE;
    case ENOMEM:
      return winapi::ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
      return winapi::ERROR_INVALID_PARAMETER;
    case EMFILE:
    case ENFILE:
      return kErrorTooManyOpenFiles;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case ENAMETOOLONG:
      return kErrorFilenameTooLong;
    case EPIPE:
    case EIO:
      return kErrorBrokenPipe;
    default:
      return kErrorGenFailure;
  }
}

}  // namespace dkposix
