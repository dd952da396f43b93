#include "harness/private_cups.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "harness/command.h"
#include "harness/scratch_folder.h"

std::string SourcePath(const std::string &relative) {
  return std::string(DK_SOURCE_DIR) + "/" + relative;
}

std::string MissingForPrivateCups(std::initializer_list<const char *> tools) {
  if (geteuid() != 0) return "the private cupsd needs root";
  for (const char *tool : tools) {
    if (RunCommand(std::string("command -v ") + tool + " >/dev/null").status != 0) {
      return std::string(tool) + " is not installed";
    }
  }
  return "";
}

PrivateCups::PrivateCups() {
  folder_ = MakeScratchFolder("dk-e2e-cups");
}

PrivateCups::~PrivateCups() {
  if (started_) Stop();
  if (!folder_.empty()) std::filesystem::remove_all(folder_);
}

std::string PrivateCups::Script(const std::string &arguments) const {
  return ShellQuote(SourcePath("scripts/cupsd-private.sh")) + " " + arguments + " " +
         ShellQuote(folder_);
}

bool PrivateCups::Start() {
  if (folder_.empty()) return false;
  CommandResult result = RunCommand(Script("start") + " >&2");
  started_ = result.status == 0;
  return started_;
}

bool PrivateCups::AddRawQueue(const std::string &queue, bool makeDefault) {
  std::string command = ShellQuote(SourcePath("scripts/cupsd-private.sh")) + " add-raw " +
                        ShellQuote(folder_) + " " + ShellQuote(queue) +
                        (makeDefault ? " --default" : "") + " >&2";
  return RunCommand(command).status == 0;
}

bool PrivateCups::Stop() {
  bool stopped = RunCommand(Script("stop") + " >&2").status == 0;
  if (stopped) started_ = false;
  return stopped;
}

bool PrivateCups::Admin(const std::string &arguments) {
  return RunCommand("CUPS_SERVER=" + ShellQuote(Socket()) + " lpadmin " + arguments + " >&2")
             .status == 0;
}

namespace {

// Which file a path names now: its inode and the moment it was made. A
// socket made anew can get the inode just freed, so the inode alone cannot
// tell the new one from the old.
std::string IdentityOf(const std::string &path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return "";
  return std::to_string(info.st_ino) + ":" + std::to_string(info.st_ctim.tv_sec) + "." +
         std::to_string(info.st_ctim.tv_nsec);
}

// Lines of a file holding text.
std::vector<std::string> LinesWith(const std::string &path, const std::string &text) {
  std::vector<std::string> found;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find(text) != std::string::npos) found.push_back(line);
  }
  return found;
}

}  // namespace

bool PrivateCups::LogEveryRequest() {
  if (!started_) return false;
  std::ofstream(folder_ + "/cupsd.conf", std::ios::app) << "AccessLogLevel all\nLogLevel debug\n";
  std::ifstream pidFile(folder_ + "/cupsd.pid");
  pid_t pid = 0;
  if (!(pidFile >> pid) || pid <= 0) return false;
  std::string before = IdentityOf(Socket());
  if (kill(pid, SIGHUP) != 0) return false;
  // The reload makes the socket anew; once the new one answers, it is done.
  return WaitUntil(
      [&] {
        std::string now = IdentityOf(Socket());
        return !now.empty() && now != before &&
               RunCommand("CUPS_SERVER=" + ShellQuote(Socket()) + " LC_ALL=C lpstat -r 2>/dev/null")
                       .output == "scheduler is running\n";
      },
      std::chrono::milliseconds(10000));
}

std::vector<std::string> PrivateCups::LoggedOperations() const {
  // "localhost - - [date] "POST / HTTP/1.1" 200 694 CUPS-Get-Default successful-ok"
  std::vector<std::string> operations;
  for (const std::string &line : LinesWith(folder_ + "/log/access_log", "\"POST ")) {
    std::istringstream words(line.substr(line.rfind('"') + 1));
    std::string status, bytes, operation;
    if (words >> status >> bytes >> operation) operations.push_back(operation);
  }
  return operations;
}

size_t PrivateCups::LoggedConnections() const {
  return LinesWith(folder_ + "/log/error_log", "] Accepted from ").size();
}

std::vector<CompletedJob> PrivateCups::CompletedJobs() const {
  std::vector<CompletedJob> jobs;
  std::istringstream lines(RunCommand(Script("jobs")).output);
  std::string line;
  while (std::getline(lines, line)) {
    // "ID NAME DOCFILE": the name may hold blanks, the file name does not.
    size_t first = line.find(' ');
    size_t last = line.rfind(' ');
    if (first == std::string::npos || last == first) continue;
    CompletedJob job;
    job.id = std::atoi(line.substr(0, first).c_str());
    job.name = line.substr(first + 1, last - first - 1);
    std::ifstream document(line.substr(last + 1), std::ios::binary);
    job.document.assign(std::istreambuf_iterator<char>(document), {});
    jobs.push_back(job);
  }
  return jobs;
}

size_t PrivateCups::CompletedJobCount() const {
  std::string lines =
      RunCommand("CUPS_SERVER=" + ShellQuote(Socket()) + " lpstat -W completed -o 2>/dev/null")
          .output;
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), '\n'));
}

size_t PrivateCups::CompletedJobCount(const std::string &queue) const {
  std::string lines = RunCommand("CUPS_SERVER=" + ShellQuote(Socket()) +
                                 " lpstat -W completed -o " + ShellQuote(queue) + " 2>/dev/null")
                          .output;
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), '\n'));
}

std::string PrivateCups::NotCompletedJobs() const {
  return RunCommand("CUPS_SERVER=" + ShellQuote(Socket()) + " lpstat -W not-completed -o 2>&1")
      .output;
}
