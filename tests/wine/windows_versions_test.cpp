// The Windows program under Wine set to one Windows version after another,
// in one prefix: NT 4.0, XP, 7 and 10. In each it prints exact tickets.
// Below Windows 2000 there is no GetDefaultPrinter, so under NT 4.0 the
// program must find the default printer in the "device" entry of Win.Ini's
// [windows] section; from 2000 on it asks GetDefaultPrinterA. Wine's traces
// of its INI and spooler calls show which way each run took.
//
// The 9x family is not run: in a 9x setting Wine's own spooler fails
// EndDocPrinter (it finds no driver environment for that family), so no job
// of any program reaches CUPS; the fake's tests cover those versions.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "harness/program_run.h"
#include "tests/support/ticket.h"

namespace wine_harness {
namespace {

using std::chrono::seconds;

constexpr char kQueue[] = "drawer";
constexpr int kTicketsPerVersion = 2;

struct WindowsVersion {
  const char *setting;  // Wine's name for it
  bool findsPrinterInWinIni;
};

constexpr WindowsVersion kVersions[] = {
    {"nt40", true},
    {"winxp", false},
    {"win7", false},
    {"win10", false},
};

std::string ReadFile(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Wine traces GetPrivateProfileStringW's section, key and file as wide strings.
bool ReadWinIniDevice(const std::string &trace) {
  return trace.find("GetPrivateProfileStringW L\"WINDOWS\",L\"DEVICE\"") != std::string::npos &&
         trace.find("L\"Win.Ini\"") != std::string::npos;
}

bool AskedDefaultPrinter(const std::string &trace) {
  return trace.find(":GetDefaultPrinterA ") != std::string::npos;
}

TEST(WindowsProgramOnWindowsVersions, FindsTheDefaultPrinterTheVersionsWayAndPrintsExactTickets) {
  ProgramRun run;
  ASSERT_EQ(run.Prepare(std::string(kQueue)), "");

  size_t printed = 0;
  std::vector<PrintedJob> jobs;
  for (const WindowsVersion &version : kVersions) {
    SCOPED_TRACE(version.setting);
    ASSERT_TRUE(run.prefix().SetWindowsVersion(version.setting));
    const std::string trace = run.folder() + "/trace-" + version.setting + ".log";
    ASSERT_TRUE(run.Start(DK_WINDOWS_PROGRAM, trace));
    ASSERT_TRUE(run.WaitForPrompt(1, seconds(60))) << "'" << run.PromptRow() << "'";
    for (int cycle = 1; cycle <= kTicketsPerVersion; ++cycle) {
      run.terminal().PressEnter();
      ASSERT_TRUE(run.WaitForJobs(++printed, seconds(30), jobs))
          << "after Enter " << cycle << " the server holds " << jobs.size() << " jobs";
      EXPECT_EQ(jobs.back().name, kTicketName);
      EXPECT_EQ(jobs.back().document, TicketBytes()) << "job " << jobs.back().id;
      ASSERT_TRUE(run.WaitForPrompt(cycle + 1, seconds(30))) << "'" << run.PromptRow() << "'";
    }
    // Closing the window ends the program; the next version starts afresh.
    ASSERT_TRUE(run.Close(seconds(30))) << "Wine still runs a program of the prefix";

    const std::string log = ReadFile(trace);
    ASSERT_FALSE(log.empty()) << "Wine traced nothing";
    EXPECT_EQ(ReadWinIniDevice(log), version.findsPrinterInWinIni);
    EXPECT_EQ(AskedDefaultPrinter(log), !version.findsPrinterInWinIni);
  }
}

}  // namespace
}  // namespace wine_harness
