#include "tools/escpos/read_all.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

namespace escpos {

bool ReadAll(int fd, std::string &out) {
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out.append(buffer, static_cast<size_t>(got));
  }
}

bool ReadFileOrStdin(const char *path, std::string &out) {
  if (path == nullptr) return ReadAll(STDIN_FILENO, out);
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ReadAll(fd, out);
  const int saved = errno;
  close(fd);
  errno = saved;
  return ok;
}

}  // namespace escpos
