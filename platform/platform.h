// What the core includes to reach the operating system: the Windows names of
// winapi.h, called through the installed seam table.
#pragma once

#include "platform/winapi.h"

using namespace winapi;
