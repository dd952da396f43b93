// GS (1D) commands, as Epson's ESC/POS command reference defines them.
#include "tools/escpos/command_form.h"
#include "tools/escpos/text_format.h"

namespace escpos {
namespace {

constexpr auto kKeeps = LineEffect::kKeepsLine;

Text CharacterSize(const unsigned char *p, ByteSpan) {
  const unsigned width = (p[0] >> 4) + 1;
  const unsigned height = (p[0] & 0x0F) + 1;
  if (width > 8 || height > 8) return std::nullopt;
  return "character size width " + Number(width) + ", height " + Number(height);
}

// GS V m, or GS V m n for the forms that feed before cutting.
DataLength CutData(const unsigned char *p, ByteSpan rest) {
  switch (p[0]) {
    case 0:
    case 1:
    case 48:
    case 49:
      return {DataLength::kKnown, 0};
    case 65:
    case 66:
    case 97:
    case 98:
    case 103:
    case 104:
      return Counted(1, rest);
    default:
      return {DataLength::kInvalid, 0};
  }
}

// Function A (0, 1, 48, 49) cuts; B (65, 66) feeds n units and cuts; C (97,
// 98) sets the cut to happen after n more units; D (103, 104) feeds, cuts
// and feeds back. Odd codes of B, C and D cut fully, even ones partially.
Text Cut(const unsigned char *p, ByteSpan data) {
  if (p[0] == 0 || p[0] == 48) return std::string("full cut");
  if (p[0] == 1 || p[0] == 49) return std::string("partial cut");
  const char *kind = (p[0] & 1) ? "full cut" : "partial cut";
  const std::string units = Count(data.data[0], "unit");
  if (p[0] <= 66) return "feed " + units + " and " + kind;
  if (p[0] <= 98) return std::string(kind) + " reserved after feed " + units;
  return "feed " + units + ", " + kind + ", feed to print start";
}

const char *BarcodeSystem(unsigned char m) {
  static const char *const kSystems[] = {"UPC-A", "UPC-E",   "EAN13",  "EAN8",   "CODE39",
                                         "ITF",   "CODABAR", "CODE93", "CODE128"};
  if (m <= 6) return kSystems[m];
  if (m >= 65 && m <= 73) return kSystems[m - 65];
  return nullptr;
}

// GS k m d1 ... dk NUL (m 0-6) or GS k m n d1 ... dn (m 65-73).
DataLength BarcodeData(const unsigned char *p, ByteSpan rest) {
  if (BarcodeSystem(p[0]) == nullptr) return {DataLength::kInvalid, 0};
  if (p[0] >= 65) {
    if (rest.size == 0) return {DataLength::kTruncated, 0};
    return Counted(1ull + rest.data[0], rest);
  }
  constexpr size_t kLongest = 255;
  for (size_t i = 0; i <= kLongest; ++i) {
    if (i == rest.size) return {DataLength::kTruncated, 0};
    if (rest.data[i] == 0) return {DataLength::kKnown, i + 1};
  }
  return {DataLength::kInvalid, 0};
}

Text Barcode(const unsigned char *p, ByteSpan data) {
  // Counted data starts with its count; terminated data ends with NUL.
  const unsigned char *digits = p[0] >= 65 ? data.data + 1 : data.data;
  return std::string("barcode ") + BarcodeSystem(p[0]) + " " + Quoted(digits, data.size - 1);
}

Text ImageScale(unsigned char m) {
  return Choice(m, {"normal", "double width", "double height", "quadruple"});
}

// GS v 0 m xL xH yL yH: x bytes a row, y rows.
DataLength RasterData(const unsigned char *p, ByteSpan rest) {
  if (!ImageScale(p[0])) return {DataLength::kInvalid, 0};
  return Counted(static_cast<unsigned long long>(Word(p + 1)) * Word(p + 3), rest);
}

Text Raster(const unsigned char *p, ByteSpan) {
  return "raster image " + *ImageScale(p[0]) + ", " + Number(Word(p + 1) * 8) + "x" +
         Number(Word(p + 3)) + " dots";
}

Text StatusRequest(const unsigned char *p, ByteSpan) {
  const char *what = nullptr;
  switch (p[0]) {
    case 1:
    case 49:
      what = "paper sensor";
      break;
    case 2:
    case 50:
      what = "drawer";
      break;
    case 4:
    case 52:
      what = "ink";
      break;
    default:
      return std::nullopt;
  }
  return "status request " + Number(p[0]) + " (" + what + ")";
}

// GS ( x pL pH followed by pL + pH * 256 bytes.
DataLength ExtendedData(const unsigned char *p, ByteSpan rest) {
  return Counted(Word(p), rest);
}

// GS 8 L p1 p2 p3 p4 followed by p1 + p2 * 256 + p3 * 65536 + p4 * 16777216 bytes.
DataLength LargeExtendedData(const unsigned char *p, ByteSpan rest) {
  return Counted(
      static_cast<unsigned long long>(Word(p)) | static_cast<unsigned long long>(Word(p + 2)) << 16,
      rest);
}

std::string ExtendedText(const char *label, ByteSpan data) {
  return std::string(label) + ", " + Count(data.size, "parameter byte");
}

#define DK_EXTENDED(code, label)                                                                \
  {                                                                                             \
    "\035(" code, "GS ( " code, 2, kKeeps,                                                      \
        [](const unsigned char *, ByteSpan data) -> Text { return ExtendedText(label, data); }, \
        ExtendedData                                                                            \
  }

}  // namespace

const std::vector<CommandForm> &GsCommands() {
  static const std::vector<CommandForm> kForms = {
      {"\035!", "GS !", 1, kKeeps, CharacterSize},
      {"\035$", "GS $", 2, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "absolute vertical position " + Number(Word(p));
       }},
      DK_EXTENDED("A", "test print"),
      DK_EXTENDED("C", "edit NV user memory"),
      DK_EXTENDED("D", "real-time command switch"),
      DK_EXTENDED("E", "user setup"),
      DK_EXTENDED("H", "process ID response"),
      DK_EXTENDED("K", "print control"),
      DK_EXTENDED("L", "graphics"),
      DK_EXTENDED("M", "customize"),
      DK_EXTENDED("N", "character effects"),
      DK_EXTENDED("k", "2D code"),
      {"\035*", "GS *", 2, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         if (p[0] == 0 || p[1] == 0) return std::nullopt;
         return "define downloaded bit image " + Number(p[0] * 8) + "x" + Number(p[1] * 8) +
                " dots";
       },
       [](const unsigned char *p, ByteSpan rest) { return Counted(8ull * p[0] * p[1], rest); }},
      {"\035/", "GS /", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) {
         return Prefixed("print downloaded bit image ", ImageScale(p[0]));
       }},
      {"\0358L", "GS 8 L", 4, kKeeps,
       [](const unsigned char *, ByteSpan data) -> Text {
         return ExtendedText("graphics (large)", data);
       },
       LargeExtendedData},
      {"\035:", "GS :", 0, kKeeps,
       [](const unsigned char *, ByteSpan) -> Text {
         return std::string("macro definition start/end");
       }},
      {"\035B", "GS B", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return std::string("reverse ") + OnOff(p[0]);
       }},
      {"\035H", "GS H", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) {
         return Prefixed("barcode text ",
                         Choice(p[0], {"hidden", "above", "below", "above and below"}));
       }},
      {"\035I", "GS I", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "printer ID request " + Number(p[0]);
       }},
      {"\035L", "GS L", 2, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text { return "left margin " + Number(Word(p)); }},
      {"\035P", "GS P", 2, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "motion units x " + Number(p[0]) + ", y " + Number(p[1]);
       }},
      {"\035V", "GS V", 1, kKeeps, Cut, CutData},
      {"\035W", "GS W", 2, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "print area width " + Number(Word(p));
       }},
      {"\035\\", "GS \\", 2, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         const int offset = static_cast<short>(Word(p));
         return std::string("relative vertical position ") + (offset >= 0 ? "+" : "") +
                std::to_string(offset);
       }},
      {"\035^", "GS ^", 3, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "run macro " + Count(p[0], "time") + ", wait " + Number(p[1] * 100) + " ms, mode " +
                Number(p[2]);
       }},
      {"\035a", "GS a", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "automatic status back " + Hex(p[0]);
       }},
      {"\035b", "GS b", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return std::string("smoothing ") + OnOff(p[0]);
       }},
      {"\035f", "GS f", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) {
         return Prefixed("barcode text font ", Choice(p[0], {"A", "B"}));
       }},
      {"\035h", "GS h", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "barcode height " + Count(p[0], "dot");
       }},
      {"\035k", "GS k", 1, kKeeps, Barcode, BarcodeData},
      {"\035r", "GS r", 1, kKeeps, StatusRequest},
      {"\035v0", "GS v 0", 5, kKeeps, Raster, RasterData},
      {"\035w", "GS w", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "barcode module width " + Number(p[0]);
       }},
  };
  return kForms;
}

#undef DK_EXTENDED

}  // namespace escpos
