#include "platform/posix/key_decoder.h"

#include <cstdlib>

#include "platform/posix/code_page.h"

namespace dkposix {
namespace {

using winapi::DWORD;
using winapi::INPUT_RECORD;
using winapi::WORD;

constexpr size_t kMaxCsiLength = 32;

INPUT_RECORD KeyRecord(WORD virtualKey, uint8_t character, DWORD controlKeys) {
  INPUT_RECORD record{};
  record.EventType = winapi::KEY_EVENT;
  winapi::KEY_EVENT_RECORD &key = record.Event.KeyEvent;
  key.bKeyDown = winapi::TRUE;
  key.wRepeatCount = 1;
  key.wVirtualKeyCode = virtualKey;
  key.uChar.UnicodeChar = 0;
  key.uChar.AsciiChar = static_cast<char>(character);
  key.dwControlKeyState = controlKeys;
  return record;
}

// The virtual key of a printable ASCII character on a US layout, where one is
// well known; other characters carry only their byte.
WORD VirtualKeyOfCharacter(uint8_t c, DWORD &controlKeys) {
  if (c >= 'a' && c <= 'z') return static_cast<WORD>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') {
    controlKeys |= kShiftPressed;
    return c;
  }
  if (c >= '0' && c <= '9') return c;
  if (c == ' ') return kVkSpace;
  return 0;
}

// xterm's modifier parameter: 1 + (shift 1 | alt 2 | ctrl 4).
DWORD ModifierKeys(int parameter) {
  DWORD keys = 0;
  if (parameter < 2) return keys;
  int bits = parameter - 1;
  if (bits & 1) keys |= kShiftPressed;
  if (bits & 2) keys |= kLeftAltPressed;
  if (bits & 4) keys |= kLeftCtrlPressed;
  return keys;
}

std::vector<int> ParseParameters(const std::string &text) {
  std::vector<int> values;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    std::string field = text.substr(start, end - start);
    values.push_back(field.empty() ? 0 : std::atoi(field.c_str()));
    start = end + 1;
  }
  return values;
}

// Keys sent as ESC [ n ~ by VT220-style terminals.
WORD TildeKey(int code) {
  switch (code) {
    case 1:
    case 7:
      return winapi::VK_HOME;
    case 2:
      return winapi::VK_INSERT;
    case 3:
      return winapi::VK_DELETE;
    case 4:
    case 8:
      return winapi::VK_END;
    case 5:
      return winapi::VK_PRIOR;
    case 6:
      return winapi::VK_NEXT;
    default:
      break;
  }
  if (code >= 11 && code <= 15) return static_cast<WORD>(winapi::VK_F1 + code - 11);
  if (code >= 17 && code <= 21) return static_cast<WORD>(winapi::VK_F1 + 5 + code - 17);
  if (code == 23 || code == 24) return static_cast<WORD>(winapi::VK_F1 + 10 + code - 23);
  return 0;
}

// Keys named by the final byte of ESC [ ... X or ESC O X.
WORD FinalByteKey(uint8_t final) {
  switch (final) {
    case 'A':
      return winapi::VK_UP;
    case 'B':
      return winapi::VK_DOWN;
    case 'C':
      return winapi::VK_RIGHT;
    case 'D':
      return winapi::VK_LEFT;
    case 'H':
      return winapi::VK_HOME;
    case 'F':
      return winapi::VK_END;
    case 'P':
    case 'Q':
    case 'S':
      return static_cast<WORD>(winapi::VK_F1 + (final - 'P'));
    default:
      return 0;
  }
}

bool IsEnhanced(WORD key) {
  return key >= winapi::VK_PRIOR && key <= winapi::VK_DELETE;
}

void AppendNamedKey(WORD key, DWORD controlKeys, std::vector<INPUT_RECORD> &keys) {
  if (key == 0) return;
  if (IsEnhanced(key)) controlKeys |= kEnhancedKey;
  keys.push_back(KeyRecord(key, 0, controlKeys));
}

}  // namespace

void KeyDecoder::Feed(const uint8_t *bytes, size_t count, std::vector<INPUT_RECORD> &keys) {
  for (size_t i = 0; i < count; ++i) {
    uint8_t byte = bytes[i];
    switch (state_) {
      case State::kGround:
        Ground(byte, keys);
        break;
      case State::kEscape:
        Escape(byte, keys);
        break;
      case State::kCsi:
        Csi(byte, keys);
        break;
      case State::kCsiIgnored:
        // The rest of a sequence too long to be a key, up to its final byte.
        if (byte >= 0x40 && byte <= 0x7E) {
          state_ = State::kGround;
        } else if (byte < 0x20) {
          state_ = State::kGround;
          Ground(byte, keys);
        }
        break;
      case State::kSs3:
        state_ = State::kGround;
        if (byte == 'R') {
          AppendNamedKey(static_cast<WORD>(winapi::VK_F1 + 2), 0, keys);
        } else if (byte >= 0x20) {
          AppendNamedKey(FinalByteKey(byte), 0, keys);
        } else {
          Ground(byte, keys);
        }
        break;
      case State::kLinuxFunction:
        state_ = State::kGround;
        if (byte >= 'A' && byte <= 'E') {
          AppendNamedKey(static_cast<WORD>(winapi::VK_F1 + (byte - 'A')), 0, keys);
        } else if (byte < 0x20) {
          Ground(byte, keys);
        }
        break;
      case State::kUtf8:
        Utf8(byte, keys);
        break;
    }
  }
}

void KeyDecoder::Expire(std::vector<INPUT_RECORD> &keys) {
  if (state_ == State::kEscape) keys.push_back(KeyRecord(winapi::VK_ESCAPE, 0x1B, 0));
  state_ = State::kGround;
  csi_.clear();
}

std::optional<winapi::COORD> KeyDecoder::TakeCursorReport() {
  std::optional<winapi::COORD> report = cursorReport_;
  cursorReport_.reset();
  return report;
}

void KeyDecoder::Ground(uint8_t byte, std::vector<INPUT_RECORD> &keys) {
  if (byte == 0x1B) {
    state_ = State::kEscape;
  } else if (byte == '\r' || byte == '\n') {
    keys.push_back(KeyRecord(winapi::VK_RETURN, '\r', 0));  // the Enter key either way
  } else if (byte == 0x7F || byte == 0x08) {
    keys.push_back(KeyRecord(winapi::VK_BACK, 0x08, 0));  // terminals send either for Backspace
  } else if (byte == '\t') {
    keys.push_back(KeyRecord(kVkTab, '\t', 0));
  } else if (byte == 0x00) {
    keys.push_back(KeyRecord('2', 0, kLeftCtrlPressed));  // Ctrl+@ / Ctrl+Space
  } else if (byte <= 0x1A) {
    keys.push_back(KeyRecord(static_cast<WORD>('A' + byte - 1), byte, kLeftCtrlPressed));
  } else if (byte < 0x20) {
    keys.push_back(KeyRecord(0, byte, kLeftCtrlPressed));  // Ctrl+\ ] ^ _
  } else if (byte < 0x80) {
    DWORD controlKeys = 0;
    WORD virtualKey = VirtualKeyOfCharacter(byte, controlKeys);
    keys.push_back(KeyRecord(virtualKey, byte, controlKeys));
  } else if (byte >= 0xC2 && byte <= 0xF4) {
    state_ = State::kUtf8;
    utf8Length_ = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
    utf8Needed_ = utf8Length_ - 1;
    codePoint_ = byte & (byte >= 0xF0 ? 0x07 : byte >= 0xE0 ? 0x0F : 0x1F);
  }
  // Other high bytes cannot start UTF-8 text: they are dropped.
}

void KeyDecoder::Escape(uint8_t byte, std::vector<INPUT_RECORD> &keys) {
  if (byte == '[') {
    state_ = State::kCsi;
    csi_.clear();
  } else if (byte == 'O') {
    state_ = State::kSs3;
  } else if (byte == 0x1B) {
    keys.push_back(KeyRecord(winapi::VK_ESCAPE, 0x1B, 0));  // a second ESC ends the first
  } else if (byte >= 0x20 && byte < 0x7F) {
    // ESC before a character is how terminals send Alt with that key.
    state_ = State::kGround;
    DWORD controlKeys = kLeftAltPressed;
    WORD virtualKey = VirtualKeyOfCharacter(byte, controlKeys);
    keys.push_back(KeyRecord(virtualKey, byte, controlKeys));
  } else {
    keys.push_back(KeyRecord(winapi::VK_ESCAPE, 0x1B, 0));
    state_ = State::kGround;
    Ground(byte, keys);
  }
}

void KeyDecoder::Csi(uint8_t byte, std::vector<INPUT_RECORD> &keys) {
  if (csi_.empty() && byte == '[') {
    state_ = State::kLinuxFunction;  // the Linux console's ESC [ [ A..E
  } else if (byte >= 0x20 && byte <= 0x3F) {
    csi_ += static_cast<char>(byte);
    if (csi_.size() > kMaxCsiLength) {
      state_ = State::kCsiIgnored;  // not a key: drop it
      csi_.clear();
    }
  } else if (byte >= 0x40 && byte <= 0x7E) {
    state_ = State::kGround;
    DispatchCsi(byte, keys);
  } else {
    state_ = State::kGround;  // broken sequence: drop it, keep the byte
    Ground(byte, keys);
  }
}

void KeyDecoder::DispatchCsi(uint8_t final, std::vector<INPUT_RECORD> &keys) {
  std::vector<int> parameters = ParseParameters(csi_);
  int first = parameters[0];
  DWORD controlKeys = parameters.size() > 1 ? ModifierKeys(parameters[1]) : 0;
  if (final == 'R') {
    // A cursor position report, 1-based; also what some terminals send for
    // Shift+F3, which is given up for it.
    if (parameters.size() == 2 && first > 0 && parameters[1] > 0) {
      cursorReport_ = winapi::COORD{static_cast<winapi::SHORT>(parameters[1] - 1),
                                    static_cast<winapi::SHORT>(first - 1)};
    }
  } else if (final == '~') {
    AppendNamedKey(TildeKey(first), controlKeys, keys);
  } else if (final == 'Z') {
    keys.push_back(KeyRecord(kVkTab, '\t', kShiftPressed));  // Shift+Tab
  } else {
    AppendNamedKey(FinalByteKey(final), controlKeys, keys);
  }
  csi_.clear();
}

void KeyDecoder::Utf8(uint8_t byte, std::vector<INPUT_RECORD> &keys) {
  if ((byte & 0xC0) != 0x80) {
    state_ = State::kGround;  // cut short: drop the character, keep the byte
    Ground(byte, keys);
    return;
  }
  codePoint_ = (codePoint_ << 6) | (byte & 0x3F);
  if (--utf8Needed_ > 0) return;
  state_ = State::kGround;
  static constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
  bool wellFormed = codePoint_ >= kSmallest[utf8Length_] && codePoint_ <= 0x10FFFF &&
                    !(codePoint_ >= 0xD800 && codePoint_ <= 0xDFFF);
  if (!wellFormed) return;
  // A character Windows-1252 lacks cannot reach an ANSI reader: skip it.
  if (std::optional<uint8_t> byteOf = UnicodeToCp1252(codePoint_)) {
    keys.push_back(KeyRecord(0, *byteOf, 0));
  }
}

}  // namespace dkposix
