// Turns the bytes a terminal sends into console key events: characters,
// control keys, the escape sequences of cursor and function keys, and UTF-8
// text (as Windows-1252 bytes). Pure: the console feeds it what it reads and
// tells it when the escape timeout ran out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace dkposix {

// dwControlKeyState bits and the virtual keys winapi.h leaves out.
constexpr winapi::DWORD kLeftAltPressed = 0x0002;
constexpr winapi::DWORD kLeftCtrlPressed = 0x0008;
constexpr winapi::DWORD kShiftPressed = 0x0010;
constexpr winapi::DWORD kEnhancedKey = 0x0100;
constexpr winapi::WORD kVkTab = 0x09;
constexpr winapi::WORD kVkSpace = 0x20;

class KeyDecoder {
 public:
  // Decodes bytes, appending the events they complete to keys. A sequence cut
  // between two calls is carried over to the next.
  void Feed(const uint8_t *bytes, size_t count, std::vector<winapi::INPUT_RECORD> &keys);

  // No byte came within the escape timeout: a lone ESC becomes the Escape
  // key, any other unfinished sequence is dropped.
  void Expire(std::vector<winapi::INPUT_RECORD> &keys);

  // True while a sequence waits for more bytes (the reader then waits only
  // for the escape timeout).
  bool Pending() const { return state_ != State::kGround; }

  // The last cursor position report (ESC [ row ; column R) seen, zero-based,
  // taken once.
  std::optional<winapi::COORD> TakeCursorReport();

 private:
  enum class State { kGround, kEscape, kCsi, kCsiIgnored, kSs3, kLinuxFunction, kUtf8 };

  void Ground(uint8_t byte, std::vector<winapi::INPUT_RECORD> &keys);
  void Escape(uint8_t byte, std::vector<winapi::INPUT_RECORD> &keys);
  void Csi(uint8_t byte, std::vector<winapi::INPUT_RECORD> &keys);
  void DispatchCsi(uint8_t final, std::vector<winapi::INPUT_RECORD> &keys);
  void Utf8(uint8_t byte, std::vector<winapi::INPUT_RECORD> &keys);

  State state_ = State::kGround;
  std::string csi_;         // parameter and intermediate bytes of a CSI sequence
  char32_t codePoint_ = 0;  // UTF-8 character under way
  int utf8Needed_ = 0;
  int utf8Length_ = 0;
  std::optional<winapi::COORD> cursorReport_;
};

}  // namespace dkposix
