// Running shell commands from the tests, with their output and exit code.
#pragma once

#include <string>

#include "tests/support/command.h"

namespace wine_harness {

using test_command::CommandResult;
using test_command::ShellQuote;

// Runs command with /bin/sh and waits for it, standard output and standard
// error together in output. Commands that could hang are given a bound by
// the caller (coreutils `timeout`).
inline CommandResult RunCommand(const std::string &command) {
  return test_command::RunCommand(command, test_command::ErrorOutput::kMerged);
}

// Where this machine's repository root is (set by the build).
std::string SourcePath(const std::string &relative);

}  // namespace wine_harness
