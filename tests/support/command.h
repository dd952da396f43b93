// The one way the test harnesses run shell commands: with /bin/sh, waiting
// for the command within a limit, its standard output kept.
#pragma once

#include <chrono>
#include <string>

namespace test_command {

struct CommandResult {
  // The exit status when the command exited by itself; -1 when it was ended
  // by a signal, killed past its limit or could not be started.
  int status = -1;
  std::string output;
};

enum class ErrorOutput {
  kToLog,   // standard error goes where the test's own goes
  kMerged,  // standard error is kept in output too, in order
};

// How long a command may take: far above what starting a private cupsd, a
// tmux request or a Wine prefix takes on a loaded machine (the harnesses'
// slow commands carry a shorter `timeout` of their own).
constexpr std::chrono::milliseconds kCommandLimit{300000};

// Runs command with sh -c in a process group of its own, with the default
// actions of hang-up, interrupt, quit, termination and broken pipe even where
// the test ignores them (nohup, a background job). A command still running
// after limit is killed with its whole group.
CommandResult RunCommand(const std::string &command, ErrorOutput errors = ErrorOutput::kToLog,
                         std::chrono::milliseconds limit = kCommandLimit);
inline CommandResult RunCommand(const std::string &command, std::chrono::milliseconds limit) {
  return RunCommand(command, ErrorOutput::kToLog, limit);
}

// Quotes text as one word for /bin/sh, whatever it contains.
std::string ShellQuote(const std::string &text);

}  // namespace test_command
