// The console calls, on the controlling terminal: output through a screen
// model, input through the key decoder.
#pragma once

#include "platform/seam.h"

namespace dkposix {

DK_CONSOLE_CALLS(DK_PLATFORM_DECLARE)

bool IsConsoleHandle(winapi::HANDLE handle);

// Called from the signal thread: the window changed size; the process is
// about to stop (Ctrl+Z) and has continued.
void ConsoleWindowResized();
void ConsoleSuspend();
void ConsoleResume();

}  // namespace dkposix
