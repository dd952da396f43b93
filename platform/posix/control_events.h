// Control events and the ways out of the process. SIGINT, SIGQUIT, SIGHUP and
// SIGTERM are blocked in every thread and taken by one thread of their own,
// which runs the installed handlers (Ctrl+C, Ctrl+Break, close, shutdown)
// while the other threads go on, then ends the process with the signal's own
// default action once the terminal is restored. The same thread follows
// window size changes and Ctrl+Z (the terminal's modes are given back while
// the process is stopped, and taken again when it continues).
#pragma once

#include "platform/seam.h"

namespace dkposix {

// Blocks the signals in the calling thread (threads started later inherit
// that) and starts the signal thread; installs crash handlers that restore
// the terminal. Once per process, before any other thread exists. Signals the
// process inherited as ignored stay ignored.
void StartControlEvents();

DK_CONTROL_CALLS(DK_PLATFORM_DECLARE)

// The reader found the terminal gone. That is the close event, as a closed
// console window is on Windows: unless the process ignores hang-ups, it is
// raised (if the hang-up signal has not come already) and this waits for it
// to end the process. Returns when hang-ups are ignored, or after a bound.
void TerminalLost();

// Unfinished jobs are cancelled and the terminal restored before the exit.
DK_EXIT_CALL(DK_PLATFORM_DECLARE_NORETURN)

}  // namespace dkposix
