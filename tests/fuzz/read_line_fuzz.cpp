// Line input against arbitrary key-event streams, screen widths from 1 to 512
// and changes of the buffer size in the middle of a read: the line never
// holds more than the width the read started with, and nothing is written
// out of bounds (AddressSanitizer).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/console.h"
#include "platform/fake/fake_platform.h"

namespace {

winapi::INPUT_RECORD KeyRecord(char ch, bool down, winapi::WORD repeat) {
  winapi::INPUT_RECORD record;
  std::memset(&record, 0, sizeof record);
  record.EventType = winapi::KEY_EVENT;
  record.Event.KeyEvent.bKeyDown = down;
  record.Event.KeyEvent.wRepeatCount = repeat;
  record.Event.KeyEvent.uChar.AsciiChar = ch;
  return record;
}

winapi::INPUT_RECORD ResizeRecord(winapi::SHORT width, winapi::SHORT height) {
  winapi::INPUT_RECORD record;
  std::memset(&record, 0, sizeof record);
  record.EventType = winapi::WINDOW_BUFFER_SIZE_EVENT;
  record.Event.WindowBufferSizeEvent.dwSize = {width, height};
  return record;
}

winapi::SHORT Width(uint8_t high, uint8_t low) {
  return static_cast<winapi::SHORT>(1 + ((high << 8 | low) % 512));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static fake::Platform *platform = new fake::Platform;  // lives for the whole run
  fake::Platform &fp = *platform;
  if (size < 4) return 0;
  fp.ClearCalls();
  fp.console.input.clear();

  winapi::SHORT width = Width(data[0], data[1]);
  winapi::SHORT height = 4;
  fp.AttachConsole(width, height);
  // A buffer-size event is read after the buffer has changed, as on Windows.
  fp.onCall = [&fp](const fake::Call &call) {
    if (call.name != "ReadConsoleInputA" || fp.console.input.empty()) return;
    const winapi::INPUT_RECORD &next = fp.console.input.front();
    if (next.EventType == winapi::WINDOW_BUFFER_SIZE_EVENT)
      fp.ResizeBuffer(next.Event.WindowBufferSizeEvent.dwSize.X,
                      next.Event.WindowBufferSizeEvent.dwSize.Y);
  };

  for (size_t i = 3; i + 1 < size; i += 2) {
    uint8_t kind = data[i], value = data[i + 1];
    switch (kind % 8) {
      case 0:
      case 1:
      case 2:
        fp.QueueRecord(KeyRecord(static_cast<char>(value), true, 1));
        break;
      case 3:
        fp.QueueRecord(KeyRecord(8, true, static_cast<winapi::WORD>(kind)));
        break;
      case 4:
        fp.QueueRecord(KeyRecord(static_cast<char>(value), false, 1));
        break;
      case 5:
        fp.QueueRecord(ResizeRecord(Width(kind, value), static_cast<winapi::SHORT>(1 + value % 8)));
        break;
      case 6:
        fp.QueueRecord(KeyRecord(0, true, 1));  // a key without a character
        break;
      default:
        if (value == 0)
          fp.QueueRecord(KeyRecord(13, true, 1));
        else
          fp.QueueRecord(KeyRecord(static_cast<char>(value), true, 1));
        break;
    }
  }

  Con_Reset();
  Con_Open(nullptr);
  Con_SetGraphical(1);
  int column = data[2] % width;
  Con_Locate(column, 0);
  std::string line = Con_ReadLine();
  fp.onCall = nullptr;
  if (line.size() > static_cast<size_t>(width)) std::abort();
  return 0;
}
