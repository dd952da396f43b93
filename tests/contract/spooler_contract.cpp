// Spooler handles: one document at a time on a printer handle, pages inside
// a document, and what a closed handle or a missing document answers.
#include <string>

#include "tests/contract/contract.h"

namespace {

using namespace winapi;

HANDLE OpenNamed(const std::string &name) {
  std::string copy = name;
  HANDLE printer = nullptr;
  return OpenPrinterA(&copy[0], &printer, nullptr) ? printer : nullptr;
}

DWORD StartRawDocument(HANDLE printer) {
  char name[] = "contract", type[] = "RAW";
  DOC_INFO_1A info{name, nullptr, type};
  return StartDocPrinterA(printer, 1, reinterpret_cast<LPBYTE>(&info));
}

TEST_P(SpoolerContract, DocumentsAndPagesComeInOrderOneDocumentAtATime) {
  HANDLE printer = OpenNamed(PrinterName());
  ASSERT_NE(printer, nullptr) << GetLastError();
  char bytes[] = "\x1B@";
  DWORD written = 7;

  // Nothing but a document can start on a handle without one.
  EXPECT_FALSE(StartPagePrinter(printer));
  EXPECT_EQ(GetLastError(), ERROR_SPL_NO_STARTDOC);
  EXPECT_FALSE(EndPagePrinter(printer));
  EXPECT_FALSE(EndDocPrinter(printer));

  EXPECT_NE(StartRawDocument(printer), 0u);
  EXPECT_EQ(StartRawDocument(printer), 0u);
  EXPECT_TRUE(StartPagePrinter(printer));
  EXPECT_TRUE(WritePrinter(printer, bytes, 2, &written));
  EXPECT_EQ(written, 2u);
  EXPECT_TRUE(EndPagePrinter(printer));
  EXPECT_TRUE(EndDocPrinter(printer));
  EXPECT_FALSE(EndDocPrinter(printer));

  // The handle takes a next document, here without pages. (Not an empty
  // one: the posix backend cannot end a CUPS job that holds no bytes.)
  EXPECT_NE(StartRawDocument(printer), 0u);
  EXPECT_TRUE(WritePrinter(printer, bytes, 2, &written));
  EXPECT_TRUE(EndDocPrinter(printer));
  EXPECT_TRUE(ClosePrinter(printer));
}

TEST_P(SpoolerContract, ClosingEndsTheHandleAndAnOpenDocument) {
  HANDLE printer = OpenNamed(PrinterName());
  ASSERT_NE(printer, nullptr) << GetLastError();
  ASSERT_NE(StartRawDocument(printer), 0u);
  EXPECT_TRUE(ClosePrinter(printer));
  EXPECT_FALSE(ClosePrinter(printer));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_P(SpoolerContract, AnUnknownPrinterDoesNotOpen) {
  EXPECT_EQ(OpenNamed(PrinterName() + "-nowhere"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
}

}  // namespace
