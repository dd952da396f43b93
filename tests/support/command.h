// The one way the test harnesses run shell commands: with /bin/sh, waiting
// for the command, its standard output kept. A command that could hang is
// given its bound by the caller (coreutils `timeout`).
#pragma once

#include <string>

namespace test_command {

struct CommandResult {
  // The exit status when the command exited by itself; -1 when it was ended
  // by a signal or could not be started.
  int status = -1;
  std::string output;
};

enum class ErrorOutput {
  kToLog,   // standard error goes where the test's own goes
  kMerged,  // standard error is kept in output too, in order
};

CommandResult RunCommand(const std::string &command, ErrorOutput errors = ErrorOutput::kToLog);

// Quotes text as one word for /bin/sh, whatever it contains.
std::string ShellQuote(const std::string &text);

}  // namespace test_command
