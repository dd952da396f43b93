#include "platform/posix/screen_model.h"

#include <algorithm>

#include "platform/posix/code_page.h"

namespace dkposix {
namespace {

using winapi::COORD;
using winapi::DWORD;
using winapi::SHORT;
using winapi::WORD;

constexpr int kTabWidth = 8;
constexpr WORD kUnderscore = 0x8000;
constexpr WORD kReverseVideo = 0x4000;

int ClampSide(int side) {
  return std::clamp(side, 1, kMaxScreenSide);
}

// ANSI colour index of the console's blue/green/red bits.
int AnsiColour(int bits) {
  return ((bits & 4) ? 1 : 0) | ((bits & 2) ? 2 : 0) | ((bits & 1) ? 4 : 0);
}

}  // namespace

std::string AttributeSgr(WORD attribute) {
  if (attribute == kDefaultAttribute) return "\x1b[0m";
  int foreground = attribute & 0x0F;
  int background = (attribute >> 4) & 0x0F;
  std::string sgr = "\x1b[0;";
  sgr += std::to_string(((foreground & 8) ? 90 : 30) + AnsiColour(foreground));
  sgr += ';';
  sgr += std::to_string(((background & 8) ? 100 : 40) + AnsiColour(background));
  if (attribute & kUnderscore) sgr += ";4";
  if (attribute & kReverseVideo) sgr += ";7";
  sgr += 'm';
  return sgr;
}

ScreenModel::ScreenModel(int width, int height)
    : width_(ClampSide(width)),
      height_(ClampSide(height)),
      windowWidth_(width_),
      windowHeight_(height_),
      cells_(static_cast<size_t>(width_) * height_) {}

bool ScreenModel::Contains(COORD cell) const {
  return cell.X >= 0 && cell.Y >= 0 && cell.X < width_ && cell.Y < height_;
}

void ScreenModel::Resize(int width, int height) {
  width = ClampSide(width);
  height = ClampSide(height);
  std::vector<Cell> cells(static_cast<size_t>(width) * height);
  for (int y = 0; y < std::min(height, height_); ++y) {
    for (int x = 0; x < std::min(width, width_); ++x) {
      cells[static_cast<size_t>(y) * width + x] = cells_[Index(x, y)];
    }
  }
  cells_.swap(cells);
  width_ = windowWidth_ = width;
  height_ = windowHeight_ = height;
  cursor_.X = static_cast<SHORT>(std::min<int>(cursor_.X, width_ - 1));
  cursor_.Y = static_cast<SHORT>(std::min<int>(cursor_.Y, height_ - 1));
  terminalX_ = terminalY_ = -1;  // the terminal may have reflowed its lines
}

void ScreenModel::SetWindow(int columns, int rows) {
  columns = ClampSide(columns);
  rows = ClampSide(rows);
  if (columns > width_ || rows > height_) {
    Resize(std::max(columns, width_), std::max(rows, height_));
  }
  windowWidth_ = columns;
  windowHeight_ = rows;
  terminalX_ = terminalY_ = terminalAttribute_ = -1;
}

std::string ScreenModel::WindowResized(int columns, int rows) {
  SetWindow(columns, rows);
  // Cleared first: cells the grid leaves blank need no drawing then.
  std::string out = "\x1b[0m\x1b[H\x1b[2J";
  terminalX_ = terminalY_ = 0;
  terminalAttribute_ = kDefaultAttribute;
  for (int y = 0; y < windowHeight_; ++y) {
    for (int x = 0; x < windowWidth_; ++x) {
      const Cell &cell = cells_[Index(x, y)];
      if (cell.byte != ' ' || cell.attribute != kDefaultAttribute) EmitCell(x, y, out);
    }
  }
  EmitCursor(out);
  return out;
}

std::string ScreenModel::SetCursor(COORD cursor) {
  std::string out;
  if (!Contains(cursor)) return out;
  cursor_ = cursor;
  EmitCursor(out);
  return out;
}

std::string ScreenModel::Write(const uint8_t *bytes, size_t count) {
  std::string out;
  bool processed = (mode_ & winapi::ENABLE_PROCESSED_OUTPUT) != 0;
  for (size_t i = 0; i < count; ++i) {
    uint8_t byte = bytes[i];
    if (processed) {
      if (byte == '\r') {
        cursor_.X = 0;
        continue;
      }
      if (byte == '\n') {
        cursor_.X = 0;
        LineFeed(out);
        continue;
      }
      if (byte == '\b') {
        if (cursor_.X > 0) --cursor_.X;
        continue;
      }
      if (byte == '\a') {
        out += '\a';
        continue;
      }
      if (byte == '\t') {
        int spaces = kTabWidth - cursor_.X % kTabWidth;
        for (int s = 0; s < spaces; ++s) PutGlyph(' ', out);
        continue;
      }
    }
    PutGlyph(byte, out);
  }
  EmitCursor(out);
  return out;
}

std::string ScreenModel::Fill(DWORD length, COORD start, DWORD &written,
                              void (*set)(Cell &cell, unsigned value), unsigned value) {
  std::string out;
  written = 0;
  if (!Contains(start)) return out;
  size_t first = Index(start.X, start.Y);
  size_t count = std::min<size_t>(length, cells_.size() - first);
  for (size_t i = first; i < first + count; ++i) {
    set(cells_[i], value);
    EmitCell(static_cast<int>(i % width_), static_cast<int>(i / width_), out);
  }
  written = static_cast<DWORD>(count);
  EmitCursor(out);
  return out;
}

std::string ScreenModel::FillCharacter(uint8_t byte, DWORD length, COORD start, DWORD &written) {
  return Fill(
      length, start, written,
      [](Cell &cell, unsigned value) { cell.byte = static_cast<uint8_t>(value); }, byte);
}

std::string ScreenModel::FillAttribute(WORD attribute, DWORD length, COORD start, DWORD &written) {
  return Fill(
      length, start, written,
      [](Cell &cell, unsigned value) { cell.attribute = static_cast<WORD>(value); }, attribute);
}

std::string ScreenModel::Repaint() {
  std::string out;
  terminalX_ = terminalY_ = terminalAttribute_ = -1;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) EmitCell(x, y, out);
  }
  EmitCursor(out);
  return out;
}

void ScreenModel::PutGlyph(uint8_t byte, std::string &out) {
  Cell &cell = cells_[Index(cursor_.X, cursor_.Y)];
  cell.byte = byte;
  cell.attribute = kDefaultAttribute;  // the text attribute; nothing here changes it
  EmitCell(cursor_.X, cursor_.Y, out);
  if (cursor_.X < width_ - 1) {
    ++cursor_.X;
  } else if (mode_ & winapi::ENABLE_WRAP_AT_EOL_OUTPUT) {
    cursor_.X = 0;
    LineFeed(out);
  }
}

void ScreenModel::LineFeed(std::string &out) {
  if (cursor_.Y < height_ - 1) {
    ++cursor_.Y;
    return;
  }
  std::move(cells_.begin() + width_, cells_.end(), cells_.begin());
  std::fill(cells_.end() - width_, cells_.end(), Cell{});
  if (windowWidth_ != width_ || windowHeight_ != height_) {
    // The window shows only part of the grid: its part is drawn again.
    out += Repaint();
    return;
  }
  // Scroll: the grid moves up a row and a blank row comes in at the bottom;
  // the terminal does the same on a line feed in its last row.
  EmitAttribute(kDefaultAttribute, out);
  MoveTerminalCursor(0, height_ - 1, out);
  out += '\n';
  terminalX_ = terminalY_ = -1;
}

void ScreenModel::EmitCell(int x, int y, std::string &out) {
  if (!InWindow(x, y)) return;
  const Cell &cell = cells_[Index(x, y)];
  MoveTerminalCursor(x, y, out);
  EmitAttribute(cell.attribute, out);
  AppendUtf8(out, ConsoleGlyph(cell.byte));
  if (x < windowWidth_ - 1) {
    terminalX_ = x + 1;
  } else {
    terminalX_ = terminalY_ = -1;  // some terminals wrap pending here, some do not
  }
}

void ScreenModel::EmitAttribute(WORD attribute, std::string &out) {
  if (terminalAttribute_ == attribute) return;
  out += AttributeSgr(attribute);
  terminalAttribute_ = attribute;
}

void ScreenModel::EmitCursor(std::string &out) {
  // A cursor outside the window is shown once the window grows to it.
  if (InWindow(cursor_.X, cursor_.Y)) MoveTerminalCursor(cursor_.X, cursor_.Y, out);
}

void ScreenModel::MoveTerminalCursor(int x, int y, std::string &out) {
  if (terminalX_ == x && terminalY_ == y) return;
  out += "\x1b[" + std::to_string(y + 1) + ';' + std::to_string(x + 1) + 'H';
  terminalX_ = x;
  terminalY_ = y;
}

}  // namespace dkposix
