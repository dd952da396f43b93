// Program entry: install the backend chosen at build time, then run the
// tester. The Windows program is of the GUI subsystem, so its entry is WinMain.
#include "platform/seam.h"
#include "tester/tester.h"

#if defined(_WIN32)
extern "C" int DK_WINAPI WinMain(void *, void *, char *, int) {
  Platform_Install(Platform_Native());
  Tester_Main();
  return 0;
}
#else
int main() {
  Platform_Install(Platform_Native());
  Tester_Main();
  return 0;
}
#endif
