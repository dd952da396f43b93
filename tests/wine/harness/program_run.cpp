#include "harness/program_run.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "harness/command.h"

namespace wine_harness {

namespace {
constexpr int kColumns = 100;
constexpr int kRows = 30;
}  // namespace

std::string PromptOfCycle(int cycle) {
  return "Test" + std::to_string(cycle) + ": Press Enter To test default printer's draw kick.";
}

ProgramRun::ProgramRun() {
  // Under TMPDIR when set: scripts/test-windows.sh gives one it clears up
  // after a run that was killed before its destructors ran.
  const char *base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/dk-wine-XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) return;
  // cupsd runs its backends as user lp, who must reach the server's folder.
  chmod(pattern.c_str(), 0755);
  folder_ = pattern;
}

ProgramRun::~ProgramRun() {
  // The program first (its terminal), then Wine, then the spooler's server.
  terminal_.reset();
  prefix_.reset();
  cups_.reset();
  if (!folder_.empty()) RunCommand("rm -rf " + ShellQuote(folder_));
}

std::string ProgramRun::Prepare(const std::optional<std::string> &defaultQueue) {
  if (folder_.empty()) return "no temporary folder";
  cups_ = std::make_unique<CupsServer>(folder_ + "/cups");
  if (!cups_->Running()) return "cupsd did not start:\n" + cups_->Log();
  if (defaultQueue && !cups_->AddDefaultRawQueue(*defaultQueue))
    return "no queue " + *defaultQueue + ":\n" + cups_->Log();
  prefix_ = std::make_unique<WinePrefix>(folder_ + "/wineprefix", cups_->Address());
  if (!prefix_->Ready()) return "wineboot failed:\n" + prefix_->BootOutput();
  terminal_ = std::make_unique<Terminal>(folder_ + "/tmux.sock", kColumns, kRows);
  return "";
}

bool ProgramRun::Start(const std::string &program, const std::string &debugLog) {
  std::remove((folder_ + "/exit-code").c_str());
  return terminal_->Start(prefix_->Command(program, folder_ + "/exit-code", debugLog));
}

bool ProgramRun::Close(std::chrono::seconds timeout) {
  terminal_->Close();
  return prefix_->WaitUntilIdle(timeout);
}

std::string ProgramRun::PromptRow() const {
  const std::vector<std::string> screen = terminal_->Screen();
  return screen.size() > kPromptRow ? screen[kPromptRow] : "";
}

bool ProgramRun::WaitForPrompt(int cycle, std::chrono::milliseconds timeout) const {
  const std::string expected = std::string(kPromptColumn, ' ') + PromptOfCycle(cycle);
  return WaitUntil([&] { return PromptRow() == expected; }, timeout);
}

std::optional<int> ProgramRun::WaitForExit(std::chrono::milliseconds timeout) const {
  std::optional<int> code;
  WaitUntil(
      [&] {
        std::ifstream file(folder_ + "/exit-code");
        int value;
        if (file >> value) code = value;
        return code.has_value();
      },
      timeout);
  return code;
}

bool ProgramRun::WaitForJobs(size_t count, std::chrono::milliseconds timeout,
                             std::vector<PrintedJob> &jobs) const {
  // A job is listed as soon as it is created; its document follows with the
  // end of the document, so a job only counts once its document is there.
  auto complete = [&] {
    if (!cups_->Jobs(jobs)) return false;
    if (jobs.size() > count) return true;
    if (jobs.size() < count) return false;
    for (const PrintedJob &job : jobs) {
      if (job.document.empty()) return false;
    }
    return true;
  };
  return WaitUntil(complete, timeout) && jobs.size() == count;
}

}  // namespace wine_harness
