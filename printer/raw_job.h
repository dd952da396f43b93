// A RAW spooler document on the open printer: start, write byte strings,
// end, release.
#pragma once

#include "platform/platform.h"

enum RawFormat { RAW_ASCII, RAW_UTF8, RAW_UTF16 };

// Returns the job identifier, or 0 (also when the page did not start).
DWORD Print_StartRaw(const char *docName, const char *outputFile = "",
                     const char *dataType = "RAW");
// Sends the text in the given form, without its terminator. Returns the
// bytes the spooler accepted, or 0.
int Print_RawString(const char *text, RawFormat format = RAW_ASCII);
// Sends size bytes, writing the rest again after a short write. Returns the
// bytes accepted in all, or 0.
int Print_WriteRaw(const BYTE *buffer, int size);
// Ends page and document and releases the job's handles. 1 when the document
// was ended, else 0.
int Print_StopRaw();
