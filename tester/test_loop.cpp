// Start-up, the 255 prompts and the end routine.
#include <cstdio>
#include <mutex>

#include "console/console.h"
#include "platform/platform.h"
#include "printer/print_state.h"
#include "tester/tester.h"
#include "tester/ticket_lock.h"

namespace {
const char kTitle[] = "Test Windows default printer draw kick";
constexpr int kCycles = 255;
constexpr int kPromptColumn = 10;
constexpr int kPromptRow = 10;
}  // namespace

void Tester_Prompt(int cycle, char *out, int outSize) {
  std::snprintf(out, static_cast<size_t>(outSize),
                "Test%d: Press Enter To test default printer's draw kick.", cycle);
}

void Tester_End() {
  // No ticket starts from here on, whether or not the wait below succeeds.
  g_TesterEnding = true;
  // A ticket in progress is waited for, so that nothing is closed under a
  // spooler or device-context call, but only for a bounded time: a call held
  // up by a server that never answers must not keep a closing console's
  // process alive.
  std::unique_lock<std::timed_mutex> hold(g_TicketLock, kTesterEndWait);
  if (!hold.owns_lock()) {
    // The main thread is still inside a library call. Every handle the
    // library holds is either in use by that call or touched by the rest of
    // the ticket once it returns, so none of them can be closed from here
    // without a race or a second close. They are left to the process exit
    // that follows the close event, which gives them all back at once.
    return;
  }
  Print_Release();
}

void Tester_Main() {
  Print_Init();
  Con_SetEndRoutine(Tester_End);
  Con_Open(nullptr);
  Con_SetTitle(kTitle);
  Con_SetGraphical(1);
  Con_Clear();

  for (int cycle = 1; cycle <= kCycles; ++cycle) {
    char prompt[64];
    Tester_Prompt(cycle, prompt, sizeof prompt);
    Con_Locate(kPromptColumn, kPromptRow);
    Con_Write(prompt);
    Con_ReadLine();
    // Only the operator's Enter fires the drawer: a console whose input has
    // failed (closed, or no terminal at all) must not kick it 255 times.
    if (Con_ReadEndedByEnter()) Tester_PrintTicket();
  }

  Con_Close();
  Tester_End();
  ExitProcess(0);
}
