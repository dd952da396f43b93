// The spooler calls on CUPS destinations: the default printer, printer
// handles, DEVMODEs and RAW jobs streamed through the destination API.
#pragma once

#include <cups/cups.h>

#include <chrono>
#include <functional>

#include "platform/seam.h"

namespace dkposix {

winapi::BOOL GetDefaultPrinterA(winapi::LPSTR buffer, winapi::LPDWORD size);
DK_SPOOLER_CALLS(DK_PLATFORM_DECLARE)

// Runs use on the destination of the printer most recently opened in this
// process under name, holding that printer for the time of the call. False,
// without running use, when none is open. lookup is the scheduler's answer
// that named the printer the default, when it was opened as such a moment
// ago (it has the printer's defaults as they are now), else null; it is
// given to the first use only.
using DestinationUse = std::function<void(cups_dest_t *dest, ipp_t *lookup)>;
bool UseOpenDestination(const char *name, const DestinationUse &use);

// Cancels every job still being sent, so none is left half-sent when the
// process ends, all within budget. Safe from any thread, also while another
// is sending.
void CancelUnfinishedJobs(std::chrono::milliseconds budget);

}  // namespace dkposix
