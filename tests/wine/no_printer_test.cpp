// The Windows program under Wine with no printer at all in CUPS: the prompts
// still come, one per Enter, nothing is printed, and the run ends normally.
#include <gtest/gtest.h>

#include "harness/program_run.h"

namespace wine_harness {
namespace {

using std::chrono::seconds;

constexpr int kCycles = 255;

TEST(WindowsProgramWithoutPrinter, PromptsComeOnePerEnterAndNothingPrints) {
  ProgramRun run;
  const std::string failure = run.Prepare(std::nullopt);
  ASSERT_EQ(failure, "");
  ASSERT_TRUE(run.Start(DK_WINDOWS_PROGRAM));

  ASSERT_TRUE(run.WaitForPrompt(1, seconds(60))) << "'" << run.PromptRow() << "'";
  for (int cycle = 1; cycle <= 5; ++cycle) {
    run.terminal().PressEnter();
    ASSERT_TRUE(run.WaitForPrompt(cycle + 1, seconds(30))) << "'" << run.PromptRow() << "'";
  }
  // One Enter moves one prompt on, never more.
  EXPECT_FALSE(run.WaitForPrompt(7, seconds(1)));

  run.terminal().PressEnter(kCycles - 1 - 5);
  ASSERT_TRUE(run.WaitForPrompt(kCycles, seconds(120))) << "'" << run.PromptRow() << "'";
  run.terminal().PressEnter();
  const std::optional<int> exitCode = run.WaitForExit(seconds(60));
  ASSERT_TRUE(exitCode.has_value()) << "still running after the last Enter";
  EXPECT_EQ(*exitCode, 0);

  std::vector<PrintedJob> jobs;
  ASSERT_TRUE(run.cups().Jobs(jobs));
  EXPECT_TRUE(jobs.empty()) << jobs.size() << " jobs printed without a printer";
}

}  // namespace
}  // namespace wine_harness
