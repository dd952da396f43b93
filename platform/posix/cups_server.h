// The CUPS side of the spooler and device contexts: bounded connections to
// the scheduler, destination lookups and the defaults a destination reports.
#pragma once

#include <cups/cups.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace dkposix {

struct HttpCloser {
  void operator()(http_t *http) const { httpClose(http); }
};
struct DestFreer {
  void operator()(cups_dest_t *dest) const { cupsFreeDests(1, dest); }
};
struct DestInfoFreer {
  void operator()(cups_dinfo_t *info) const { cupsFreeDestInfo(info); }
};
struct IppDeleter {
  void operator()(ipp_t *ipp) const { ippDelete(ipp); }
};
using HttpConnection = std::unique_ptr<http_t, HttpCloser>;
using IppMessage = std::unique_ptr<ipp_t, IppDeleter>;
using CupsDest = std::unique_ptr<cups_dest_t, DestFreer>;
using CupsDestInfo = std::unique_ptr<cups_dinfo_t, DestInfoFreer>;

// Connects to the scheduler of the environment (CUPS_SERVER, client.conf, the
// local socket), giving up after a second or at the calling thread's request
// deadline when that comes first; replies are bounded by that deadline too
// (request_deadline.h). Null when it cannot be reached. The connection is
// watched for the calling thread: its user unwatches it when done.
HttpConnection ConnectToServer();

// The named destination ("name" or "name/instance"), or the user's default
// for a null name (LPDEST, PRINTER, lpoptions, then the scheduler's).
CupsDest LookupDest(http_t *http, const char *name);

CupsDest CopyDest(const cups_dest_t *dest);

// The printer's current defaults of the named options (its "<name>-default"
// attributes), asked in one small request; null when it does not answer.
IppMessage AskDefaults(http_t *http, cups_dest_t *dest, const std::vector<std::string> &options);

// A destination's value for an option: the user's (lpoptions) first, then
// the printer's default from AskDefaults. defaults may be null.
std::optional<std::string> DestOption(cups_dest_t *dest, ipp_t *defaults, const char *name);

// The destination's default horizontal and vertical resolution in dots per
// inch, the same way ("printer-resolution"); false when it reports none.
bool DestResolution(cups_dest_t *dest, ipp_t *defaults, int &xDpi, int &yDpi);

// "300dpi", "300x600dpi" or "118dpcm" as dots per inch; false when unreadable.
bool ParseResolution(const std::string &text, int &xDpi, int &yDpi);

// The Windows error for the last CUPS failure of this thread.
winapi::DWORD ErrorFromCups();

}  // namespace dkposix
