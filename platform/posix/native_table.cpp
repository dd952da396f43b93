// The posix backend's table of calls: every entry of the seam points at this
// backend's version of the call.
#include "platform/posix/native_table.h"

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

const PlatformApi *dkposix::CallTable() {
  static const PlatformApi kApi = [] {
    PlatformApi table{};
#define DK_POSIX_ENTRY(result, name, params, args) table.name = &dkposix::name;
    DK_PLATFORM_CALLS(DK_POSIX_ENTRY)
#undef DK_POSIX_ENTRY
    table.ExitProcess = &dkposix::ExitProcess;
    return table;
  }();
  return &kApi;
}

const PlatformApi *Platform_Native() {
  // Signals are blocked here, on the thread that installs the backend, before
  // the program starts any thread of its own.
  dkposix::StartControlEvents();
  return dkposix::CallTable();
}
