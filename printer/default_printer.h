// Name of the Windows default printer: from "Win.Ini" on systems older than
// Windows 2000, from the spooler's GetDefaultPrinterA from then on.
#pragma once

#include <string>

// Returns the name, or "" when none was found; PrinterName holds the same.
std::string Print_GetDefaultPrinter();
