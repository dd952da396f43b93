// The settings string against a DEVMODE buffer of every size from 0 to past
// the public members: the buffer is allocated to its exact size, so a write
// past it is caught by AddressSanitizer, and every byte the settings cannot
// reach must come out unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/fake/fake_platform.h"
#include "printer/settings.h"

namespace {
constexpr size_t kReach = offsetof(winapi::DEVMODEA, dmCollate) + 2;

bool Reachable(size_t offset) {
  if (offset >= offsetof(winapi::DEVMODEA, dmFields) &&
      offset < offsetof(winapi::DEVMODEA, dmFields) + 4)
    return true;
  // The thirteen members: dmOrientation..dmPrintQuality, dmColor..dmCollate.
  return offset >= offsetof(winapi::DEVMODEA, dmOrientation) && offset < kReach &&
         !(offset >= offsetof(winapi::DEVMODEA, dmPrintQuality) + 2 &&
           offset < offsetof(winapi::DEVMODEA, dmColor));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static fake::Platform *platform = new fake::Platform;  // lives for the whole run
  platform->ClearCalls();
  if (size == 0) return 0;

  size_t bufferSize = data[0] % (sizeof(winapi::DEVMODEA) + 8);
  std::string settings(reinterpret_cast<const char *>(data + 1), size - 1);
  settings = settings.substr(0, settings.find('\0'));  // Text carries no zero byte

  std::unique_ptr<uint8_t[]> buffer(new uint8_t[bufferSize + 1]);
  for (size_t i = 0; i < bufferSize; ++i) buffer[i] = static_cast<uint8_t>(0x5A ^ i);
  std::unique_ptr<uint8_t[]> before(new uint8_t[bufferSize + 1]);
  std::memcpy(before.get(), buffer.get(), bufferSize);

  Print_ApplySettings(settings.c_str(), bufferSize == 0 ? nullptr : buffer.get(),
                      static_cast<winapi::LONG>(bufferSize));

  for (size_t i = 0; i < bufferSize; ++i) {
    bool mayChange = bufferSize >= kReach && Reachable(i);
    if (!mayChange && buffer[i] != before[i]) std::abort();
  }
  // Bits are only ever added to dmFields.
  if (bufferSize >= kReach) {
    uint32_t was, now;
    std::memcpy(&was, before.get() + offsetof(winapi::DEVMODEA, dmFields), 4);
    std::memcpy(&now, buffer.get() + offsetof(winapi::DEVMODEA, dmFields), 4);
    if ((was & now) != was) std::abort();
  }
  return 0;
}
