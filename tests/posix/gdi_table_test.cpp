// Device contexts and drawing objects: initial state, selection, and the
// refusal to delete what is selected.
#include "platform/posix/gdi_table.h"

#include <gtest/gtest.h>

#include "platform/posix/last_error.h"

namespace {

using dkposix::GdiTable;

TEST(GdiTable, NewDcHasWindowsInitialStateAndTheStockObjects) {
  GdiTable table;
  winapi::HDC dc = table.CreateDC(300, 600);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(table.DeviceCaps(dc, winapi::LOGPIXELSX), 300);
  EXPECT_EQ(table.DeviceCaps(dc, winapi::LOGPIXELSY), 600);
  EXPECT_EQ(table.SetTextAlign(dc, 6), winapi::TA_TOP | winapi::TA_LEFT | winapi::TA_NOUPDATECP);
  EXPECT_EQ(table.SetTextAlign(dc, 0), 6u);
  EXPECT_EQ(table.SetBkMode(dc, winapi::TRANSPARENT), winapi::OPAQUE);
  EXPECT_EQ(table.SetBkMode(dc, winapi::OPAQUE), winapi::TRANSPARENT);

  winapi::HPEN pen = table.CreatePen();
  winapi::HBRUSH brush = table.CreateBrush(0x00FF00);
  EXPECT_EQ(table.Select(dc, pen), table.StockPen());
  EXPECT_EQ(table.Select(dc, brush), table.StockBrush());
  EXPECT_EQ(table.Select(dc, table.StockPen()), pen);
}

TEST(GdiTable, SelectedObjectCannotBeDeletedUntilDeselected) {
  GdiTable table;
  winapi::HDC dc = table.CreateDC(203, 203);
  winapi::HPEN pen = table.CreatePen();
  winapi::HGDIOBJ original = table.Select(dc, pen);
  dkposix::SetLastError(0);
  EXPECT_FALSE(table.DeleteObject(pen));
  EXPECT_NE(dkposix::GetLastError(), 0u);
  table.Select(dc, original);
  EXPECT_TRUE(table.DeleteObject(pen));
  EXPECT_FALSE(table.DeleteObject(pen));  // gone
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_INVALID_HANDLE);
  EXPECT_EQ(table.Select(dc, pen), nullptr);
}

TEST(GdiTable, DeletingTheDcFreesItsSelections) {
  GdiTable table;
  winapi::HDC first = table.CreateDC(203, 203);
  winapi::HDC second = table.CreateDC(203, 203);
  winapi::HBRUSH brush = table.CreateBrush(0);
  table.Select(first, brush);
  table.Select(second, brush);
  EXPECT_TRUE(table.DeleteDC(first));
  EXPECT_FALSE(table.DeleteObject(brush));  // still in the second DC
  EXPECT_TRUE(table.DeleteDC(second));
  EXPECT_TRUE(table.DeleteObject(brush));
  EXPECT_FALSE(table.DeleteDC(second));
}

TEST(GdiTable, StockObjectsSurviveDeletion) {
  GdiTable table;
  winapi::HDC dc = table.CreateDC(203, 203);
  EXPECT_TRUE(table.DeleteObject(table.StockPen()));
  EXPECT_EQ(table.Select(dc, table.CreatePen()), table.StockPen());
}

TEST(GdiTable, ForeignAndStaleHandlesAreRefused) {
  GdiTable table;
  winapi::HDC dc = table.CreateDC(203, 203);
  winapi::HPEN pen = table.CreatePen();
  EXPECT_EQ(table.Select(pen, pen), nullptr);  // a pen is no DC
  EXPECT_EQ(table.Select(dc, dc), nullptr);    // a DC is no object
  EXPECT_EQ(table.DeviceCaps(nullptr, winapi::LOGPIXELSX), 0);
  EXPECT_EQ(table.SetTextAlign(nullptr, 0), winapi::GDI_ERROR);
  EXPECT_EQ(table.SetBkMode(dc, 7), 0);
  EXPECT_TRUE(table.DeleteDC(dc));
  EXPECT_EQ(table.SetBkMode(dc, winapi::OPAQUE), 0);
  EXPECT_FALSE(table.DeleteObject(reinterpret_cast<winapi::HGDIOBJ>(0x1234)));
}

}  // namespace
