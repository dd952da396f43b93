#include "tests/unit/support/fixture.h"

#include <cstdlib>

#include "console/console.h"
#include "printer/print_state.h"
#include "tester/ticket_lock.h"

void ResetCoreState() {
  std::free(g_Print.DevMode);
  g_Print = PrintState();
  Print_Calloc = std::calloc;
  Con_Reset();
  g_TesterEnding = false;
}

std::string TicketBytes() {
  const std::string feeds = "\n\n\n\n";
  const std::string header = "Brevanti Limited   09284 31 26 48\r\n";
  return feeds + header + header + feeds + feeds + "\x1Bi" + "\x1Bp0  ";
}
