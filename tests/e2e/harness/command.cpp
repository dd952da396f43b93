#include "harness/command.h"

#include <thread>

bool WaitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds pause) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(pause);
  }
}
