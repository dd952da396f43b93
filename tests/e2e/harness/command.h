// Running shell commands from tests, and waiting for conditions with a bound.
#pragma once

#include <chrono>
#include <functional>
#include <string>

struct CommandResult {
  int status = -1;     // exit status, or -1 when the command did not exit normally
  std::string output;  // standard output
};

// How long a command may take: far above what starting a private cupsd or a
// tmux request takes on a loaded machine.
constexpr std::chrono::milliseconds kCommandLimit{120000};

// Runs command with sh -c in a process group of its own, with the default
// actions of hang-up, interrupt, quit, termination and broken pipe even where
// the test ignores them; standard error goes to the test's log. A command
// still running after limit is killed with its group (status -1).
CommandResult RunCommand(const std::string &command,
                         std::chrono::milliseconds limit = kCommandLimit);

// Quotes text for sh.
std::string ShellQuote(const std::string &text);

// Calls condition until it holds or timeout passes; returns the last answer.
bool WaitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds pause = std::chrono::milliseconds(20));
