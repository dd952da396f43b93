// The decoder against a table of byte strings and the transcripts they must
// give: every command family, text and line ends, code page 437, bad
// parameters, cut-off commands, unknown bytes and the tester's ticket.
#include "tools/escpos/decoder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

struct Case {
  const char *name;
  std::string bytes;
  std::string transcript;
};

// The tester's ticket: four feeds, the header twice with CR LF, eight feeds,
// ESC i and ESC p 0 32 32.
std::string Ticket() {
  const std::string header = "Brevanti Limited   09284 31 26 48\r\n";
  return "\n\n\n\n"s + header + header + "\n\n\n\n" + "\n\n\n\n" + "\x1bi"s + "\x1bp\x30\x20\x20"s;
}

const Case kCases[] = {
    {"Ticket", Ticket(),
     "feed x4\n"
     "text \"Brevanti Limited   09284 31 26 48\" (CR LF)\n"
     "text \"Brevanti Limited   09284 31 26 48\" (CR LF)\n"
     "feed x8\n"
     "partial cut\n"
     "drawer pulse pin 2, on 64 ms, off 64 ms\n"},
    {"Empty", "", ""},

    // Text and line ends.
    {"TextEndedByLf", "abc\n", "text \"abc\"\n"},
    {"TextEndedByCrLf", "abc\r\n", "text \"abc\" (CR LF)\n"},
    {"TextEndedByLoneCr", "abc\rdef\n", "text \"abc\" (CR)\ntext \"def\"\n"},
    {"LoneCrWithoutText", "\r\r\n", "carriage return\nfeed x1 (CR LF)\n"},
    {"FeedRunsSplitByLineEnd", "\n\n\r\n\r\n\n", "feed x2\nfeed x2 (CR LF)\nfeed x1\n"},
    {"FeedRunBrokenByCommand", "\n\n\x1b@\n", "feed x2\ninitialize\nfeed x1\n"},
    {"TextAtEndIsUnterminated", "\nabc", "feed x1\ntext \"abc\" (unterminated)\n"},
    {"TabAndEscapes", "a\tb\"c\\d\n", "text \"a\\tb\\\"c\\\\d\"\n"},
    {"CommandInsideLine",
     "Total: \x1b"
     "E\x01"
     "5.00\x1b"
     "E\x00\n"s,
     "text \"Total: \" (continues)\nemphasized on\ntext \"5.00\" (continues)\nemphasized off\n"
     "end of line\n"},
    {"CommandInsideLineEndedByCrLf", "a\x1bG\x01\r\n"s,
     "text \"a\" (continues)\ndouble-strike on\nend of line (CR LF)\n"},

    // Code page 437 and other tables.
    {"Cp437Letters",
     "Caf\x82 \x9c"
     "5 \xe1\xfe\xb0\n",
     "text \"Caf\xc3\xa9 \xc2\xa3"
     "5 \xc3\x9f\xe2\x96\xa0\xe2\x96\x91\"\n"},
    {"Cp437Ends", "\x80\xff\n", "text \"\xc3\x87\xc2\xa0\"\n"},
    {"OtherTableShowsHex", "\x1bt\x02\x82\n\x1b@\x82\n",
     "code table 2 (PC850)\ntext \"\\x82\"\ninitialize\ntext \"\xc3\xa9\"\n"},
    {"CodeTables", "\x1bt\x00\x1bt\x10\x1bt\x63"s,
     "code table 0 (PC437)\ncode table 16 (WPC1252)\ncode table 99\n"},

    // Cuts.
    {"EscICut", "\x1bi", "partial cut\n"},
    {"EscMCut", "\x1bm", "partial cut (three points left uncut)\n"},
    {"GsVFunctionA", "\x1dV\x00\x1dV0\x1dV\x01\x1dV1"s,
     "full cut\nfull cut\npartial cut\npartial cut\n"},
    {"GsVFunctionB", "\x1dV\x41\x05\x1dV\x42\x00"s,
     "feed 5 units and full cut\nfeed 0 units and partial cut\n"},
    {"GsVFunctionsCAndD", "\x1dV\x61\x03\x1dV\x62\x03\x1dV\x67\x10\x1dV\x68\x10"s,
     "full cut reserved after feed 3 units\npartial cut reserved after feed 3 units\n"
     "feed 16 units, full cut, feed to print start\n"
     "feed 16 units, partial cut, feed to print start\n"},
    {"GsVBadMode",
     "\x1dV\x07"
     "ab\n",
     "invalid GS V: 1D 56 07\ntext \"ab\"\n"},

    // Drawer pulses.
    {"PulsePins", "\x1bp\x00\x32\xfa\x1bp\x01\x01\x02\x1bp0\x00\x00\x1bp1\xff\xff"s,
     "drawer pulse pin 2, on 100 ms, off 500 ms\ndrawer pulse pin 5, on 2 ms, off 4 ms\n"
     "drawer pulse pin 2, on 0 ms, off 0 ms\ndrawer pulse pin 5, on 510 ms, off 510 ms\n"},
    {"PulseBadPin", "\x1bp\x02\x19\xfa\x1bp2  ",
     "invalid ESC p: 1B 70 02 19 FA\ninvalid ESC p: 1B 70 32 20 20\n"},
    {"RealTimePulse", "\x10\x14\x01\x00\x01\x10\x14\x01\x01\x08"s,
     "real-time pulse pin 2, on 100 ms, off 100 ms\nreal-time pulse pin 5, on 800 ms, off 800 "
     "ms\n"},
    {"RealTimePulseOutOfRange", "\x10\x14\x01\x00\x09\x10\x14\x01\x02\x01"s,
     "invalid DLE DC4: 10 14 01 00 09\ninvalid DLE DC4: 10 14 01 02 01\n"},
    {"OtherRealTimeFunctions",
     "\x10\x14\x02\x01\x08\x10\x14\x08\x01\x03\x14\x01\x06\x02\x08\x10\x14\x03"s,
     "real-time power off\nreal-time clear buffers\nunknown 10 14 03\n"},

    // Status requests.
    {"RealTimeStatus", "\x10\x04\x01\x10\x04\x02\x10\x04\x03\x10\x04\x04\x10\x04\x05",
     "real-time status request 1 (printer)\nreal-time status request 2 (off-line cause)\n"
     "real-time status request 3 (error cause)\nreal-time status request 4 (paper roll sensor)\n"
     "invalid DLE EOT: 10 04 05\n"},
    {"RealTimeRequest", "\x10\x05\x01\x10\x05\x02\x10\x05\x03",
     "real-time request 1 (recover from error)\nreal-time request 2 (recover, clearing buffers)\n"
     "invalid DLE ENQ: 10 05 03\n"},
    {"GsRStatus", "\x1dr\x01\x1dr2\x1dr\x04\x1dr\x03",
     "status request 1 (paper sensor)\nstatus request 50 (drawer)\nstatus request 4 (ink)\n"
     "invalid GS r: 1D 72 03\n"},
    {"EscUAndV", "\x1bu\x00\x1bv\x1bu\x05"s,
     "peripheral status request\npaper sensor status request\ninvalid ESC u: 1B 75 05\n"},

    // Printing and feeding.
    {"EscDPrintsLine",
     "abc\x1b"
     "d\x03",
     "text \"abc\" (printed by ESC d)\nprint and feed 3 lines\n"},
    {"EscJPrintsLine", "abc\x1bJ\x18", "text \"abc\" (printed by ESC J)\nprint and feed 24 dots\n"},
    {"EscEReverseFeed",
     "\x1b"
     "e\x02",
     "print and reverse feed 2 lines\n"},
    {"FormFeed", "abc\x0c", "text \"abc\" (printed by FF)\nform feed\n"},
    {"InitializeClearsLine", "abc\x1b@", "text \"abc\" (cleared by ESC @)\ninitialize\n"},
    {"PrintAfterSplitLineClosesIt",
     "a\x1b-\x01\x1b"
     "d\x01\n"s,
     "text \"a\" (continues)\nunderline 1 dot\nprint and feed 1 line\nfeed x1\n"},

    // Character and layout settings.
    {"Justification",
     "\x1b"
     "a\x00\x1b"
     "a\x01\x1b"
     "a2\x1b"
     "a\x03"s,
     "justify left\njustify center\njustify right\ninvalid ESC a: 1B 61 03\n"},
    {"EmphasisUsesLowBit",
     "\x1b"
     "E\x00\x1b"
     "E\x01\x1b"
     "E\xff"s,
     "emphasized off\nemphasized on\nemphasized on\n"},
    {"Underline", "\x1b-\x00\x1b-1\x1b-\x02\x1b-\x03"s,
     "underline off\nunderline 1 dot\nunderline 2 dots\ninvalid ESC -: 1B 2D 03\n"},
    {"PrintMode", "\x1b!\x00\x1b!\x39\x1b!\x80"s,
     "print mode 0x00 (font A)\nprint mode 0x39 (font B, emphasized, double height, double width)\n"
     "print mode 0x80 (font A, underline)\n"},
    {"LineSpacing",
     "\x1b"
     "2\x1b"
     "3\x1e",
     "line spacing default\nline spacing 30 dots\n"},
    {"InternationalSet", "\x1bR\x03\x1bR\x63",
     "international set 3 (UK)\ninvalid ESC R: 1B 52 63\n"},
    {"DoubleStrike", "\x1bG\x01\x1bG\x00"s, "double-strike on\ndouble-strike off\n"},
    {"Fonts", "\x1bM\x00\x1bM1\x1bMa\x1bM\x09"s,
     "font A\nfont B\nfont special A\ninvalid ESC M: 1B 4D 09\n"},
    {"CharacterSize", "\x1d!\x00\x1d!\x12\x1d!\x77\x1d!\x80"s,
     "character size width 1, height 1\ncharacter size width 2, height 3\n"
     "character size width 8, height 8\ninvalid GS !: 1D 21 80\n"},
    {"Reverse",
     "\x1d"
     "B\x01\x1d"
     "B\x00"s,
     "reverse on\nreverse off\n"},
    {"MoreEscSettings",
     "\x1b \x02\x1b$\x2c\x01\x1b%\x01\x1b=\x01\x1b?\x41\x1bL\x1bS\x1bT\x01\x1bU\x00\x1bV2"
     "\x1b\\\xf6\xff\x1br\x01\x1b{\x01\x1b\x0c"s,
     "right-side spacing 2 dots\nabsolute position 300\nuser-defined characters on\n"
     "select peripheral device 1\ncancel user-defined character 0x41\npage mode\nstandard mode\n"
     "page direction bottom to top\nunidirectional printing off\n"
     "90-degree rotation on (1.5-dot spacing)\nrelative position -10\nprint color red\n"
     "upside-down on\nprint page data\n"},
    {"PageArea", "\x1bW\x00\x00\x10\x00\x00\x02\x3f\x03"s,
     "page area x 0, y 16, width 512, height 831\n"},
    {"PaperSensorsAndPanel",
     "\x1b"
     "c3\x0f\x1b"
     "c4\x01\x1b"
     "c5\x01\x1b"
     "c9",
     "paper-end sensors 0x0F\nstop-printing sensors 0x01\npanel buttons disabled\n"
     "unknown 1B 63 39\n"},
    {"TabStops",
     "\x1b"
     "D\x08\x10\x00\x1b"
     "D\x00"
     "a\tb\n"s,
     "tab stops 8, 16\ntab stops cleared\ntext \"a\\tb\"\n"},
    {"UserCharacters",
     "\x1b&\x03\x41\x42\x01\xaa\xbb\xcc\x00"
     "x\n"s,
     "define user-defined characters 0x41..0x42, 3 bytes high\ntext \"x\"\n"},
    {"UserCharactersBadRange",
     "\x1b&\x03\x42\x41"
     "x\n",
     "invalid ESC &: 1B 26 03 42 41\ntext \"x\"\n"},
    {"BitImage",
     "\x1b*\x00\x02\x00\xff\x0f\x1b*\x21\x01\x00\x01\x02\x03"
     "x\n"s,
     "bit image 8-dot single density, 2 columns\nbit image 24-dot double density, 1 column\n"
     "text \"x\"\n"},
    {"BitImageBadMode",
     "\x1b*\x05\x01\x00"
     "x\n"s,
     "invalid ESC *: 1B 2A 05 01 00\ntext \"x\"\n"},

    // More GS commands.
    {"Barcodes",
     "\x1dk\x04"
     "AB-1\x00\x1dk\x49\x05{Babc\x1dk\x08"
     "x\n"s,
     "barcode CODE39 \"AB-1\"\nbarcode CODE128 \"{Babc\"\ninvalid GS k: 1D 6B 08\ntext \"x\"\n"},
    {"BarcodeSettings",
     "\x1dH\x02\x1d"
     "f1\x1dh\x50\x1dw\x03"s,
     "barcode text below\nbarcode text font B\nbarcode height 80 dots\nbarcode module width 3\n"},
    {"RasterImage",
     "\x1dv0\x00\x02\x00\x03\x00\x01\x02\x03\x04\x05\x06"
     "x\n"s,
     "raster image normal, 16x3 dots\ntext \"x\"\n"},
    {"RasterBadScale", "\x1dv0\x07\x01\x00\x01\x00"s, "invalid GS v 0: 1D 76 30 07 01 00 01 00\n"},
    {"TwoDCode",
     "\x1d(k\x04\x00\x31\x41\x32\x00"
     "x\n"s,
     "2D code, 4 parameter bytes\ntext \"x\"\n"},
    {"LargeGraphics",
     "\x1d"
     "8L\x03\x00\x00\x00\x30\x45\x01"s,
     "graphics (large), 3 parameter bytes\n"},
    {"DownloadedImage", "\x1d*\x01\x01\x01\x02\x03\x04\x05\x06\x07\x08\x1d/\x03\x1d*\x00\x01"s,
     "define downloaded bit image 8x8 dots\nprint downloaded bit image quadruple\n"
     "invalid GS *: 1D 2A 00 01\n"},
    {"MoreGsSettings",
     "\x1d$\x10\x00\x1d:\x1dI\x01\x1dL\x20\x00\x1dP\xb4\xb4\x1dW\x00\x02\x1d\\\x05\x00"
     "\x1d^\x02\x05\x00\x1d"
     "a\xff\x1d"
     "b\x01"s,
     "absolute vertical position 16\nmacro definition start/end\nprinter ID request 1\n"
     "left margin 32\nmotion units x 180, y 180\nprint area width 512\n"
     "relative vertical position +5\nrun macro 2 times, wait 500 ms, mode 0\n"
     "automatic status back 0xFF\nsmoothing on\n"},
    {"FsCommands", "\x1c&\x1c.\x1cp\x01\x00\x1cp\x01\x07"s,
     "kanji mode on\nkanji mode off\nprint NV bit image 1, normal\n"
     "invalid FS p: 1C 70 01 07\n"},
    {"CancelPageData", "ab\x18", "text \"ab\" (continues)\ncancel page data\n"},

    // Commands cut off by the end of the data.
    {"TruncatedPulse", "\x1bp0", "truncated ESC p: 1B 70 30\n"},
    {"TruncatedAfterText", "abc\x1bp0\x20",
     "text \"abc\" (continues)\ntruncated ESC p: 1B 70 30 20\n"},
    {"TruncatedLead", "\x1b", "truncated ESC: 1B\n"},
    {"TruncatedGsLead", "\x1d", "truncated GS: 1D\n"},
    {"TruncatedInsidePrefix",
     "\x1b"
     "c",
     "truncated ESC c: 1B 63\n"},
    {"TruncatedRealTimePrefix", "\x10\x14", "truncated DLE DC4: 10 14\n"},
    {"TruncatedRealTimePulse", "\x10\x14\x01\x00"s, "truncated DLE DC4: 10 14 01 00\n"},
    {"TruncatedCutFeed", "\x1dV\x42", "truncated GS V: 1D 56 42\n"},
    {"TruncatedBarcode",
     "\x1dk\x04"
     "AB",
     "truncated GS k: 1D 6B 04 41 42\n"},
    {"TruncatedTabStops",
     "\x1b"
     "D\x08\x10",
     "truncated ESC D: 1B 44 08 10\n"},
    {"TruncatedUserCharacters", "\x1b&\x03\x41\x41\x02\x01",
     "truncated ESC &: 1B 26 03 41 41 02 01\n"},
    {"TruncatedLongRaster", "\x1dv0\x00\x10\x00\x10\x00"s + std::string(20, '\xaa'),
     "truncated GS v 0: 1D 76 30 00 10 00 10 00 AA AA AA AA AA AA AA AA ... (28 bytes)\n"},
    {"TruncatedHugeGraphics",
     "\x1d"
     "8L\xff\xff\xff\xff\x30"s,
     "truncated GS 8 L: 1D 38 4C FF FF FF FF 30\n"},

    // Bytes the decoder does not know.
    {"UnknownEsc",
     "\x1b\x7f"
     "ab\n",
     "unknown 1B 7F\ntext \"ab\"\n"},
    {"UnknownGsAndFs", "\x1d\x99\x1c\x41"s, "unknown 1D 99\nunknown 1C 41\n"},
    {"UnknownExtended", "\x1d(Z\x01\x00"s, "unknown 1D 28 5A\nunknown 01\nunknown 00\n"},
    {"UnknownControlsSplitText",
     "ab\x07"
     "cd\x00\x7f\n"s,
     "text \"ab\" (continues)\nunknown 07\ntext \"cd\" (continues)\nunknown 00\nunknown 7F\n"
     "end of line\n"},
    {"EscBeforeLineFeed", "\x1b\n", "unknown 1B 0A\n"},
};

// Names the case in failure messages instead of dumping its bytes.
void PrintTo(const Case &c, std::ostream *os) {
  *os << c.name;
}

class DecoderTable : public testing::TestWithParam<Case> {};

TEST_P(DecoderTable, GivesTheTranscript) {
  EXPECT_EQ(escpos::DecodeToText(GetParam().bytes), GetParam().transcript);
}

INSTANTIATE_TEST_SUITE_P(Bytes, DecoderTable, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case> &info) { return info.param.name; });

TEST(DecoderTicket, IsEightyNineBytes) {
  EXPECT_EQ(Ticket().size(), 89u);
}

}  // namespace
