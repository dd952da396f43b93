// Real-time DLE (10) commands, FS (1C) commands and the one-byte controls
// FF and CAN. LF, CR and HT shape text lines and are handled by the decoder.
#include <cstring>

#include "tools/escpos/command_form.h"

namespace escpos {
namespace {

constexpr auto kKeeps = LineEffect::kKeepsLine;

Text StatusRequest(const unsigned char *p, ByteSpan) {
  static const char *const kWhat[] = {"printer", "off-line cause", "error cause",
                                      "paper roll sensor"};
  if (p[0] < 1 || p[0] > 4) return std::nullopt;
  return "real-time status request " + Number(p[0]) + " (" + kWhat[p[0] - 1] + ")";
}

Text Request(const unsigned char *p, ByteSpan) {
  if (p[0] == 1) return std::string("real-time request 1 (recover from error)");
  if (p[0] == 2) return std::string("real-time request 2 (recover, clearing buffers)");
  return std::nullopt;
}

// DLE DC4 1 m t: pin 2 (m 0) or pin 5 (m 1), on and off t x 100 ms.
Text RealTimePulse(const unsigned char *p, ByteSpan) {
  if (p[0] > 1 || p[1] < 1 || p[1] > 8) return std::nullopt;
  const std::string time = Number(p[1] * 100) + " ms";
  return std::string("real-time pulse pin ") + (p[0] == 0 ? "2" : "5") + ", on " + time + ", off " +
         time;
}

// DLE DC4 2 1 8.
Text PowerOff(const unsigned char *p, ByteSpan) {
  if (p[0] != 1 || p[1] != 8) return std::nullopt;
  return std::string("real-time power off");
}

// DLE DC4 8 1 3 20 1 6 2 8.
Text ClearBuffers(const unsigned char *p, ByteSpan) {
  static const unsigned char kFixed[] = {1, 3, 20, 1, 6, 2, 8};
  if (std::memcmp(p, kFixed, sizeof kFixed) != 0) return std::nullopt;
  return std::string("real-time clear buffers");
}

Text NvImage(const unsigned char *p, ByteSpan) {
  return Prefixed(("print NV bit image " + Number(p[0]) + ", ").c_str(),
                  Choice(p[1], {"normal", "double width", "double height", "quadruple"}));
}

}  // namespace

const std::vector<CommandForm> &OtherCommands() {
  static const std::vector<CommandForm> kForms = {
      {"\020\004", "DLE EOT", 1, kKeeps, StatusRequest},
      {"\020\005", "DLE ENQ", 1, kKeeps, Request},
      {"\020\024\001", "DLE DC4", 2, kKeeps, RealTimePulse},
      {"\020\024\002", "DLE DC4", 2, kKeeps, PowerOff},
      {"\020\024\010", "DLE DC4", 7, kKeeps, ClearBuffers},
      {"\034&", "FS &", 0, kKeeps,
       [](const unsigned char *, ByteSpan) -> Text { return std::string("kanji mode on"); }},
      {"\034.", "FS .", 0, kKeeps,
       [](const unsigned char *, ByteSpan) -> Text { return std::string("kanji mode off"); }},
      {"\034p", "FS p", 2, kKeeps, NvImage},
      {"\014", "FF", 0, LineEffect::kPrintsLine,
       [](const unsigned char *, ByteSpan) -> Text { return std::string("form feed"); }},
      {"\030", "CAN", 0, kKeeps,
       [](const unsigned char *, ByteSpan) -> Text { return std::string("cancel page data"); }},
  };
  return kForms;
}

}  // namespace escpos
