// The console's screen model: where bytes land, the cursor, wrapping and
// scrolling, fills, and what reaches the terminal.
#include "platform/posix/screen_model.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/posix/code_page.h"
#include "vt_screen.h"

namespace {

using dkposix::ScreenModel;
using winapi::COORD;

constexpr winapi::DWORD kPositioned = 0;
constexpr winapi::DWORD kLineMode =
    winapi::ENABLE_PROCESSED_OUTPUT | winapi::ENABLE_WRAP_AT_EOL_OUTPUT;

std::string Row(const ScreenModel &screen, int y) {
  std::string row;
  for (int x = 0; x < screen.Width(); ++x) row += static_cast<char>(screen.ByteAt(x, y));
  return row;
}

std::string Write(ScreenModel &screen, const std::string &text) {
  return screen.Write(reinterpret_cast<const uint8_t *>(text.data()), text.size());
}

void ExpectCursor(const ScreenModel &screen, int x, int y) {
  EXPECT_EQ(screen.Cursor().X, x);
  EXPECT_EQ(screen.Cursor().Y, y);
}

TEST(ScreenModel, PositionedTextLandsAtTheCursorAndTheTerminalIsMovedThere) {
  ScreenModel screen(20, 5);
  screen.SetMode(kPositioned);
  std::string out = screen.SetCursor(COORD{10, 3});
  out += Write(screen, "Hi");
  EXPECT_EQ(Row(screen, 3), "          Hi        ");
  ExpectCursor(screen, 12, 3);
  EXPECT_NE(out.find("\x1b[4;11H"), std::string::npos) << out;  // 1-based row;column
  EXPECT_NE(out.find("Hi"), std::string::npos);
}

TEST(ScreenModel, PositionedModeShowsControlBytesAsPicturesAndNeverActsOnThem) {
  ScreenModel screen(20, 5);
  screen.SetMode(kPositioned);
  screen.SetCursor(COORD{2, 1});
  std::string out = Write(screen, std::string("a\r\n\b\a\t\x7f\x1b", 8));
  ExpectCursor(screen, 10, 1);
  EXPECT_EQ(Row(screen, 1).substr(2, 8), std::string("a\r\n\b\a\t\x7f\x1b", 8));
  // Only the terminal's own sequences carry control bytes: each byte became
  // a picture (here ♪ for CR, • for BEL, ⌂ for DEL, ← for ESC).
  for (char c : {'\r', '\n', '\b', '\a', '\t', '\x7f'}) {
    EXPECT_EQ(out.find(c), std::string::npos) << int(c);
  }
  EXPECT_NE(out.find("\xe2\x99\xaa"), std::string::npos);
  EXPECT_NE(out.find("\xe2\x80\xa2"), std::string::npos);
  EXPECT_NE(out.find("\xe2\x8c\x82"), std::string::npos);
  EXPECT_NE(out.find("\xe2\x86\x90"), std::string::npos);
}

TEST(ScreenModel, HighBytesAreShownThroughWindows1252) {
  ScreenModel screen(10, 2);
  screen.SetMode(kPositioned);
  std::string out = Write(screen, "\x80\xe9\x81");
  EXPECT_NE(out.find("\xe2\x82\xac\xc3\xa9?"), std::string::npos) << out;  // € é, undefined as ?
}

TEST(ScreenModel, WithoutWrapTextPastTheLastColumnOverwritesIt) {
  ScreenModel screen(8, 3);
  screen.SetMode(kPositioned);
  screen.SetCursor(COORD{5, 1});
  Write(screen, "abcdef");
  EXPECT_EQ(Row(screen, 1), "     abf");
  EXPECT_EQ(Row(screen, 2), "        ");
  ExpectCursor(screen, 7, 1);
}

TEST(ScreenModel, LineModeCarriesOutControlsAndWraps) {
  ScreenModel screen(8, 3);
  screen.SetMode(kLineMode);
  Write(screen, "ab\tc\rX\nyz\bQ");
  EXPECT_EQ(Row(screen, 0), "ab      ");  // TAB: spaces to column 8, then wrap
  EXPECT_EQ(Row(screen, 1), "X       ");  // CR went back over the c
  EXPECT_EQ(Row(screen, 2), "yQ      ");
  ExpectCursor(screen, 2, 2);
  EXPECT_NE(Write(screen, "\a").find('\a'), std::string::npos);  // the bell rings
  ExpectCursor(screen, 2, 2);
}

TEST(ScreenModel, LineFeedOnTheLastRowScrollsTheScreenAndTheTerminal) {
  ScreenModel screen(4, 3);
  screen.SetMode(kLineMode);
  Write(screen, "1\n2\n3");
  std::string out = Write(screen, "\n4");
  EXPECT_EQ(Row(screen, 0), "2   ");
  EXPECT_EQ(Row(screen, 1), "3   ");
  EXPECT_EQ(Row(screen, 2), "4   ");
  ExpectCursor(screen, 1, 2);
  EXPECT_NE(out.find("\x1b[3;1H\n"), std::string::npos) << out;
}

TEST(ScreenModel, WrapPastTheLastCellScrolls) {
  ScreenModel screen(3, 2);
  screen.SetMode(kLineMode);
  Write(screen, "abcdefg");
  EXPECT_EQ(Row(screen, 0), "def");
  EXPECT_EQ(Row(screen, 1), "g  ");
  ExpectCursor(screen, 1, 1);
}

TEST(ScreenModel, FillsCoverRowsInOrderStopAtTheEndAndLeaveTheCursor) {
  ScreenModel screen(4, 3);
  screen.SetCursor(COORD{1, 1});
  winapi::DWORD written = 0;
  screen.FillCharacter('#', 6, COORD{2, 0}, written);
  EXPECT_EQ(written, 6u);
  EXPECT_EQ(Row(screen, 0), "  ##");
  EXPECT_EQ(Row(screen, 1), "####");
  ExpectCursor(screen, 1, 1);

  screen.FillCharacter('*', 100, COORD{3, 2}, written);
  EXPECT_EQ(written, 1u);
  EXPECT_EQ(Row(screen, 2), "   *");

  std::string out = screen.FillAttribute(0x1F, 1000, COORD{0, 0}, written);
  EXPECT_EQ(written, 12u);
  EXPECT_EQ(screen.AttributeAt(3, 2), 0x1F);
  EXPECT_NE(out.find(dkposix::AttributeSgr(0x1F)), std::string::npos);
}

// Whatever the operations, a terminal fed the model's output shows what the
// model holds, with its cursor where the model's is.
TEST(ScreenModel, TerminalShowsExactlyTheModel) {
  ScreenModel screen(6, 4);
  VtScreen terminal(6, 4);
  auto check = [&](const char *step) {
    for (int y = 0; y < screen.Height(); ++y) {
      std::string row;
      for (int x = 0; x < screen.Width(); ++x) {
        dkposix::AppendUtf8(row, dkposix::ConsoleGlyph(screen.ByteAt(x, y)));
      }
      EXPECT_EQ(terminal.Row(y), row) << step << ", row " << y;
    }
    EXPECT_EQ(terminal.X(), screen.Cursor().X) << step;
    EXPECT_EQ(terminal.Y(), screen.Cursor().Y) << step;
  };
  winapi::DWORD written = 0;
  terminal.Feed(screen.FillAttribute(dkposix::kDefaultAttribute, 24, COORD{0, 0}, written));
  terminal.Feed(screen.FillCharacter(' ', 24, COORD{0, 0}, written));
  check("clear");
  screen.SetMode(kPositioned);
  terminal.Feed(screen.SetCursor(COORD{3, 1}));
  terminal.Feed(Write(screen, "ab\x01\xe9xyz"));  // past the last column, no wrap
  check("positioned");
  terminal.Feed(screen.SetCursor(COORD{5, 3}));
  terminal.Feed(Write(screen, "Z"));  // the bottom right cell must not scroll
  check("bottom right");
  screen.SetMode(kLineMode);
  terminal.Feed(screen.SetCursor(COORD{4, 2}));
  terminal.Feed(Write(screen, "wrap me\r\nnext\tT\b!\n\n"));
  check("line mode");
  terminal.Feed(screen.FillCharacter('.', 9, COORD{4, 1}, written));
  check("fill across rows");
  terminal.Feed(screen.Repaint());
  check("repaint");
}

TEST(ScreenModel, OutsideCellsAreRefused) {
  ScreenModel screen(5, 2);
  EXPECT_TRUE(screen.Contains(COORD{4, 1}));
  EXPECT_FALSE(screen.Contains(COORD{5, 0}));
  EXPECT_FALSE(screen.Contains(COORD{0, 2}));
  EXPECT_FALSE(screen.Contains(COORD{-1, 0}));
  winapi::DWORD written = 7;
  EXPECT_TRUE(screen.FillCharacter('x', 3, COORD{0, 2}, written).empty());
  EXPECT_EQ(written, 0u);
}

TEST(ScreenModel, ResizeKeepsWhatFitsAndTheCursorInside) {
  ScreenModel screen(6, 3);
  screen.SetMode(kPositioned);
  screen.SetCursor(COORD{3, 2});
  Write(screen, "xy");
  screen.Resize(4, 2);
  EXPECT_EQ(screen.Width(), 4);
  EXPECT_EQ(screen.Height(), 2);
  ExpectCursor(screen, 3, 1);
  screen.Resize(6, 3);
  EXPECT_EQ(Row(screen, 2), "      ");  // what was cut off is gone
}

// The window shrinks below the prompt's row and grows back. The grid keeps
// the prompt at its place throughout; while the window is small nothing is
// drawn outside it (a terminal would clamp such a position onto its last row
// or column); once it is large again the terminal, whatever it kept or
// reflowed meanwhile, shows exactly the grid.
struct WindowChange {
  int smallWidth, smallHeight;
  int largeWidth, largeHeight;
};

class ScreenModelWindow : public testing::TestWithParam<WindowChange> {};

// A terminal of the given size with leftovers on it, as a terminal emulator
// keeps or reflows them across a resize.
VtScreen TerminalWithDebris(int width, int height) {
  VtScreen terminal(width, height);
  terminal.Feed("\x1b[11;11HTest1: stale\x1b[1;1Hdebris\x1b[" + std::to_string(height) +
                ";1Hmore debris");
  return terminal;
}

void ExpectTerminalShowsWindowOfGrid(const VtScreen &terminal, const ScreenModel &screen,
                                     const char *step) {
  for (int y = 0; y < screen.WindowHeight(); ++y) {
    std::string row;
    for (int x = 0; x < screen.WindowWidth(); ++x) {
      dkposix::AppendUtf8(row, dkposix::ConsoleGlyph(screen.ByteAt(x, y)));
    }
    EXPECT_EQ(terminal.Row(y), row) << step << ", row " << y;
  }
}

TEST_P(ScreenModelWindow, PromptComesBackAtItsPlaceWithNoDebris) {
  const WindowChange &change = GetParam();
  const std::string prompt1 = "Test1: Press Enter To test default printer's draw kick.";
  const std::string prompt2 = "Test2: Press Enter To test default printer's draw kick.";
  ScreenModel screen(80, 25);
  screen.SetMode(kPositioned);
  winapi::DWORD written = 0;
  screen.FillCharacter(' ', 80 * 25, COORD{0, 0}, written);
  screen.SetCursor(COORD{10, 10});
  Write(screen, prompt1 + "typed");

  VtScreen small = TerminalWithDebris(change.smallWidth, change.smallHeight);
  small.Feed(screen.WindowResized(change.smallWidth, change.smallHeight));
  EXPECT_GE(screen.Width(), 80);
  EXPECT_GE(screen.Height(), 25);
  EXPECT_EQ(Row(screen, 10).substr(10, prompt1.size() + 5), prompt1 + "typed");
  ExpectTerminalShowsWindowOfGrid(small, screen, "shrunk");

  // The next cycle runs while the window is small: its prompt goes into the
  // grid at column 10, row 10, and nothing lands on the terminal elsewhere.
  ASSERT_TRUE(screen.Contains(COORD{10, 10}));
  small.Feed(screen.SetCursor(COORD{10, 10}));
  small.Feed(Write(screen, prompt2));
  ExpectTerminalShowsWindowOfGrid(small, screen, "written while small");

  VtScreen large = TerminalWithDebris(change.largeWidth, change.largeHeight);
  large.Feed(screen.WindowResized(change.largeWidth, change.largeHeight));
  ExpectTerminalShowsWindowOfGrid(large, screen, "grown back");
  EXPECT_EQ(large.Row(10), std::string(10, ' ') + prompt2 + "typed" +
                               std::string(change.largeWidth - 10 - prompt2.size() - 5, ' '));
  for (int y = 0; y < change.largeHeight; ++y) {
    if (y != 10) {
      EXPECT_EQ(large.Row(y), std::string(change.largeWidth, ' ')) << "row " << y;
    }
  }
  EXPECT_EQ(large.X(), 10 + static_cast<int>(prompt2.size()));
  EXPECT_EQ(large.Y(), 10);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScreenModelWindow,
                         testing::Values(WindowChange{80, 5, 80, 25},   // rows only
                                         WindowChange{30, 8, 100, 30},  // both, grown past
                                         WindowChange{12, 11, 80, 25},  // prompt row just shown
                                         WindowChange{1, 1, 90, 40}),
                         [](const testing::TestParamInfo<WindowChange> &info) {
                           const WindowChange &c = info.param;
                           return std::to_string(c.smallWidth) + "x" +
                                  std::to_string(c.smallHeight) + "_to_" +
                                  std::to_string(c.largeWidth) + "x" +
                                  std::to_string(c.largeHeight);
                         });

// Scrolling while the window shows only part of the grid draws the window's
// part again rather than a line feed, which would scroll the wrong rows.
TEST(ScreenModel, ScrollInASmallWindowRedrawsWhatItShows) {
  ScreenModel screen(6, 4);
  screen.SetMode(kLineMode);
  VtScreen terminal(6, 2);
  terminal.Feed(screen.WindowResized(6, 2));
  terminal.Feed(Write(screen, "a\nb\nc\nd\ne\n"));
  ExpectTerminalShowsWindowOfGrid(terminal, screen, "scrolled");
  EXPECT_EQ(Row(screen, 0), "c     ");
}

// A grid larger than its window from the start: what lies outside the
// window is kept but never sent, so the small terminal shows only its part.
TEST(ScreenModel, GridLargerThanItsWindowSendsOnlyTheWindowsPart) {
  ScreenModel screen(80, 25);
  screen.SetWindow(40, 6);
  EXPECT_EQ(screen.Width(), 80);
  EXPECT_EQ(screen.Height(), 25);
  VtScreen terminal(40, 6);
  terminal.Feed("leftover");
  winapi::DWORD written = 0;
  terminal.Feed(screen.FillCharacter(' ', 80 * 25, COORD{0, 0}, written));
  EXPECT_EQ(written, 80u * 25u);
  screen.SetMode(kPositioned);
  terminal.Feed(screen.SetCursor(COORD{10, 10}));
  terminal.Feed(Write(screen, "Test1: Press Enter"));
  for (int y = 0; y < 6; ++y) EXPECT_EQ(terminal.Row(y), std::string(40, ' ')) << "row " << y;
  EXPECT_EQ(Row(screen, 10).substr(10, 18), "Test1: Press Enter");
}

TEST(ScreenModel, AbsurdSizesAreKeptWithinBounds) {
  ScreenModel screen(0, 100000);
  EXPECT_EQ(screen.Width(), 1);
  EXPECT_EQ(screen.Height(), dkposix::kMaxScreenSide);
}

TEST(AttributeSgr, MapsConsoleColoursOntoAnsiOnes) {
  EXPECT_EQ(dkposix::AttributeSgr(0x07), "\x1b[0m");
  EXPECT_EQ(dkposix::AttributeSgr(0x1E), "\x1b[0;93;44m");   // yellow on blue
  EXPECT_EQ(dkposix::AttributeSgr(0xC1), "\x1b[0;34;101m");  // blue on bright red
}

}  // namespace
