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

OverriddenPlatform::OverriddenPlatform(const std::function<void(PlatformApi &)> &override)
    : table_(*fake::Platform::Table()) {
  override(table_);
  previous_ = Platform_Install(&table_);
}

OverriddenPlatform::~OverriddenPlatform() {
  Platform_Install(previous_);
}
