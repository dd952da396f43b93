#include "platform/posix/request_deadline.h"

#include <atomic>

namespace dkposix {
namespace {

// The end of the running cycle's budget, in clock ticks; 0 outside a cycle.
std::atomic<DeadlineClock::rep> g_cycleEnd{0};

thread_local DeadlineClock::time_point t_requestDeadline = DeadlineClock::time_point::max();

}  // namespace

void BeginCycle() {
  g_cycleEnd = (DeadlineClock::now() + kCycleBudget).time_since_epoch().count();
}

void EndCycle() {
  g_cycleEnd = 0;
}

void StartRequestClock() {
  DeadlineClock::time_point now = DeadlineClock::now();
  DeadlineClock::time_point deadline = now + kRequestLimit;
  DeadlineClock::rep cycleEnd = g_cycleEnd;
  DeadlineClock::time_point end{DeadlineClock::duration(cycleEnd)};
  // The calls of a cycle that ran out follow each other at once; a budget
  // that ended long before is of a cycle that never closed (its default
  // printer was not found), not of this request.
  if (cycleEnd != 0 && now - end < kCycleOverrun && end < deadline) deadline = end;
  t_requestDeadline = deadline;
}

int RequestMillisecondsLeft() {
  DeadlineClock::time_point now = DeadlineClock::now();
  if (t_requestDeadline <= now) return 0;
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(t_requestDeadline - now);
  return left < kRequestLimit ? static_cast<int>(left.count())
                              : static_cast<int>(kRequestLimit.count());
}

int ContinueBeforeDeadline(http_t *, void *) {
  return DeadlineClock::now() < t_requestDeadline ? 1 : 0;
}

}  // namespace dkposix
