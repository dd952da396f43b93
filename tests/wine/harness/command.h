// Running shell commands from the tests, with their output and exit code.
#pragma once

#include <string>

namespace wine_harness {

struct CommandResult {
  int exitCode = -1;   // the command's exit status; -1 when it did not exit normally
  std::string output;  // standard output and standard error together
};

// Runs command with /bin/sh and waits for it. Commands that could hang are
// given a bound by the caller (coreutils `timeout`).
CommandResult RunCommand(const std::string &command);

// Quotes word for /bin/sh, whatever it contains.
std::string ShellQuote(const std::string &word);

// Where this machine's repository root is (set by the build).
std::string SourcePath(const std::string &relative);

}  // namespace wine_harness
