#include "platform/posix/terminal.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace dkposix::terminal {
namespace {

// Plain globals: RestoreModes runs in signal handlers.
int g_descriptor = -1;
struct termios g_savedModes;
volatile sig_atomic_t g_rawApplied = 0;
bool g_atexitRegistered = false;

void RestoreAtExit() {
  RestoreModes();
}

int OpenDescriptor() {
  int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd >= 0) return fd;
  if (isatty(STDIN_FILENO)) return fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
  return -1;
}

}  // namespace

bool Open() {
  if (g_descriptor >= 0) return true;
  int fd = OpenDescriptor();
  if (fd < 0) return false;
  if (tcgetattr(fd, &g_savedModes) != 0) {
    close(fd);
    return false;
  }
  g_descriptor = fd;
  if (!g_atexitRegistered) {
    std::atexit(RestoreAtExit);
    g_atexitRegistered = true;
  }
  ApplyRawModes();
  return true;
}

void Close() {
  if (g_descriptor < 0) return;
  RestoreModes();
  int fd = g_descriptor;
  g_descriptor = -1;
  close(fd);
}

int Descriptor() {
  return g_descriptor;
}

void RestoreModes() {
  int fd = g_descriptor;
  if (fd < 0 || !g_rawApplied) return;
  g_rawApplied = 0;
  static const char kDefaultColours[] = "\x1b[0m";
  ssize_t ignored = write(fd, kDefaultColours, sizeof kDefaultColours - 1);
  (void)ignored;
  tcsetattr(fd, TCSANOW, &g_savedModes);
}

void ApplyRawModes() {
  if (g_descriptor < 0) return;
  struct termios raw = g_savedModes;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHONL | IEXTEN);
  raw.c_lflag |= ISIG;  // Ctrl+C stays a signal, so it ends the program from a read
  raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON | ISTRIP);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(g_descriptor, TCSANOW, &raw) == 0) g_rawApplied = 1;
}

void WindowSize(int &columns, int &rows) {
  columns = 80;
  rows = 24;
  struct winsize size {};
  if (g_descriptor >= 0 && ioctl(g_descriptor, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 &&
      size.ws_row > 0) {
    columns = size.ws_col;
    rows = size.ws_row;
  }
}

bool WriteAll(const std::string &bytes) {
  if (g_descriptor < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(g_descriptor, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace dkposix::terminal
