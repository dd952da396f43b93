// The console layer's one state record, shared by its files.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "platform/platform.h"

struct ConState {
  HANDLE InputHandle;
  HANDLE OutputHandle;
  CONSOLE_SCREEN_BUFFER_INFO OpenInfo;  // as it was when the console was opened
  int Positioned;
  void (*Write)(const char *text);
  void (*WriteLine)(const char *text);
  std::string (*ReadLine)();
  std::mutex OutputLock;
  int LastReadEnded;  // the last read ended with Enter, not a failed input read
  // Read on the close event's thread, so handed over atomically.
  std::atomic<void (*)()> EndRoutine;
};

extern ConState g_Con;

// The text routines of each mode.
void Con_LineWrite(const char *text);
void Con_LineWriteLine(const char *text);
std::string Con_LineReadLine();
void Con_PositionedWrite(const char *text);
void Con_PositionedWriteLine(const char *text);
std::string Con_PositionedReadLine();

// The current screen-buffer information, zeroed when the query fails.
CONSOLE_SCREEN_BUFFER_INFO Con_QueryInfo();
