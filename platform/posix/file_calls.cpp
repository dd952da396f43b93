#include "platform/posix/file_calls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/posix/console_calls.h"
#include "platform/posix/handle_table.h"
#include "platform/posix/last_error.h"

namespace dkposix {
namespace {

using winapi::BOOL;
using winapi::DWORD;
using winapi::FALSE;
using winapi::HANDLE;
using winapi::TRUE;

struct File {
  explicit File(int descriptor) : fd(descriptor) {}
  ~File() { close(fd); }
  File(const File &) = delete;
  File &operator=(const File &) = delete;
  int fd;
};

HandleTable<File> &Files() {
  static auto *files = new HandleTable<File>(HandleKind::kFile);  // lives until _exit
  return *files;
}

std::shared_ptr<File> FindFile(HANDLE handle) {
  std::shared_ptr<File> file = Files().Find(handle);
  if (!file) SetLastError(winapi::ERROR_INVALID_HANDLE);
  return file;
}

// open() flags of a disposition; false for one Windows does not know.
bool DispositionFlags(DWORD disposition, int &flags) {
  switch (disposition) {
    case winapi::CREATE_NEW:
      flags = O_CREAT | O_EXCL;
      return true;
    case winapi::CREATE_ALWAYS:
      flags = O_CREAT | O_TRUNC;
      return true;
    case winapi::OPEN_EXISTING:
      flags = 0;
      return true;
    case kOpenAlways:
      flags = O_CREAT;
      return true;
    case winapi::TRUNCATE_EXISTING:
      flags = O_TRUNC;
      return true;
    default:
      return false;
  }
}

bool Exists(const char *name) {
  struct stat status {};
  return stat(name, &status) == 0;
}

// ENOENT for a missing folder on the way is Windows' path-not-found.
winapi::DWORD OpenError(int error, const char *name) {
  if (error != ENOENT) return ErrorFromErrno(error);
  std::string folder = name;
  size_t slash = folder.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return winapi::ERROR_FILE_NOT_FOUND;
  folder.resize(slash);
  return Exists(folder.c_str()) ? winapi::ERROR_FILE_NOT_FOUND : kErrorPathNotFound;
}

}  // namespace

HANDLE CreateFileA(winapi::LPCSTR name, DWORD access, DWORD, winapi::LPVOID, DWORD disposition,
                   DWORD, HANDLE) {
  int flags = 0;
  bool writes = (access & winapi::GENERIC_WRITE) != 0;
  if (name == nullptr || name[0] == '\0' || !DispositionFlags(disposition, flags) ||
      (disposition == winapi::TRUNCATE_EXISTING && !writes)) {
    SetLastError(name == nullptr || name[0] == '\0' ? winapi::ERROR_FILE_NOT_FOUND
                                                    : winapi::ERROR_INVALID_PARAMETER);
    return winapi::INVALID_HANDLE_VALUE;
  }
  bool reads = (access & winapi::GENERIC_READ) != 0;
  flags |= reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
  // CREATE_ALWAYS and OPEN_ALWAYS tell, through the last error, whether the
  // file was there before.
  bool existed =
      (disposition == winapi::CREATE_ALWAYS || disposition == kOpenAlways) && Exists(name);
  int fd;
  do {
    fd = open(name, flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    SetLastError(OpenError(errno, name));
    return winapi::INVALID_HANDLE_VALUE;
  }
  struct stat status {};
  if (fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    close(fd);
    SetLastError(winapi::ERROR_ACCESS_DENIED);
    return winapi::INVALID_HANDLE_VALUE;
  }
  SetLastError(existed ? kErrorAlreadyExists : winapi::ERROR_SUCCESS);
  return Files().Add(std::make_shared<File>(fd));
}

DWORD GetFileSize(HANDLE handle, winapi::LPDWORD sizeHigh) {
  std::shared_ptr<File> file = FindFile(handle);
  if (!file) return winapi::INVALID_FILE_SIZE;
  struct stat status {};
  if (fstat(file->fd, &status) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return winapi::INVALID_FILE_SIZE;
  }
  uint64_t size = static_cast<uint64_t>(status.st_size);
  if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(winapi::ERROR_SUCCESS);  // tells a size of 0xFFFFFFFF from a failure
  return static_cast<DWORD>(size);
}

DWORD SetFilePointer(HANDLE handle, winapi::LONG distance, winapi::PLONG distanceHigh,
                     DWORD method) {
  std::shared_ptr<File> file = FindFile(handle);
  if (!file) return winapi::INVALID_SET_FILE_POINTER;
  int whence = method == winapi::FILE_BEGIN ? SEEK_SET
               : method == kFileCurrent     ? SEEK_CUR
               : method == kFileEnd         ? SEEK_END
                                            : -1;
  if (whence < 0) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return winapi::INVALID_SET_FILE_POINTER;
  }
  // Without a high part the distance is a signed 32-bit one.
  int64_t offset = distanceHigh != nullptr
                       ? static_cast<int64_t>(
                             (static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                             static_cast<uint32_t>(distance))
                       : distance;
  off_t base = whence == SEEK_SET ? 0 : lseek(file->fd, 0, whence);
  if (base < 0) {
    SetLastError(ErrorFromErrno(errno));
    return winapi::INVALID_SET_FILE_POINTER;
  }
  if (static_cast<int64_t>(base) + offset < 0) {
    SetLastError(kErrorNegativeSeek);
    return winapi::INVALID_SET_FILE_POINTER;
  }
  off_t position = lseek(file->fd, static_cast<off_t>(base + offset), SEEK_SET);
  if (position < 0) {
    SetLastError(ErrorFromErrno(errno));
    return winapi::INVALID_SET_FILE_POINTER;
  }
  uint64_t where = static_cast<uint64_t>(position);
  if (distanceHigh != nullptr) *distanceHigh = static_cast<winapi::LONG>(where >> 32);
  SetLastError(winapi::ERROR_SUCCESS);  // tells a position of 0xFFFFFFFF from a failure
  return static_cast<DWORD>(where);
}

BOOL WriteFile(HANDLE handle, winapi::LPCVOID buffer, DWORD count, winapi::LPDWORD written,
               winapi::LPVOID) {
  if (written != nullptr) *written = 0;
  std::shared_ptr<File> file = FindFile(handle);
  if (!file) return FALSE;
  if (buffer == nullptr && count > 0) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto *bytes = static_cast<const char *>(buffer);
  DWORD done = 0;
  while (done < count) {
    ssize_t n = write(file->fd, bytes + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetLastError(ErrorFromErrno(errno));
      if (written != nullptr) *written = done;
      return FALSE;
    }
    done += static_cast<DWORD>(n);
  }
  if (written != nullptr) *written = done;
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  if (IsConsoleHandle(handle)) return TRUE;  // the terminal stays with the console
  if (!Files().Remove(handle)) {
    SetLastError(winapi::ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

}  // namespace dkposix
