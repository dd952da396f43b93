// The posix backend's table of calls.
#pragma once

#include "platform/seam.h"

namespace dkposix {

// Every entry of the seam pointing at this backend's version of the call,
// without what Platform_Native() does for a program (blocking the control
// signals on the calling thread, which its children would inherit).
const PlatformApi *CallTable();

}  // namespace dkposix
