// End-to-end tests of the real drawer-kick-test: in a terminal (tmux), driven
// by keystrokes, printing to a private cupsd.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "harness/command.h"
#include "harness/private_cups.h"
#include "harness/program_pane.h"
#include "tests/support/ticket.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int kCycles = 255;
constexpr int kPromptColumn = 10;
constexpr int kPromptRow = 10;
const std::string kTitle = "Test Windows default printer draw kick";
constexpr auto kQuick = milliseconds(5000);

// A sanitizer reports a SIGSEGV itself and exits with a status of its
// own; the program's handler still restores the terminal before it.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitizerTakesCrashes = true;
#else
constexpr bool kSanitizerTakesCrashes = false;
#endif  // for what takes milliseconds when right

std::string PromptRow(int cycle, const std::string &typed = "") {
  return std::string(kPromptColumn, ' ') + ProgramPrompt(cycle) + typed;
}

// Cells a UTF-8 text takes on the screen (one per character here).
int Columns(const std::string &text) {
  int columns = 0;
  for (char c : text) columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return columns;
}

// What keeps these tests from running at all on this machine, if anything.
std::string MissingPrerequisite() {
  return MissingForPrivateCups({"tmux", "cupsd", "lpadmin", "lpstat", "ipptool"});
}

// A private cupsd in one of the states the tests need.
enum class Spooler { kDefaultPrinter, kNoDefault, kStopped };

std::unique_ptr<PrivateCups> StartCups(Spooler state) {
  auto cups = std::make_unique<PrivateCups>();
  if (!cups->Start()) return nullptr;
  if (!cups->AddRawQueue("Receipts", state != Spooler::kNoDefault)) return nullptr;
  if (state == Spooler::kStopped && !cups->Stop()) return nullptr;
  return cups;
}

class ProgramTest : public ::testing::Test {
 protected:
  void Begin(Spooler state, bool passHangup = true, bool logRequests = false) {
    std::string missing = MissingPrerequisite();
    if (!missing.empty()) GTEST_SKIP() << missing;
    cups_ = StartCups(state);
    ASSERT_NE(cups_, nullptr) << "the private cupsd did not start";
    if (logRequests) {
      ASSERT_TRUE(cups_->LogEveryRequest()) << "the private cupsd did not reload";
    }
    // The server's folder holds no lpoptions and no client.conf: the
    // machine's own CUPS settings stay out of the test.
    pane_ = std::make_unique<ProgramPane>(
        std::map<std::string, std::string>{{"CUPS_SERVER", cups_->Socket()},
                                           {"CUPS_SERVERROOT", cups_->Folder()},
                                           {"HOME", cups_->Folder()}},
        passHangup);
    ASSERT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(1), kQuick)) << DumpScreen();
  }

  // Sends count Enters, a batch at a time so the keys queue up in the
  // terminal as a fast typist's would.
  void PressEnter(int count) {
    while (count > 0) {
      int batch = std::min(count, 50);
      std::string keys;
      for (int i = 0; i < batch; ++i) keys += " Enter";
      pane_->Keys(keys);
      count -= batch;
    }
  }

  // Presses Enter through the prompts up to the last, checks the last
  // prompt shows, then presses the last Enter; the program must end.
  ProgramEnd RunToTheEnd() {
    ProgramEnd end;
    PressEnter(kCycles - 1);
    EXPECT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(kCycles), seconds(60))) << DumpScreen();
    PressEnter(1);
    EXPECT_TRUE(pane_->WaitForEnd(seconds(10), end)) << "the program did not end";
    return end;
  }

  std::string DumpScreen() const {
    std::string dump = "screen:\n";
    for (const std::string &row : pane_->Screen()) dump += "|" + row + "\n";
    return dump;
  }

  void ExpectPromptAndCursor(int cycle, const std::string &typed) {
    ASSERT_TRUE(pane_->WaitForRow(kPromptRow, PromptRow(cycle, typed), kQuick)) << DumpScreen();
    EXPECT_EQ(pane_->Row(kPromptRow), PromptRow(cycle, typed));
    int x = -1, y = -1;
    ASSERT_TRUE(WaitUntil(
        [&] {
          return pane_->Cursor(x, y) && x == Columns(PromptRow(cycle, typed)) && y == kPromptRow;
        },
        kQuick))
        << "cursor at " << x << "," << y;
  }

  void ExpectNoJobLeftBehind() {
    EXPECT_EQ(cups_->NotCompletedJobs(), "") << "a job was left half-sent";
  }

  std::unique_ptr<PrivateCups> cups_;
  std::unique_ptr<ProgramPane> pane_;
};

TEST_F(ProgramTest, PromptsEchoesAndPrintsOneTicketPerEnterThenExitsCleanly) {
  ASSERT_NO_FATAL_FAILURE(Begin(Spooler::kDefaultPrinter));
  EXPECT_EQ(pane_->Title(), kTitle);
  // The runner's scribbles are gone: only the prompt is on the screen.
  std::vector<std::string> screen = pane_->Screen();
  for (int y = 0; y < static_cast<int>(screen.size()); ++y) {
    if (y == kPromptRow) continue;
    EXPECT_EQ(screen[y], "") << "row " << y << "\n" << DumpScreen();
  }
  ExpectPromptAndCursor(1, "");

  pane_->Type("abc");
  ExpectPromptAndCursor(1, "abc");
  pane_->Keys("BSpace");
  ExpectPromptAndCursor(1, "ab");
  pane_->Keys("Left Up F5 Home");  // keys without a character are not echoed
  pane_->Type("\xc3\xa9");         // é: typed as UTF-8, read as Windows-1252, shown again
  ExpectPromptAndCursor(1, "ab\xc3\xa9");

  pane_->Keys("Enter");
  ASSERT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(2), kQuick)) << DumpScreen();
  ASSERT_TRUE(WaitUntil([&] { return cups_->CompletedJobCount() == 1; }, kQuick));
  std::vector<CompletedJob> jobs = cups_->CompletedJobs();
  EXPECT_EQ(jobs[0].name, "EPOS");
  EXPECT_EQ(jobs[0].document, TicketBytes());

  ProgramEnd end;
  PressEnter(kCycles - 2);
  ASSERT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(kCycles), seconds(60))) << DumpScreen();
  PressEnter(1);
  ASSERT_TRUE(pane_->WaitForEnd(seconds(10), end)) << "the program did not end";
  EXPECT_TRUE(end.exited);
  EXPECT_EQ(end.code, 0);
  EXPECT_EQ(end.modesAfter, end.modesBefore) << "the terminal's modes were not restored";

  ASSERT_TRUE(WaitUntil([&] { return cups_->CompletedJobCount() == kCycles; }, seconds(30)))
      << cups_->CompletedJobCount() << " jobs";
  jobs = cups_->CompletedJobs();
  for (const CompletedJob &job : jobs) {
    EXPECT_EQ(job.name, "EPOS") << "job " << job.id;
    EXPECT_EQ(job.document, TicketBytes()) << "job " << job.id;
  }
  ExpectNoJobLeftBehind();
}

// Each Enter sends its ticket for one connection made in the whole run, and
// asks the scheduler no more than printing needs: the default printer and
// the resolution default of the device context (every cycle, as either may
// have changed), the job and its document.
TEST_F(ProgramTest, TicketsShareOneConnectionAndAskTheSchedulerOnlyWhatPrintingNeeds) {
  ASSERT_NO_FATAL_FAILURE(Begin(Spooler::kDefaultPrinter, true, true));
  size_t connectionsBefore = cups_->LoggedConnections();
  size_t operationsBefore = cups_->LoggedOperations().size();
  constexpr int kTickets = 4;
  for (int cycle = 2; cycle <= kTickets + 1; ++cycle) {
    PressEnter(1);
    ASSERT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(cycle), kQuick)) << DumpScreen();
  }
  std::map<std::string, int> counts;
  std::string asked;
  // The server logs a request once it has answered it.
  ASSERT_TRUE(WaitUntil(
      [&] {
        std::vector<std::string> operations = cups_->LoggedOperations();
        counts.clear();
        asked.clear();
        for (size_t i = operationsBefore; i < operations.size(); ++i) {
          ++counts[operations[i]];
          asked += operations[i] + " ";
        }
        return counts["Send-Document"] == kTickets;
      },
      kQuick))
      << asked;
  EXPECT_EQ(counts["CUPS-Get-Default"], kTickets) << asked;
  EXPECT_EQ(counts["Create-Job"], kTickets) << asked;
  // The default's answer tells the device context its resolution too; only
  // the first cycle asks for the DEVMODE's defaults and the full information
  // the jobs are sent with.
  EXPECT_EQ(counts["Get-Printer-Attributes"], 2) << asked;
  EXPECT_EQ(counts.size(), 4u) << asked;
  EXPECT_EQ(cups_->LoggedConnections() - connectionsBefore, 1u);
}

// The connection kept between cycles must not outlast the scheduler: after a
// restart the next ticket prints, and while it is down a cycle fails at once.
TEST_F(ProgramTest, TicketsPrintOnAfterTheSchedulerRestarts) {
  ASSERT_NO_FATAL_FAILURE(Begin(Spooler::kDefaultPrinter));
  PressEnter(1);
  ASSERT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(2), kQuick)) << DumpScreen();
  ASSERT_TRUE(WaitUntil([&] { return cups_->CompletedJobCount() == 1; }, kQuick));

  ASSERT_TRUE(cups_->Stop());
  ASSERT_TRUE(cups_->Start());
  PressEnter(1);
  ASSERT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(3), kQuick)) << DumpScreen();
  ASSERT_TRUE(WaitUntil([&] { return cups_->CompletedJobCount() == 2; }, kQuick))
      << "the ticket after the restart did not print";

  ASSERT_TRUE(cups_->Stop());
  auto start = std::chrono::steady_clock::now();
  PressEnter(1);
  ASSERT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(4), seconds(5))) << DumpScreen();
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(1000));
  ASSERT_TRUE(cups_->Start());
  PressEnter(1);
  ASSERT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(5), kQuick)) << DumpScreen();
  ASSERT_TRUE(WaitUntil([&] { return cups_->CompletedJobCount() == 3; }, kQuick))
      << "the ticket after the scheduler came back did not print";
  for (const CompletedJob &job : cups_->CompletedJobs()) {
    EXPECT_EQ(job.document, TicketBytes()) << "job " << job.id;
  }
  ExpectNoJobLeftBehind();
}

// Each cycle asks which printer is the default: one changed between two
// Enters takes the next ticket.
TEST_F(ProgramTest, ADefaultPrinterChangedBetweenTicketsTakesTheNext) {
  ASSERT_NO_FATAL_FAILURE(Begin(Spooler::kDefaultPrinter));
  ASSERT_TRUE(cups_->AddRawQueue("Labels", false));
  PressEnter(1);
  ASSERT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(2), kQuick)) << DumpScreen();
  ASSERT_TRUE(cups_->Admin("-d Labels"));
  PressEnter(1);
  ASSERT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(3), kQuick)) << DumpScreen();
  ASSERT_TRUE(cups_->Admin("-d Receipts"));
  PressEnter(1);
  ASSERT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(4), kQuick)) << DumpScreen();
  EXPECT_TRUE(WaitUntil(
      [&] {
        return cups_->CompletedJobCount("Receipts") == 2 && cups_->CompletedJobCount("Labels") == 1;
      },
      kQuick))
      << "Receipts " << cups_->CompletedJobCount("Receipts") << ", Labels "
      << cups_->CompletedJobCount("Labels");
}

TEST_F(ProgramTest, WithoutDefaultPrinterAllPromptsComeAndNothingPrints) {
  ASSERT_NO_FATAL_FAILURE(Begin(Spooler::kNoDefault));
  ProgramEnd end = RunToTheEnd();
  EXPECT_TRUE(end.exited);
  EXPECT_EQ(end.code, 0);
  EXPECT_EQ(end.modesAfter, end.modesBefore);
  EXPECT_EQ(cups_->CompletedJobCount(), 0u);
  ExpectNoJobLeftBehind();
}

TEST_F(ProgramTest, WithCupsStoppedNoCycleHangs) {
  ASSERT_NO_FATAL_FAILURE(Begin(Spooler::kStopped));
  for (int cycle = 2; cycle <= 4; ++cycle) {
    auto start = std::chrono::steady_clock::now();
    PressEnter(1);
    ASSERT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(cycle), seconds(5))) << DumpScreen();
    EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(1000)) << "cycle " << cycle;
  }
  auto start = std::chrono::steady_clock::now();
  PressEnter(kCycles - 4);
  ASSERT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(kCycles), seconds(60))) << DumpScreen();
  EXPECT_LT(std::chrono::steady_clock::now() - start, seconds(30));
  PressEnter(1);
  ProgramEnd end;
  ASSERT_TRUE(pane_->WaitForEnd(seconds(10), end));
  EXPECT_TRUE(end.exited);
  EXPECT_EQ(end.code, 0);
  EXPECT_EQ(end.modesAfter, end.modesBefore);
}

TEST_F(ProgramTest, HangUpAtAPromptEndsTheProgramAndRestoresTheTerminal) {
  ASSERT_NO_FATAL_FAILURE(Begin(Spooler::kDefaultPrinter));
  pane_->Type("typed");
  ExpectPromptAndCursor(1, "typed");
  ASSERT_GT(pane_->ProgramPid(), 0);
  // SIGHUP is what the program gets when its terminal closes; sent to it
  // alone, the terminal stays, so its modes can be checked.
  kill(pane_->ProgramPid(), SIGHUP);
  ProgramEnd end;
  ASSERT_TRUE(pane_->WaitForEnd(kQuick, end));
  EXPECT_FALSE(end.exited);
  EXPECT_EQ(end.code, SIGHUP);
  EXPECT_EQ(end.modesAfter, end.modesBefore);
  EXPECT_EQ(cups_->CompletedJobCount(), 0u);
  ExpectNoJobLeftBehind();
}

TEST_F(ProgramTest, ClosingTheTerminalEndsTheProgram) {
  ASSERT_NO_FATAL_FAILURE(Begin(Spooler::kDefaultPrinter));
  PressEnter(1);
  ASSERT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(2), kQuick)) << DumpScreen();
  pane_->CloseTerminal();
  ProgramEnd end;
  ASSERT_TRUE(pane_->WaitForEnd(kQuick, end)) << "the program outlived its terminal";
  EXPECT_FALSE(end.exited);
  EXPECT_EQ(end.code, SIGHUP);
  ASSERT_TRUE(WaitUntil([&] { return cups_->CompletedJobCount() == 1; }, kQuick));
  ExpectNoJobLeftBehind();
}

// A terminal gone without a SIGHUP reaching the program (its session leader
// kept it) is still the close event: the program must not run on through its
// prompts, printing a ticket for each failed read.
TEST_F(ProgramTest, TerminalGoneWithoutHangUpSignalStillEndsTheProgram) {
  ASSERT_NO_FATAL_FAILURE(Begin(Spooler::kDefaultPrinter, false));
  pane_->CloseTerminal();
  ProgramEnd end;
  ASSERT_TRUE(pane_->WaitForEnd(kQuick, end)) << "the program outlived its terminal";
  EXPECT_FALSE(end.exited);
  EXPECT_EQ(end.code, SIGHUP);
  EXPECT_EQ(cups_->CompletedJobCount(), 0u);
  ExpectNoJobLeftBehind();
}

// A new window size reaches the console as an input record of its own,
// which the read must pass over.
TEST_F(ProgramTest, ResizingTheTerminalDuringAReadDisturbsNothing) {
  ASSERT_NO_FATAL_FAILURE(Begin(Spooler::kDefaultPrinter));
  pane_->Type("a");
  ExpectPromptAndCursor(1, "a");
  pane_->Resize(120, 40);
  pane_->Type("b");
  ExpectPromptAndCursor(1, "ab");
  pane_->Keys("Enter");
  ASSERT_TRUE(pane_->WaitForRow(kPromptRow, ProgramPrompt(2), kQuick)) << DumpScreen();
  ASSERT_TRUE(WaitUntil([&] { return cups_->CompletedJobCount() == 1; }, kQuick));
}

// The window shrinks above the prompt's row (the terminal cuts its lines),
// a cycle passes while it is small, and it grows back: the screen shows the
// current prompt at its place and nothing else, with no stale prompt and no
// leftovers of the small window.
TEST_F(ProgramTest, ShrinkingBelowThePromptAndGrowingBackShowsOnlyTheCurrentPrompt) {
  ASSERT_NO_FATAL_FAILURE(Begin(Spooler::kDefaultPrinter));
  pane_->Type("ab");
  ExpectPromptAndCursor(1, "ab");
  for (auto size : {std::make_pair(30, 8), std::make_pair(100, 5)}) {
    pane_->Resize(size.first, size.second);
    ASSERT_TRUE(
        WaitUntil([&] { return static_cast<int>(pane_->Screen().size()) == size.second; }, kQuick))
        << DumpScreen();
  }
  pane_->Keys("Enter");  // the next prompt is written while row 10 is out of sight
  ASSERT_TRUE(WaitUntil([&] { return cups_->CompletedJobCount() == 1; }, kQuick));
  pane_->Resize(ProgramPane::kWidth, ProgramPane::kHeight);

  // Text typed in cycle 1 stays behind the prompt of cycle 2, as always.
  const std::string expected = PromptRow(2) + "ab";
  auto onlyThePrompt = [&] {
    std::vector<std::string> rows = pane_->Screen();
    if (static_cast<int>(rows.size()) != ProgramPane::kHeight) return false;
    for (int y = 0; y < ProgramPane::kHeight; ++y) {
      if (rows[y] != (y == kPromptRow ? expected : "")) return false;
    }
    return true;
  };
  EXPECT_TRUE(WaitUntil(onlyThePrompt, kQuick)) << DumpScreen();
  int x = -1, y = -1;
  EXPECT_TRUE(pane_->Cursor(x, y));
  EXPECT_EQ(x, Columns(PromptRow(2)));
  EXPECT_EQ(y, kPromptRow);
  // And the program goes on there.
  pane_->Type("z");
  ASSERT_TRUE(pane_->WaitForRow(kPromptRow, PromptRow(2) + "zb", kQuick)) << DumpScreen();
}

// A window too small for the prompt from the start: the program still keeps
// its prompt at column 10, row 10, and shows it there once the window is
// large enough, with nothing written in the wrong place meanwhile.
TEST_F(ProgramTest, StartingInAWindowTooSmallForThePromptShowsItOnceLargeEnough) {
  std::string missing = MissingPrerequisite();
  if (!missing.empty()) GTEST_SKIP() << missing;
  cups_ = StartCups(Spooler::kDefaultPrinter);
  ASSERT_NE(cups_, nullptr) << "the private cupsd did not start";
  pane_ = std::make_unique<ProgramPane>(
      std::map<std::string, std::string>{{"CUPS_SERVER", cups_->Socket()},
                                         {"CUPS_SERVERROOT", cups_->Folder()},
                                         {"HOME", cups_->Folder()}},
      true, 40, 6);
  // The start clears the window; nothing of the prompt may land in it.
  auto blank = [&] {
    std::vector<std::string> rows = pane_->Screen();
    if (rows.size() != 6u) return false;
    for (const std::string &row : rows) {
      if (!row.empty()) return false;
    }
    return pane_->ProgramPid() > 0;
  };
  ASSERT_TRUE(WaitUntil(blank, kQuick)) << DumpScreen();
  pane_->Type("ab");
  std::this_thread::sleep_for(milliseconds(300));  // time to echo, were it drawn
  EXPECT_TRUE(blank()) << DumpScreen();

  pane_->Resize(ProgramPane::kWidth, ProgramPane::kHeight);
  auto onlyThePrompt = [&] {
    std::vector<std::string> rows = pane_->Screen();
    if (static_cast<int>(rows.size()) != ProgramPane::kHeight) return false;
    for (int y = 0; y < ProgramPane::kHeight; ++y) {
      if (rows[y] != (y == kPromptRow ? PromptRow(1, "ab") : "")) return false;
    }
    return true;
  };
  EXPECT_TRUE(WaitUntil(onlyThePrompt, kQuick)) << DumpScreen();
  ExpectPromptAndCursor(1, "ab");
  pane_->Keys("Enter");
  ASSERT_TRUE(pane_->WaitForRow(kPromptRow, PromptRow(2, "ab"), kQuick)) << DumpScreen();
  EXPECT_TRUE(WaitUntil([&] { return cups_->CompletedJobCount() == 1; }, kQuick));
}

// Ctrl+Z gives the terminal back in its own modes while the program is
// stopped; once it continues, it reads raw again.
TEST_F(ProgramTest, StoppingGivesTheTerminalBackUntilTheProgramContinues) {
  ASSERT_NO_FATAL_FAILURE(Begin(Spooler::kDefaultPrinter));
  std::string running = pane_->TerminalModes();
  pane_->Keys("C-z");
  pid_t pid = pane_->ProgramPid();
  auto stopped = [&] {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    stat >> field >> field >> field;  // pid, (name), state
    return field == "T";
  };
  ASSERT_TRUE(WaitUntil(stopped, kQuick)) << "Ctrl+Z did not stop the program";
  std::string whileStopped = pane_->TerminalModes();
  kill(pid, SIGCONT);
  pane_->Type("z");
  ExpectPromptAndCursor(1, "z");
  std::string resumed = pane_->TerminalModes();
  kill(pid, SIGTERM);
  ProgramEnd end;
  ASSERT_TRUE(pane_->WaitForEnd(kQuick, end));
  EXPECT_EQ(whileStopped, end.modesBefore);
  EXPECT_NE(running, end.modesBefore);
  EXPECT_EQ(resumed, running);
}

// Shutdown and crashes end the program with their own signal, and the
// terminal gets its modes back all the same.
class ProgramSignalTest : public ProgramTest, public ::testing::WithParamInterface<int> {};

TEST_P(ProgramSignalTest, EndsByTheSignalWithTheTerminalRestored) {
  ASSERT_NO_FATAL_FAILURE(Begin(Spooler::kDefaultPrinter));
  pane_->Type("q");
  ExpectPromptAndCursor(1, "q");
  kill(pane_->ProgramPid(), GetParam());
  ProgramEnd end;
  ASSERT_TRUE(pane_->WaitForEnd(kQuick, end));
  if (!(kSanitizerTakesCrashes && GetParam() == SIGSEGV)) {
    EXPECT_FALSE(end.exited);
    EXPECT_EQ(end.code, GetParam());
  }
  EXPECT_EQ(end.modesAfter, end.modesBefore);
  EXPECT_EQ(cups_->CompletedJobCount(), 0u);
  ExpectNoJobLeftBehind();
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramSignalTest, ::testing::Values(SIGTERM, SIGABRT, SIGSEGV),
                         [](const ::testing::TestParamInfo<int> &info) {
                           return std::string(sigabbrev_np(info.param));
                         });

TEST_F(ProgramTest, CtrlCEndsTheProgramFromInsideARead) {
  ASSERT_NO_FATAL_FAILURE(Begin(Spooler::kDefaultPrinter));
  pane_->Type("xy");
  ExpectPromptAndCursor(1, "xy");
  pane_->Keys("C-c");
  ProgramEnd end;
  ASSERT_TRUE(pane_->WaitForEnd(kQuick, end));
  EXPECT_FALSE(end.exited);
  EXPECT_EQ(end.code, SIGINT);
  EXPECT_EQ(end.modesAfter, end.modesBefore);
  EXPECT_EQ(cups_->CompletedJobCount(), 0u);
  ExpectNoJobLeftBehind();
}

}  // namespace
