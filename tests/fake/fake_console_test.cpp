// The fake console: the write model (processed output, wrapping, scrolling),
// fills, cursor placement, the handles, input records and control handlers.
#include <gtest/gtest.h>

#include <string>

#include "platform/fake/fake_platform.h"

namespace {

using namespace winapi;

HANDLE Input() {
  return reinterpret_cast<HANDLE>(0x10);
}
HANDLE Output() {
  return reinterpret_cast<HANDLE>(0x11);
}

class FakeConsole : public ::testing::Test {
 protected:
  void SetUp() override { platform.AttachConsole(10, 3); }

  void Write(const std::string &text, DWORD mode) {
    ASSERT_TRUE(SetConsoleMode(Output(), mode));
    DWORD written = 0;
    ASSERT_TRUE(
        WriteConsoleA(Output(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    EXPECT_EQ(written, text.size());
  }

  COORD Cursor() const { return platform.console.cursor; }

  fake::Platform platform;
};

struct WriteCase {
  const char *name;
  DWORD mode;
  std::string text;
  std::string rows[3];
  COORD cursor;
};

TEST_F(FakeConsole, WriteModel) {
  const WriteCase cases[] = {
      {"plain text", 3, "abc", {"abc       ", "          ", "          "}, {3, 0}},
      {"CR returns to column 0", 3, "abc\rX", {"Xbc       ", "          ", "          "}, {1, 0}},
      {"LF starts the next row", 3, "ab\ncd", {"ab        ", "cd        ", "          "}, {2, 1}},
      {"BS steps back without erasing",
       3,
       "abc\b\bX",
       {"aXc       ", "          ", "          "},
       {2, 0}},
      {"BS stops at column 0", 3, "\b\bX", {"X         ", "          ", "          "}, {1, 0}},
      {"TAB goes to the next multiple of 8",
       3,
       "a\tb",
       {"a       b ", "          ", "          "},
       {9, 0}},
      {"TAB stops at the last column",
       3,
       "abcdefghi\tZ",
       {"abcdefghiZ", "          ", "          "},
       {0, 1}},
      {"BEL shows nothing", 3, "a\ab", {"ab        ", "          ", "          "}, {2, 0}},
      {"wrap moves to the next row",
       3,
       "0123456789ab",
       {"0123456789", "ab        ", "          "},
       {2, 1}},
      {"LF on the last row scrolls",
       3,
       "1\n2\n3\n4",
       {"2         ", "3         ", "4         "},
       {1, 2}},
      {"wrap on the last row scrolls",
       3,
       "\n\n0123456789x",
       {"          ", "0123456789", "x         "},
       {1, 2}},
      {"without wrap the last column is overwritten",
       1,
       "0123456789XY",
       {"012345678Y", "          ", "          "},
       {9, 0}},
      {"mode 0 places control bytes",
       0,
       "a\r\nb\t",
       {"a\r\nb\t     ", "          ", "          "},
       {5, 0}},
      {"mode 0 does not wrap",
       0,
       "0123456789\n",
       {"012345678\n", "          ", "          "},
       {9, 0}},
  };
  for (const WriteCase &c : cases) {
    SCOPED_TRACE(c.name);
    platform.AttachConsole(10, 3);
    Write(c.text, c.mode);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(platform.Row(y), c.rows[y]) << "row " << y;
    EXPECT_EQ(Cursor().X, c.cursor.X);
    EXPECT_EQ(Cursor().Y, c.cursor.Y);
  }
}

TEST_F(FakeConsole, WritesAndScrollsWithTheCurrentAttributes) {
  platform.console.attributes = 0x1F;
  Write("\n\na\n", 3);
  EXPECT_EQ(platform.CellChar(0, 1), 'a');  // scrolled up one row with its attribute
  EXPECT_EQ(platform.CellAttr(0, 1), 0x1F);
  EXPECT_EQ(platform.CellAttr(1, 1), 0x07);  // untouched
  EXPECT_EQ(platform.CellAttr(5, 2), 0x1F);  // the new blank row
}

TEST_F(FakeConsole, FillsRunRowAfterRowToTheEndOfTheBuffer) {
  DWORD written = 0;
  ASSERT_TRUE(FillConsoleOutputCharacterA(Output(), '#', 100, {8, 1}, &written));
  EXPECT_EQ(written, 12u);
  EXPECT_EQ(platform.Row(0), "          ");
  EXPECT_EQ(platform.Row(1), "        ##");
  EXPECT_EQ(platform.Row(2), "##########");
  ASSERT_TRUE(FillConsoleOutputAttribute(Output(), 0x70, 3, {9, 0}, &written));
  EXPECT_EQ(written, 3u);
  EXPECT_EQ(platform.CellAttr(9, 0), 0x70);
  EXPECT_EQ(platform.CellAttr(1, 1), 0x70);
  EXPECT_EQ(platform.CellAttr(2, 1), 0x07);
}

TEST_F(FakeConsole, CursorOutsideTheBufferFailsAndStays) {
  ASSERT_TRUE(SetConsoleCursorPosition(Output(), {9, 2}));
  for (COORD bad : {COORD{10, 0}, COORD{0, 3}, COORD{-1, 0}, COORD{0, -1}}) {
    EXPECT_FALSE(SetConsoleCursorPosition(Output(), bad));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Cursor().X, 9);
    EXPECT_EQ(Cursor().Y, 2);
  }
}

TEST_F(FakeConsole, ScreenBufferInfo) {
  platform.console.cursor = {4, 1};
  platform.console.attributes = 0x1E;
  CONSOLE_SCREEN_BUFFER_INFO info{};
  ASSERT_TRUE(GetConsoleScreenBufferInfo(Output(), &info));
  EXPECT_EQ(info.dwSize.X, 10);
  EXPECT_EQ(info.dwSize.Y, 3);
  EXPECT_EQ(info.dwCursorPosition.X, 4);
  EXPECT_EQ(info.dwCursorPosition.Y, 1);
  EXPECT_EQ(info.wAttributes, 0x1E);
  EXPECT_EQ(info.srWindow.Right, 9);
  EXPECT_EQ(info.srWindow.Bottom, 2);
  EXPECT_EQ(info.dwMaximumWindowSize.X, 10);
}

TEST_F(FakeConsole, WrongOrStaleHandlesFailAndAreNoted) {
  DWORD written = 0;
  EXPECT_FALSE(WriteConsoleA(Input(), "x", 1, &written, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(WriteConsoleA(nullptr, "x", 1, &written, nullptr));  // null: no violation
  ASSERT_TRUE(FreeConsole());
  EXPECT_FALSE(SetConsoleCursorPosition(Output(), {0, 0}));
  EXPECT_EQ(GetStdHandle(STD_OUTPUT_HANDLE), nullptr);
  EXPECT_EQ(platform.Violations(),
            (std::vector<std::string>{"WriteConsoleA(0x10)", "SetConsoleCursorPosition(0x11)"}));
  EXPECT_EQ(platform.Row(0), "          ");
}

TEST_F(FakeConsole, AllocAndFreeFollowAttachment) {
  EXPECT_FALSE(AllocConsole());
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(FreeConsole());
  EXPECT_FALSE(FreeConsole());
  EXPECT_EQ(GetStdHandle(STD_INPUT_HANDLE), nullptr);
  EXPECT_TRUE(AllocConsole());
  EXPECT_EQ(GetStdHandle(STD_INPUT_HANDLE), Input());
  EXPECT_EQ(GetStdHandle(STD_OUTPUT_HANDLE), Output());
  EXPECT_EQ(GetStdHandle(12345), INVALID_HANDLE_VALUE);
  EXPECT_EQ(platform.Row(2), "          ");  // the same size as before
}

TEST_F(FakeConsole, ModesGoToTheirHandles) {
  ASSERT_TRUE(SetConsoleMode(Input(), 0x1F7));
  ASSERT_TRUE(SetConsoleMode(Output(), 0));
  EXPECT_EQ(platform.console.inputMode, 0x1F7u);
  EXPECT_EQ(platform.console.outputMode, 0u);
}

TEST_F(FakeConsole, ResizeKeepsWhatFitsAndClampsTheCursor) {
  Write("abcdefghi\nklm", 3);
  platform.console.cursor = {9, 2};
  platform.ResizeBuffer(4, 2);
  EXPECT_EQ(platform.Row(0), "abcd");
  EXPECT_EQ(platform.Row(1), "klm ");
  EXPECT_EQ(Cursor().X, 3);
  EXPECT_EQ(Cursor().Y, 1);
  platform.ResizeBuffer(6, 3);
  EXPECT_EQ(platform.Row(1), "klm   ");
  EXPECT_EQ(platform.Row(2), "      ");
}

TEST_F(FakeConsole, InputRecordsInOrderThenFailureInsteadOfBlocking) {
  platform.QueueKey('a');
  platform.QueueKey('\r', false);
  INPUT_RECORD record{};
  DWORD read = 0;
  ASSERT_TRUE(ReadConsoleInputA(Input(), &record, 1, &read));
  EXPECT_EQ(read, 1u);
  EXPECT_EQ(record.EventType, KEY_EVENT);
  EXPECT_TRUE(record.Event.KeyEvent.bKeyDown);
  EXPECT_EQ(record.Event.KeyEvent.wRepeatCount, 1);
  EXPECT_EQ(record.Event.KeyEvent.wVirtualKeyCode, 'A');
  EXPECT_EQ(record.Event.KeyEvent.uChar.AsciiChar, 'a');
  ASSERT_TRUE(ReadConsoleInputA(Input(), &record, 1, &read));
  EXPECT_FALSE(record.Event.KeyEvent.bKeyDown);
  EXPECT_EQ(record.Event.KeyEvent.wVirtualKeyCode, VK_RETURN);
  EXPECT_FALSE(ReadConsoleInputA(Input(), &record, 1, &read));
  EXPECT_EQ(read, 0u);
  platform.QueueText("1\b");
  ASSERT_EQ(platform.console.input.size(), 2u);
  EXPECT_EQ(platform.console.input[1].Event.KeyEvent.wVirtualKeyCode, VK_BACK);
}

int g_order = 0;
int g_firstSaw = 0, g_secondSaw = 0;
BOOL DK_WINAPI Declines(DWORD) {
  g_firstSaw = ++g_order;
  return FALSE;
}
BOOL DK_WINAPI Handles(DWORD) {
  g_secondSaw = ++g_order;
  return TRUE;
}

TEST_F(FakeConsole, CtrlHandlersRunLastInstalledFirst) {
  g_order = g_firstSaw = g_secondSaw = 0;
  ASSERT_TRUE(SetConsoleCtrlHandler(Handles, TRUE));
  ASSERT_TRUE(SetConsoleCtrlHandler(Declines, TRUE));
  ASSERT_TRUE(SetConsoleCtrlHandler(nullptr, TRUE));
  EXPECT_TRUE(platform.RaiseCtrlEvent(CTRL_CLOSE_EVENT));
  EXPECT_EQ(g_firstSaw, 1);
  EXPECT_EQ(g_secondSaw, 2);
  ASSERT_TRUE(SetConsoleCtrlHandler(Handles, FALSE));
  EXPECT_FALSE(SetConsoleCtrlHandler(Handles, FALSE));
  EXPECT_FALSE(platform.RaiseCtrlEvent(CTRL_C_EVENT));
}

}  // namespace
