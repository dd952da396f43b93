// Printer settings string: DEVMODE members written as key=value pairs
// separated by commas, e.g. "ORIENTATION=2,COPIES=3".
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Writes the pairs into the DEVMODEA buffer of devmodeSize bytes and marks
// each in dmFields. A missing buffer, or one too short to hold the members
// up to dmCollate, is left alone. Returns 0.
int Print_ApplySettings(const char *settings, BYTE *devmode, LONG devmodeSize);

// The integer of a value text: blanks, one sign, then decimal digits, "$" and
// hexadecimal or "%" and binary digits, wrapping at 64 bits.
int64_t Print_ParseInteger(const char *text);
