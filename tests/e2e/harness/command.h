// Running shell commands from tests, and waiting for conditions with a bound.
#pragma once

#include <chrono>
#include <functional>
#include <string>

struct CommandResult {
  int status = -1;     // exit status, or -1 when the command did not exit normally
  std::string output;  // standard output
};

// Runs command with sh -c; standard error goes to the test's log.
CommandResult RunCommand(const std::string &command);

// Quotes text for sh.
std::string ShellQuote(const std::string &text);

// Calls condition until it holds or timeout passes; returns the last answer.
bool WaitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds pause = std::chrono::milliseconds(20));
