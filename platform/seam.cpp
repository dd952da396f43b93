#include "platform/seam.h"

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<const PlatformApi *> g_api{nullptr};

const PlatformApi *Api() {
  const PlatformApi *api = g_api.load(std::memory_order_acquire);
  if (api == nullptr) std::abort();  // no backend installed: a build fault, not a runtime state
  return api;
}
}  // namespace

const PlatformApi *Platform_Install(const PlatformApi *api) {
  return g_api.exchange(api, std::memory_order_acq_rel);
}

const PlatformApi *Platform_Current() {
  return g_api.load(std::memory_order_acquire);
}

namespace winapi {
#define DK_PLATFORM_FORWARD(result, name, params, args) \
  result name params {                                  \
    return Api()->name args;                            \
  }
DK_PLATFORM_CALLS(DK_PLATFORM_FORWARD)
#undef DK_PLATFORM_FORWARD

void ExitProcess(UINT exitCode) {
  Api()->ExitProcess(exitCode);
  std::abort();  // a backend whose exit returned broke its contract
}
}  // namespace winapi
