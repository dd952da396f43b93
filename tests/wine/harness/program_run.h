// One run of the real drawer-kick-test.exe: a folder of its own holding a
// private cupsd and a fresh Wine prefix, and a terminal the program runs in.
// Everything is stopped and removed when the run is destroyed.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "harness/cups_server.h"
#include "harness/terminal.h"
#include "harness/wine_prefix.h"

namespace wine_harness {

// The prompt's place: column 10 of row 10, counting from 0.
constexpr int kPromptColumn = 10;
constexpr int kPromptRow = 10;

std::string PromptOfCycle(int cycle);

class ProgramRun {
 public:
  ProgramRun();
  ~ProgramRun();
  ProgramRun(const ProgramRun &) = delete;
  ProgramRun &operator=(const ProgramRun &) = delete;

  // Starts cupsd; with a queue name, adds it as the raw default destination.
  // Then makes the Wine prefix against that server. Says what failed, if
  // anything, in an empty-on-success string.
  std::string Prepare(const std::optional<std::string> &defaultQueue);
  // Starts the program in the terminal; with a debugLog, Wine traces the
  // program's INI and spooler calls into that file.
  bool Start(const std::string &program, const std::string &debugLog = "");
  // Closes the terminal, as an operator closes the window, and waits until
  // Wine has no program of the prefix running; the run can then start again.
  bool Close(std::chrono::seconds timeout);

  Terminal &terminal() { return *terminal_; }
  CupsServer &cups() { return *cups_; }
  const WinePrefix &prefix() const { return *prefix_; }
  const std::string &folder() const { return folder_; }

  // Waits until the prompt of cycle is at its place on the screen.
  bool WaitForPrompt(int cycle, std::chrono::milliseconds timeout) const;
  // The row the prompt is shown on, as it is now.
  std::string PromptRow() const;
  // The program's exit code once it has ended, or nothing if it has not
  // ended within timeout.
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout) const;
  // Waits until the server holds count jobs (no more than count); returns
  // them. Fails if the count is not reached in time or is passed.
  bool WaitForJobs(size_t count, std::chrono::milliseconds timeout,
                   std::vector<PrintedJob> &jobs) const;

 private:
  std::string folder_;
  std::unique_ptr<CupsServer> cups_;
  std::unique_ptr<WinePrefix> prefix_;
  std::unique_ptr<Terminal> terminal_;
};

}  // namespace wine_harness
