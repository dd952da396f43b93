// The posix backend's table of calls: every entry of the seam points at this
// backend's version of the call.
#include "platform/posix/console_calls.h"
#include "platform/posix/control_events.h"
#include "platform/posix/file_calls.h"
#include "platform/posix/gdi_calls.h"
#include "platform/posix/ini_file.h"
#include "platform/posix/last_error.h"
#include "platform/posix/module_calls.h"
#include "platform/posix/spooler_calls.h"
#include "platform/posix/system_calls.h"
#include "platform/seam.h"

namespace {

PlatformApi MakeTable() {
  PlatformApi api{};
#define DK_POSIX_ENTRY(result, name, params, args) api.name = &dkposix::name;
  DK_PLATFORM_CALLS(DK_POSIX_ENTRY)
#undef DK_POSIX_ENTRY
  api.ExitProcess = &dkposix::ExitProcess;
  return api;
}

}  // namespace

const PlatformApi *Platform_Native() {
  // Signals are blocked here, on the thread that installs the backend, before
  // the program starts any thread of its own.
  dkposix::StartControlEvents();
  static const PlatformApi kApi = MakeTable();
  return &kApi;
}
