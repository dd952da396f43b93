// The default destination the way cupsGetNamedDest(NULL) finds it (LPDEST,
// PRINTER, the lpoptions files, then the scheduler's default), with the
// printer's default resolution from the same answer when the scheduler names
// it, so a device context made right after needs no request of its own.
#pragma once

#include <cups/cups.h>

#include "platform/posix/cups_server.h"

namespace dkposix {

struct DefaultAnswer {
  CupsDest dest;
  // The printer attributes of the scheduler's answer, printer-resolution-default
  // among them; null when the user's settings named the default.
  IppMessage attributes;
};

// The user's default destination; dest is null when there is none.
DefaultAnswer LookupDefault(http_t *http);

// Whether LPDEST, PRINTER or a Default line of an lpoptions file names the
// default, so the scheduler's default does not apply.
bool UserNamesDefault();

}  // namespace dkposix
