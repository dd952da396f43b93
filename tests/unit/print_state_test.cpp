// The printer library's state record: the defaults Print_Init sets and what
// Print_Release closes, in which order, and what it forgets.
#include "printer/print_state.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "printer/open_printer.h"
#include "tests/unit/support/fixture.h"

namespace {

// A handle as the fake shows it in a recorded call.
std::string Shown(const void *handle) {
  static const char kDigits[] = "0123456789abcdef";
  uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return "0x" + digits;
}

uint32_t BitsOf(float value) {
  uint32_t bits;
  static_assert(sizeof bits == sizeof value, "LineWidth is a 32-bit float");
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

void *Fake(uintptr_t value) {
  return reinterpret_cast<void *>(value);
}

class PrintLifecycle : public CoreTest {
 protected:
  // Print_Init, then an open printer with its device context, pen and brush.
  void OpenTill(bool tracing = false) {
    fp.AddPrinter("Till");
    fp.defaultPrinter = "Till";
    Print_Init();
    Print_SetTrace(tracing ? 1 : 0);
    ASSERT_NE(Print_OpenPrinter(), nullptr);
    ASSERT_NE(g_Print.Vantrel_PH, nullptr);
    ASSERT_NE(g_Print.PenHandle, nullptr);
    ASSERT_NE(g_Print.BrushHandle, nullptr);
    ASSERT_EQ(g_Print.TraceFile != nullptr, tracing);
  }

  void ExpectNothingHeld() {
    EXPECT_EQ(g_Print.Vantrel_PH, nullptr);
    EXPECT_EQ(g_Print.PrinterDC, nullptr);
    EXPECT_EQ(g_Print.PenHandle, nullptr);
    EXPECT_EQ(g_Print.BrushHandle, nullptr);
    EXPECT_EQ(g_Print.TraceFile, nullptr);
  }
};

TEST_F(PrintLifecycle, InitSetsTheDrawingDefaultsAndLeavesThePrinterAlone) {
  // Whatever the record held before: Init closes nothing and keeps the
  // printer name and the DEVMODE cache.
  BYTE *cache = static_cast<BYTE *>(std::calloc(64, 1));
  g_Print.PrinterName = "Kept";
  g_Print.DevMode = cache;
  g_Print.DevModeSize = 64;
  g_Print.Vantrel_PH = Fake(0x1234);
  g_Print.PrinterDC = Fake(0x2345);
  g_Print.PenHandle = Fake(0x3456);
  g_Print.BrushHandle = Fake(0x4567);
  g_Print.TraceFile = Fake(0x5678);
  g_Print.TraceOn = 1;
  g_Print.BkMode = 7;
  g_Print.Unit = 9;
  g_Print.LineColor = 0xFF;
  g_Print.BrushColor = 0xFF00;
  g_Print.TextAlign = 24;
  g_Print.PenStyle = 5;
  g_Print.LineWidth = 3.5f;

  EXPECT_EQ(Print_Init(), 0);

  EXPECT_TRUE(fp.Calls().empty()) << testing::PrintToString(fp.CallTexts());
  ExpectNothingHeld();
  EXPECT_EQ(BitsOf(g_Print.LineWidth), 0x3E4CCCCDu);
  EXPECT_EQ(g_Print.LineColor, 0u);
  EXPECT_EQ(g_Print.PenStyle, 0x12200u);
  EXPECT_EQ(g_Print.Unit, 2);
  EXPECT_EQ(g_Print.BrushColor, 0u);
  EXPECT_EQ(g_Print.TextAlign, 0u);
  EXPECT_EQ(g_Print.BkMode, 1);
  EXPECT_EQ(g_Print.TraceOn, 0);
  EXPECT_EQ(g_Print.PrinterName, "Kept");
  EXPECT_EQ(g_Print.DevMode, cache);
  EXPECT_EQ(g_Print.DevModeSize, 64);
}

TEST_F(PrintLifecycle, ReleaseRightAfterInitCallsNothing) {
  Print_Init();
  EXPECT_EQ(Print_Release(), 0);
  EXPECT_EQ(Print_Release(), 0);
  EXPECT_TRUE(fp.Calls().empty()) << testing::PrintToString(fp.CallTexts());
}

TEST_F(PrintLifecycle, ReleaseClosesInOrderAndLetsEveryObjectGo) {
  OpenTill(/*tracing=*/true);
  const HANDLE printer = g_Print.Vantrel_PH;
  const HDC dc = g_Print.PrinterDC;
  const HPEN pen = g_Print.PenHandle;
  const HBRUSH brush = g_Print.BrushHandle;
  const HANDLE trace = g_Print.TraceFile;
  const HGDIOBJ originalPen = g_Print.OriginalPen;
  const HGDIOBJ originalBrush = g_Print.OriginalBrush;
  ASSERT_NE(originalPen, nullptr);
  ASSERT_NE(originalBrush, nullptr);
  fp.ClearCalls();

  EXPECT_EQ(Print_Release(), 0);

  // The context gets its own objects back first, so that the library's pen
  // and brush are no longer selected when they are deleted; the trace file
  // is written out and closed last.
  const std::vector<std::string> expected = {
      "ClosePrinter(" + Shown(printer) + ")",
      "SelectObject(" + Shown(dc) + "," + Shown(originalPen) + ")",
      "SelectObject(" + Shown(dc) + "," + Shown(originalBrush) + ")",
      "DeleteObject(" + Shown(pen) + ")",
      "DeleteObject(" + Shown(brush) + ")",
      "DeleteDC(" + Shown(dc) + ")",
      "WriteFile",
      "CloseHandle(" + Shown(trace) + ")",
  };
  std::vector<std::string> seen = fp.CallTexts();
  for (std::string &text : seen) {
    if (text.rfind("WriteFile(" + Shown(trace) + ",", 0) == 0) text = "WriteFile";
  }
  EXPECT_EQ(seen, expected);

  ExpectNothingHeld();
  EXPECT_EQ(fp.OpenPrinters(), 0);
  EXPECT_EQ(fp.LiveDCs(), 0);
  EXPECT_EQ(fp.LivePens(), 0) << fp.LiveSummary();
  EXPECT_EQ(fp.LiveBrushes(), 0) << fp.LiveSummary();
  EXPECT_EQ(fp.OpenFiles(), 0);
  EXPECT_TRUE(fp.Violations().empty()) << testing::PrintToString(fp.Violations());

  // The line still waiting in the buffer reached the file before it closed.
  ASSERT_EQ(fp.files.size(), 1u);
  const std::string &log = fp.files.begin()->second.bytes;
  const std::string lastLine = log.substr(log.rfind("\r\n", log.size() - 3) + 2);
  EXPECT_EQ(lastLine.rfind("ExtCreatePen_(", 0), 0u) << log;
}

TEST_F(PrintLifecycle, ReleaseKeepsPrinterNameDevModeAndDrawingState) {
  OpenTill();
  const BYTE *cache = g_Print.DevMode;
  const LONG cacheSize = g_Print.DevModeSize;
  ASSERT_NE(cache, nullptr);

  Print_Release();

  EXPECT_EQ(g_Print.PrinterName, "Till");
  EXPECT_EQ(g_Print.DevMode, cache);
  EXPECT_EQ(g_Print.DevModeSize, cacheSize);
  EXPECT_EQ(BitsOf(g_Print.LineWidth), 0x3E4CCCCDu);
  EXPECT_EQ(g_Print.PenStyle, 0x12200u);
  EXPECT_EQ(g_Print.Unit, 2);
  EXPECT_EQ(g_Print.BkMode, 1);
  EXPECT_EQ(g_Print.TraceOn, 0);
}

TEST_F(PrintLifecycle, SecondReleaseCallsNothing) {
  OpenTill();
  Print_Release();
  fp.ClearCalls();

  Print_Release();

  EXPECT_TRUE(fp.Calls().empty()) << testing::PrintToString(fp.CallTexts());
  EXPECT_TRUE(fp.Violations().empty()) << testing::PrintToString(fp.Violations());
}

// A handle the platform refused to close is forgotten all the same, so that
// no later release closes it a second time.
class RefusedRelease : public PrintLifecycle, public testing::WithParamInterface<const char *> {};

TEST_P(RefusedRelease, ForgetsEveryHandleAllTheSame) {
  const char *refused = GetParam();
  OpenTill(/*tracing=*/true);
  fp.ClearCalls();
  fp.FailCall(refused, 1, /*fromThenOn=*/true);

  Print_Release();

  ASSERT_GE(fp.CountOf(refused), 1) << testing::PrintToString(fp.CallTexts());
  ExpectNothingHeld();
  fp.ClearCalls();
  Print_Release();
  EXPECT_TRUE(fp.Calls().empty()) << testing::PrintToString(fp.CallTexts());
}

INSTANTIATE_TEST_SUITE_P(EachCloseCall, RefusedRelease,
                         testing::Values("ClosePrinter", "SelectObject", "DeleteObject", "DeleteDC",
                                         "WriteFile", "CloseHandle"),
                         [](const testing::TestParamInfo<const char *> &info) {
                           return std::string(info.param);
                         });

}  // namespace
