// The graphics calls: device contexts for CUPS destinations over GdiTable.
#pragma once

#include "platform/seam.h"

namespace dkposix {

// Resolution of a device context when its destination reports none: a
// common one for receipt printers.
constexpr int kFallbackDpi = 203;

DK_GDI_CALLS(DK_PLATFORM_DECLARE)

}  // namespace dkposix
