// A small VT terminal for tests: enough of xterm (cursor position, clamped
// to the screen, erase of the whole screen, colours skipped, line feed with
// scrolling, UTF-8 text, the pending wrap at the last column) to show what a terminal would display
// for the bytes the screen model sends.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

class VtScreen {
 public:
  VtScreen(int width, int height)
      : width_(width), height_(height), cells_(height, std::vector<std::string>(width, " ")) {}

  void Feed(const std::string &bytes) {
    for (size_t i = 0; i < bytes.size();) {
      unsigned char c = static_cast<unsigned char>(bytes[i]);
      if (c == 0x1b && i + 1 < bytes.size() && bytes[i + 1] == '[') {
        size_t end = i + 2;
        while (end < bytes.size() && !(bytes[end] >= 0x40 && bytes[end] <= 0x7e)) ++end;
        if (bytes[end] == 'H') {
          int row = 1, column = 1;
          std::sscanf(bytes.substr(i + 2, end - i - 2).c_str(), "%d;%d", &row, &column);
          // As a terminal does, a position past the screen ends at its edge.
          y_ = std::clamp(row, 1, height_) - 1;
          x_ = std::clamp(column, 1, width_) - 1;
          pendingWrap_ = false;
        } else if (bytes[end] == 'J' && bytes.substr(i + 2, end - i - 2) == "2") {
          for (auto &line : cells_) line.assign(width_, " ");
        }
        i = end + 1;  // SGR and the rest: nothing to show
      } else if (c == '\n') {
        LineFeed();
        ++i;
      } else if (c == '\r') {
        x_ = 0;
        pendingWrap_ = false;
        ++i;
      } else if (c < 0x20) {
        ++i;  // bell and the like
      } else {
        size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        Put(bytes.substr(i, length));
        i += length;
      }
    }
  }

  // One row, each cell's UTF-8 text.
  std::string Row(int y) const {
    std::string row;
    for (const std::string &cell : cells_[y]) row += cell;
    return row;
  }
  int X() const { return x_; }
  int Y() const { return y_; }

 private:
  void Put(const std::string &glyph) {
    if (pendingWrap_) {
      x_ = 0;
      LineFeed();
    }
    cells_[y_][x_] = glyph;
    if (x_ < width_ - 1) {
      ++x_;
    } else {
      pendingWrap_ = true;
    }
  }

  void LineFeed() {
    pendingWrap_ = false;
    if (y_ < height_ - 1) {
      ++y_;
      return;
    }
    cells_.erase(cells_.begin());
    cells_.push_back(std::vector<std::string>(width_, " "));
  }

  int width_;
  int height_;
  std::vector<std::vector<std::string>> cells_;
  int x_ = 0;
  int y_ = 0;
  bool pendingWrap_ = false;
};
