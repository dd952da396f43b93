// The console's screen as the backend keeps it: a grid of cells (byte and
// attribute), the cursor and the output mode. Every operation updates the
// grid and returns the VT bytes that make a terminal show the same thing, so
// what GetConsoleScreenBufferInfo reports always matches the screen. Pure: the
// console sends the returned bytes to the terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace dkposix {

constexpr winapi::WORD kDefaultAttribute = 0x07;  // light grey on black
constexpr int kMaxScreenSide = 1024;
// The least grid a console starts with, whatever its window: the classic
// Windows screen buffer, which holds all the program writes (its prompt ends
// by column 67 of row 10), so that a small window never moves or cuts it.
constexpr int kMinScreenColumns = 80;
constexpr int kMinScreenRows = 25;

class ScreenModel {
 public:
  ScreenModel(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  winapi::COORD Cursor() const { return cursor_; }
  winapi::DWORD Mode() const { return mode_; }
  void SetMode(winapi::DWORD mode) { mode_ = mode; }
  bool Contains(winapi::COORD cell) const;

  // Keeps what fits of the old grid; the cursor stays inside. The window
  // takes the same size.
  void Resize(int width, int height);

  // The terminal's window is now columns x rows. The grid grows to cover it
  // but never shrinks: what the program wrote (its prompt at row 10, say)
  // stays where it was, as in a Windows screen buffer larger than its window.
  // Cells outside the window are kept but not drawn until it grows again.
  // Returns the bytes that clear the terminal and draw the window's part of
  // the grid afresh, so that nothing a terminal kept or reflowed stays.
  std::string WindowResized(int columns, int rows);
  // As WindowResized, for a terminal whose contents are not known yet (at
  // start): nothing is drawn, and the terminal's cursor is taken as unknown.
  void SetWindow(int columns, int rows);
  int WindowWidth() const { return windowWidth_; }
  int WindowHeight() const { return windowHeight_; }

  // The cursor must lie inside the screen (see Contains).
  std::string SetCursor(winapi::COORD cursor);

  // Writes at the cursor. ENABLE_PROCESSED_OUTPUT carries out CR, LF, BS, TAB
  // and BEL, other control bytes show as pictures; ENABLE_WRAP_AT_EOL_OUTPUT
  // moves on to the next line (scrolling at the bottom) after the last
  // column, without it text past the last column overwrites that column.
  std::string Write(const uint8_t *bytes, size_t count);

  // Fill cells from start on, row after row, without moving the cursor; stop
  // at the end of the screen. written receives the cells filled.
  std::string FillCharacter(uint8_t byte, winapi::DWORD length, winapi::COORD start,
                            winapi::DWORD &written);
  std::string FillAttribute(winapi::WORD attribute, winapi::DWORD length, winapi::COORD start,
                            winapi::DWORD &written);

  // Draws the whole grid again, as far as the window shows it (after the
  // terminal was given back and taken again, or after anything else wrote to
  // it).
  std::string Repaint();

  uint8_t ByteAt(int x, int y) const { return cells_[Index(x, y)].byte; }
  winapi::WORD AttributeAt(int x, int y) const { return cells_[Index(x, y)].attribute; }

 private:
  struct Cell {
    uint8_t byte = ' ';
    winapi::WORD attribute = kDefaultAttribute;
  };

  size_t Index(int x, int y) const { return static_cast<size_t>(y) * width_ + x; }
  void PutGlyph(uint8_t byte, std::string &out);
  void LineFeed(std::string &out);
  bool InWindow(int x, int y) const { return x < windowWidth_ && y < windowHeight_; }
  // Draws the cell when the window shows it; the terminal is never sent a
  // position outside its window, where it would clamp the cursor and draw
  // on the wrong cell.
  void EmitCell(int x, int y, std::string &out);
  // Applies set to length cells from start on and draws them.
  std::string Fill(winapi::DWORD length, winapi::COORD start, winapi::DWORD &written,
                   void (*set)(Cell &cell, unsigned value), unsigned value);
  void EmitAttribute(winapi::WORD attribute, std::string &out);
  void EmitCursor(std::string &out);
  void MoveTerminalCursor(int x, int y, std::string &out);

  int width_;
  int height_;
  int windowWidth_;  // the terminal's window, never larger than the grid
  int windowHeight_;
  std::vector<Cell> cells_;
  winapi::COORD cursor_{0, 0};
  winapi::DWORD mode_ = winapi::ENABLE_PROCESSED_OUTPUT | winapi::ENABLE_WRAP_AT_EOL_OUTPUT;
  // Where the terminal's own cursor and colours are, -1 when not known (at
  // start, and after a glyph in the last column, where terminals differ).
  int terminalX_ = -1;
  int terminalY_ = -1;
  int terminalAttribute_ = -1;
};

// The SGR sequence for a console attribute; the default attribute restores
// the terminal's own colours.
std::string AttributeSgr(winapi::WORD attribute);

}  // namespace dkposix
