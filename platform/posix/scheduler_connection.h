// The process's one connection to the scheduler, shared by every spooler and
// device-context call: made on first use, kept while it stays sound, and made
// anew after a failure, after the scheduler dropped it (a restart, its idle
// time-out) or when the server setting (CUPS_SERVER, client.conf) changes.
#pragma once

#include <cups/cups.h>

#include <string>

#include "platform/posix/cups_server.h"

namespace dkposix {

// The use of a scheduler connection by one caller. On release a connection
// in good order goes back for the next caller; one that failed or was left
// in the middle of a request is closed.
class SchedulerLease {
 public:
  SchedulerLease() = default;
  SchedulerLease(SchedulerLease &&other) noexcept;
  SchedulerLease &operator=(SchedulerLease &&other) noexcept;
  SchedulerLease(const SchedulerLease &) = delete;
  SchedulerLease &operator=(const SchedulerLease &) = delete;
  ~SchedulerLease() { Release(); }

  http_t *get() const { return http_.get(); }
  explicit operator bool() const { return http_ != nullptr; }

  // Closes the connection instead of handing it back: a request on it was
  // cut off, so what the scheduler sends next would not match.
  void Discard();

 private:
  friend SchedulerLease LeaseScheduler();

  SchedulerLease(HttpConnection http, std::string server, bool shared);
  void Release();

  HttpConnection http_;
  std::string server_;   // the server, port and encryption it was made for
  bool shared_ = false;  // the process's connection, not a spare one
};

// A connection for the calling thread: the process's own, unless another
// call holds it just now (a cancel from the close event while a document
// streams), which gets one of its own for the time of its use. Empty when the
// scheduler cannot be reached within a second; replies are bounded too.
SchedulerLease LeaseScheduler();

// The server, port and encryption this thread's libcups settings name now
// (CUPS_SERVER, client.conf), in one string.
std::string SchedulerServer();

}  // namespace dkposix
