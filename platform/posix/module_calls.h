// Run-time lookup of the spooler's GetDefaultPrinterA, as a Windows program
// finds it in WINSPOOL.DRV: the one module and the one function this backend
// can hand out.
#pragma once

#include "platform/seam.h"

namespace dkposix {

DK_MODULE_CALLS(DK_PLATFORM_DECLARE)

}  // namespace dkposix
