// The Windows program under Wine, with a default printer in CUPS: every
// Enter prints one "EPOS" ticket, through Wine's spooler, as a job of its own
// (one the queue refuses is lost, and the next prints); after the 255th Enter
// the program ends with exit code 0.
#include <gtest/gtest.h>

#include <set>

#include "harness/program_run.h"
#include "tests/support/ticket.h"

namespace wine_harness {
namespace {

using std::chrono::seconds;

constexpr int kCycles = 255;
constexpr int kWatchedCycles = 5;
constexpr char kQueue[] = "drawer";

::testing::AssertionResult IsTicket(const PrintedJob &job) {
  if (job.name != kTicketName)
    return ::testing::AssertionFailure() << "job " << job.id << " is named '" << job.name << "'";
  if (job.document != TicketBytes())
    return ::testing::AssertionFailure() << "job " << job.id << " holds " << job.document.size()
                                         << " bytes that are not the ticket";
  return ::testing::AssertionSuccess();
}

TEST(WindowsProgramWithPrinter, EachEnterPrintsOneTicketAndTheRunEndsAfter255) {
  ASSERT_EQ(TicketBytes().size(), kTicketSize);

  ProgramRun run;
  const std::string failure = run.Prepare(std::string(kQueue));
  ASSERT_EQ(failure, "");
  ASSERT_TRUE(run.Start(DK_WINDOWS_PROGRAM));

  ASSERT_TRUE(run.WaitForPrompt(1, seconds(60)))
      << "row " << kPromptRow << ": '" << run.PromptRow() << "'";
  EXPECT_EQ(run.terminal().Title(), "Test Windows default printer draw kick");
  std::vector<PrintedJob> jobs;
  ASSERT_TRUE(run.cups().Jobs(jobs));
  EXPECT_TRUE(jobs.empty()) << "printed before any Enter";

  // Cycle by cycle: each Enter gives exactly one new job holding one ticket,
  // then the next prompt.
  int cycle = 1;
  size_t printed = 0;
  for (; cycle <= kWatchedCycles; ++cycle) {
    run.terminal().PressEnter();
    ASSERT_TRUE(run.WaitForJobs(++printed, seconds(30), jobs))
        << "after Enter " << cycle << " the server holds " << jobs.size() << " jobs";
    EXPECT_TRUE(IsTicket(jobs.back()));
    ASSERT_TRUE(run.WaitForPrompt(cycle + 1, seconds(30))) << "'" << run.PromptRow() << "'";
  }

  // The queue refuses one ticket; the program goes on, and the next Enter
  // prints again: the printer is opened afresh for every ticket.
  ASSERT_TRUE(run.cups().SetAccepting(kQueue, false)) << run.cups().Log();
  run.terminal().PressEnter();
  ASSERT_TRUE(run.WaitForPrompt(++cycle, seconds(30))) << "'" << run.PromptRow() << "'";
  ASSERT_TRUE(run.cups().Jobs(jobs));
  EXPECT_EQ(jobs.size(), printed) << "a refused ticket was printed";
  ASSERT_TRUE(run.cups().SetAccepting(kQueue, true)) << run.cups().Log();
  run.terminal().PressEnter();
  ASSERT_TRUE(run.WaitForJobs(++printed, seconds(30), jobs)) << jobs.size() << " jobs";
  EXPECT_TRUE(IsTicket(jobs.back()));
  ASSERT_TRUE(run.WaitForPrompt(++cycle, seconds(30))) << "'" << run.PromptRow() << "'";

  // The rest of the run, up to the last prompt, then the last Enter.
  run.terminal().PressEnter(kCycles - cycle);
  printed += kCycles - cycle;
  ASSERT_TRUE(run.WaitForPrompt(kCycles, seconds(180))) << "'" << run.PromptRow() << "'";
  run.terminal().PressEnter();
  ++printed;
  const std::optional<int> exitCode = run.WaitForExit(seconds(60));
  ASSERT_TRUE(exitCode.has_value()) << "still running after the last Enter";
  EXPECT_EQ(*exitCode, 0);

  ASSERT_TRUE(run.WaitForJobs(printed, seconds(30), jobs)) << jobs.size() << " jobs";
  std::set<int> ids;
  for (const PrintedJob &job : jobs) {
    EXPECT_TRUE(IsTicket(job));
    ids.insert(job.id);
  }
  EXPECT_EQ(ids.size(), printed) << "a job id came twice";
}

}  // namespace
}  // namespace wine_harness
