#include "tests/support/command.h"

#include <sys/wait.h>

#include <cstdio>

namespace test_command {

CommandResult RunCommand(const std::string &command, ErrorOutput errors) {
  CommandResult result;
  // The braces take the command's own redirections and a trailing comment
  // as they are, and the newline ends a comment before the closing brace.
  const std::string shell = errors == ErrorOutput::kMerged ? "{ " + command + "\n} 2>&1" : command;
  FILE *pipe = popen(shell.c_str(), "r");
  if (pipe == nullptr) return result;
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) result.output.append(chunk, got);
  const int status = pclose(pipe);
  if (status != -1 && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

std::string ShellQuote(const std::string &text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace test_command
