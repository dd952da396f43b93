// The controlling terminal the console runs on: its descriptor, its modes
// (saved at open, raw input while the console owns it, restored on every way
// out) and its window size.
#pragma once

#include <string>

namespace dkposix::terminal {

// Opens the controlling terminal (or a terminal on standard input), saves its
// modes and switches input to raw: no line editing, no echo, CR kept as CR,
// signals from Ctrl+C still on. False when the process has no terminal.
bool Open();

// Restores the modes and closes the terminal.
void Close();

// The descriptor while open, else -1.
int Descriptor();

// Puts the saved modes back (and the default colours). Async-signal-safe, so
// crash handlers call it too; safe to call more than once.
void RestoreModes();

// Raw input again after RestoreModes (when the process continues after a
// stop).
void ApplyRawModes();

// The window size in cells; 80x24 when the terminal does not report one.
void WindowSize(int &columns, int &rows);

// Writes every byte; false when the terminal is gone.
bool WriteAll(const std::string &bytes);

}  // namespace dkposix::terminal
