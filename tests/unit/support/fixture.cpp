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

void ExpectNoRefusedNames(const fake::Platform &platform) {
  const std::string refused = ": no such call";
  for (const std::string &violation : platform.Violations()) {
    const bool isRefusal =
        violation.size() >= refused.size() &&
        violation.compare(violation.size() - refused.size(), refused.size(), refused) == 0;
    EXPECT_FALSE(isRefusal) << violation;
  }
}

std::string TicketBytes() {
  const std::string feeds = "\n\n\n\n";
  const std::string header = "Brevanti Limited   09284 31 26 48\r\n";
  return feeds + header + header + feeds + feeds + "\x1Bi" + "\x1Bp0  ";
}
