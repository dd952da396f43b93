// Bounds on the time the spooler spends on the scheduler. A press of Enter
// runs one cycle of spooler calls (default printer, opening, DEVMODE,
// device context, document, closing); whatever the scheduler does (freezes,
// drops the connection, answers a byte at a time, stalls a TLS handshake),
// the cycle ends within its budget, so the next prompt is back within 5 s.
//
// Every request leases a connection; the lease starts the request's clock
// (StartRequestClock). Its deadline is kRequestLimit ahead, or the end of
// the cycle's budget when that comes first. libcups checks it between waits
// for data (each wait at most kWaitSlice long), and connecting gets only
// what is left of it.
#pragma once

#include <cups/cups.h>

#include <chrono>

namespace dkposix {

using DeadlineClock = std::chrono::steady_clock;

// 3.5 s for all the scheduler work of one cycle leaves, of the 5 s an Enter
// may take, a wait slice of overrun and over a second for the rest of the
// cycle (drawing the prompt) on a loaded machine.
constexpr std::chrono::milliseconds kCycleBudget{3500};
// A request outside a cycle (a cancel from the end routine, a test's call):
// long enough for a busy scheduler's answer, short enough that an end
// routine finishes well within the 5 s a closing console allows.
constexpr std::chrono::milliseconds kRequestLimit{3000};
// How long libcups waits for data before asking whether to go on: the
// overrun past a deadline is at most this.
constexpr double kWaitSliceSeconds = 0.25;

// A budget that ended longer ago than this belongs to a cycle that was left
// without closing; requests after it get their own limit again.
constexpr std::chrono::milliseconds kCycleOverrun{1000};

// A cycle starts: its budget runs from now until EndCycle. Process-wide;
// the cycle's calls are made by one thread at a time.
void BeginCycle();
void EndCycle();

// Starts the clock of the calling thread's next request; its deadline is
// the earlier of kRequestLimit from now and the end of the cycle's budget.
void StartRequestClock();

// No request of the calling thread runs past end from now on (the ending
// process's last cancels); DeadlineClock::time_point::max() lifts it.
void LimitThreadRequests(DeadlineClock::time_point end);

// Milliseconds left until the calling thread's request deadline; 0 once it
// has passed.
int RequestMillisecondsLeft();

// Watches a connection while the calling thread uses it: once the
// thread's request deadline passes, the connection's socket is shut down, so
// a wait inside libcups that its time-out callback does not bound (a TLS
// handshake, an answer trickling in faster than a wait slice) ends at once.
// StartRequestClock moves the deadline of the thread's watched connections.
void WatchConnection(http_t *http);
void UnwatchConnection(http_t *http);

// For httpSetTimeout: go on waiting while the calling thread's request
// deadline has not passed.
int ContinueBeforeDeadline(http_t *http, void *unused);

}  // namespace dkposix
