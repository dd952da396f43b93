// Code page 437, the character table a receipt printer selects after power-on
// or ESC @ (ESC t 0), mapped to UTF-8 for the transcript.
#pragma once

#include <string>

namespace escpos {

// Appends the UTF-8 form of a byte from the upper half (0x80-0xFF) of code
// page 437 to out.
void AppendCp437(unsigned char byte, std::string &out);

}  // namespace escpos
