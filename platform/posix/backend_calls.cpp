#include "platform/posix/backend_calls.h"

#include <cstring>

namespace dkposix {
namespace {

// open is variadic in libc; the table's entry always passes the mode.
int OpenFile(const char *path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}

const BackendCalls kReal = {
    ::httpConnect2,
    ::httpReconnect2,
    ::httpError,
    ::cupsDoRequest,
    ::cupsGetNamedDest,
    ::cupsCopyDestInfo,
    ::cupsCreateDestJob,
    ::cupsStartDestDocument,
    ::cupsWriteRequestData,
    ::cupsFinishDestDocument,
    ::cupsCancelDestJob,
    ::poll,
    OpenFile,
    ::write,
    ::close,
};

BackendCalls g_current = kReal;

const char *const kNames[] = {
#define DK_BACKEND_NAME(result, name, params) #name,
    DK_BACKEND_CALLS(DK_BACKEND_NAME)
#undef DK_BACKEND_NAME
        nullptr};

}  // namespace

BackendCalls &Backend() {
  return g_current;
}

const BackendCalls &RealBackend() {
  return kReal;
}

bool OverrideBackendCall(const char *name, void (*call)()) {
  if (name == nullptr) return false;
#define DK_BACKEND_SET(result, field, params)                                                   \
  if (std::strcmp(name, #field) == 0) {                                                         \
    g_current.field = call != nullptr ? reinterpret_cast<result(*) params>(call) : kReal.field; \
    return true;                                                                                \
  }
  DK_BACKEND_CALLS(DK_BACKEND_SET)
#undef DK_BACKEND_SET
  return false;
}

const char *const *BackendCallNames() {
  return kNames;
}

}  // namespace dkposix
