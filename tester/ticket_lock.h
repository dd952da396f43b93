// Keeps the end routine, which the close event can run on another thread,
// apart from a ticket in progress on the main thread.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>

extern std::timed_mutex g_TicketLock;
// Set by the end routine: no ticket starts after it.
extern std::atomic<bool> g_TesterEnding;

// How long the end routine waits for a ticket in progress. Windows ends a
// process whose close handlers have not returned about 5 s after the console
// closed; 3.5 s leaves the rest of the handler and the exit time to run
// within that, and is well past the time a sound ticket takes.
constexpr std::chrono::milliseconds kTesterEndWait{3500};
