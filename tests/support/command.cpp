#include "tests/support/command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <thread>

extern char **environ;

namespace test_command {
namespace {

// Signals a test run under nohup or as a background job inherits as ignored;
// ignored dispositions survive exec, so each command gets the defaults back,
// as when it is started from a terminal.
constexpr int kDefaultSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE};

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

pid_t Spawn(const std::string &command, int output, ErrorOutput errors) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
  if (errors == ErrorOutput::kMerged)
    posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults, none;
  sigemptyset(&defaults);
  for (int signal : kDefaultSignals) sigaddset(&defaults, signal);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  // A group of its own, so that a command past its time is ended whole.
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);
  const char *argv[] = {"sh", "-c", command.c_str(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, "/bin/sh", &actions, &attributes, const_cast<char **>(argv), environ) !=
      0) {
    pid = -1;
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

}  // namespace

CommandResult RunCommand(const std::string &command, ErrorOutput errors,
                         std::chrono::milliseconds limit) {
  CommandResult result;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return result;
  pid_t pid = Spawn(command, pipeEnds[1], errors);
  close(pipeEnds[1]);
  if (pid < 0) {
    close(pipeEnds[0]);
    return result;
  }
  bool late = false;
  for (;;) {
    struct pollfd ready = {pipeEnds[0], POLLIN, 0};
    int left = MillisecondsLeft(deadline);
    int n = poll(&ready, 1, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      late = true;
      break;
    }
    char chunk[4096];
    ssize_t got = read(pipeEnds[0], chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    result.output.append(chunk, static_cast<size_t>(got));
  }
  close(pipeEnds[0]);
  if (late) kill(-pid, SIGKILL);
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return result;
    if (!late && MillisecondsLeft(deadline) == 0) {
      late = true;
      kill(-pid, SIGKILL);  // cannot be ignored: the group ends at once
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (late) {
    std::fprintf(stderr, "command took longer than %lld ms, killed: %s\n",
                 static_cast<long long>(limit.count()), command.c_str());
    return result;
  }
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
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
