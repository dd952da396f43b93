#include "platform/posix/scheduler_connection.h"

#include <poll.h>

#include <cerrno>
#include <mutex>
#include <utility>

#include "platform/posix/backend_calls.h"
#include "platform/posix/request_deadline.h"

namespace dkposix {
namespace {

struct SharedConnection {
  std::mutex mutex;
  HttpConnection idle;  // the connection while no call holds it
  std::string server;   // what idle was made for
  bool lent = false;    // a call holds it (or is making it)
};

SharedConnection &Shared() {
  static auto *shared = new SharedConnection;  // lives until _exit
  return *shared;
}

// Whether a connection finished its last exchange cleanly, with nothing
// left half-sent or half-read and no failure on it (a time-out, a cut-off
// reply).
bool Settled(http_t *http) {
  return httpGetFd(http) >= 0 && Backend().httpError(http) == 0 &&
         httpGetState(http) == HTTP_STATE_WAITING;
}

// Whether an idle connection can carry a request: between requests the
// scheduler sends nothing, so a readable socket means it has closed its end
// (a restart, its keep-alive time-out). Asked without waiting.
bool StillOpen(http_t *http) {
  int fd = httpGetFd(http);
  if (fd < 0 || Backend().httpError(http) != 0 || httpGetState(http) != HTTP_STATE_WAITING)
    return false;
  pollfd watch{fd, POLLIN, 0};
  int ready;
  do {
    ready = Backend().poll(&watch, 1, 0);
  } while (ready < 0 && errno == EINTR);
  return ready == 0;
}

}  // namespace

std::string SchedulerServer() {
  return std::string(cupsServer()) + '\n' + std::to_string(ippPort()) + '\n' +
         std::to_string(static_cast<int>(cupsEncryption()));
}

SchedulerLease::SchedulerLease(HttpConnection http, std::string server, bool shared)
    : http_(std::move(http)), server_(std::move(server)), shared_(shared) {}

SchedulerLease::SchedulerLease(SchedulerLease &&other) noexcept
    : http_(std::move(other.http_)),
      server_(std::move(other.server_)),
      shared_(std::exchange(other.shared_, false)) {}

SchedulerLease &SchedulerLease::operator=(SchedulerLease &&other) noexcept {
  if (this != &other) {
    Release();
    http_ = std::move(other.http_);
    server_ = std::move(other.server_);
    shared_ = std::exchange(other.shared_, false);
  }
  return *this;
}

void SchedulerLease::Discard() {
  UnwatchConnection(http_.get());
  http_.reset();
  Release();
}

void SchedulerLease::Release() {
  UnwatchConnection(http_.get());
  if (!shared_) {
    http_.reset();
    return;
  }
  shared_ = false;
  HttpConnection closing;  // closed after the lock is let go
  SharedConnection &shared = Shared();
  std::lock_guard<std::mutex> lock(shared.mutex);
  if (http_ && Settled(http_.get())) {
    shared.idle = std::move(http_);
    shared.server = std::move(server_);
  } else {
    closing = std::move(http_);
  }
  shared.lent = false;
}

SchedulerLease LeaseScheduler() {
  StartRequestClock();
  std::string server = SchedulerServer();
  SharedConnection &shared = Shared();
  HttpConnection stale;  // closed after the lock is let go
  bool lent = false;
  {
    std::lock_guard<std::mutex> lock(shared.mutex);
    if (!shared.lent) {
      shared.lent = true;
      lent = true;
      if (shared.idle && shared.server == server && StillOpen(shared.idle.get())) {
        WatchConnection(shared.idle.get());
        return SchedulerLease(std::move(shared.idle), std::move(server), true);
      }
      stale = std::move(shared.idle);
    }
  }
  stale.reset();
  // Made without the lock: a call on another thread is not held up by it.
  HttpConnection http = ConnectToServer();
  bool shares = lent && http != nullptr;
  if (lent && !shares) {
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.lent = false;
  }
  return SchedulerLease(std::move(http), std::move(server), shares);
}

}  // namespace dkposix
