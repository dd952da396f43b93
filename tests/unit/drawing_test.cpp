// Drawing defaults: the trace lines of one priming, the pen width from the
// device's resolution, and the pens and brushes really being freed.
#include "printer/drawing.h"

#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "printer/print_state.h"
#include "tests/unit/support/fixture.h"

namespace {

// Upper-case hexadecimal of the low 32 bits, as trace lines write numbers.
std::string TraceHex(uint64_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%" PRIX32, static_cast<uint32_t>(value));
  return text;
}
std::string TraceHex(const void *pointer) {
  return TraceHex(reinterpret_cast<uintptr_t>(pointer));
}

// A handle as the fake's call texts show it.
std::string CallHex(const void *handle) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%" PRIxPTR, reinterpret_cast<uintptr_t>(handle));
  return text;
}

// The lines of the one trace file the fake holds, without their CR LF.
std::vector<std::string> TraceLines(const fake::Platform &fp) {
  std::vector<std::string> lines;
  if (fp.files.size() != 1) {
    ADD_FAILURE() << fp.files.size() << " trace files";
    return lines;
  }
  const std::string &bytes = fp.files.begin()->second.bytes;
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(bytes.substr(start, end - start));
  }
  EXPECT_EQ(start, bytes.size()) << "text after the last CR LF";
  return lines;
}

// What the core handed to ExtCreatePen, and what SelectObject gave back.
struct PenMade {
  DWORD style;
  DWORD width;
  const void *brushAddress;
  LOGBRUSH brush;
  DWORD styleCount;
  const DWORD *styles;
  HPEN pen;
};
struct Selection {
  HGDIOBJ object;
  HGDIOBJ previous;
};

std::vector<PenMade> *g_pens = nullptr;
std::vector<Selection> *g_selections = nullptr;

HPEN WatchedExtCreatePen(DWORD style, DWORD width, const LOGBRUSH *brush, DWORD styleCount,
                         const DWORD *styles) {
  HPEN pen = fake::Platform::Table()->ExtCreatePen(style, width, brush, styleCount, styles);
  g_pens->push_back({style, width, brush, *brush, styleCount, styles, pen});
  return pen;
}

HGDIOBJ WatchedSelectObject(HDC dc, HGDIOBJ object) {
  HGDIOBJ previous = fake::Platform::Table()->SelectObject(dc, object);
  g_selections->push_back({object, previous});
  return previous;
}

// A primed-to-be device context of a 203 dpi printer, the library's defaults
// in place, and a watch on the pens made and the objects selected.
class DrawingTest : public CoreTest {
 protected:
  DrawingTest() {
    g_pens = &pens;
    g_selections = &selections;

    fp.AddPrinter("Receipt", 203);
    Print_Init();
    g_Print.PrinterDC = winapi::CreateDCA("WINSPOOL", "Receipt", nullptr, nullptr);
    fp.ClearCalls();
  }
  ~DrawingTest() override {
    g_pens = nullptr;
    g_selections = nullptr;
  }

  // Names of the object calls made, with their handle arguments.
  std::vector<std::string> ObjectCalls() const {
    std::vector<std::string> texts;
    for (const fake::Call &call : fp.Calls()) {
      if (call.name == "SelectObject" || call.name == "DeleteObject" ||
          call.name == "ExtCreatePen" || call.name == "CreateSolidBrush" ||
          call.name == "DeleteDC") {
        texts.push_back(call.name == "ExtCreatePen" || call.name == "CreateSolidBrush"
                            ? call.name
                            : call.Text());
      }
    }
    return texts;
  }

  OverriddenPlatform overrides{[](PlatformApi &api) {
    api.ExtCreatePen = &WatchedExtCreatePen;
    api.SelectObject = &WatchedSelectObject;
  }};
  std::vector<PenMade> pens;
  std::vector<Selection> selections;
};

TEST_F(DrawingTest, OnePrimingTracesElevenLinesInOrder) {
  g_Print.TextAlign = 0x18;
  g_Print.BkMode = OPAQUE;
  g_Print.LineColor = 0xABCDEF;
  g_Print.LineWidth = 2.5f;  // the field rounds to 2; at 203 dpi the pen is 20 pixels
  g_Print.BrushColor = 0x123456;
  Print_SetTrace(1);
  const std::string dc = TraceHex(g_Print.PrinterDC);

  EXPECT_EQ(Print_ApplyDefaults(), 0);
  const HBRUSH brush = g_Print.BrushHandle;
  Print_Release();

  ASSERT_EQ(pens.size(), 2u);
  // A fresh device context reports left-top alignment and opaque background
  // as its previous settings.
  const std::vector<std::string> expected = {
      "Print_SetTextAlign(18)",
      "SetTextAlign_(" + dc + ",18)=0",
      "Print_SetBkMode(2)",
      "SetBkMode_(" + dc + ",2)=2",
      "Print_SetLineColor(ABCDEF)",
      "Print_CreatePen(12200,2,ABCDEF,0,0)",
      "ExtCreatePen_(12200,14," + TraceHex(pens[0].brushAddress) + ",0,0)=" + TraceHex(pens[0].pen),
      "Print_CreateBrush(123456)",
      "CreateSolidBrush_(123456)=" + TraceHex(brush),
      "Print_CreatePen(12200,2,ABCDEF,0,0)",
      "ExtCreatePen_(12200,14," + TraceHex(pens[1].brushAddress) + ",0,0)=" + TraceHex(pens[1].pen),
  };
  EXPECT_EQ(TraceLines(fp), expected);

  for (const PenMade &made : pens) {
    EXPECT_EQ(made.brush.lbStyle, BS_SOLID);
    EXPECT_EQ(made.brush.lbColor, 0xABCDEFu);
    EXPECT_EQ(made.brush.lbHatch, 0u);
    EXPECT_EQ(made.styleCount, 0u);
    EXPECT_EQ(made.styles, nullptr);
  }
}

TEST_F(DrawingTest, DefaultStateTracesTheDefaultNumbers) {
  Print_SetTrace(1);
  Print_ApplyDefaults();
  Print_Release();
  const std::vector<std::string> lines = TraceLines(fp);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[0], "Print_SetTextAlign(0)");
  EXPECT_EQ(lines[2], "Print_SetBkMode(1)");
  EXPECT_EQ(lines[4], "Print_SetLineColor(0)");
  EXPECT_EQ(lines[5], "Print_CreatePen(12200,0,0,0,0)");
  EXPECT_EQ(lines[7], "Print_CreateBrush(0)");
  EXPECT_EQ(lines[9], "Print_CreatePen(12200,0,0,0,0)");
}

// ---- Pen width --------------------------------------------------------------

struct WidthCase {
  const char *label;
  DWORD style;
  float width;
  int unit;
  int dpi;
  DWORD pixels;
  int resolutionQueries;
};

std::ostream &operator<<(std::ostream &out, const WidthCase &c) {
  return out << c.label;
}

constexpr DWORD kGeometric = PS_GEOMETRIC | PS_JOIN_MITER | PS_ENDCAP_FLAT | PS_SOLID;
constexpr DWORD kCosmetic = PS_COSMETIC | PS_SOLID;

const WidthCase kWidthCases[] = {
    // 0.2 mm at the common printer resolutions.
    {"mm_72dpi", kGeometric, 0.2f, 2, 72, 1, 1},
    {"mm_96dpi", kGeometric, 0.2f, 2, 96, 1, 1},
    {"mm_180dpi", kGeometric, 0.2f, 2, 180, 1, 1},
    {"mm_203dpi", kGeometric, 0.2f, 2, 203, 2, 1},
    {"mm_300dpi", kGeometric, 0.2f, 2, 300, 2, 1},
    {"mm_360dpi", kGeometric, 0.2f, 2, 360, 3, 1},
    {"mm_600dpi", kGeometric, 0.2f, 2, 600, 5, 1},
    // 127 * 0.5 / 25.4 is a shade above 2.5 in double precision and exactly
    // 2.5 (so 2, to even) in single.
    {"mm_half_127dpi_in_double", kGeometric, 0.5f, 2, 127, 3, 1},
    // Halves go to the even neighbour.
    {"unit1_half_down_to_even", kGeometric, 1.0f, 1, 25, 2, 1},
    {"unit1_half_up_to_even", kGeometric, 1.0f, 1, 35, 4, 1},
    {"unit1_one_and_half", kGeometric, 1.0f, 1, 15, 2, 1},
    {"unit1_tenths", kGeometric, 1.0f, 1, 203, 20, 1},
    // Any other unit: the width itself, rounded, no resolution asked.
    {"unit0_rounds_to_zero", kGeometric, 0.2f, 0, 203, 0, 0},
    {"unit0_half_to_even", kGeometric, 2.5f, 0, 203, 2, 0},
    {"unit7_whole", kGeometric, 3.0f, 7, 203, 3, 0},
    // Width 0.0 (and NaN) is one pixel without a resolution query.
    {"zero_width", kGeometric, 0.0f, 2, 600, 1, 0},
    {"negative_zero_width", kGeometric, -0.0f, 2, 600, 1, 0},
    {"nan_width", kGeometric, std::nanf(""), 2, 600, 1, 0},
    // Cosmetic pens are one pixel wide; the resolution is still asked.
    {"cosmetic_wide", kCosmetic, 2.0f, 2, 600, 1, 1},
    {"cosmetic_dashed", PS_COSMETIC | 0x1, 2.0f, 1, 600, 1, 1},
    {"cosmetic_unit0", kCosmetic, 5.0f, 0, 600, 1, 0},
};

class PenWidthTest : public DrawingTest, public ::testing::WithParamInterface<WidthCase> {};

TEST_P(PenWidthTest, PixelWidthFromUnitAndResolution) {
  const WidthCase &c = GetParam();
  fp.AddPrinter("Sized", c.dpi);
  g_Print.PrinterDC = winapi::CreateDCA("WINSPOOL", "Sized", nullptr, nullptr);
  g_Print.Unit = c.unit;
  // Fields unlike every argument: the first trace line shows the fields,
  // the second the arguments the pen is made from.
  g_Print.PenStyle = PS_GEOMETRIC;
  g_Print.LineWidth = 7.0f;
  g_Print.LineColor = 0x123456;
  Print_SetTrace(1);
  fp.ClearCalls();

  HPEN pen = Print_CreatePen(c.style, c.width, 0x0000FF, 0, nullptr);

  ASSERT_EQ(pens.size(), 1u);
  EXPECT_NE(pen, nullptr);
  EXPECT_EQ(pens[0].style, c.style);
  EXPECT_EQ(pens[0].width, c.pixels);
  Print_Release();
  const std::vector<std::string> lines = TraceLines(fp);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Print_CreatePen(10000,7,123456,0,0)");
  const std::string made = "ExtCreatePen_(" + TraceHex(c.style) + "," + TraceHex(c.pixels) + ",";
  EXPECT_EQ(lines[1].rfind(made, 0), 0u) << lines[1];
  EXPECT_EQ(fp.CountOf("GetDeviceCaps"), c.resolutionQueries);
  for (const fake::Call &call : fp.CallsNamed("GetDeviceCaps")) {
    ASSERT_EQ(call.args.size(), 2u);
    EXPECT_EQ(call.args[1], "88");  // LOGPIXELSX
  }
}

INSTANTIATE_TEST_SUITE_P(Widths, PenWidthTest, ::testing::ValuesIn(kWidthCases),
                         [](const auto &info) { return std::string(info.param.label); });

// ---- Text alignment and background mode --------------------------------------

struct ResultCase {
  int64_t result;
  const char *text;
};

TEST_F(DrawingTest, BackgroundModeResultIsTracedInDecimal) {
  const ResultCase cases[] = {{10, "10"}, {-3, "-3"}, {0, "0"}, {INT_MIN, "-2147483648"}};
  Print_SetTrace(1);
  const std::string dc = TraceHex(g_Print.PrinterDC);
  for (const ResultCase &c : cases) {
    fp.Script("SetBkMode", {c.result, 0});
    EXPECT_EQ(Print_SetBkMode(OPAQUE), c.result);
  }
  Print_Release();
  const std::vector<std::string> lines = TraceLines(fp);
  ASSERT_EQ(lines.size(), 8u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(lines[2 * i], "Print_SetBkMode(1)");
    EXPECT_EQ(lines[2 * i + 1], "SetBkMode_(" + dc + ",2)=" + cases[i].text);
  }
}

TEST_F(DrawingTest, TextAlignResultIsTracedInHex) {
  const ResultCase cases[] = {{0x18, "18"}, {GDI_ERROR, "FFFFFFFF"}, {0, "0"}};
  Print_SetTrace(1);
  const std::string dc = TraceHex(g_Print.PrinterDC);
  for (const ResultCase &c : cases) {
    fp.Script("SetTextAlign", {c.result, 0});
    EXPECT_EQ(Print_SetTextAlign(6), static_cast<UINT>(c.result));
  }
  Print_Release();
  const std::vector<std::string> lines = TraceLines(fp);
  ASSERT_EQ(lines.size(), 6u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(lines[2 * i + 1], "SetTextAlign_(" + dc + ",6)=" + cases[i].text);
  }
}

TEST_F(DrawingTest, FirstLineTracesTheFieldWhileTheCallGetsTheArgument) {
  g_Print.TextAlign = 6;
  g_Print.BkMode = TRANSPARENT;
  Print_SetTrace(1);
  const std::string dc = TraceHex(g_Print.PrinterDC);

  Print_SetTextAlign(0x18);
  Print_SetBkMode(OPAQUE);
  // The fields change only through the state record's own operations.
  EXPECT_EQ(g_Print.TextAlign, 6u);
  EXPECT_EQ(g_Print.BkMode, TRANSPARENT);
  Print_Release();

  const std::vector<std::string> lines = TraceLines(fp);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Print_SetTextAlign(6)");
  EXPECT_EQ(lines[1].substr(0, lines[1].find('=')), "SetTextAlign_(" + dc + ",18)");
  EXPECT_EQ(lines[2], "Print_SetBkMode(1)");
  EXPECT_EQ(lines[3].substr(0, lines[3].find('=')), "SetBkMode_(" + dc + ",2)");
  EXPECT_EQ(fp.CallsNamed("SetTextAlign").at(0).args.at(1), "24");
  EXPECT_EQ(fp.CallsNamed("SetBkMode").at(0).args.at(1), "2");
}

TEST_F(DrawingTest, LineColourTracesTheColourItReplacesAndMakesANewPenEachTime) {
  g_Print.LineColor = 0x11;
  Print_SetTrace(1);
  HPEN first = Print_SetLineColor(0x22);
  HPEN second = Print_SetLineColor(0x22);
  EXPECT_EQ(g_Print.LineColor, 0x22u);
  EXPECT_NE(first, nullptr);
  EXPECT_NE(second, nullptr);
  EXPECT_NE(first, second);
  ASSERT_EQ(pens.size(), 2u);
  EXPECT_EQ(pens[0].brush.lbColor, 0x22u);
  Print_Release();

  const std::vector<std::string> lines = TraceLines(fp);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "Print_SetLineColor(11)");
  EXPECT_EQ(lines[1], "Print_CreatePen(12200,0,22,0,0)");
  EXPECT_EQ(lines[3], "Print_SetLineColor(22)");
}

// ---- Pens and brushes really freed ------------------------------------------

TEST_F(DrawingTest, NewObjectIsSelectedBeforeTheOldOneIsDeleted) {
  HPEN pen1 = Print_CreatePen(kGeometric, 0.2f, 0, 0, nullptr);
  HPEN pen2 = Print_CreatePen(kGeometric, 0.2f, 0, 0, nullptr);
  HBRUSH brush1 = Print_CreateBrush(0);
  HBRUSH brush2 = Print_CreateBrush(0xFF);
  const std::string dc = CallHex(g_Print.PrinterDC);

  EXPECT_EQ(ObjectCalls(), (std::vector<std::string>{
                               "ExtCreatePen",
                               "SelectObject(" + dc + "," + CallHex(pen1) + ")",
                               "DeleteObject(0x0)",
                               "ExtCreatePen",
                               "SelectObject(" + dc + "," + CallHex(pen2) + ")",
                               "DeleteObject(" + CallHex(pen1) + ")",
                               "CreateSolidBrush",
                               "SelectObject(" + dc + "," + CallHex(brush1) + ")",
                               "DeleteObject(0x0)",
                               "CreateSolidBrush",
                               "SelectObject(" + dc + "," + CallHex(brush2) + ")",
                               "DeleteObject(" + CallHex(brush1) + ")",
                           }));
  EXPECT_EQ(fp.LivePens(), 1);
  EXPECT_EQ(fp.LiveBrushes(), 1);
  EXPECT_EQ(g_Print.PenHandle, pen2);
  EXPECT_EQ(g_Print.BrushHandle, brush2);
}

TEST_F(DrawingTest, ReleaseSelectsTheOriginalsBackThenDeletesEverything) {
  Print_ApplyDefaults();
  ASSERT_EQ(selections.size(), 3u);  // pen, brush, second pen
  const HGDIOBJ originalPen = selections[0].previous;
  const HGDIOBJ originalBrush = selections[1].previous;
  const HPEN pen = g_Print.PenHandle;
  const HBRUSH brush = g_Print.BrushHandle;
  const std::string dc = CallHex(g_Print.PrinterDC);
  fp.ClearCalls();

  Print_Release();

  EXPECT_EQ(ObjectCalls(), (std::vector<std::string>{
                               "SelectObject(" + dc + "," + CallHex(originalPen) + ")",
                               "SelectObject(" + dc + "," + CallHex(originalBrush) + ")",
                               "DeleteObject(" + CallHex(pen) + ")",
                               "DeleteObject(" + CallHex(brush) + ")",
                               "DeleteDC(" + dc + ")",
                           }));
  EXPECT_EQ(fp.LivePens(), 0);
  EXPECT_EQ(fp.LiveBrushes(), 0);
  EXPECT_EQ(fp.LiveDCs(), 0);
  EXPECT_TRUE(fp.Violations().empty());
  EXPECT_EQ(g_Print.PenHandle, nullptr);
  EXPECT_EQ(g_Print.BrushHandle, nullptr);
  EXPECT_EQ(g_Print.PrinterDC, nullptr);
}

TEST_F(DrawingTest, FailedPenKeepsTheOldOneSelectedAndDeletesNothing) {
  HPEN kept = Print_CreatePen(kGeometric, 0.2f, 0, 0, nullptr);
  Print_SetTrace(1);
  fp.ClearCalls();  // also restarts the count of invocations
  fp.FailCall("ExtCreatePen", 1);

  EXPECT_EQ(Print_CreatePen(kGeometric, 0.2f, 0, 0, nullptr), nullptr);

  EXPECT_EQ(g_Print.PenHandle, kept);
  EXPECT_EQ(fp.CountOf("SelectObject"), 0);
  EXPECT_EQ(fp.CountOf("DeleteObject"), 0);
  EXPECT_EQ(fp.LivePens(), 1);
  Print_Release();
  const std::vector<std::string> lines = TraceLines(fp);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].substr(lines[1].size() - 2), "=0");
  EXPECT_EQ(fp.LivePens(), 0);
  EXPECT_TRUE(fp.Violations().empty());
}

TEST_F(DrawingTest, FailedBrushKeepsTheOldOneSelectedAndDeletesNothing) {
  HBRUSH kept = Print_CreateBrush(0x10);
  Print_SetTrace(1);
  fp.ClearCalls();
  fp.FailCall("CreateSolidBrush", 1);

  EXPECT_EQ(Print_CreateBrush(0x20), nullptr);

  EXPECT_EQ(g_Print.BrushHandle, kept);
  EXPECT_EQ(fp.CountOf("SelectObject"), 0);
  EXPECT_EQ(fp.CountOf("DeleteObject"), 0);
  Print_Release();
  EXPECT_EQ(TraceLines(fp),
            (std::vector<std::string>{"Print_CreateBrush(20)", "CreateSolidBrush_(20)=0"}));
  EXPECT_EQ(fp.LiveBrushes(), 0);
  EXPECT_TRUE(fp.Violations().empty());
}

TEST_F(DrawingTest, PrimingWithEveryCreationFailingLeavesNothingToFree) {
  fp.FailCall("ExtCreatePen", 1, true);
  fp.FailCall("CreateSolidBrush", 1, true);
  EXPECT_EQ(Print_ApplyDefaults(), 0);
  EXPECT_EQ(g_Print.PenHandle, nullptr);
  EXPECT_EQ(g_Print.BrushHandle, nullptr);
  EXPECT_EQ(fp.CountOf("SelectObject"), 0);
  EXPECT_EQ(fp.CountOf("DeleteObject"), 0);
  Print_Release();
  EXPECT_EQ(fp.LiveDCs(), 0);
  EXPECT_TRUE(fp.Violations().empty());
}

}  // namespace
