// The program built to start inside a terminal: it uses the console it was
// given and neither allocates nor frees one.
#include <string>

#include "console/console.h"
#include "tester/tester.h"
#include "tests/unit/support/fixture.h"

namespace {

constexpr int kCycles = 255;

using AttachedConsole = CoreTest;

TEST_F(AttachedConsole, AttachedProgramKeepsTheConsoleItWasGiven) {
  fp.AttachConsole(80, 25);
  for (int cycle = 1; cycle <= kCycles; ++cycle) fp.QueueText("\r");

  UINT code = 0xDEADu;
  try {
    Tester_Main();
  } catch (const fake::ProcessExit &exit) {
    code = exit.code;
  }

  EXPECT_EQ(code, 0u);
  EXPECT_EQ(fp.CountOf("AllocConsole"), 0);
  EXPECT_EQ(fp.CountOf("FreeConsole"), 0);
  EXPECT_TRUE(fp.console.attached);
  const std::vector<std::string> names = fp.CallNames();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), "GetStdHandle");
  EXPECT_EQ(names.back(), "ExitProcess");

  // Everything else is as in the program that makes its own console.
  EXPECT_EQ(fp.console.title, "Test Windows default printer draw kick");
  EXPECT_EQ(fp.CountOf("ReadConsoleInputA"), kCycles);
  int prompts = 0;
  for (const fake::Call &call : fp.CallsNamed("WriteConsoleA")) {
    prompts += call.data.rfind("Test", 0) == 0;
  }
  EXPECT_EQ(prompts, kCycles);
  EXPECT_EQ(fp.Row(10).substr(10, 57), "Test255: Press Enter To test default printer's draw kick.");
}

TEST_F(AttachedConsole, AttachedOpenAndCloseLeaveTheConsoleAlone) {
  fp.AttachConsole(80, 25);

  EXPECT_EQ(Con_Open("Till test"), 1);
  Con_Close();

  EXPECT_EQ(fp.CallNames(),
            (std::vector<std::string>{"GetStdHandle", "GetStdHandle", "GetConsoleScreenBufferInfo",
                                      "SetConsoleCtrlHandler", "SetConsoleTitleA"}));
  EXPECT_EQ(fp.console.title, "Till test");
  EXPECT_TRUE(fp.console.attached);
}

}  // namespace
