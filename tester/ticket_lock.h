// Keeps the end routine, which the close event can run on another thread,
// apart from a ticket in progress on the main thread.
#pragma once

#include <mutex>

extern std::mutex g_TicketLock;
// Set by the end routine: no ticket is sent after it.
extern bool g_TesterEnding;
