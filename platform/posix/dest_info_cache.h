// The information of a destination (cupsCopyDestInfo: everything the
// printer reports, several kilobytes, read field by field once libcups's
// buffer runs dry) carried from one opening of a printer to the next. Jobs
// are all it serves: of it they use the printer URI, its resource and the IPP
// version, which follow from the printer URI the destination lookup of every
// opening reports afresh, and which is part of the key. The printer's
// defaults are not taken from it: they are asked anew when needed
// (AskDefaults), so a changed configuration shows at once.
#pragma once

#include <cups/cups.h>

#include <string>

#include "platform/posix/cups_server.h"

namespace dkposix {

// A destination's information and the printer it describes: server, queue,
// instance and printer URI.
struct DestInfoRecord {
  CupsDestInfo info;
  std::string printer;
};

// The destination's information for one opening of its printer: the one
// kept from an earlier opening of the same printer, else asked anew. info is
// null when it cannot be had. Each record has one user at a time, so no two
// openings share one.
DestInfoRecord TakeDestInfo(http_t *http, cups_dest_t *dest);

// Keeps what an opening used, for the next opening of the same printer.
void KeepDestInfo(DestInfoRecord record);

}  // namespace dkposix
