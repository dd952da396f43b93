// A Unix socket listening at a path, standing in for a scheduler: a local
// connection to it completes before it is accepted. Closed, and its path
// removed, when it goes.
#pragma once

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

class UnixListener {
 public:
  // flags are added to SOCK_STREAM | SOCK_CLOEXEC (SOCK_NONBLOCK, say).
  UnixListener(const std::string &path, int flags, int backlog) : path_(path) {
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | flags, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    bool bound = bind(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
                 listen(fd_, backlog) == 0;
    EXPECT_TRUE(bound) << path << ": " << std::strerror(errno);
  }
  ~UnixListener() {
    close(fd_);
    unlink(path_.c_str());
  }
  UnixListener(const UnixListener &) = delete;
  UnixListener &operator=(const UnixListener &) = delete;

  int Fd() const { return fd_; }
  const std::string &Path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
};
