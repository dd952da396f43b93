// The trace log: while tracing is on, each line handed to Print_Trace is
// appended, CR LF framed, to "Vantrel_debugfile <time stamp>.txt" in the
// current directory.
#pragma once

#include <string>

#include "platform/platform.h"

// The three header lines that start every printer opening.
int Print_TraceHeader();

// Appends one line, opening a new trace file first when none is open.
void Print_TraceToFile(const std::string &line);
// Writes out what the buffer holds and closes the file.
void Print_CloseTraceFile();

// Expands %yyyy %yy %mm %dd %hh %ii %ss (letters in either case).
std::string Print_FormatTime(const char *mask, const SYSTEMTIME &time);
