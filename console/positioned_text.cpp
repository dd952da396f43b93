// Text in positioned mode: output mode 0, so every byte shows as a character
// and the cursor never moves on to the next row by itself.
#include <cassert>
#include <cstring>
#include <string>
#include <vector>

#include "console/console_state.h"

namespace {

constexpr char kEnter = 13;
constexpr char kBackspace = 8;

// Writes at most one buffer width of text; the caller holds OutputLock and
// shows it by handing in its hold.
void WriteCut(const std::unique_lock<std::mutex> &hold, const char *text) {
  assert(hold.owns_lock() && hold.mutex() == &g_Con.OutputLock);
  (void)hold;
  CONSOLE_SCREEN_BUFFER_INFO info = Con_QueryInfo();
  size_t width = info.dwSize.X > 0 ? static_cast<size_t>(info.dwSize.X) : 0;
  size_t length = std::strlen(text);
  DWORD written = 0;
  WriteConsoleA(g_Con.OutputHandle, text, static_cast<DWORD>(length < width ? length : width),
                &written, nullptr);
}

void MoveCursor(int x, int y) {
  COORD position = {static_cast<SHORT>(x), static_cast<SHORT>(y)};
  SetConsoleCursorPosition(g_Con.OutputHandle, position);
}

bool IsCharacterKey(const INPUT_RECORD &record) {
  return record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown != 0 &&
         record.Event.KeyEvent.uChar.AsciiChar != 0;
}

}  // namespace

void Con_PositionedWrite(const char *text) {
  if (text == nullptr) return;
  std::unique_lock<std::mutex> hold(g_Con.OutputLock);
  WriteCut(hold, text);
}

void Con_PositionedWriteLine(const char *text) {
  std::unique_lock<std::mutex> hold(g_Con.OutputLock);
  if (text != nullptr) WriteCut(hold, text);
  DWORD written = 0;
  SetConsoleMode(g_Con.OutputHandle, ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT);
  WriteConsoleA(g_Con.OutputHandle, "\r\n", 2, &written, nullptr);
  SetConsoleMode(g_Con.OutputHandle, 0);
}

std::string Con_PositionedReadLine() {
  // The width at the start bounds the line; a buffer that grows or shrinks
  // during the read can move the cursor, so the count held is checked too.
  int width = Con_QueryInfo().dwSize.X;
  size_t capacity = width > 0 ? static_cast<size_t>(width) : 0;
  std::vector<char> line;
  line.reserve(capacity);

  for (;;) {
    INPUT_RECORD record;
    std::memset(&record, 0, sizeof record);
    DWORD read = 0;
    if (!ReadConsoleInputA(g_Con.InputHandle, &record, 1, &read)) break;
    if (read == 0 || !IsCharacterKey(record)) continue;

    char ch = record.Event.KeyEvent.uChar.AsciiChar;
    COORD cursor = Con_QueryInfo().dwCursorPosition;
    DWORD written = 0;
    if (ch == kEnter) {
      Con_PositionedWriteLine("");
      g_Con.LastReadEnded = 1;
      break;
    }
    if (ch == kBackspace) {
      if (line.empty()) continue;  // never erases the text in front of the read
      MoveCursor(cursor.X - 1, cursor.Y);
      WriteConsoleA(g_Con.OutputHandle, " ", 1, &written, nullptr);
      MoveCursor(cursor.X - 1, cursor.Y);
      line.pop_back();
      continue;
    }
    if (cursor.X < width - 1 && line.size() < capacity) {
      WriteConsoleA(g_Con.OutputHandle, &ch, 1, &written, nullptr);
      line.push_back(ch);
    }
  }
  return std::string(line.begin(), line.end());
}
