// The drawer-kick tester: start-up, the prompt loop, the end routine and the
// ticket of each cycle.
#pragma once

// Runs the whole program: 255 cycles, then ExitProcess(0). Never returns.
[[noreturn]] void Tester_Main();

// Releases everything the printer library holds. Safe to run twice, and safe
// to run from the console's close-event thread while a ticket is printing: it
// waits for the ticket at most kTesterEndWait (tester/ticket_lock.h), and
// where the ticket is still inside a call then, it releases nothing and
// returns, leaving the handles to the process exit. No ticket starts after it.
void Tester_End();

// Opens the default printer and sends it one "EPOS" ticket.
void Tester_PrintTicket();

// Composes the prompt of one cycle into out (room for at least 64 bytes).
void Tester_Prompt(int cycle, char *out, int outSize);
