// Turns the bytes sent to an ESC/POS receipt printer into a transcript that a
// person can read and a test can compare: one event a line, in the order the
// printer meets them.
//
// Line forms:
//   text "Brevanti Limited"          a printed line, ended by LF
//   text "..." (CR LF)               ... ended by CR LF
//   text "..." (CR)                  ... ended by a CR alone
//   text "..." (continues)           part of a line: a command that does not
//                                    print sits inside it
//   text "..." (printed by ESC d)    ... printed by a command other than LF
//   text "..." (cleared by ESC @)    ... discarded before it was printed
//   text "..." (unterminated)        ... still unprinted when the data ends
//   end of line, end of line (CR LF) the end of a line split by commands
//   feed x4, feed x2 (CR LF)         a run of empty lines (LF or CR LF each)
//   carriage return                  a CR alone that ends no text
//   <command with its parameters>    e.g. "partial cut",
//                                    "drawer pulse pin 2, on 64 ms, off 64 ms"
//   invalid ESC p: 1B 70 07 20 20    a command with a parameter out of range
//   truncated ESC p: 1B 70 30        a command cut off by the end of the data
//   unknown 1B 7F                    bytes the decoder does not know
//
// Inside quotes, bytes 0x80-0xFF are code page 437 in UTF-8 while code table 0
// is selected (the printer's default), \xNN under any other table; HT is \t,
// and " and \ are escaped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace escpos {

// The transcript lines, without line ends.
std::vector<std::string> Decode(std::string_view bytes);

// The same lines, each ended by '\n'.
std::string DecodeToText(std::string_view bytes);

}  // namespace escpos
