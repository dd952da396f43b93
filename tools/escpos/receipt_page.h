// A picture of what the virtual printer printed: receipts.html, one strip of
// receipt paper a job, drawn from the transcript's lines. Text stands at the
// printer's column width in a monospace face, feeds are blank paper, a cut is
// a torn edge, a drawer pulse a mark naming its pin and times, and anything
// the decoder did not know is shown in hex as the transcript has it.
#pragma once

#include <string>

namespace escpos {

// Characters a line of font A holds on 80 mm paper (Epson TM-T88: 512 dots
// of 12-dot characters); longer text wraps, as the printer wraps it.
constexpr size_t kReceiptColumns = 42;

// The whole page for a transcript.log text: self-contained, with no script,
// no font or image from elsewhere.
std::string ReceiptPage(const std::string &transcript);

}  // namespace escpos
