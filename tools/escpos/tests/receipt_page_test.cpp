// receipts.html drawn from transcripts: what each transcript line becomes on
// the paper strip, and that the page stands on its own.
#include "tools/escpos/receipt_page.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/ticket.h"

namespace {

size_t Occurrences(const std::string &text, const std::string &needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

TEST(ReceiptPage, DrawsEachJobOfTheTicketAsAStrip) {
  const std::string job = std::string(kTicketTranscript);
  const std::string page = escpos::ReceiptPage("=== job 1 \"EPOS\" 89 bytes\n" + job +
                                               "=== job 2 \"EPOS\" 89 bytes\n" + job);
  EXPECT_EQ(Occurrences(page, "<section class=\"receipt\">"), 2u);
  EXPECT_NE(page.find("<h2>job 2 &quot;EPOS&quot; 89 bytes</h2>"), std::string::npos);
  EXPECT_EQ(Occurrences(page, "<div class=\"line\">Brevanti Limited   09284 31 26 48</div>"), 4u);
  EXPECT_EQ(Occurrences(page, "<div class=\"feed\" title=\"feed x4\" style=\"height:calc(4 "), 2u);
  EXPECT_EQ(Occurrences(page, "<div class=\"feed\" title=\"feed x8\" style=\"height:calc(8 "), 2u);
  EXPECT_EQ(Occurrences(page, "<div class=\"cut\" title=\"partial cut\">"), 2u);
  EXPECT_EQ(Occurrences(page,
                        "<div class=\"drawer\" data-pin=\"2\" data-on=\"64 ms\" "
                        "data-off=\"64 ms\">&#9889; cash drawer kick: drawer pulse pin 2, "
                        "on 64 ms, off 64 ms</div>"),
            2u);
  // In the order printed: the text, then the cut, the drawer mark last.
  const size_t text_at = page.find("Brevanti");
  EXPECT_LT(text_at, page.find("class=\"cut\""));
  EXPECT_LT(page.find("class=\"cut\""), page.find("class=\"drawer\""));
}

TEST(ReceiptPage, NeedsNothingFromElsewhere) {
  const std::string page =
      escpos::ReceiptPage(std::string("=== job 1 \"EPOS\" 89 bytes\n") + kTicketTranscript);
  EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
  for (const char *outside : {"<script", "<link", "@import", "url(", "src=", "http"}) {
    EXPECT_EQ(page.find(outside), std::string::npos) << outside;
  }
  EXPECT_NE(page.find("<title>Virtual receipt printer: 1 receipt</title>"), std::string::npos);
}

// One transcript line and the HTML it must draw.
TEST(ReceiptPage, DrawsEveryKindOfLine) {
  const std::string long_text(50, 'x');
  struct {
    std::string transcript;
    std::string expected;
  } const cases[] = {
      // Markup in printed text is text, and escapes read as the characters.
      {"text \"<b>&\\\"q\\\" \\\\\"", "<div class=\"line\">&lt;b&gt;&amp;&quot;q&quot; \\</div>"},
      // A tab moves to the next stop of 8; bytes outside ASCII stay in hex.
      {"text \"ab\\tc \\x1F\"", "<div class=\"line\">ab      c \\x1F</div>"},
      // Longer than the paper is wide: wrapped at the column width.
      {"text \"" + long_text + "\"", "<div class=\"line\">" + std::string(42, 'x') +
                                         "</div>\n<div class=\"line\">" + std::string(8, 'x') +
                                         "</div>"},
      // Characters of code page 437 count one column each.
      {"text \"" + std::string(41, 'x') + "\xc3\xa9\xc3\xa9\"",
       "<div class=\"line\">" + std::string(41, 'x') + "\xc3\xa9</div>\n<div class=\"line\">" +
           "\xc3\xa9</div>"},
      // A command inside a line: the line stays whole, the note follows it.
      {"text \"ab\" (continues)\nprint mode 0x08 (font A, emphasized)\ntext \"cd\"",
       "<div class=\"line\">abcd</div>\n<div class=\"note\">print mode 0x08 (font A, "
       "emphasized)</div>"},
      {"text \"ab\" (continues)\njustification center\nend of line",
       "<div class=\"line\">ab</div>\n<div class=\"note\">justification center</div>"},
      // Text that never reached the paper is struck through and says why.
      {"text \"gone\" (cleared by ESC @)",
       "<div class=\"unprinted\">gone</div>\n<div class=\"note\">cleared by ESC @</div>"},
      {"text \"left\" (unterminated)",
       "<div class=\"unprinted\">left</div>\n<div class=\"note\">unterminated</div>"},
      {"feed x2 (CR LF)", "<div class=\"feed\" title=\"feed x2 (CR LF)\" style=\"height:calc(2 "},
      {"full cut", "<div class=\"cut\" title=\"full cut\">"},
      {"feed 3 units and partial cut",
       "<div class=\"cut\" title=\"feed 3 units and partial cut\">"},
      {"real-time pulse pin 5, on 200 ms, off 200 ms",
       "<div class=\"drawer\" data-pin=\"5\" data-on=\"200 ms\" data-off=\"200 ms\">"},
      // What the decoder did not know is shown in hex, as in the transcript.
      {"unknown 1B 7F", "<div class=\"hex\">unknown 1B 7F</div>"},
      {"invalid ESC p: 1B 70 07 20 20", "<div class=\"hex\">invalid ESC p: 1B 70 07 20 20</div>"},
      {"truncated ESC p: 1B 70 30", "<div class=\"hex\">truncated ESC p: 1B 70 30</div>"},
  };
  for (const auto &c : cases) {
    const std::string page = escpos::ReceiptPage("=== job 9 \"t\" 1 byte\n" + c.transcript + "\n");
    EXPECT_NE(page.find(c.expected), std::string::npos) << "transcript:\n"
                                                        << c.transcript << "\npage:\n"
                                                        << page;
  }
}

TEST(ReceiptPage, KeepsLinesBeforeAnyJobAndSurvivesBrokenOnes) {
  const std::string page = escpos::ReceiptPage("text \"early\"\ntext \"no end quote\nfeed x\n");
  EXPECT_NE(page.find("<h2>before the first job</h2>"), std::string::npos);
  EXPECT_NE(page.find("<div class=\"line\">early</div>"), std::string::npos);
  EXPECT_NE(page.find("<div class=\"line\">no end quote</div>"), std::string::npos);
  EXPECT_NE(page.find("style=\"height:calc(0 "), std::string::npos);
  EXPECT_NE(escpos::ReceiptPage("").find("0 receipts"), std::string::npos);
}

}  // namespace
