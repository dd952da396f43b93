// Running shell commands from tests (standard error goes to the test's log),
// and waiting for conditions with a bound.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "tests/support/command.h"

using test_command::CommandResult;
using test_command::RunCommand;
using test_command::ShellQuote;

// Calls condition until it holds or timeout passes; returns the last answer.
bool WaitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds pause = std::chrono::milliseconds(20));
