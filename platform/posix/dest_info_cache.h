// The information of a destination (cupsCopyDestInfo: what the printer
// supports and its defaults, several kilobytes to read) carried from one
// opening of a printer to the next for as long as the scheduler reports the
// printer's configuration unchanged. The destination lookup of CUPS 2.4 does
// not report when the configuration changed (its printer-state-change-time
// moves with every job and not with lpadmin), so each opening asks for that
// alone: two attributes, instead of the whole information again.
#pragma once

#include <cups/cups.h>

#include <optional>
#include <string>

#include "platform/posix/cups_server.h"

namespace dkposix {

// When a printer's configuration last changed and the scheduler's clock when
// it said so (printer-config-change-time and printer-up-time: one scale,
// whole seconds).
struct ConfigStamp {
  long changed = 0;
  long clock = 0;
};

// Whether information asked for after the check kept is still current at the
// check now: the configuration has not changed since, and it had not changed
// within the second of kept either (a change later in that second would carry
// the same time).
bool ConfigUnchangedSince(const ConfigStamp &kept, const ConfigStamp &now);

// A destination's information with what it takes to keep it for a later
// opening: which printer of which server it describes, and the configuration
// it was asked under (none: not to be kept).
struct DestInfoRecord {
  CupsDestInfo info;
  std::string printer;
  std::optional<ConfigStamp> stamp;
};

// The destination's information for one opening of its printer: the one kept
// from an earlier opening when the scheduler confirms the configuration has
// not changed since, else asked anew. info is null when it cannot be had.
// Each record has one user at a time, so no two openings share one.
DestInfoRecord TakeDestInfo(http_t *http, cups_dest_t *dest);

// Keeps what an opening used, for the next opening of the same printer.
void KeepDestInfo(DestInfoRecord record);

}  // namespace dkposix
