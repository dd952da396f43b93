// Small text helpers the transcript is written with.
#pragma once

#include <cstddef>
#include <string>

namespace escpos {

// "1B 70 30": bytes as upper-case hex pairs. Long runs are cut after a
// screenful and end with the total, e.g. "1D 76 30 00 ... (1030 bytes)".
std::string HexBytes(const unsigned char *bytes, size_t size);

// Appends one ASCII byte to a quoted string body: the quote and the
// backslash are escaped, HT shows as \t, other bytes outside 0x20-0x7E as \xNN.
void AppendQuoted(unsigned char byte, std::string &out);

// The bytes as a quoted string, e.g. barcode data: "\"{Babc\"".
std::string Quoted(const unsigned char *bytes, size_t size);

}  // namespace escpos
