// Drawing objects in a printer's device context: the stock objects a
// context starts with, and objects that cannot be deleted while selected.
#include <string>

#include "tests/contract/contract.h"

namespace {

using namespace winapi;

class GdiCase {
 public:
  explicit GdiCase(const std::string &printer)
      : dc_(CreateDCA("WINSPOOL", printer.c_str(), nullptr, nullptr)) {}
  ~GdiCase() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  GdiCase(const GdiCase &) = delete;
  GdiCase &operator=(const GdiCase &) = delete;

  HDC dc() const { return dc_; }

 private:
  HDC dc_;
};

HPEN Pen() {
  LOGBRUSH fill;
  fill.lbStyle = BS_SOLID;
  fill.lbColor = 0;
  fill.lbHatch = 0;
  return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER, 3, &fill, 0,
                      nullptr);
}

TEST_P(GdiContract, ASelectedObjectCannotBeDeletedUntilItIsReplaced) {
  GdiCase gdi(PrinterName());
  ASSERT_NE(gdi.dc(), nullptr) << GetLastError();
  const HPEN pen = Pen();
  const HBRUSH brush = CreateSolidBrush(0x00FF8000u);
  ASSERT_NE(pen, nullptr);
  ASSERT_NE(brush, nullptr);

  const HGDIOBJ stockPen = SelectObject(gdi.dc(), pen);
  const HGDIOBJ stockBrush = SelectObject(gdi.dc(), brush);
  ASSERT_NE(stockPen, nullptr);  // a context starts with a pen and a brush of its own
  ASSERT_NE(stockBrush, nullptr);
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(brush));

  EXPECT_EQ(SelectObject(gdi.dc(), stockPen), pen);
  EXPECT_EQ(SelectObject(gdi.dc(), stockBrush), brush);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
}

TEST_P(GdiContract, StockObjectsOutliveTheirDeletion) {
  GdiCase gdi(PrinterName());
  ASSERT_NE(gdi.dc(), nullptr) << GetLastError();
  const HPEN pen = Pen();
  ASSERT_NE(pen, nullptr);
  const HGDIOBJ stockPen = SelectObject(gdi.dc(), pen);
  ASSERT_NE(stockPen, nullptr);
  EXPECT_TRUE(DeleteObject(stockPen));  // harmless, and it stays usable
  EXPECT_EQ(SelectObject(gdi.dc(), stockPen), pen);
  EXPECT_EQ(SelectObject(gdi.dc(), pen), stockPen);
  EXPECT_EQ(SelectObject(gdi.dc(), stockPen), pen);
  EXPECT_TRUE(DeleteObject(pen));
}

TEST_P(GdiContract, DeletingTheContextLetsItsSelectionsGo) {
  const HBRUSH brush = CreateSolidBrush(0xFF);
  ASSERT_NE(brush, nullptr);
  {
    GdiCase gdi(PrinterName());
    ASSERT_NE(gdi.dc(), nullptr) << GetLastError();
    ASSERT_NE(SelectObject(gdi.dc(), brush), nullptr);
  }
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_FALSE(DeleteObject(brush));  // gone now
}

}  // namespace
