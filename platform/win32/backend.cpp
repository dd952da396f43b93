// The Win32 backend: every call of the seam forwarded to the real kernel32,
// user32, gdi32 and winspool functions.
//
// Our winapi.h must come before windows.h: the platform header defines macros
// (TRUE, OPAQUE, ERROR_SUCCESS, ...) that would rewrite our declarations.
// After it, this file names our types only as winapi::X inside the X-macro
// list and the real functions only as ::X.
#include "platform/seam.h"
#include "platform/winapi.h"
// clang-format off
#include <windows.h>
#include <winspool.h>
// clang-format on

#include <type_traits>

#include "platform/win32/native_value.h"

namespace win32 {
namespace {

// One forwarder per call: each argument converts to the parameter type the
// real function declares, and its result back to ours (see native_value.h).
#define DK_WIN32_FORWARD(result, name, params, args) \
  result name params {                               \
    return [](auto... ours) -> result {              \
      if constexpr (std::is_void_v<result>) {        \
        ::name(AsNative(ours)...);                   \
      } else {                                       \
        return AsNative(::name(AsNative(ours)...));  \
      }                                              \
    } args;                                          \
  }
DK_PLATFORM_CALLS(DK_WIN32_FORWARD)
#undef DK_WIN32_FORWARD

[[noreturn]] void ExitProcess(winapi::UINT exitCode) {
  ::ExitProcess(exitCode);
}

// In the order of PlatformApi: the listed calls, then ExitProcess.
#define DK_WIN32_ENTRY(result, name, params, args) name,
const PlatformApi kTable = {DK_PLATFORM_CALLS(DK_WIN32_ENTRY) ExitProcess};
#undef DK_WIN32_ENTRY

}  // namespace
}  // namespace win32

const PlatformApi *Platform_Native() {
  return &win32::kTable;
}
