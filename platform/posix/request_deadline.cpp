#include "platform/posix/request_deadline.h"

#include <sys/socket.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace dkposix {
namespace {

// The end of the running cycle's budget, in clock ticks; 0 outside a cycle.
std::atomic<DeadlineClock::rep> g_cycleEnd{0};

thread_local DeadlineClock::time_point t_requestDeadline = DeadlineClock::time_point::max();
thread_local DeadlineClock::time_point t_threadLimit = DeadlineClock::time_point::max();

struct Watched {
  std::thread::id user;
  DeadlineClock::time_point deadline;
};

struct Watchdog {
  std::mutex mutex;
  std::condition_variable changed;
  std::map<http_t *, Watched> connections;
  bool running = false;
};

Watchdog &Dog() {
  static auto *dog = new Watchdog;  // lives until _exit, as its thread does
  return *dog;
}

// Shuts down each watched connection whose deadline has passed; an entry
// stays until its user lets it go, so the socket is never one reused after
// its close.
[[noreturn]] void WatchForever() {
  Watchdog &dog = Dog();
  std::unique_lock<std::mutex> lock(dog.mutex);
  for (;;) {
    DeadlineClock::time_point now = DeadlineClock::now();
    DeadlineClock::time_point next = DeadlineClock::time_point::max();
    for (auto &entry : dog.connections) {
      if (entry.second.deadline <= now) {
        int fd = httpGetFd(entry.first);
        if (fd >= 0) shutdown(fd, SHUT_RDWR);
        entry.second.deadline = DeadlineClock::time_point::max();
      } else if (entry.second.deadline < next) {
        next = entry.second.deadline;
      }
    }
    if (next == DeadlineClock::time_point::max()) {
      dog.changed.wait(lock);
    } else {
      dog.changed.wait_until(lock, next);
    }
  }
}

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
  if (t_threadLimit < deadline) deadline = t_threadLimit;
  t_requestDeadline = deadline;
  Watchdog &dog = Dog();
  std::lock_guard<std::mutex> lock(dog.mutex);
  bool moved = false;
  for (auto &entry : dog.connections) {
    if (entry.second.user == std::this_thread::get_id()) {
      entry.second.deadline = deadline;
      moved = true;
    }
  }
  if (moved) dog.changed.notify_all();
}

void LimitThreadRequests(DeadlineClock::time_point end) {
  t_threadLimit = end;
}

void WatchConnection(http_t *http) {
  if (http == nullptr) return;
  Watchdog &dog = Dog();
  std::lock_guard<std::mutex> lock(dog.mutex);
  if (!dog.running) {
    std::thread(WatchForever).detach();
    dog.running = true;
  }
  dog.connections[http] = Watched{std::this_thread::get_id(), t_requestDeadline};
  dog.changed.notify_all();
}

void UnwatchConnection(http_t *http) {
  if (http == nullptr) return;
  Watchdog &dog = Dog();
  std::lock_guard<std::mutex> lock(dog.mutex);
  dog.connections.erase(http);
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
