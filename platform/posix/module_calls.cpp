#include "platform/posix/module_calls.h"

#include <strings.h>

#include <cstdint>
#include <cstring>
#include <mutex>

#include "platform/posix/handle_table.h"
#include "platform/posix/last_error.h"
#include "platform/posix/spooler_calls.h"

namespace dkposix {
namespace {

winapi::HMODULE const kSpoolerModule = MakeHandle(HandleKind::kModule, 1);

std::mutex g_mutex;
int g_spoolerLoads = 0;  // the module is unloaded when this falls back to zero

// The file name without its folders ("C:\Windows\System32\winspool.drv").
const char *BaseName(const char *path) {
  const char *base = path;
  for (const char *p = path; *p; ++p) {
    if (*p == '\\' || *p == '/') base = p + 1;
  }
  return base;
}

bool SpoolerLoaded(winapi::HMODULE module) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return module == kSpoolerModule && g_spoolerLoads > 0;
}

}  // namespace

winapi::HMODULE LoadLibraryA(winapi::LPCSTR name) {
  if (name == nullptr) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (strcasecmp(BaseName(name), "WINSPOOL.DRV") != 0) {
    SetLastError(winapi::ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  ++g_spoolerLoads;
  return kSpoolerModule;
}

winapi::FARPROC GetProcAddress(winapi::HMODULE module, winapi::LPCSTR name) {
  if (!SpoolerLoaded(module)) {
    SetLastError(winapi::ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  // Names below 0x10000 are ordinals, which this module does not export.
  if (name == nullptr || reinterpret_cast<uintptr_t>(name) < 0x10000 ||
      std::strcmp(name, "GetDefaultPrinterA") != 0) {
    SetLastError(winapi::ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  // Through the generic function type, as a cast to FARPROC always is.
  auto generic = reinterpret_cast<void (*)()>(&GetDefaultPrinterA);
  return reinterpret_cast<winapi::FARPROC>(generic);
}

winapi::BOOL FreeLibrary(winapi::HMODULE module) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (module != kSpoolerModule || g_spoolerLoads == 0) {
    SetLastError(winapi::ERROR_INVALID_HANDLE);
    return winapi::FALSE;
  }
  --g_spoolerLoads;
  return winapi::TRUE;
}

}  // namespace dkposix
