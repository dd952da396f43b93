// ESC (1B) commands, as Epson's ESC/POS command reference defines them.
#include "tools/escpos/command_form.h"
#include "tools/escpos/text_format.h"

namespace escpos {
namespace {

constexpr auto kKeeps = LineEffect::kKeepsLine;
constexpr auto kPrints = LineEffect::kPrintsLine;

Text PrintMode(const unsigned char *p, ByteSpan) {
  std::string line = "print mode " + Hex(p[0]) + ((p[0] & 0x01) ? " (font B" : " (font A");
  if (p[0] & 0x08) line += ", emphasized";
  if (p[0] & 0x10) line += ", double height";
  if (p[0] & 0x20) line += ", double width";
  if (p[0] & 0x80) line += ", underline";
  return line + ")";
}

Text Pulse(const unsigned char *p, ByteSpan) {
  const Text pin = Choice(p[0], {"2", "5"});
  if (!pin) return std::nullopt;
  return "drawer pulse pin " + *pin + ", on " + Number(p[1] * 2) + " ms, off " + Number(p[2] * 2) +
         " ms";
}

Text CodeTable(const unsigned char *p, ByteSpan) {
  const char *name = nullptr;
  switch (p[0]) {
    case 0:
      name = "PC437";
      break;
    case 1:
      name = "Katakana";
      break;
    case 2:
      name = "PC850";
      break;
    case 3:
      name = "PC860";
      break;
    case 4:
      name = "PC863";
      break;
    case 5:
      name = "PC865";
      break;
    case 16:
      name = "WPC1252";
      break;
    case 17:
      name = "PC866";
      break;
    case 18:
      name = "PC852";
      break;
    case 19:
      name = "PC858";
      break;
    case 254:
    case 255:
      name = "space page";
      break;
  }
  std::string line = "code table " + Number(p[0]);
  return name != nullptr ? line + " (" + name + ")" : line;
}

Text InternationalSet(const unsigned char *p, ByteSpan) {
  static const char *const kNames[] = {
      "USA",        "France",   "Germany",       "UK",    "Denmark I",
      "Sweden",     "Italy",    "Spain I",       "Japan", "Norway",
      "Denmark II", "Spain II", "Latin America", "Korea", "Slovenia/Croatia",
      "China",      "Vietnam",  "Arabia"};
  if (p[0] >= sizeof kNames / sizeof kNames[0]) return std::nullopt;
  return "international set " + Number(p[0]) + " (" + kNames[p[0]] + ")";
}

Text Font(const unsigned char *p, ByteSpan) {
  if (p[0] == 97) return std::string("font special A");
  if (p[0] == 98) return std::string("font special B");
  const Text font = Choice(p[0], {"A", "B", "C", "D", "E"});
  if (!font) return std::nullopt;
  return "font " + *font;
}

Text BitImage(const unsigned char *p, ByteSpan) {
  const char *density = p[0] == 0    ? "8-dot single density"
                        : p[0] == 1  ? "8-dot double density"
                        : p[0] == 32 ? "24-dot single density"
                                     : "24-dot double density";
  return "bit image " + std::string(density) + ", " + Count(Word(p + 1), "column");
}

DataLength BitImageData(const unsigned char *p, ByteSpan rest) {
  const unsigned columns = Word(p + 1);
  if (p[0] == 0 || p[0] == 1) return Counted(columns, rest);
  if (p[0] == 32 || p[0] == 33) return Counted(3ull * columns, rest);
  return {DataLength::kInvalid, 0};
}

// ESC & y c1 c2, then for each character from c1 to c2 a width x and
// y * x bytes of dots.
DataLength UserCharactersData(const unsigned char *p, ByteSpan rest) {
  const unsigned height = p[0];
  const unsigned first = p[1];
  const unsigned last = p[2];
  if (height < 1 || height > 3 || first < 32 || first > last || last > 126) {
    return {DataLength::kInvalid, 0};
  }
  size_t at = 0;
  for (unsigned code = first; code <= last; ++code) {
    if (at >= rest.size) return {DataLength::kTruncated, 0};
    const size_t dots = static_cast<size_t>(height) * rest.data[at];
    if (rest.size - at - 1 < dots) return {DataLength::kTruncated, 0};
    at += 1 + dots;
  }
  return {DataLength::kKnown, at};
}

Text UserCharacters(const unsigned char *p, ByteSpan) {
  return "define user-defined characters " + Hex(p[1]) + ".." + Hex(p[2]) + ", " + Number(p[0]) +
         " bytes high";
}

// ESC D n1 ... nk NUL, at most 32 tab positions.
DataLength TabStopsData(const unsigned char *, ByteSpan rest) {
  constexpr size_t kMostStops = 32;
  for (size_t i = 0; i <= kMostStops; ++i) {
    if (i == rest.size) return {DataLength::kTruncated, 0};
    if (rest.data[i] == 0) return {DataLength::kKnown, i + 1};
  }
  return {DataLength::kInvalid, 0};
}

Text TabStops(const unsigned char *, ByteSpan data) {
  if (data.size == 1) return std::string("tab stops cleared");
  std::string line = "tab stops";
  for (size_t i = 0; i + 1 < data.size; ++i) {
    line += (i == 0 ? " " : ", ") + Number(data.data[i]);
  }
  return line;
}

Text PageArea(const unsigned char *p, ByteSpan) {
  return "page area x " + Number(Word(p)) + ", y " + Number(Word(p + 2)) + ", width " +
         Number(Word(p + 4)) + ", height " + Number(Word(p + 6));
}

void SelectCodeTable(PrinterState &state, const unsigned char *p) {
  state.codeTable = p[0];
}
void Initialize(PrinterState &state, const unsigned char *) {
  state = PrinterState{};
}

}  // namespace

const std::vector<CommandForm> &EscCommands() {
  static const std::vector<CommandForm> kForms = {
      {"\033 ", "ESC SP", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "right-side spacing " + Count(p[0], "dot");
       }},
      {"\033!", "ESC !", 1, kKeeps, PrintMode},
      {"\033$", "ESC $", 2, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "absolute position " + Number(Word(p));
       }},
      {"\033%", "ESC %", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return std::string("user-defined characters ") + OnOff(p[0]);
       }},
      {"\033&", "ESC &", 3, kKeeps, UserCharacters, UserCharactersData},
      {"\033*", "ESC *", 3, kKeeps, BitImage, BitImageData},
      {"\033-", "ESC -", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) {
         return Prefixed("underline ", Choice(p[0], {"off", "1 dot", "2 dots"}));
       }},
      {"\0332", "ESC 2", 0, kKeeps,
       [](const unsigned char *, ByteSpan) -> Text { return std::string("line spacing default"); }},
      {"\0333", "ESC 3", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "line spacing " + Count(p[0], "dot");
       }},
      {"\033=", "ESC =", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "select peripheral device " + Number(p[0]);
       }},
      {"\033?", "ESC ?", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "cancel user-defined character " + Hex(p[0]);
       }},
      {"\033@", "ESC @", 0, LineEffect::kClearsLine,
       [](const unsigned char *, ByteSpan) -> Text { return std::string("initialize"); }, nullptr,
       Initialize},
      {"\033D", "ESC D", 0, kKeeps, TabStops, TabStopsData},
      {"\033E", "ESC E", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return std::string("emphasized ") + OnOff(p[0]);
       }},
      {"\033G", "ESC G", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return std::string("double-strike ") + OnOff(p[0]);
       }},
      {"\033J", "ESC J", 1, kPrints,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "print and feed " + Count(p[0], "dot");
       }},
      {"\033L", "ESC L", 0, kKeeps,
       [](const unsigned char *, ByteSpan) -> Text { return std::string("page mode"); }},
      {"\033M", "ESC M", 1, kKeeps, Font},
      {"\033R", "ESC R", 1, kKeeps, InternationalSet},
      {"\033S", "ESC S", 0, kKeeps,
       [](const unsigned char *, ByteSpan) -> Text { return std::string("standard mode"); }},
      {"\033T", "ESC T", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) {
         return Prefixed("page direction ", Choice(p[0], {"left to right", "bottom to top",
                                                          "right to left", "top to bottom"}));
       }},
      {"\033U", "ESC U", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return std::string("unidirectional printing ") + OnOff(p[0]);
       }},
      {"\033V", "ESC V", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) {
         return Prefixed("90-degree rotation ",
                         Choice(p[0], {"off", "on", "on (1.5-dot spacing)"}));
       }},
      {"\033W", "ESC W", 8, kKeeps, PageArea},
      {"\033\\", "ESC \\", 2, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         const int offset = static_cast<short>(Word(p));
         return std::string("relative position ") + (offset >= 0 ? "+" : "") +
                std::to_string(offset);
       }},
      {"\033a", "ESC a", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) {
         return Prefixed("justify ", Choice(p[0], {"left", "center", "right"}));
       }},
      {"\033c3", "ESC c 3", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text { return "paper-end sensors " + Hex(p[0]); }},
      {"\033c4", "ESC c 4", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "stop-printing sensors " + Hex(p[0]);
       }},
      {"\033c5", "ESC c 5", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return std::string("panel buttons ") + ((p[0] & 1) ? "disabled" : "enabled");
       }},
      {"\033d", "ESC d", 1, kPrints,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "print and feed " + Count(p[0], "line");
       }},
      {"\033e", "ESC e", 1, kPrints,
       [](const unsigned char *p, ByteSpan) -> Text {
         return "print and reverse feed " + Count(p[0], "line");
       }},
      {"\033i", "ESC i", 0, kKeeps,
       [](const unsigned char *, ByteSpan) -> Text { return std::string("partial cut"); }},
      {"\033m", "ESC m", 0, kKeeps,
       [](const unsigned char *, ByteSpan) -> Text {
         return std::string("partial cut (three points left uncut)");
       }},
      {"\033p", "ESC p", 3, kKeeps, Pulse},
      {"\033r", "ESC r", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) {
         return Prefixed("print color ", Choice(p[0], {"black", "red"}));
       }},
      {"\033t", "ESC t", 1, kKeeps, CodeTable, nullptr, SelectCodeTable},
      {"\033u", "ESC u", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         if (p[0] != 0 && p[0] != '0') return std::nullopt;
         return std::string("peripheral status request");
       }},
      {"\033v", "ESC v", 0, kKeeps,
       [](const unsigned char *, ByteSpan) -> Text {
         return std::string("paper sensor status request");
       }},
      {"\033{", "ESC {", 1, kKeeps,
       [](const unsigned char *p, ByteSpan) -> Text {
         return std::string("upside-down ") + OnOff(p[0]);
       }},
      {"\033\014", "ESC FF", 0, kPrints,
       [](const unsigned char *, ByteSpan) -> Text { return std::string("print page data"); }},
  };
  return kForms;
}

}  // namespace escpos
