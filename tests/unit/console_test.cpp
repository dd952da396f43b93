// The console layer over the fake console: line input in positioned mode,
// clearing, cursor placement, writing, the output lock and the close
// handler.
#include "console/console.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "console/console_state.h"
#include "printer/open_printer.h"
#include "printer/print_state.h"
#include "tester/tester.h"
#include "tests/unit/support/fixture.h"

namespace {

using namespace std::chrono_literals;
using Script = std::vector<INPUT_RECORD>;

// ---- Input events ----

INPUT_RECORD Record(WORD type) {
  INPUT_RECORD record;
  std::memset(&record, 0, sizeof record);
  record.EventType = type;
  return record;
}

INPUT_RECORD KeyRecord(char ch, bool down, WORD repeat, WORD vk) {
  INPUT_RECORD record = Record(KEY_EVENT);
  record.Event.KeyEvent.bKeyDown = down ? TRUE : FALSE;
  record.Event.KeyEvent.wRepeatCount = repeat;
  record.Event.KeyEvent.wVirtualKeyCode = vk;
  record.Event.KeyEvent.uChar.AsciiChar = ch;
  return record;
}

// One key-down event for each byte of text.
Script Typed(const std::string &text) {
  Script script;
  for (char ch : text) script.push_back(KeyRecord(ch, true, 1, 0));
  return script;
}
Script Enter() {
  return {KeyRecord('\r', true, 1, VK_RETURN)};
}
Script Backspace() {
  return {KeyRecord('\b', true, 1, VK_BACK)};
}
Script KeyUp(char ch) {
  return {KeyRecord(ch, false, 1, 0)};
}
Script Held(char ch, WORD repeat) {
  return {KeyRecord(ch, true, repeat, 0)};
}
Script NoCharacter(WORD vk) {
  return {KeyRecord(0, true, 1, vk)};
}
// Events of other types whose bytes, read as a key event, would be a key
// press of ch: only the event type tells them apart.
Script OtherEvents(char ch) {
  Script script;
  for (WORD type : {MOUSE_EVENT, FOCUS_EVENT, MENU_EVENT, WINDOW_BUFFER_SIZE_EVENT}) {
    INPUT_RECORD record = KeyRecord(ch, true, 1, 0);
    record.EventType = type;
    script.push_back(record);
  }
  return script;
}

Script Keys(std::initializer_list<Script> parts) {
  Script all;
  for (const Script &part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

bool IsEnter(const INPUT_RECORD &record) {
  return record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
         record.Event.KeyEvent.uChar.AsciiChar == '\r';
}

bool IsSubsequence(const std::string &part, const std::string &whole) {
  size_t at = 0;
  for (char ch : whole) {
    if (at < part.size() && part[at] == ch) ++at;
  }
  return at == part.size();
}

// A recorded console call with what matters of it: the mode set or the bytes
// written.
std::string Brief(const fake::Call &call) {
  if (call.name == "SetConsoleMode") return "SetConsoleMode " + call.args.at(1);
  if (call.name == "WriteConsoleA") return "WriteConsoleA \"" + call.data + "\"";
  return call.name;
}

std::vector<std::string> Briefs(const std::vector<fake::Call> &calls) {
  std::vector<std::string> briefs;
  for (const fake::Call &call : calls) briefs.push_back(Brief(call));
  return briefs;
}

class ConsoleTest : public CoreTest {
 protected:
  // An opened 80 x 25 console in positioned mode, with no calls recorded yet.
  void OpenPositioned() {
    Con_Open(nullptr);
    Con_SetGraphical(1);
    ASSERT_TRUE(fp.console.attached);
    ASSERT_EQ(fp.console.outputMode, 0u);
    fp.ClearCalls();
  }
};

// ---- Open and mode ----

TEST_F(ConsoleTest, OpenSetsEveryTitleItIsGivenEvenAnEmptyOne) {
  const struct {
    const char *title;
    std::vector<std::string> titleCalls;
  } cases[] = {
      {nullptr, {}}, {"", {"SetConsoleTitleA(\"\")"}}, {"Till", {"SetConsoleTitleA(\"Till\")"}}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.title != nullptr ? c.title : "null");
    ResetCoreState();
    fake::Platform platform;
    platform.console.title = "before";
    EXPECT_EQ(Con_Open(c.title), 1);
    std::vector<std::string> titleCalls;
    for (const fake::Call &call : platform.CallsNamed("SetConsoleTitleA"))
      titleCalls.push_back(call.Text());
    EXPECT_EQ(titleCalls, c.titleCalls);
    EXPECT_EQ(platform.console.title, c.title != nullptr ? c.title : "before");
  }
}

// The mode's text routines follow the flag even when the console refuses
// the output mode: its result is only handed back.
TEST_F(ConsoleTest, ModeSwitchesItsRoutinesWhetherOrNotTheConsoleAcceptsTheMode) {
  for (BOOL accepted : {TRUE, FALSE}) {
    SCOPED_TRACE(accepted ? "accepted" : "refused");
    ResetCoreState();
    fake::Platform platform;
    Con_Open(nullptr);
    if (!accepted) platform.FailCall("SetConsoleMode", 1, true);

    EXPECT_EQ(Con_SetGraphical(1), accepted);
    EXPECT_EQ(g_Con.Write, &Con_PositionedWrite);
    EXPECT_EQ(g_Con.WriteLine, &Con_PositionedWriteLine);
    EXPECT_EQ(g_Con.ReadLine, &Con_PositionedReadLine);
    EXPECT_EQ(g_Con.Positioned, 1);

    EXPECT_EQ(Con_SetGraphical(0), accepted);
    EXPECT_EQ(g_Con.Write, &Con_LineWrite);
    EXPECT_EQ(g_Con.WriteLine, &Con_LineWriteLine);
    EXPECT_EQ(g_Con.ReadLine, &Con_LineReadLine);
    EXPECT_EQ(g_Con.Positioned, 0);
    EXPECT_EQ(platform.CountOf("SetConsoleMode"), 2);
  }
}

// ---- Read-line ----

constexpr SHORT kRow = 3;

struct ReadCase {
  const char *name;
  SHORT width;
  SHORT column;         // where the read starts, on row kRow
  const char *inFront;  // already on the row, ending at column
  Script keys;
  std::string line;   // what the read returns
  std::string shown;  // the row from column on, after the read
};

const ReadCase kReadCases[] = {
    {"a backspace takes back the last character", 80, 12, "",
     Keys({Typed("ab"), Backspace(), Typed("c"), Enter()}), "ac", "ac "},
    {"a backspace with nothing held does nothing", 80, 12,
     "Name:", Keys({Backspace(), Backspace(), Typed("x"), Enter()}), "x", "x"},
    {"backspaces never reach the text in front", 80, 12, ">",
     Keys({Typed("a"), Backspace(), Backspace(), Typed("b"), Enter()}), "b", "b"},
    {"events without a character are skipped", 80, 12, "",
     Keys({KeyUp('q'), KeyUp('\r'), KeyUp('\b'), OtherEvents('m'), NoCharacter(VK_LEFT),
           NoCharacter(VK_F1), NoCharacter(VK_DELETE), Typed("ok"), Enter()}),
     "ok", "ok "},
    {"a repeat count above one adds one character", 80, 12, "", Keys({Held('z', 4), Enter()}), "z",
     "z "},
    {"tab and escape are taken as characters", 80, 12, "", Keys({Typed("\t\x1b"), Enter()}),
     "\t\x1b", "\t\x1b "},
    {"only width-1-column characters are taken", 10, 6, "", Keys({Typed("abcdef"), Enter()}), "abc",
     "abc "},
    {"a backspace makes room at the end of the row", 10, 6, "",
     Keys({Typed("abcd"), Backspace(), Typed("ef"), Enter()}), "abe", "abe "},
    {"a read in the last column takes nothing", 10, 9, "", Keys({Typed("xy"), Enter()}), "", " "},
    {"a failed read returns what was held", 80, 12, "", Keys({Typed("abc")}), "abc", "abc "},
    {"a failed read with nothing held returns empty", 80, 12, "", Keys({}), "", " "},
    {"Enter alone returns an empty line", 80, 12, "", Keys({Enter()}), "", " "},
    {"Enter ends the read and later keys stay queued", 80, 12, "",
     Keys({Typed("a"), Enter(), Typed("b")}), "a", "a "},
};

TEST_F(ConsoleTest, ReadLineFollowsTheKeyScript) {
  for (const ReadCase &c : kReadCases) {
    SCOPED_TRACE(c.name);
    ResetCoreState();
    fake::Platform platform;  // a fresh console for each script
    platform.console.width = c.width;
    Con_Open(nullptr);
    Con_SetGraphical(1);
    const SHORT inFrontAt = static_cast<SHORT>(c.column - std::strlen(c.inFront));
    Con_Locate(inFrontAt, kRow);
    Con_Write(c.inFront);
    ASSERT_EQ(platform.console.cursor.X, c.column);
    for (const INPUT_RECORD &record : c.keys) platform.QueueRecord(record);
    platform.ClearCalls();

    const std::string line = Con_ReadLine();

    EXPECT_EQ(line, c.line);
    const std::string row = platform.Row(kRow);
    EXPECT_EQ(row.substr(inFrontAt, std::strlen(c.inFront) + c.shown.size()),
              std::string(c.inFront) + c.shown);
    // Nothing beyond what was taken reaches the row.
    EXPECT_EQ(row.substr(c.column + c.shown.size()),
              std::string(c.width - c.column - c.shown.size(), ' '));

    // Events are read up to Enter; a failed read ends the line at once.
    size_t reads = c.keys.size() + 1;
    for (size_t i = 0; i < c.keys.size(); ++i) {
      if (IsEnter(c.keys[i])) {
        reads = i + 1;
        break;
      }
    }
    const bool endedByEnter = reads <= c.keys.size();
    EXPECT_EQ(platform.CountOf("ReadConsoleInputA"), static_cast<int>(reads));
    EXPECT_EQ(platform.console.input.size(), c.keys.size() - std::min(reads, c.keys.size()));

    int lineEnds = 0;
    for (const fake::Call &call : platform.CallsNamed("WriteConsoleA")) {
      lineEnds += call.data == "\r\n";
    }
    EXPECT_EQ(lineEnds, endedByEnter ? 1 : 0);
    EXPECT_EQ(Con_ReadEndedByEnter(), endedByEnter ? 1 : 0);
    if (endedByEnter) {
      EXPECT_EQ(platform.console.cursor.X, 0);
      EXPECT_EQ(platform.console.cursor.Y, kRow + 1);
    } else {
      EXPECT_EQ(platform.console.cursor.X, c.column + static_cast<int>(c.line.size()));
      EXPECT_EQ(platform.console.cursor.Y, kRow);
    }
    EXPECT_EQ(platform.console.outputMode, 0u);
    EXPECT_TRUE(platform.Violations().empty()) << testing::PrintToString(platform.Violations());
  }
}

// The operator can resize the buffer while a line is read; the platform then
// moves the cursor, and the line still never holds more than the width the
// read started with.
struct ResizeCase {
  const char *name;
  SHORT width;
  SHORT column;
  int resizeAtRead;  // which ReadConsoleInputA resizes the buffer
  SHORT newWidth;
  Script keys;
};

std::string Alphabet(size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += static_cast<char>('a' + i % 26);
  return text;
}

Script WithBackspaces(size_t count) {
  Script script;
  for (size_t i = 0; i < count; ++i) {
    script.push_back(KeyRecord(static_cast<char>('a' + i % 26), true, 1, 0));
    if (i % 3 == 2) script.push_back(Backspace()[0]);
  }
  return script;
}

TEST_F(ConsoleTest, ReadLineNeverHoldsMoreThanTheStartingWidth) {
  const ResizeCase cases[] = {
      {"the buffer grows", 20, 10, 2, 60, Keys({Typed(Alphabet(50)), Enter()})},
      {"the buffer shrinks under the cursor", 40, 30, 2, 12, Keys({Typed(Alphabet(120)), Enter()})},
      {"the buffer shrinks to one column", 30, 5, 3, 1,
       Keys({WithBackspaces(150), Typed(Alphabet(60)), Enter()})},
      {"the buffer shrinks before the first key", 16, 0, 1, 4,
       Keys({Typed(Alphabet(40)), Enter()})},
  };
  for (const ResizeCase &c : cases) {
    SCOPED_TRACE(c.name);
    ResetCoreState();
    fake::Platform platform;
    platform.console.width = c.width;
    Con_Open(nullptr);
    Con_SetGraphical(1);
    Con_Locate(c.column, kRow);
    for (const INPUT_RECORD &record : c.keys) platform.QueueRecord(record);
    int reads = 0;
    platform.onCall = [&](const fake::Call &call) {
      if (call.name == "ReadConsoleInputA" && ++reads == c.resizeAtRead) {
        platform.ResizeBuffer(c.newWidth, 25);
      }
    };

    const std::string line = Con_ReadLine();

    EXPECT_LE(line.size(), static_cast<size_t>(c.width));
    std::string typed;
    for (const INPUT_RECORD &record : c.keys) typed += record.Event.KeyEvent.uChar.AsciiChar;
    EXPECT_TRUE(IsSubsequence(line, typed)) << line;
    if (c.newWidth > c.width) {
      // Growing changes nothing: the width at the start still bounds the row.
      EXPECT_EQ(line, Alphabet(c.width - 1 - c.column));
      EXPECT_EQ(platform.Row(kRow).substr(c.width - 1), std::string(c.newWidth - c.width + 1, ' '));
    }
    EXPECT_TRUE(platform.Violations().empty()) << testing::PrintToString(platform.Violations());
  }
}

// ---- Clear and locate ----

TEST_F(ConsoleTest, ClearAndLocateDoNothingInLineMode) {
  for (bool wasPositioned : {false, true}) {
    SCOPED_TRACE(wasPositioned ? "back in line mode" : "never positioned");
    ResetCoreState();
    fake::Platform platform;
    platform.console.width = 20;
    platform.console.height = 5;
    Con_Open(nullptr);
    if (wasPositioned) {
      Con_SetGraphical(1);
      Con_SetGraphical(0);
      ASSERT_EQ(platform.console.outputMode, ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT);
    }
    std::fill(platform.console.cells.begin(), platform.console.cells.end(), 'x');
    platform.console.cursor = {3, 2};
    platform.ClearCalls();

    Con_Clear();
    Con_Locate(10, 1);

    EXPECT_TRUE(platform.Calls().empty()) << testing::PrintToString(platform.CallTexts());
    EXPECT_EQ(platform.Row(0), std::string(20, 'x'));
    EXPECT_EQ(platform.console.cursor.X, 3);
    EXPECT_EQ(platform.console.cursor.Y, 2);
  }
}

// Clearing blanks as many cells as the buffer had when the console was
// opened, in the attributes it had then, whatever the buffer is now.
TEST_F(ConsoleTest, ClearUsesTheSizeAndAttributesCapturedAtOpen) {
  struct ClearCase {
    const char *name;
    SHORT width, height;  // the buffer's size when cleared; it was 20 x 5 at open
  };
  const ClearCase cases[] = {{"unchanged", 20, 5}, {"grown", 30, 8}, {"shrunk", 10, 4}};
  for (const ClearCase &c : cases) {
    SCOPED_TRACE(c.name);
    ResetCoreState();
    fake::Platform platform;
    platform.console.width = 20;
    platform.console.height = 5;
    platform.console.attributes = 0x1E;
    Con_Open(nullptr);
    Con_SetGraphical(1);
    platform.ResizeBuffer(c.width, c.height);
    std::fill(platform.console.cells.begin(), platform.console.cells.end(), 'x');
    std::fill(platform.console.attrs.begin(), platform.console.attrs.end(), WORD{0x07});
    platform.console.attributes = 0x4F;
    platform.console.cursor = {5, 3};
    platform.ClearCalls();

    Con_Clear();

    const std::vector<fake::Call> calls = platform.Calls();
    ASSERT_EQ(calls.size(), 3u) << testing::PrintToString(platform.CallTexts());
    EXPECT_EQ(calls[0].name, "FillConsoleOutputAttribute");
    EXPECT_EQ(calls[0].args.at(1), "30");   // 0x1E
    EXPECT_EQ(calls[0].args.at(2), "100");  // 20 x 5 cells
    EXPECT_EQ(calls[1].name, "FillConsoleOutputCharacterA");
    EXPECT_EQ(calls[1].args.at(1), "32");
    EXPECT_EQ(calls[1].args.at(2), "100");
    EXPECT_EQ(calls[2].name, "SetConsoleCursorPosition");
    EXPECT_EQ(calls[2].args.at(1), "{0,0}");

    const int cells = c.width * c.height;
    for (int i = 0; i < cells; ++i) {
      const int x = i % c.width, y = i / c.width;
      const bool cleared = i < 100;
      ASSERT_EQ(platform.CellChar(x, y), cleared ? ' ' : 'x') << "cell " << x << "," << y;
      ASSERT_EQ(platform.CellAttr(x, y), cleared ? 0x1E : 0x07) << "cell " << x << "," << y;
    }
    EXPECT_EQ(platform.console.cursor.X, 0);
    EXPECT_EQ(platform.console.cursor.Y, 0);
  }
}

TEST_F(ConsoleTest, LocatePlacesTheNextCharacter) {
  OpenPositioned();
  Con_Locate(10, 10);
  Con_Write("Q");
  EXPECT_EQ(fp.CellChar(10, 10), 'Q');

  // Each coordinate is cut to its low 16 bits.
  Con_Locate(0x10000 + 4, 0x20000 + 2);
  EXPECT_EQ(fp.CallsNamed("SetConsoleCursorPosition").back().args.at(1), "{4,2}");
  EXPECT_EQ(fp.console.cursor.X, 4);
  EXPECT_EQ(fp.console.cursor.Y, 2);
}

// ---- Write and write-line ----

TEST_F(ConsoleTest, WriteCutsAtTheCurrentBufferWidth) {
  struct WriteCase {
    const char *name;
    SHORT widthAtOpen, widthNow;
    SHORT column;
    size_t length;
    size_t written;
  };
  const WriteCase cases[] = {
      {"shorter than the row", 20, 20, 0, 12, 12},
      {"as wide as the buffer", 20, 20, 0, 20, 20},
      {"wider than the buffer", 20, 20, 0, 30, 20},
      {"cut at the width, not at the room left", 20, 20, 15, 30, 20},
      {"the width now, not the width at open", 80, 20, 0, 30, 20},
      {"empty", 20, 20, 4, 0, 0},
  };
  for (const WriteCase &c : cases) {
    SCOPED_TRACE(c.name);
    ResetCoreState();
    fake::Platform platform;
    platform.console.width = c.widthAtOpen;
    Con_Open(nullptr);
    Con_SetGraphical(1);
    platform.ResizeBuffer(c.widthNow, 25);
    Con_Locate(c.column, 1);
    platform.ClearCalls();
    const std::string text = Alphabet(c.length);

    Con_Write(text.c_str());

    EXPECT_EQ(Briefs(platform.Calls()),
              (std::vector<std::string>{"GetConsoleScreenBufferInfo",
                                        "WriteConsoleA \"" + text.substr(0, c.written) + "\""}));
  }
}

TEST_F(ConsoleTest, WriteWithoutATextTakesNoLockAndCallsNothing) {
  OpenPositioned();
  std::unique_lock<std::mutex> held(g_Con.OutputLock);
  std::future<void> write = std::async(std::launch::async, [] { Con_Write(nullptr); });
  const bool returned = write.wait_for(2s) == std::future_status::ready;
  held.unlock();
  write.wait();

  EXPECT_TRUE(returned) << "Con_Write(nullptr) waited for the output lock";
  EXPECT_TRUE(fp.Calls().empty()) << testing::PrintToString(fp.CallTexts());
}

TEST_F(ConsoleTest, WriteLineSwitchesToProcessedOutputAroundItsLineEnd) {
  struct WriteLineCase {
    const char *text;
    std::vector<std::string> calls;
  };
  const WriteLineCase cases[] = {
      {"hi",
       {"GetConsoleScreenBufferInfo", "WriteConsoleA \"hi\"", "SetConsoleMode 3",
        "WriteConsoleA \"\r\n\"", "SetConsoleMode 0"}},
      {nullptr, {"SetConsoleMode 3", "WriteConsoleA \"\r\n\"", "SetConsoleMode 0"}},
  };
  for (const WriteLineCase &c : cases) {
    SCOPED_TRACE(c.text != nullptr ? c.text : "no text");
    ResetCoreState();
    fake::Platform platform;
    Con_Open(nullptr);
    Con_SetGraphical(1);
    Con_Locate(7, 2);
    platform.ClearCalls();

    Con_WriteLine(c.text);

    EXPECT_EQ(Briefs(platform.Calls()), c.calls);
    if (c.text != nullptr) {
      EXPECT_EQ(platform.Row(2).substr(7, 3), "hi ");
    }
    EXPECT_EQ(platform.console.cursor.X, 0);
    EXPECT_EQ(platform.console.cursor.Y, 3);
    EXPECT_EQ(platform.console.outputMode, 0u);
  }
}

// A second thread's write waits until a write-line in progress has written
// its line end and switched the output mode back.
TEST_F(ConsoleTest, WriteLineHoldsTheLockForItsWholeCall) {
  OpenPositioned();
  std::mutex m;
  std::condition_variable changed;
  bool firstInside = false;
  bool letFirstGo = false;
  fp.onCall = [&](const fake::Call &call) {
    if (call.name != "SetConsoleMode" || call.args.at(1) != "3") return;
    std::unique_lock<std::mutex> lock(m);
    if (firstInside) return;
    firstInside = true;
    changed.notify_all();
    changed.wait(lock, [&] { return letFirstGo; });
  };

  std::thread first([] { Con_WriteLine("first"); });
  bool reached;
  {
    std::unique_lock<std::mutex> lock(m);
    reached = changed.wait_for(lock, 5s, [&] { return firstInside; });
  }
  std::atomic<bool> secondStarted{false};
  std::thread second([&] {
    secondStarted = true;
    Con_Write("second");
  });
  while (!secondStarted) std::this_thread::yield();
  std::this_thread::sleep_for(200ms);  // time enough to write, were the lock not held
  const std::vector<std::string> whileHeld = Briefs(fp.Calls());
  {
    std::lock_guard<std::mutex> lock(m);
    letFirstGo = true;
  }
  changed.notify_all();
  first.join();
  second.join();

  ASSERT_TRUE(reached) << "the write-line never switched the output mode";
  EXPECT_EQ(whileHeld, (std::vector<std::string>{"GetConsoleScreenBufferInfo",
                                                 "WriteConsoleA \"first\"", "SetConsoleMode 3"}));
  fp.onCall = nullptr;
  EXPECT_EQ(
      Briefs(fp.Calls()),
      (std::vector<std::string>{"GetConsoleScreenBufferInfo", "WriteConsoleA \"first\"",
                                "SetConsoleMode 3", "WriteConsoleA \"\r\n\"", "SetConsoleMode 0",
                                "GetConsoleScreenBufferInfo", "WriteConsoleA \"second\""}));
}

// ---- Close handler ----

struct CtrlCase {
  DWORD code;
  const char *name;
  bool runsEndRoutine;
};

TEST_F(ConsoleTest, OnlyTheCloseEventRunsTheEndRoutine) {
  const CtrlCase cases[] = {{CTRL_C_EVENT, "Ctrl+C", false},
                            {CTRL_BREAK_EVENT, "Ctrl+Break", false},
                            {CTRL_CLOSE_EVENT, "close", true},
                            {CTRL_LOGOFF_EVENT, "log-off", false},
                            {CTRL_SHUTDOWN_EVENT, "shut-down", false}};
  for (const CtrlCase &c : cases) {
    SCOPED_TRACE(c.name);
    ResetCoreState();
    fake::Platform platform;
    platform.AddPrinter("Till");
    platform.defaultPrinter = "Till";
    Print_Init();
    Con_SetEndRoutine(Tester_End);
    Con_Open(nullptr);
    ASSERT_EQ(platform.console.handlers.size(), 1u);
    EXPECT_EQ(platform.console.handlers[0], &Con_CloseHandler);
    ASSERT_NE(Print_OpenPrinter(), nullptr);
    platform.ClearCalls();

    // No handler of ours claims the event: the platform's default follows.
    EXPECT_FALSE(platform.RaiseCtrlEvent(c.code));

    if (c.runsEndRoutine) {
      EXPECT_EQ(platform.CountOf("ClosePrinter"), 1);
      EXPECT_EQ(platform.OpenPrinters(), 0);
      EXPECT_EQ(platform.LiveDCs(), 0);
      EXPECT_EQ(platform.LivePens(), 0);
      EXPECT_EQ(platform.LiveBrushes(), 0);
    } else {
      EXPECT_TRUE(platform.Calls().empty()) << testing::PrintToString(platform.CallTexts());
      EXPECT_EQ(platform.OpenPrinters(), 1);
      EXPECT_EQ(platform.LiveDCs(), 1);
    }
    EXPECT_TRUE(platform.Violations().empty()) << testing::PrintToString(platform.Violations());
  }
}

}  // namespace
