// The fake GDI: printer DCs, selection, Windows' refusal to delete a
// selected object, stock objects and the devmode CreateDCA was given.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/fake/fake_platform.h"

namespace {

using namespace winapi;

HGDIOBJ StockPen() {
  return reinterpret_cast<HGDIOBJ>(0x8001);
}
HGDIOBJ StockBrush() {
  return reinterpret_cast<HGDIOBJ>(0x8002);
}

class FakeGdi : public ::testing::Test {
 protected:
  void SetUp() override {
    platform.AddPrinter("Receipt", 180);
    dc = CreateDCA("WINSPOOL", "Receipt", nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
  }

  HPEN Pen() {
    LOGBRUSH brush{BS_SOLID, 0, 0};
    return ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 2, &brush, 0, nullptr);
  }

  fake::Platform platform;
  HDC dc = nullptr;
};

TEST_F(FakeGdi, DcStartsWithStockObjectsAndDefaults) {
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 180);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 180);
  EXPECT_EQ(GetDeviceCaps(dc, 8), 0);
  EXPECT_EQ(SetTextAlign(dc, 24), 0u);
  EXPECT_EQ(SetTextAlign(dc, 0), 24u);
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(dc, OPAQUE), TRANSPARENT);
  HPEN pen = Pen();
  EXPECT_EQ(SelectObject(dc, pen), StockPen());
  HBRUSH brush = CreateSolidBrush(0);
  EXPECT_EQ(SelectObject(dc, brush), StockBrush());
  EXPECT_EQ(SelectObject(dc, StockBrush()), brush);
}

TEST_F(FakeGdi, SelectedObjectCannotBeDeleted) {
  HPEN pen = Pen();
  ASSERT_EQ(SelectObject(dc, pen), StockPen());
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_EQ(platform.LivePens(), 1);
  EXPECT_EQ(SelectObject(dc, StockPen()), pen);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_EQ(platform.LivePens(), 0);
  EXPECT_TRUE(platform.Violations().empty());
}

TEST_F(FakeGdi, DeletingTheDcReleasesItsSelections) {
  HBRUSH brush = CreateSolidBrush(0xFF);
  ASSERT_EQ(SelectObject(dc, brush), StockBrush());
  ASSERT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_EQ(platform.LiveSummary(), "printers=0 dcs=0 pens=0 brushes=0 files=0 modules=0");
}

TEST_F(FakeGdi, StockObjectsAreNeverDeletedOrCounted) {
  EXPECT_TRUE(DeleteObject(StockPen()));
  EXPECT_TRUE(DeleteObject(StockBrush()));
  EXPECT_EQ(SelectObject(dc, StockPen()), StockPen());
  EXPECT_EQ(platform.LivePens(), 0);
  EXPECT_EQ(platform.LiveBrushes(), 0);
}

TEST_F(FakeGdi, BadHandlesFailAndAreNoted) {
  HPEN pen = Pen();
  ASSERT_TRUE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_EQ(SelectObject(dc, pen), nullptr);
  EXPECT_FALSE(DeleteObject(nullptr));  // null: a failure, not a violation
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  ASSERT_TRUE(DeleteDC(dc));
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 0);
  EXPECT_EQ(SetTextAlign(dc, 0), GDI_ERROR);
  EXPECT_EQ(SetBkMode(dc, OPAQUE), 0);
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_EQ(platform.Violations(),
            (std::vector<std::string>{"DeleteObject(0x3001)", "SelectObject(0x3001)",
                                      "GetDeviceCaps(0x2001)", "SetTextAlign(0x2001)",
                                      "SetBkMode(0x2001)", "DeleteDC(0x2001)"}));
}

TEST_F(FakeGdi, PenNeedsABrushRecord) {
  EXPECT_EQ(ExtCreatePen(PS_GEOMETRIC, 2, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(platform.LivePens(), 0);
}

TEST_F(FakeGdi, CreateDcNeedsAKnownPrinterAndKeepsItsDevmode) {
  EXPECT_EQ(CreateDCA("WINSPOOL", "Other", nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
  EXPECT_FALSE(platform.LastCreateDcHadDevmode());
  platform.AddPrinter("Wide", 203, 180);
  std::vector<BYTE> devmode = platform.printers["Wide"].devmode;
  devmode[179] = 0x5A;
  HDC wide = CreateDCA("WINSPOOL", "Wide", nullptr, reinterpret_cast<DEVMODEA *>(devmode.data()));
  ASSERT_NE(wide, nullptr);
  EXPECT_NE(wide, dc);
  EXPECT_TRUE(platform.LastCreateDcHadDevmode());
  EXPECT_EQ(platform.LastCreateDcDevmode(), devmode);
  EXPECT_EQ(platform.LiveDCs(), 2);
}

}  // namespace
