// The libcups and system calls the backend's spooler makes, through one
// table of function pointers that starts out naming the real calls. A test
// replaces an entry, by name or by field, to fail that call on the real
// backend (a reply that cannot be read, a document that cannot be started, a
// connection that shows an error) and puts it back after.
#pragma once

#include <cups/cups.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// X(result, name, (parameters)) for every routed call.
#define DK_BACKEND_CALLS(X)                                                                   \
  X(http_t *, httpConnect2,                                                                   \
    (const char *host, int port, http_addrlist_t *addrlist, int family,                       \
     http_encryption_t encryption, int blocking, int msec, int *cancel))                      \
  X(int, httpReconnect2, (http_t * http, int msec, int *cancel))                              \
  X(int, httpError, (http_t * http))                                                          \
  X(ipp_t *, cupsDoRequest, (http_t * http, ipp_t * request, const char *resource))           \
  X(cups_dest_t *, cupsGetNamedDest, (http_t * http, const char *name, const char *instance)) \
  X(cups_dinfo_t *, cupsCopyDestInfo, (http_t * http, cups_dest_t * dest))                    \
  X(ipp_status_t, cupsCreateDestJob,                                                          \
    (http_t * http, cups_dest_t * dest, cups_dinfo_t * info, int *job_id, const char *title,  \
     int num_options, cups_option_t *options))                                                \
  X(http_status_t, cupsStartDestDocument,                                                     \
    (http_t * http, cups_dest_t * dest, cups_dinfo_t * info, int job_id, const char *docname, \
     const char *format, int num_options, cups_option_t *options, int last_document))         \
  X(http_status_t, cupsWriteRequestData, (http_t * http, const char *buffer, size_t length))  \
  X(ipp_status_t, cupsFinishDestDocument,                                                     \
    (http_t * http, cups_dest_t * dest, cups_dinfo_t * info))                                 \
  X(ipp_status_t, cupsCancelDestJob, (http_t * http, cups_dest_t * dest, int job_id))         \
  X(int, poll, (struct pollfd * fds, nfds_t count, int timeout))                              \
  X(int, open, (const char *path, int flags, mode_t mode))                                    \
  X(ssize_t, write, (int fd, const void *buffer, size_t count))                               \
  X(int, close, (int fd))

namespace dkposix {

struct BackendCalls {
#define DK_BACKEND_FIELD(result, name, params) result(*name) params;
  DK_BACKEND_CALLS(DK_BACKEND_FIELD)
#undef DK_BACKEND_FIELD
};

// The table the backend calls through. Changed by tests only, between calls
// of the backend (never while another thread is in one).
BackendCalls &Backend();

// The real calls.
const BackendCalls &RealBackend();

// Replaces the named entry with call (cast to the entry's type by the
// caller), or restores the real one for a null call; false, changing
// nothing, for a name the table does not have.
bool OverrideBackendCall(const char *name, void (*call)());

// The names of the entries, in table order, ending with a null.
const char *const *BackendCallNames();

}  // namespace dkposix
