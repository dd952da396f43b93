// The process's scheduler connection against a listening socket that stands
// in for the scheduler: it counts the connections made to it and can drop
// them, as a restarted scheduler or its keep-alive time-out does.
#include "platform/posix/scheduler_connection.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "test_folder.h"
#include "unix_listener.h"

namespace {

using std::chrono::milliseconds;

class StandInScheduler {
 public:
  explicit StandInScheduler(const std::string &path) : listener_(path, SOCK_NONBLOCK, 8) {}
  ~StandInScheduler() { DropAll(); }
  StandInScheduler(const StandInScheduler &) = delete;
  StandInScheduler &operator=(const StandInScheduler &) = delete;

  // Connections made since the last call (a local connect completes before
  // it is accepted).
  int NewConnections() {
    int count = 0;
    for (int fd; (fd = accept4(listener_.Fd(), nullptr, nullptr, SOCK_CLOEXEC)) >= 0; ++count) {
      accepted_.push_back(fd);
    }
    return count;
  }

  // How many accepted connections the client has closed.
  int ClosedByClient() const {
    int closed = 0;
    for (int fd : accepted_) {
      char byte;
      closed += recv(fd, &byte, 1, MSG_DONTWAIT | MSG_PEEK) == 0;
    }
    return closed;
  }

  void DropAll() {
    for (int fd : accepted_) close(fd);
    accepted_.clear();
  }

  const std::string &Path() const { return listener_.Path(); }

 private:
  UnixListener listener_;
  std::vector<int> accepted_;
};

void UseServer(const std::string &path) {
  setenv("CUPS_SERVER", path.c_str(), 1);
  cupsSetServer(nullptr);  // read CUPS_SERVER again
}

class SchedulerConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override { UseServer(scheduler_.Path()); }

  TestFolder folder_;
  StandInScheduler scheduler_{folder_.Path("sock")};
};

TEST_F(SchedulerConnectionTest, CallsOneAfterAnotherShareOneConnection) {
  int fd = -1;
  {
    dkposix::SchedulerLease lease = dkposix::LeaseScheduler();
    ASSERT_TRUE(lease);
    fd = httpGetFd(lease.get());
  }
  EXPECT_EQ(scheduler_.NewConnections(), 1);
  for (int call = 0; call < 3; ++call) {
    dkposix::SchedulerLease lease = dkposix::LeaseScheduler();
    ASSERT_TRUE(lease);
    EXPECT_EQ(httpGetFd(lease.get()), fd);
  }
  EXPECT_EQ(scheduler_.NewConnections(), 0);
  EXPECT_EQ(scheduler_.ClosedByClient(), 0);
}

TEST_F(SchedulerConnectionTest, ACallWhileTheConnectionIsHeldGetsOneForItsOwnUse) {
  dkposix::SchedulerLease held = dkposix::LeaseScheduler();
  ASSERT_TRUE(held);
  {
    dkposix::SchedulerLease other = dkposix::LeaseScheduler();
    ASSERT_TRUE(other);
    EXPECT_NE(httpGetFd(other.get()), httpGetFd(held.get()));
  }
  EXPECT_EQ(scheduler_.NewConnections(), 2);
  EXPECT_EQ(scheduler_.ClosedByClient(), 1);  // the spare one, once used
  held = dkposix::SchedulerLease();
  dkposix::SchedulerLease after = dkposix::LeaseScheduler();
  EXPECT_TRUE(after);
  EXPECT_EQ(scheduler_.NewConnections(), 0);  // the shared one came back
}

TEST_F(SchedulerConnectionTest, AConnectionTheSchedulerDroppedIsMadeAnew) {
  dkposix::LeaseScheduler();
  ASSERT_EQ(scheduler_.NewConnections(), 1);
  scheduler_.DropAll();  // a restart, or the scheduler's idle time-out
  dkposix::SchedulerLease lease = dkposix::LeaseScheduler();
  EXPECT_TRUE(lease);
  EXPECT_EQ(scheduler_.NewConnections(), 1);
}

TEST_F(SchedulerConnectionTest, ADiscardedConnectionIsClosedAndMadeAnew) {
  dkposix::SchedulerLease lease = dkposix::LeaseScheduler();
  ASSERT_TRUE(lease);
  lease.Discard();
  EXPECT_FALSE(lease);
  EXPECT_EQ(scheduler_.NewConnections(), 1);
  EXPECT_EQ(scheduler_.ClosedByClient(), 1);
  EXPECT_TRUE(dkposix::LeaseScheduler());
  EXPECT_EQ(scheduler_.NewConnections(), 1);
}

TEST_F(SchedulerConnectionTest, AnotherServerSettingGetsAConnectionToThatServer) {
  dkposix::LeaseScheduler();
  ASSERT_EQ(scheduler_.NewConnections(), 1);
  StandInScheduler second(folder_.Path("second"));
  UseServer(second.Path());
  EXPECT_TRUE(dkposix::LeaseScheduler());
  EXPECT_EQ(second.NewConnections(), 1);
  EXPECT_EQ(scheduler_.ClosedByClient(), 1);  // the first server's is let go
  UseServer(scheduler_.Path());
  EXPECT_TRUE(dkposix::LeaseScheduler());
  EXPECT_EQ(scheduler_.NewConnections(), 1);
}

TEST_F(SchedulerConnectionTest, NoSchedulerMeansNoConnectionAtOnceAndLaterOneAgain) {
  UseServer(folder_.Path("nobody-listens"));
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(dkposix::LeaseScheduler());
  EXPECT_FALSE(dkposix::LeaseScheduler());
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(1000));
  UseServer(scheduler_.Path());
  EXPECT_TRUE(dkposix::LeaseScheduler());  // a failed attempt holds nothing
  EXPECT_EQ(scheduler_.NewConnections(), 1);
}

}  // namespace
