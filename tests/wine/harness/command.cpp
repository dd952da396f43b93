#include "harness/command.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>

namespace wine_harness {

CommandResult RunCommand(const std::string &command) {
  CommandResult result;
  const std::string merged = "{ " + command + "\n} 2>&1";
  FILE *pipe = popen(merged.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> chunk;
  size_t got;
  while ((got = fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
    result.output.append(chunk.data(), got);
  const int status = pclose(pipe);
  if (status != -1 && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

std::string ShellQuote(const std::string &word) {
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

std::string SourcePath(const std::string &relative) {
  return std::string(DK_SOURCE_DIR) + "/" + relative;
}

}  // namespace wine_harness
