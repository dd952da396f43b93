#include "platform/posix/console_calls.h"

#include <fcntl.h>
#include <sys/select.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/code_page.h"
#include "platform/posix/control_events.h"
#include "platform/posix/handle_table.h"
#include "platform/posix/key_decoder.h"
#include "platform/posix/last_error.h"
#include "platform/posix/owned_mutex.h"
#include "platform/posix/screen_model.h"
#include "platform/posix/terminal.h"

namespace dkposix {
namespace {

using winapi::BOOL;
using winapi::COORD;
using winapi::DWORD;
using winapi::FALSE;
using winapi::HANDLE;
using winapi::INPUT_RECORD;
using winapi::TRUE;

constexpr DWORD kStdErrorHandle = static_cast<DWORD>(-12);
constexpr int kEscapeTimeoutMs = 100;       // a lone ESC, or the start of a key's sequence
constexpr int kCursorQueryTimeoutMs = 150;  // terminals that do not answer cost this once
constexpr size_t kReadChunk = 256;

// Waits until fd or wakeFd (if not -1) can be read, or timeoutMs (-1: no
// limit) ran out. select, not poll: macOS's poll does not take terminals.
// Returns select's result and sets which became ready.
int WaitReadable(int fd, int wakeFd, int timeoutMs, bool &fdReady, bool &wakeReady) {
  fdReady = wakeReady = false;
  if (fd >= FD_SETSIZE || wakeFd >= FD_SETSIZE) {
    errno = EBADF;  // beyond what select can watch
    return -1;
  }
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(fd, &readable);
  if (wakeFd >= 0) FD_SET(wakeFd, &readable);
  struct timeval timeout = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  int ready = select(std::max(fd, wakeFd) + 1, &readable, nullptr, nullptr,
                     timeoutMs < 0 ? nullptr : &timeout);
  fdReady = ready > 0 && FD_ISSET(fd, &readable);
  wakeReady = ready > 0 && wakeFd >= 0 && FD_ISSET(wakeFd, &readable);
  return ready;
}

HANDLE const kInputHandle = MakeHandle(HandleKind::kConsole, 1);
HANDLE const kOutputHandle = MakeHandle(HandleKind::kConsole, 2);

struct Console {
  OwnedMutex mutex;  // everything below but the decoder
  bool open = false;
  bool freed = false;
  bool suspended = false;  // the terminal was given back for a stop
  std::unique_ptr<ScreenModel> screen;
  DWORD inputMode = 0x0007;  // processed, line and echo input: Windows' default
  std::deque<INPUT_RECORD> queue;
  bool inputEnded = false;
  int wakeRead = -1;  // a pipe that wakes a reader for records queued elsewhere
  int wakeWrite = -1;

  std::mutex readerMutex;  // one reader at a time; guards the decoder
  KeyDecoder decoder;
};

Console &TheConsole() {
  static Console *console = new Console;  // never destroyed: used until _exit
  return *console;
}

void Wake(Console &console) {
  if (console.wakeWrite < 0) return;
  char byte = 1;
  ssize_t ignored = write(console.wakeWrite, &byte, 1);
  (void)ignored;
}

void QueueKeys(Console &console, const std::vector<INPUT_RECORD> &keys) {
  console.queue.insert(console.queue.end(), keys.begin(), keys.end());
}

// Asks the terminal where its cursor is, so the model starts where the
// terminal is; keys typed meanwhile are kept.
void QueryCursor(Console &console) {
  int fd = terminal::Descriptor();
  if (!terminal::WriteAll("\x1b[6n")) return;
  auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kCursorQueryTimeoutMs);
  std::vector<INPUT_RECORD> keys;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    bool fdReady = false, wakeReady = false;
    int ready = WaitReadable(fd, -1, static_cast<int>(left.count()), fdReady, wakeReady);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    uint8_t bytes[kReadChunk];
    ssize_t n = read(fd, bytes, sizeof bytes);
    if (n <= 0) break;
    console.decoder.Feed(bytes, static_cast<size_t>(n), keys);
    if (std::optional<COORD> report = console.decoder.TakeCursorReport()) {
      COORD cursor = *report;
      cursor.X = std::min<winapi::SHORT>(cursor.X, console.screen->Width() - 1);
      cursor.Y = std::min<winapi::SHORT>(cursor.Y, console.screen->Height() - 1);
      console.screen->SetCursor(cursor);
      break;
    }
  }
  QueueKeys(console, keys);
}

// Opens the terminal on first use. Caller holds console.mutex.
bool OpenLocked(Console &console) {
  assert(console.mutex.HeldByThisThread());
  if (console.open) return true;
  if (console.freed || !terminal::Open()) return false;
  int columns = 0, rows = 0;
  terminal::WindowSize(columns, rows);
  console.screen = std::make_unique<ScreenModel>(std::max(columns, kMinScreenColumns),
                                                 std::max(rows, kMinScreenRows));
  console.screen->SetWindow(columns, rows);
  console.queue.clear();
  console.inputEnded = false;
  console.decoder = KeyDecoder();
  if (console.wakeRead < 0) {
    int fds[2];
    if (pipe(fds) == 0) {
      for (int fd : fds) {
        fcntl(fd, F_SETFD, FD_CLOEXEC);
        fcntl(fd, F_SETFL, O_NONBLOCK);
      }
      console.wakeRead = fds[0];
      console.wakeWrite = fds[1];
    }
  }
  console.open = true;
  QueryCursor(console);
  return true;
}

// The open console for an output handle, or null with the last error set.
// Locks console.mutex on success.
Console *OutputConsole(HANDLE output, std::unique_lock<OwnedMutex> &lock) {
  Console &console = TheConsole();
  if (output != kOutputHandle) {
    SetLastError(winapi::ERROR_INVALID_HANDLE);
    return nullptr;
  }
  lock = std::unique_lock<OwnedMutex>(console.mutex);
  if (!OpenLocked(console)) {
    lock.unlock();
    SetLastError(winapi::ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &console;
}

BOOL Send(const std::string &bytes) {
  if (terminal::WriteAll(bytes)) return TRUE;
  SetLastError(kErrorBrokenPipe);
  return FALSE;
}

std::string TitleSequence(const char *title) {
  std::string text;
  for (const char *p = title; *p; ++p) {
    uint8_t byte = static_cast<uint8_t>(*p);
    char32_t character = Cp1252ToUnicode(byte);
    if (character < 0x20 || (character >= 0x7F && character < 0xA0)) continue;  // would end it
    AppendUtf8(text, character);
  }
  return "\x1b]0;" + text + "\x07";
}

}  // namespace

BOOL AllocConsole() {
  Console &console = TheConsole();
  std::lock_guard<OwnedMutex> lock(console.mutex);
  if (console.open) {
    SetLastError(winapi::ERROR_ACCESS_DENIED);  // as Windows: the process has a console
    return FALSE;
  }
  console.freed = false;
  if (!OpenLocked(console)) {
    SetLastError(winapi::ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

BOOL FreeConsole() {
  Console &console = TheConsole();
  std::lock_guard<OwnedMutex> lock(console.mutex);
  if (!console.open) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  terminal::Close();
  console.open = false;
  console.freed = true;
  console.screen.reset();
  console.queue.clear();
  console.inputEnded = true;
  Wake(console);
  return TRUE;
}

HANDLE GetStdHandle(DWORD which) {
  if (which != winapi::STD_INPUT_HANDLE && which != winapi::STD_OUTPUT_HANDLE &&
      which != kStdErrorHandle) {
    SetLastError(winapi::ERROR_INVALID_HANDLE);
    return winapi::INVALID_HANDLE_VALUE;
  }
  Console &console = TheConsole();
  std::lock_guard<OwnedMutex> lock(console.mutex);
  if (!OpenLocked(console)) {
    SetLastError(winapi::ERROR_INVALID_HANDLE);
    return nullptr;  // as Windows for a process without a console
  }
  return which == winapi::STD_INPUT_HANDLE ? kInputHandle : kOutputHandle;
}

BOOL GetConsoleScreenBufferInfo(HANDLE output, winapi::PCONSOLE_SCREEN_BUFFER_INFO info) {
  if (info == nullptr) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::unique_lock<OwnedMutex> lock;
  Console *console = OutputConsole(output, lock);
  if (console == nullptr) return FALSE;
  const ScreenModel &screen = *console->screen;
  auto width = static_cast<winapi::SHORT>(screen.Width());
  auto height = static_cast<winapi::SHORT>(screen.Height());
  info->dwSize = COORD{width, height};
  info->dwCursorPosition = screen.Cursor();
  info->wAttributes = kDefaultAttribute;
  info->srWindow = winapi::SMALL_RECT{0, 0, static_cast<winapi::SHORT>(width - 1),
                                      static_cast<winapi::SHORT>(height - 1)};
  info->dwMaximumWindowSize = COORD{width, height};
  return TRUE;
}

BOOL SetConsoleMode(HANDLE handle, DWORD mode) {
  Console &console = TheConsole();
  if (handle == kInputHandle) {
    std::lock_guard<OwnedMutex> lock(console.mutex);
    console.inputMode = mode;  // kept for its owner; input is always read raw
    return TRUE;
  }
  std::unique_lock<OwnedMutex> lock;
  if (OutputConsole(handle, lock) == nullptr) return FALSE;
  console.screen->SetMode(mode);
  return TRUE;
}

BOOL SetConsoleTitleA(winapi::LPCSTR title) {
  if (title == nullptr) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::unique_lock<OwnedMutex> lock;
  if (OutputConsole(kOutputHandle, lock) == nullptr) return FALSE;
  return Send(TitleSequence(title));
}

BOOL SetConsoleCursorPosition(HANDLE output, COORD position) {
  std::unique_lock<OwnedMutex> lock;
  Console *console = OutputConsole(output, lock);
  if (console == nullptr) return FALSE;
  if (!console->screen->Contains(position)) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return Send(console->screen->SetCursor(position));
}

// The two fills: check the handle and the start, fill through the screen
// model, draw what changed and tell how many cells were filled.
template <typename FillCells>
BOOL FillOutput(HANDLE output, COORD start, winapi::LPDWORD written, FillCells fill) {
  if (written != nullptr) *written = 0;
  std::unique_lock<OwnedMutex> lock;
  Console *console = OutputConsole(output, lock);
  if (console == nullptr) return FALSE;
  if (!console->screen->Contains(start)) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD filled = 0;
  BOOL sent = Send(fill(*console->screen, filled));
  if (written != nullptr) *written = filled;
  return sent;
}

BOOL FillConsoleOutputAttribute(HANDLE output, winapi::WORD attribute, DWORD length, COORD start,
                                winapi::LPDWORD written) {
  return FillOutput(output, start, written, [&](ScreenModel &screen, DWORD &filled) {
    return screen.FillAttribute(attribute, length, start, filled);
  });
}

BOOL FillConsoleOutputCharacterA(HANDLE output, winapi::CHAR character, DWORD length, COORD start,
                                 winapi::LPDWORD written) {
  return FillOutput(output, start, written, [&](ScreenModel &screen, DWORD &filled) {
    return screen.FillCharacter(static_cast<uint8_t>(character), length, start, filled);
  });
}

BOOL WriteConsoleA(HANDLE output, winapi::LPCVOID buffer, DWORD count, winapi::LPDWORD written,
                   winapi::LPVOID) {
  if (written != nullptr) *written = 0;
  if (buffer == nullptr && count > 0) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::unique_lock<OwnedMutex> lock;
  Console *console = OutputConsole(output, lock);
  if (console == nullptr) return FALSE;
  BOOL sent = Send(console->screen->Write(static_cast<const uint8_t *>(buffer), count));
  if (sent && written != nullptr) *written = count;
  return sent;
}

BOOL ReadConsoleInputA(HANDLE input, winapi::PINPUT_RECORD buffer, DWORD length,
                       winapi::LPDWORD read) {
  if (input != kInputHandle) {
    SetLastError(winapi::ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (buffer == nullptr || read == nullptr) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *read = 0;
  Console &console = TheConsole();
  std::lock_guard<std::mutex> reader(console.readerMutex);
  int fd = -1;
  {
    std::lock_guard<OwnedMutex> lock(console.mutex);
    if (!OpenLocked(console)) {
      SetLastError(winapi::ERROR_INVALID_HANDLE);
      return FALSE;
    }
    fd = terminal::Descriptor();
  }
  if (length == 0) return TRUE;
  for (;;) {
    std::vector<INPUT_RECORD> keys;
    {
      std::lock_guard<OwnedMutex> lock(console.mutex);
      if (!console.queue.empty()) {
        DWORD taken = std::min<DWORD>(length, static_cast<DWORD>(console.queue.size()));
        std::copy_n(console.queue.begin(), taken, buffer);
        console.queue.erase(console.queue.begin(), console.queue.begin() + taken);
        *read = taken;
        return TRUE;
      }
      if (console.inputEnded) {
        SetLastError(kErrorHandleEof);
        return FALSE;
      }
    }
    bool fdReady = false, wakeReady = false;
    int ready = WaitReadable(fd, console.wakeRead,
                             console.decoder.Pending() ? kEscapeTimeoutMs : -1, fdReady, wakeReady);
    if (ready < 0) {
      if (errno == EINTR) continue;
      SetLastError(ErrorFromErrno(errno));
      return FALSE;
    }
    if (ready == 0) {
      console.decoder.Expire(keys);
    }
    if (wakeReady) {
      char drain[64];
      while (::read(console.wakeRead, drain, sizeof drain) > 0) {
      }
    }
    if (fdReady) {
      uint8_t bytes[kReadChunk];
      ssize_t n = ::read(fd, bytes, sizeof bytes);
      if (n > 0) {
        console.decoder.Feed(bytes, static_cast<size_t>(n), keys);
        console.decoder.TakeCursorReport();  // a late answer to the start-up query
      } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        // The terminal is gone: the close event ends the process, rather
        // than letting it run on without a terminal.
        TerminalLost();
        std::lock_guard<OwnedMutex> lock(console.mutex);
        console.inputEnded = true;
      }
    }
    std::lock_guard<OwnedMutex> lock(console.mutex);
    QueueKeys(console, keys);
  }
}

bool IsConsoleHandle(HANDLE handle) {
  return handle == kInputHandle || handle == kOutputHandle;
}

void ConsoleWindowResized() {
  Console &console = TheConsole();
  std::lock_guard<OwnedMutex> lock(console.mutex);
  if (!console.open) return;
  int columns = 0, rows = 0;
  terminal::WindowSize(columns, rows);
  // The terminal has cut or reflowed what it showed: it is cleared and drawn
  // again from the model, which still holds the prompt at its place. While
  // the terminal is given back for a stop, the resume draws it.
  std::string redraw = console.screen->WindowResized(columns, rows);
  if (!console.suspended) terminal::WriteAll(redraw);
  INPUT_RECORD record{};
  record.EventType = winapi::WINDOW_BUFFER_SIZE_EVENT;
  record.Event.WindowBufferSizeEvent.dwSize =
      COORD{static_cast<winapi::SHORT>(console.screen->Width()),
            static_cast<winapi::SHORT>(console.screen->Height())};
  console.queue.push_back(record);
  Wake(console);
}

void ConsoleSuspend() {
  Console &console = TheConsole();
  std::lock_guard<OwnedMutex> lock(console.mutex);
  if (!console.open) return;
  terminal::RestoreModes();
  console.suspended = true;
}

void ConsoleResume() {
  Console &console = TheConsole();
  std::lock_guard<OwnedMutex> lock(console.mutex);
  if (!console.open || !console.suspended) return;
  console.suspended = false;
  terminal::ApplyRawModes();
  int columns = 0, rows = 0;
  terminal::WindowSize(columns, rows);
  terminal::WriteAll(console.screen->WindowResized(columns, rows));
}

}  // namespace dkposix
