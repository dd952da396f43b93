// The harness's commands under a test run that ignores hang-ups (nohup, a
// background job): each command gets the default action back, and none is
// waited for beyond its limit.
#include "harness/command.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

using namespace std::chrono_literals;

// Ignores SIGHUP for the test's life, as nohup would, and puts back what was.
struct HangupIgnored {
  HangupIgnored() { previous = std::signal(SIGHUP, SIG_IGN); }
  ~HangupIgnored() { std::signal(SIGHUP, previous); }
  void (*previous)(int);
};

TEST(Command, GivesTheOutputAndTheStatus) {
  CommandResult result = RunCommand("echo one; echo two; exit 3");
  EXPECT_EQ(result.status, 3);
  EXPECT_EQ(result.output, "one\ntwo\n");
}

TEST(Command, HangupEndsACommandEvenWhereTheTestIgnoresIt) {
  HangupIgnored nohup;
  // sh cannot undo a hang-up ignored at its start; had it inherited that, it
  // would go on to the echo.
  CommandResult result = RunCommand("kill -HUP $$; echo survived");
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(result.status, -1);
}

TEST(Command, OneThatOutlivesItsLimitIsKilledWithItsChildren) {
  const auto start = std::chrono::steady_clock::now();
  // The background sleep holds the output open: the wait for the end of the
  // output is bounded too, and the whole group goes.
  CommandResult result = RunCommand("sleep 37.25 & echo started; sleep 37.25", 500ms);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result.status, -1);
  EXPECT_EQ(result.output, "started\n");
  EXPECT_LT(took, 5s);
  EXPECT_EQ(RunCommand("pgrep -x -f 'sleep 37.25' || true").output, "");
}

}  // namespace
