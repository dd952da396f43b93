#include "platform/posix/control_events.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/posix/console_calls.h"
#include "platform/posix/last_error.h"
#include "platform/posix/request_deadline.h"
#include "platform/posix/spooler_calls.h"
#include "platform/posix/terminal.h"

namespace dkposix {
namespace {

using winapi::BOOL;
using winapi::DWORD;

// How long a close event may take before other threads stop waiting for it;
// Windows gives a closing console's handlers about as long.
constexpr auto kCloseGrace = std::chrono::seconds(10);
// How long a reader that lost its terminal waits for the close event to
// start.
constexpr auto kHangupWait = std::chrono::milliseconds(500);
// The last cancels of a process ended by a signal. The close event's
// handler may already have waited 3.5 s for a stuck ticket; 1.5 s more keeps
// the whole end within the 5 s a closing console gives its process.
constexpr auto kEndBySignalCancels = std::chrono::milliseconds(1500);

constexpr int kControlSignals[] = {SIGINT, SIGQUIT, SIGHUP, SIGTERM};
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

struct ControlState {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<winapi::PHANDLER_ROUTINE> handlers;
  bool ignoreCtrlC = false;
  bool delivering = false;   // handlers are running on the signal thread
  bool terminating = false;  // the signal thread will end the process
  bool closing = false;      // a hang-up was taken
};

ControlState &State() {
  static ControlState *state = new ControlState;  // never destroyed: used until _exit
  return *state;
}

// Set by the signal thread itself, so that thread always sees its own id;
// others compare it with theirs, which can never match.
std::atomic<std::thread::id> g_signalThread;
std::atomic<bool> g_hangupTaken{false};  // SIGHUP goes to the signal thread

DWORD ControlTypeOf(int signal) {
  switch (signal) {
    case SIGINT:
      return winapi::CTRL_C_EVENT;
    case SIGQUIT:
      return winapi::CTRL_BREAK_EVENT;
    case SIGHUP:
      return winapi::CTRL_CLOSE_EVENT;
    default:
      return winapi::CTRL_SHUTDOWN_EVENT;
  }
}

[[noreturn]] void EndBySignal(int signal) {
  CancelUnfinishedJobs(kEndBySignalCancels);
  terminal::RestoreModes();
  std::fflush(nullptr);
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal);
  _exit(128 + signal);  // only if the default action did not end the process
}

void DeliverControlEvent(int signal) {
  ControlState &state = State();
  DWORD type = ControlTypeOf(signal);
  std::vector<winapi::PHANDLER_ROUTINE> handlers;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    if (type == winapi::CTRL_C_EVENT && state.ignoreCtrlC) return;
    handlers = state.handlers;
    state.delivering = true;
    if (type == winapi::CTRL_CLOSE_EVENT) state.closing = true;
    state.changed.notify_all();
  }
  // The last installed handler goes first; one that returns TRUE stops the
  // chain, as on Windows.
  bool handled = false;
  for (auto it = handlers.rbegin(); it != handlers.rend() && !handled; ++it) {
    handled = (*it)(type) != winapi::FALSE;
  }
  bool survives = handled && (type == winapi::CTRL_C_EVENT || type == winapi::CTRL_BREAK_EVENT);
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    state.delivering = false;
    state.terminating = !survives;
    state.changed.notify_all();
  }
  if (!survives) EndBySignal(signal);
}

void SignalLoop(sigset_t signals) {
  g_signalThread = std::this_thread::get_id();
  for (;;) {
    int signal = 0;
    if (sigwait(&signals, &signal) != 0) continue;
    if (signal == SIGWINCH) {
      ConsoleWindowResized();
    } else if (signal == SIGTSTP) {
      ConsoleSuspend();
      kill(getpid(), SIGSTOP);  // this thread may run on a moment before it stops too
    } else if (signal == SIGCONT) {
      ConsoleResume();  // the stop is over for certain once SIGCONT has come
    } else {
      DeliverControlEvent(signal);
    }
  }
}

// The handlers the crash handlers replaced (a sanitizer's, say), called
// after the terminal is restored.
struct sigaction g_previousCrashHandlers[NSIG];

void OnCrash(int signal, siginfo_t *info, void *context) {
  terminal::RestoreModes();
  const struct sigaction &previous = g_previousCrashHandlers[signal];
  if (previous.sa_flags & SA_SIGINFO) {
    previous.sa_sigaction(signal, info, context);
  } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
    previous.sa_handler(signal);
  }
  // Whatever ran before, the crash ends the process by the default action,
  // once this returns.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  raise(signal);
}

bool IgnoredAtStart(int signal) {
  struct sigaction current {};
  return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

void InstallCrashHandlers() {
  for (int signal : kCrashSignals) {
    struct sigaction action {};
    action.sa_sigaction = OnCrash;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, &g_previousCrashHandlers[signal]);
  }
}

// Waits until pred holds or the time is up. Caller holds lock.
template <typename Predicate>
void WaitFor(std::unique_lock<std::mutex> &lock, std::chrono::steady_clock::duration limit,
             Predicate pred) {
  assert(lock.owns_lock() && lock.mutex() == &State().mutex);
  State().changed.wait_for(lock, limit, pred);
}

}  // namespace

void StartControlEvents() {
  static std::once_flag once;
  std::call_once(once, [] {
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : kControlSignals) {
      if (!IgnoredAtStart(signal)) sigaddset(&signals, signal);
    }
    g_hangupTaken = sigismember(&signals, SIGHUP) == 1;
    sigaddset(&signals, SIGWINCH);
    if (!IgnoredAtStart(SIGTSTP)) {
      sigaddset(&signals, SIGTSTP);
      sigaddset(&signals, SIGCONT);  // blocked, it still continues the process
    }
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread(SignalLoop, signals).detach();
    InstallCrashHandlers();
  });
}

BOOL SetConsoleCtrlHandler(winapi::PHANDLER_ROUTINE routine, BOOL add) {
  ControlState &state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (routine == nullptr) {
    state.ignoreCtrlC = add != winapi::FALSE;
    return winapi::TRUE;
  }
  if (add) {
    state.handlers.push_back(routine);
    return winapi::TRUE;
  }
  auto it = std::find(state.handlers.rbegin(), state.handlers.rend(), routine);
  if (it == state.handlers.rend()) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return winapi::FALSE;
  }
  state.handlers.erase(std::next(it).base());
  return winapi::TRUE;
}

void TerminalLost() {
  if (std::this_thread::get_id() == g_signalThread || !g_hangupTaken) return;
  ControlState &state = State();
  std::unique_lock<std::mutex> lock(state.mutex);
  // The terminal's own SIGHUP reaches only its session leader; a program
  // started under another one may never get it, so it is sent here. One that
  // is already on its way is merged with it.
  if (!state.closing) kill(getpid(), SIGHUP);
  WaitFor(lock, kHangupWait, [&] { return state.closing; });
  if (!state.closing) return;
  // The signal thread runs the handlers and then ends the process.
  WaitFor(lock, kCloseGrace, [] { return false; });
}

void ExitProcess(winapi::UINT exitCode) {
  {
    ControlState &state = State();
    std::unique_lock<std::mutex> lock(state.mutex);
    if (std::this_thread::get_id() != g_signalThread) {
      // A control event under way decides how the process ends.
      WaitFor(lock, kCloseGrace, [&] { return !state.delivering; });
      if (state.terminating) WaitFor(lock, kCloseGrace, [] { return false; });
    }
  }
  CancelUnfinishedJobs(kRequestLimit);
  terminal::RestoreModes();
  std::fflush(nullptr);
  _exit(static_cast<int>(exitCode));
}

}  // namespace dkposix
