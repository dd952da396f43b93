// The whole program over the fake, from start-up through the 255 prompts to
// ExitProcess(0), built as the Windows program is: it starts without a
// console and allocates its own.
#include <string>
#include <vector>

#include "console/console.h"
#include "tester/tester.h"
#include "tests/unit/support/fixture.h"

namespace {

constexpr int kCycles = 255;
constexpr UINT kNoExit = 0xDEADu;

std::string Prompt(int cycle) {
  return "Test" + std::to_string(cycle) + ": Press Enter To test default printer's draw kick.";
}

std::vector<std::string> AllPrompts() {
  std::vector<std::string> prompts;
  for (int cycle = 1; cycle <= kCycles; ++cycle) prompts.push_back(Prompt(cycle));
  return prompts;
}

// Runs the program to its end and gives its exit code.
UINT RunProgram() {
  UINT code = kNoExit;
  try {
    Tester_Main();
  } catch (const fake::ProcessExit &exit) {
    code = exit.code;
  }
  return code;
}

// What follows each placement of the cursor at column 10, row 10: the bytes
// of the one write that must come next, before the read of the cycle starts.
std::vector<std::string> PromptsWritten(const fake::Platform &platform) {
  const std::vector<fake::Call> calls = platform.Calls();
  std::vector<std::string> prompts;
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].name != "SetConsoleCursorPosition" || calls[i].args.at(1) != "{10,10}") continue;
    std::string written = "<no write before the read>";
    for (size_t j = i + 1; j < calls.size() && calls[j].name != "ReadConsoleInputA"; ++j) {
      if (calls[j].name != "WriteConsoleA") continue;
      written = calls[j].data;
      // A second write before the read would be a line end or other text.
      for (size_t k = j + 1; k < calls.size() && calls[k].name != "ReadConsoleInputA"; ++k) {
        if (calls[k].name == "WriteConsoleA") written += "<then \"" + calls[k].data + "\">";
      }
      break;
    }
    prompts.push_back(written);
  }
  return prompts;
}

int LineEnds(const fake::Platform &platform) {
  int count = 0;
  for (const fake::Call &call : platform.CallsNamed("WriteConsoleA")) count += call.data == "\r\n";
  return count;
}

class TestLoop : public CoreTest {
 protected:
  void AddDefaultPrinter(fake::Platform &platform) {
    platform.AddPrinter("Till");
    platform.defaultPrinter = "Till";
  }
};

TEST_F(TestLoop, StartsUpInOrder) {
  for (int cycle = 1; cycle <= kCycles; ++cycle) fp.QueueText("\r");

  ASSERT_EQ(RunProgram(), 0u);

  const std::vector<std::string> texts = fp.CallTexts();
  ASSERT_GE(texts.size(), 11u);
  const std::string out = fp.Calls().at(3).args.at(0);  // the output handle, as fetched
  const std::vector<std::string> expected = {
      "AllocConsole()",
      "GetStdHandle(" + std::to_string(STD_INPUT_HANDLE) + ")",
      "GetStdHandle(" + std::to_string(STD_OUTPUT_HANDLE) + ")",
      "GetConsoleScreenBufferInfo(" + out + ",ptr)",
      "SetConsoleCtrlHandler(ptr,1)",
      "SetConsoleTitleA(\"Test Windows default printer draw kick\")",
      "SetConsoleMode(" + out + ",0)",
      "FillConsoleOutputAttribute(" + out + ",7,2000,{0,0},ptr)",
      "FillConsoleOutputCharacterA(" + out + ",32,2000,{0,0},ptr)",
      "SetConsoleCursorPosition(" + out + ",{0,0})",
      "SetConsoleCursorPosition(" + out + ",{10,10})",
  };
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 11), expected);
  EXPECT_EQ(fp.console.title, "Test Windows default printer draw kick");
  ASSERT_EQ(fp.console.handlers.size(), 1u);
  EXPECT_EQ(fp.console.handlers[0], &Con_CloseHandler);
}

// The loop in each kind of run: with and without a default printer, with
// text typed before Enter, and with console input failing.
TEST_F(TestLoop, Runs255CyclesWhateverThePrinterAndInput) {
  struct LoopCase {
    const char *name;
    bool printer;
    const char *keys;  // typed in each cycle; null: no input at all, every read fails
  };
  const LoopCase cases[] = {
      {"no default printer", false, "\r"},
      {"a printer, Enter alone", true, "\r"},
      {"a printer, text typed before Enter", true, "typed\b!\r"},
      {"input failing, no printer", false, nullptr},
      {"input failing, a printer", true, nullptr},
  };
  for (const LoopCase &c : cases) {
    SCOPED_TRACE(c.name);
    ResetCoreState();
    fake::Platform platform;
    if (c.printer) AddDefaultPrinter(platform);
    const std::string keys = c.keys != nullptr ? c.keys : "";
    for (int cycle = 1; cycle <= kCycles; ++cycle) platform.QueueText(keys);

    ASSERT_EQ(RunProgram(), 0u);

    const std::vector<std::string> prompts = PromptsWritten(platform);
    EXPECT_EQ(prompts, AllPrompts());
    ASSERT_EQ(prompts.size(), static_cast<size_t>(kCycles));
    for (int cycle : {1, 9, 10, 99, 100, 255}) {
      EXPECT_EQ(prompts[cycle - 1].size(), cycle < 10 ? 55u : cycle < 100 ? 56u : 57u) << cycle;
    }

    // Every read waits for one key; without input each cycle reads once.
    const int reads = c.keys != nullptr ? static_cast<int>(keys.size()) * kCycles : kCycles;
    EXPECT_EQ(platform.CountOf("ReadConsoleInputA"), reads);
    EXPECT_EQ(LineEnds(platform), c.keys != nullptr ? kCycles : 0);

    // One whole ticket per Enter when a printer opens, whatever was typed;
    // a cycle whose input failed sends none.
    const bool tickets = c.printer && c.keys != nullptr;
    ASSERT_EQ(platform.documents.size(), tickets ? static_cast<size_t>(kCycles) : 0u);
    for (const fake::DocumentModel &document : platform.documents) {
      ASSERT_EQ(document.bytes, TicketBytes());
      ASSERT_TRUE(document.ended);
    }

    EXPECT_FALSE(platform.console.attached);
    EXPECT_EQ(platform.OpenPrinters(), 0);
    EXPECT_EQ(platform.LiveDCs(), 0);
    EXPECT_EQ(platform.LivePens(), 0);
    EXPECT_EQ(platform.LiveBrushes(), 0);
    EXPECT_TRUE(platform.Violations().empty()) << testing::PrintToString(platform.Violations());
  }
}

// After the last cycle: the console is freed, then the end routine releases
// what the library still holds, then the process exits with 0. The last
// cycle's printer opens without a device context, so the release has a
// printer handle left to close.
TEST_F(TestLoop, EndsByFreeingTheConsoleThenReleasingThenExiting) {
  AddDefaultPrinter(fp);
  fp.FailCall("CreateDCA", kCycles);
  for (int cycle = 1; cycle <= kCycles; ++cycle) fp.QueueText("\r");

  ASSERT_EQ(RunProgram(), 0u);

  const std::vector<std::string> names = fp.CallNames();
  ASSERT_GE(names.size(), 4u);
  const std::vector<std::string> tail(names.end() - 4, names.end());
  EXPECT_EQ(tail,
            (std::vector<std::string>{"CreateDCA", "FreeConsole", "ClosePrinter", "ExitProcess"}));
  EXPECT_EQ(fp.CallTexts().back(), "ExitProcess(0)");
  EXPECT_EQ(fp.CountOf("FreeConsole"), 1);
  EXPECT_EQ(fp.documents.size(), static_cast<size_t>(kCycles - 1));
  EXPECT_EQ(fp.OpenPrinters(), 0);
  EXPECT_TRUE(fp.Violations().empty()) << testing::PrintToString(fp.Violations());
}

// Each prompt is written over the last one; what the operator typed stays
// behind it, except where the longer prompts from cycle 100 on cover it.
TEST_F(TestLoop, TypedTextStaysBehindLaterPrompts) {
  for (int cycle = 1; cycle <= kCycles; ++cycle) fp.QueueText(cycle == 99 ? "abc\r" : "\r");

  ASSERT_EQ(RunProgram(), 0u);

  // Cycle 99's prompt ends at column 65, so "abc" went to columns 66 to 68;
  // the 57 characters of the later prompts reach column 66.
  const std::string expected = std::string(10, ' ') + Prompt(255) + "bc";
  const std::string row = fp.Row(10);
  EXPECT_EQ(row.substr(0, expected.size()), expected);
  EXPECT_EQ(row.substr(expected.size()), std::string(row.size() - expected.size(), ' '));
  EXPECT_EQ(fp.Row(11), std::string(80, ' '));
}

}  // namespace
