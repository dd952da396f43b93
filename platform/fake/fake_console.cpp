// The console model: the attached console's screen buffer, cursor, modes,
// title, input queue and control handlers, and the console calls over it.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/fake/fake_internal.h"

namespace fake {

namespace {

int CellIndex(const ConsoleModel &console, int x, int y) {
  return y * console.width + x;
}

bool Inside(const ConsoleModel &console, int x, int y) {
  return x >= 0 && y >= 0 && x < console.width && y < console.height;
}

// Is handle the console's input (or output) handle of an attached console?
// Anything else fails with ERROR_INVALID_HANDLE; a non-null one is a fault
// of the caller and is noted.
bool ConsoleHandleOk(Platform &platform, const char *call, HANDLE handle, uintptr_t expected) {
  if (platform.console.attached && HandleValue(handle) == expected) return true;
  NoteViolation(*platform.impl, call, handle);
  SetLastErrorForTest(ERROR_INVALID_HANDLE);
  return false;
}

void NewLine(ConsoleModel &console) {
  console.cursor.X = 0;
  if (console.cursor.Y + 1 < console.height) {
    ++console.cursor.Y;
    return;
  }
  // Scroll the buffer up one row; the new last row is blank.
  const size_t width = static_cast<size_t>(console.width);
  std::move(console.cells.begin() + width, console.cells.end(), console.cells.begin());
  std::move(console.attrs.begin() + width, console.attrs.end(), console.attrs.begin());
  std::fill(console.cells.end() - width, console.cells.end(), ' ');
  std::fill(console.attrs.end() - width, console.attrs.end(), console.attributes);
}

void PlaceChar(ConsoleModel &console, char c) {
  const int index = CellIndex(console, console.cursor.X, console.cursor.Y);
  console.cells[index] = c;
  console.attrs[index] = console.attributes;
  if (console.cursor.X + 1 < console.width) {
    ++console.cursor.X;
  } else if (console.outputMode & ENABLE_WRAP_AT_EOL_OUTPUT) {
    NewLine(console);
  }  // without wrapping the cursor stays on the last column
}

void WriteByte(ConsoleModel &console, char c) {
  if (console.outputMode & ENABLE_PROCESSED_OUTPUT) {
    switch (c) {
      case '\r':
        console.cursor.X = 0;
        return;
      case '\n':  // the console returns to column 0 on a line feed
        NewLine(console);
        return;
      case '\b':
        if (console.cursor.X > 0) --console.cursor.X;
        return;
      case '\t':
        console.cursor.X =
            static_cast<SHORT>(std::min((console.cursor.X / 8 + 1) * 8, console.width - 1));
        return;
      case '\a':
        return;
      default:
        break;
    }
  }
  PlaceChar(console, c);
}

WORD VirtualKeyOf(char ch) {
  if (ch == '\r') return VK_RETURN;
  if (ch == '\b') return VK_BACK;
  if (ch == 27) return VK_ESCAPE;
  return static_cast<WORD>(std::toupper(static_cast<unsigned char>(ch)));
}

}  // namespace

void Platform::AttachConsole(SHORT width, SHORT height) {
  Lock lock(impl->mutex);
  console.attached = true;
  console.width = width > 0 ? width : 1;
  console.height = height > 0 ? height : 1;
  console.cells.assign(static_cast<size_t>(console.width) * console.height, ' ');
  console.attrs.assign(console.cells.size(), 0x07);
  console.cursor = {0, 0};
}

void Platform::ResizeBuffer(SHORT width, SHORT height) {
  Lock lock(impl->mutex);
  width = width > 0 ? width : 1;
  height = height > 0 ? height : 1;
  std::vector<char> cells(static_cast<size_t>(width) * height, ' ');
  std::vector<WORD> attrs(cells.size(), console.attributes);
  for (int y = 0; y < std::min(height, console.height); ++y) {
    for (int x = 0; x < std::min(width, console.width); ++x) {
      const size_t from = static_cast<size_t>(CellIndex(console, x, y));
      if (from >= console.cells.size()) continue;
      cells[static_cast<size_t>(y) * width + x] = console.cells[from];
      attrs[static_cast<size_t>(y) * width + x] = console.attrs[from];
    }
  }
  console.width = width;
  console.height = height;
  console.cells = std::move(cells);
  console.attrs = std::move(attrs);
  console.cursor.X = std::min<SHORT>(console.cursor.X, width - 1);
  console.cursor.Y = std::min<SHORT>(console.cursor.Y, height - 1);
}

std::string Platform::Row(int y) const {
  Lock lock(impl->mutex);
  if (y < 0 || y >= console.height || console.cells.empty()) return "";
  const auto begin = console.cells.begin() + CellIndex(console, 0, y);
  return std::string(begin, begin + console.width);
}

char Platform::CellChar(int x, int y) const {
  Lock lock(impl->mutex);
  if (!Inside(console, x, y) || console.cells.empty()) return 0;
  return console.cells[CellIndex(console, x, y)];
}

WORD Platform::CellAttr(int x, int y) const {
  Lock lock(impl->mutex);
  if (!Inside(console, x, y) || console.attrs.empty()) return 0;
  return console.attrs[CellIndex(console, x, y)];
}

void Platform::QueueKey(char ch, bool down, WORD repeat, WORD vk) {
  INPUT_RECORD record;
  std::memset(&record, 0, sizeof record);
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent.bKeyDown = down ? TRUE : FALSE;
  record.Event.KeyEvent.wRepeatCount = repeat;
  record.Event.KeyEvent.wVirtualKeyCode = vk != 0 ? vk : VirtualKeyOf(ch);
  record.Event.KeyEvent.uChar.AsciiChar = ch;
  QueueRecord(record);
}

void Platform::QueueText(const std::string &keys) {
  for (char ch : keys) QueueKey(ch);
}

void Platform::QueueRecord(const INPUT_RECORD &record) {
  Lock lock(impl->mutex);
  console.input.push_back(record);
}

bool Platform::RaiseCtrlEvent(DWORD ctrlType) {
  std::vector<PHANDLER_ROUTINE> handlers;
  {
    Lock lock(impl->mutex);
    handlers = console.handlers;
  }
  // Handlers run without the lock: they call back into the fake.
  for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) {
    if (*it != nullptr && (*it)(ctrlType) != FALSE) return true;
  }
  return false;
}

namespace entry {

BOOL AllocConsole() {
  Decision decision = Record(MakeCall("AllocConsole", {}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (platform.console.attached) return Failed(ERROR_ACCESS_DENIED, FALSE);
  platform.AttachConsole(platform.console.width, platform.console.height);
  return TRUE;
}

BOOL FreeConsole() {
  Decision decision = Record(MakeCall("FreeConsole", {}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (!platform.console.attached) return Failed(ERROR_INVALID_PARAMETER, FALSE);
  platform.console.attached = false;
  return TRUE;
}

HANDLE GetStdHandle(DWORD which) {
  Decision decision = Record(MakeCall("GetStdHandle", {Num(which)}));
  if (decision.outcome != Outcome::kAct) return Settle<HANDLE>(decision, nullptr);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (which != STD_INPUT_HANDLE && which != STD_OUTPUT_HANDLE) {
    return Failed(ERROR_INVALID_HANDLE, INVALID_HANDLE_VALUE);
  }
  if (!platform.console.attached) return nullptr;
  return MakeHandle(which == STD_INPUT_HANDLE ? kConsoleInput : kConsoleOutput);
}

BOOL GetConsoleScreenBufferInfo(HANDLE output, PCONSOLE_SCREEN_BUFFER_INFO info) {
  Decision decision = Record(MakeCall("GetConsoleScreenBufferInfo", {Hex(output), Ptr(info)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (!ConsoleHandleOk(platform, "GetConsoleScreenBufferInfo", output, kConsoleOutput)) {
    return FALSE;
  }
  if (info == nullptr) return Failed(ERROR_INVALID_PARAMETER, FALSE);
  const ConsoleModel &console = platform.console;
  info->dwSize = {console.width, console.height};
  info->dwCursorPosition = console.cursor;
  info->wAttributes = console.attributes;
  info->srWindow = {0, 0, static_cast<SHORT>(console.width - 1),
                    static_cast<SHORT>(console.height - 1)};
  info->dwMaximumWindowSize = {console.width, console.height};
  return TRUE;
}

BOOL SetConsoleMode(HANDLE handle, DWORD mode) {
  Decision decision = Record(MakeCall("SetConsoleMode", {Hex(handle), Num(mode)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  const uintptr_t which = HandleValue(handle) == kConsoleInput ? kConsoleInput : kConsoleOutput;
  if (!ConsoleHandleOk(platform, "SetConsoleMode", handle, which)) return FALSE;
  (which == kConsoleInput ? platform.console.inputMode : platform.console.outputMode) = mode;
  return TRUE;
}

BOOL SetConsoleTitleA(LPCSTR title) {
  Decision decision = Record(MakeCall("SetConsoleTitleA", {Str(title)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (!platform.console.attached) return Failed(ERROR_INVALID_HANDLE, FALSE);
  if (title == nullptr) return Failed(ERROR_INVALID_PARAMETER, FALSE);
  platform.console.title = title;
  return TRUE;
}

BOOL SetConsoleCursorPosition(HANDLE output, COORD position) {
  Decision decision = Record(MakeCall("SetConsoleCursorPosition", {Hex(output), Pos(position)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (!ConsoleHandleOk(platform, "SetConsoleCursorPosition", output, kConsoleOutput)) {
    return FALSE;
  }
  if (!Inside(platform.console, position.X, position.Y)) {
    return Failed(ERROR_INVALID_PARAMETER, FALSE);
  }
  platform.console.cursor = position;
  return TRUE;
}

namespace {

// Fills length cells from start, row after row, up to the end of the buffer.
template <class Set>
BOOL FillCells(const char *call, HANDLE output, DWORD length, COORD start, LPDWORD written,
               Set set) {
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (!ConsoleHandleOk(platform, call, output, kConsoleOutput)) return FALSE;
  ConsoleModel &console = platform.console;
  if (!Inside(console, start.X, start.Y)) return Failed(ERROR_INVALID_PARAMETER, FALSE);
  const size_t first = static_cast<size_t>(CellIndex(console, start.X, start.Y));
  const size_t count = std::min<size_t>(length, console.cells.size() - first);
  for (size_t i = 0; i < count; ++i) set(console, first + i);
  if (written != nullptr) *written = static_cast<DWORD>(count);
  return TRUE;
}

}  // namespace

BOOL FillConsoleOutputAttribute(HANDLE output, WORD attribute, DWORD length, COORD start,
                                LPDWORD written) {
  Decision decision =
      Record(MakeCall("FillConsoleOutputAttribute",
                      {Hex(output), Num(attribute), Num(length), Pos(start), Ptr(written)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  return FillCells("FillConsoleOutputAttribute", output, length, start, written,
                   [attribute](ConsoleModel &console, size_t i) { console.attrs[i] = attribute; });
}

BOOL FillConsoleOutputCharacterA(HANDLE output, CHAR character, DWORD length, COORD start,
                                 LPDWORD written) {
  Decision decision =
      Record(MakeCall("FillConsoleOutputCharacterA",
                      {Hex(output), Num(character), Num(length), Pos(start), Ptr(written)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  return FillCells("FillConsoleOutputCharacterA", output, length, start, written,
                   [character](ConsoleModel &console, size_t i) { console.cells[i] = character; });
}

BOOL WriteConsoleA(HANDLE output, LPCVOID buffer, DWORD count, LPDWORD written, LPVOID reserved) {
  Call call = MakeCall("WriteConsoleA",
                       {Hex(output), Ptr(buffer), Num(count), Ptr(written), Ptr(reserved)});
  if (buffer != nullptr) call.data.assign(static_cast<const char *>(buffer), count);
  const std::string bytes = call.data;
  Decision decision = Record(std::move(call));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (!ConsoleHandleOk(platform, "WriteConsoleA", output, kConsoleOutput)) return FALSE;
  if (buffer == nullptr && count > 0) return Failed(ERROR_INVALID_PARAMETER, FALSE);
  for (char c : bytes) WriteByte(platform.console, c);
  if (written != nullptr) *written = count;
  return TRUE;
}

BOOL ReadConsoleInputA(HANDLE input, PINPUT_RECORD buffer, DWORD length, LPDWORD read) {
  Decision decision =
      Record(MakeCall("ReadConsoleInputA", {Hex(input), Ptr(buffer), Num(length), Ptr(read)}));
  if (decision.outcome != Outcome::kAct) {
    if (decision.outcome == Outcome::kFail && read != nullptr) *read = 0;
    return Settle<BOOL>(decision, FALSE);
  }
  if (read != nullptr) *read = 0;
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (!ConsoleHandleOk(platform, "ReadConsoleInputA", input, kConsoleInput)) return FALSE;
  if (buffer == nullptr || read == nullptr || length == 0) {
    return Failed(ERROR_INVALID_PARAMETER, FALSE);
  }
  // An empty queue fails instead of blocking, so a test never hangs.
  if (platform.console.input.empty()) return Failed(ERROR_BROKEN_PIPE, FALSE);
  *buffer = platform.console.input.front();
  platform.console.input.pop_front();
  *read = 1;
  return TRUE;
}

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE routine, BOOL add) {
  Decision decision = Record(
      MakeCall("SetConsoleCtrlHandler", {Ptr(reinterpret_cast<const void *>(routine)), Num(add)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  std::vector<PHANDLER_ROUTINE> &handlers = platform.console.handlers;
  if (add != FALSE) {
    handlers.push_back(routine);
    return TRUE;
  }
  auto found = std::find(handlers.rbegin(), handlers.rend(), routine);
  if (found == handlers.rend()) return Failed(ERROR_INVALID_PARAMETER, FALSE);
  handlers.erase(std::next(found).base());
  return TRUE;
}

}  // namespace entry

}  // namespace fake
