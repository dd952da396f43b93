// How the decoder knows a command: its leading bytes, how many parameter
// bytes follow, how long its data is and how it reads in the transcript.
// One table per command family (esc_commands.cpp, gs_commands.cpp,
// other_commands.cpp) lists these forms.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace escpos {

// The part of the printer's state the transcript depends on.
struct PrinterState {
  int codeTable = 0;  // ESC t; 0 is code page 437
};

// What a command does to the text line being assembled.
enum class LineEffect {
  kKeepsLine,   // text before it and after it share one printed line
  kPrintsLine,  // prints the buffered line (ESC d, ESC J, FF)
  kClearsLine,  // throws the buffered line away (ESC @)
};

// The bytes after a command's fixed parameters, up to the end of the input.
struct ByteSpan {
  const unsigned char *data;
  size_t size;
};

// How many data bytes follow the fixed parameters.
struct DataLength {
  enum Status { kKnown, kTruncated, kInvalid } status;
  size_t length;
};

struct CommandForm {
  // Lead byte and code bytes, e.g. "\033a" for ESC a. Written with octal
  // escapes (ESC \033, GS \035, DLE \020, FS \034): a hex escape would run on
  // into a following letter such as the E of ESC E. Never holds NUL.
  const char *prefix;
  const char *name;  // how the transcript names it, e.g. "ESC a"
  size_t params;     // fixed parameter bytes after the prefix
  LineEffect effect;
  // The text of its event, or nothing when a parameter is out of range.
  std::optional<std::string> (*describe)(const unsigned char *params, ByteSpan data);
  // Data after the parameters; nullptr when the command has none.
  DataLength (*dataLength)(const unsigned char *params, ByteSpan rest) = nullptr;
  // The state change the command makes, applied once it is decoded.
  void (*update)(PrinterState &state, const unsigned char *params) = nullptr;
};

const std::vector<CommandForm> &EscCommands();
const std::vector<CommandForm> &GsCommands();
// DLE (real-time), FS and the one-byte controls FF and CAN.
const std::vector<CommandForm> &OtherCommands();

// Helpers the tables share.

using Text = std::optional<std::string>;

std::string Number(unsigned n);
std::string Hex(unsigned char n);  // "0x38"

// "1 line", "3 lines": a count and its unit.
std::string Count(unsigned long long n, const char *unit);

// label + choice, or nothing when the choice is out of range.
Text Prefixed(const char *label, Text choice);

inline unsigned Word(const unsigned char *lowHigh) {
  return lowHigh[0] | (lowHigh[1] << 8);
}

inline const char *OnOff(unsigned char n) {
  return (n & 1) ? "on" : "off";
}

// The name of choice n where the printer takes both n and the ASCII digit
// n + 48 ('0', '1', ...); nothing when n is out of range.
Text Choice(unsigned char n, std::initializer_list<const char *> names);

// DataLength for a count of bytes that must all be present.
DataLength Counted(unsigned long long count, ByteSpan rest);

}  // namespace escpos
