// Text in line mode (output mode 3): the console carries out CR, LF and BS
// itself. The tester never uses these routines; they keep the layer usable
// before positioned mode is entered.
#include <cstring>
#include <string>

#include "console/console_state.h"

namespace {
constexpr size_t kMaxLine = 1024;

void WriteAll(const char *bytes, size_t count) {
  DWORD written = 0;
  WriteConsoleA(g_Con.OutputHandle, bytes, static_cast<DWORD>(count), &written, nullptr);
}
}  // namespace

void Con_LineWrite(const char *text) {
  if (text == nullptr) return;
  std::lock_guard<std::mutex> hold(g_Con.OutputLock);
  WriteAll(text, std::strlen(text));
}

void Con_LineWriteLine(const char *text) {
  std::lock_guard<std::mutex> hold(g_Con.OutputLock);
  if (text != nullptr) WriteAll(text, std::strlen(text));
  WriteAll("\r\n", 2);
}

std::string Con_LineReadLine() {
  std::string line;
  for (;;) {
    INPUT_RECORD record;
    std::memset(&record, 0, sizeof record);
    DWORD read = 0;
    if (!ReadConsoleInputA(g_Con.InputHandle, &record, 1, &read)) break;
    if (read == 0 || record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
    char ch = record.Event.KeyEvent.uChar.AsciiChar;
    if (ch == 0) continue;
    if (ch == 13) {
      WriteAll("\r\n", 2);
      g_Con.LastReadEnded = 1;
      break;
    }
    if (ch == 8) {
      if (!line.empty()) {
        line.pop_back();
        WriteAll("\b \b", 3);
      }
      continue;
    }
    if (line.size() < kMaxLine) {
      line.push_back(ch);
      WriteAll(&ch, 1);
    }
  }
  return line;
}
