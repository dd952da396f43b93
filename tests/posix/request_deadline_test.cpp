// Requests to a scheduler that takes connections and never answers: each
// ends by its deadline, and all the requests of a cycle by the cycle's
// budget, however many there are.
#include "platform/posix/request_deadline.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/posix/scheduler_connection.h"
#include "platform/posix/server_default.h"
#include "test_folder.h"
#include "unix_listener.h"

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// What a request may run past its deadline: a wait slice, and the
// scheduling of a loaded machine.
constexpr milliseconds kOverrun{static_cast<int>(dkposix::kWaitSliceSeconds * 1000) + 500};

// A listening socket that is never accepted from: connections complete (the
// kernel queues them) and nothing is ever answered.
class SilentScheduler : public UnixListener {
 public:
  explicit SilentScheduler(const std::string &path) : UnixListener(path, 0, 64) {}
};

class RequestDeadlineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("CUPS_SERVER", folder_.Path("sock").c_str(), 1);
    setenv("CUPS_SERVERROOT", folder_.Path("").c_str(), 1);  // no lpoptions
    setenv("HOME", folder_.Path("").c_str(), 1);
    unsetenv("LPDEST");
    unsetenv("PRINTER");
    cupsSetServer(nullptr);
  }
  void TearDown() override { dkposix::EndCycle(); }

  // One request for the default printer; how long it took.
  static milliseconds AskDefault() {
    auto start = Clock::now();
    dkposix::SchedulerLease lease = dkposix::LeaseScheduler();
    if (lease) {
      EXPECT_EQ(dkposix::LookupDefault(lease.get()).dest, nullptr);
    }
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  }

  TestFolder folder_;
  SilentScheduler scheduler_{folder_.Path("sock")};
};

TEST_F(RequestDeadlineTest, ARequestOutsideACycleEndsByItsOwnLimit) {
  milliseconds took = AskDefault();
  EXPECT_GE(took, dkposix::kRequestLimit - milliseconds(100));
  EXPECT_LE(took, dkposix::kRequestLimit + kOverrun);
}

TEST_F(RequestDeadlineTest, TheRequestsOfACycleEndTogetherByItsBudget) {
  dkposix::BeginCycle();
  auto start = Clock::now();
  for (int request = 0; request < 4; ++request) AskDefault();
  auto took = Clock::now() - start;
  // The first request takes its limit, the next the budget's rest, the
  // others nothing.
  EXPECT_GE(took, dkposix::kCycleBudget - milliseconds(100));
  EXPECT_LE(took, dkposix::kCycleBudget + kOverrun);
  EXPECT_LE(AskDefault(), milliseconds(100));  // still the spent cycle
  dkposix::EndCycle();
  EXPECT_GE(AskDefault(), dkposix::kRequestLimit - milliseconds(100));  // its own limit again
}

}  // namespace
