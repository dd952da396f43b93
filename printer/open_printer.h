// Opening a printer: spooler handle, cached DEVMODE, settings, and a device
// context primed with the drawing defaults.
#pragma once

#include "platform/platform.h"

// name "" selects the default printer; settings "" applies none; access 0
// passes no PRINTER_DEFAULTS. Returns the new PrinterDC, or 0.
HDC Print_OpenPrinter(const char *name = "", const char *settings = "", DWORD access = 0);
