// The fake spooler: printer handles, the document life cycle, short writes,
// driver devmodes, the spooler module and the GetDefaultPrinterA protocol.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/fake/fake_platform.h"

namespace {

using namespace winapi;

class FakeSpooler : public ::testing::Test {
 protected:
  void SetUp() override { platform.AddPrinter("Receipt"); }

  HANDLE Open() {
    char name[] = "Receipt";
    HANDLE printer = nullptr;
    EXPECT_TRUE(OpenPrinterA(name, &printer, nullptr));
    return printer;
  }

  DWORD StartDoc(HANDLE printer) {
    char docName[] = "EPOS", dataType[] = "RAW";
    DOC_INFO_1A info{docName, nullptr, dataType};
    return StartDocPrinterA(printer, 1, reinterpret_cast<LPBYTE>(&info));
  }

  fake::Platform platform;
};

TEST_F(FakeSpooler, DocumentLifeCycle) {
  HANDLE printer = Open();
  EXPECT_EQ(printer, reinterpret_cast<HANDLE>(0x1001));
  EXPECT_EQ(StartDoc(printer), 1u);
  ASSERT_TRUE(StartPagePrinter(printer));
  char bytes[] = "\x1b@ab";
  DWORD written = 0;
  ASSERT_TRUE(WritePrinter(printer, bytes, 4, &written));
  EXPECT_EQ(written, 4u);
  ASSERT_TRUE(EndPagePrinter(printer));
  ASSERT_TRUE(EndDocPrinter(printer));
  ASSERT_TRUE(ClosePrinter(printer));
  ASSERT_EQ(platform.documents.size(), 1u);
  const fake::DocumentModel &doc = platform.documents[0];
  EXPECT_EQ(doc.printer, "Receipt");
  EXPECT_EQ(doc.docName, std::optional<std::string>("EPOS"));
  EXPECT_EQ(doc.outputFile, std::nullopt);
  EXPECT_EQ(doc.dataType, std::optional<std::string>("RAW"));
  EXPECT_EQ(doc.bytes, "\x1b@ab");
  EXPECT_EQ(doc.pagesStarted, 1);
  EXPECT_EQ(doc.pagesEnded, 1);
  EXPECT_TRUE(doc.ended);
  EXPECT_FALSE(doc.abandoned);
  EXPECT_EQ(platform.LiveSummary(), "printers=0 dcs=0 pens=0 brushes=0 files=0 modules=0");
  EXPECT_TRUE(platform.Violations().empty());
}

TEST_F(FakeSpooler, ClosingWithAnOpenDocumentAbandonsIt) {
  HANDLE printer = Open();
  ASSERT_EQ(StartDoc(printer), 1u);
  ASSERT_TRUE(ClosePrinter(printer));
  EXPECT_TRUE(platform.documents[0].abandoned);
  EXPECT_FALSE(platform.documents[0].ended);
}

TEST_F(FakeSpooler, DocumentCallsNeedAnOpenDocument) {
  HANDLE printer = Open();
  DWORD written = 7;
  char byte[] = "x";
  EXPECT_FALSE(StartPagePrinter(printer));
  EXPECT_FALSE(WritePrinter(printer, byte, 1, &written));
  EXPECT_EQ(written, 7u);
  EXPECT_FALSE(EndPagePrinter(printer));
  EXPECT_FALSE(EndDocPrinter(printer));
  ASSERT_EQ(StartDoc(printer), 1u);
  EXPECT_EQ(StartDoc(printer), 0u);  // one document at a time
  ASSERT_TRUE(EndDocPrinter(printer));
  EXPECT_FALSE(WritePrinter(printer, byte, 1, &written));
  EXPECT_EQ(StartDoc(printer), 2u);  // job ids go on counting
  EXPECT_EQ(platform.documents.size(), 2u);
  EXPECT_TRUE(platform.Violations().empty());  // refused, but the handle was good
}

TEST_F(FakeSpooler, ShortWritesAcceptAChunk) {
  platform.printers["Receipt"].maxWriteChunk = 3;
  HANDLE printer = Open();
  ASSERT_EQ(StartDoc(printer), 1u);
  char bytes[] = "abcdefg";
  DWORD written = 0;
  ASSERT_TRUE(WritePrinter(printer, bytes, 7, &written));
  EXPECT_EQ(written, 3u);
  ASSERT_TRUE(WritePrinter(printer, bytes + 3, 4, &written));
  EXPECT_EQ(written, 3u);
  EXPECT_EQ(platform.documents[0].bytes, "abcdef");
  EXPECT_EQ(platform.CallsNamed("WritePrinter")[0].data, "abcdefg");  // what was offered
}

TEST_F(FakeSpooler, FailedWriteAcceptsNothing) {
  HANDLE printer = Open();
  ASSERT_EQ(StartDoc(printer), 1u);
  platform.FailCall("WritePrinter");
  char bytes[] = "abc";
  DWORD written = 0;
  EXPECT_FALSE(WritePrinter(printer, bytes, 3, &written));
  EXPECT_EQ(platform.documents[0].bytes, "");
}

TEST_F(FakeSpooler, UnknownNamesAndStaleHandles) {
  char wrong[] = "receipt";
  HANDLE printer = nullptr;
  EXPECT_FALSE(OpenPrinterA(wrong, &printer, nullptr));  // names are exact
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
  EXPECT_FALSE(OpenPrinterA(nullptr, &printer, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
  printer = Open();
  ASSERT_TRUE(ClosePrinter(printer));
  EXPECT_FALSE(ClosePrinter(printer));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(StartDoc(printer), 0u);
  EXPECT_EQ(Open(), reinterpret_cast<HANDLE>(0x1002));  // handles are never reused
  EXPECT_EQ(platform.Violations(),
            (std::vector<std::string>{"ClosePrinter(0x1001)", "StartDocPrinterA(0x1001)"}));
}

TEST_F(FakeSpooler, DriverDevmode) {
  platform.AddPrinter("A very long printer name of forty bytes", 180, 200);
  char name[] = "A very long printer name of forty bytes";
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterA(name, &printer, nullptr));
  ASSERT_EQ(DocumentPropertiesA(nullptr, printer, name, nullptr, nullptr, 0), 200);
  std::vector<BYTE> buffer(200, 0);
  DEVMODEA *devmode = reinterpret_cast<DEVMODEA *>(buffer.data());
  ASSERT_EQ(DocumentPropertiesA(nullptr, printer, name, devmode, nullptr, DM_OUT_BUFFER), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(devmode->dmDeviceName)), std::string(name, 31));
  EXPECT_EQ(devmode->dmSpecVersion, DM_SPECVERSION);
  EXPECT_EQ(devmode->dmSize, sizeof(DEVMODEA));
  EXPECT_EQ(devmode->dmDriverExtra, 200 - sizeof(DEVMODEA));
  EXPECT_EQ(devmode->dmFields, DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES);
  EXPECT_EQ(devmode->dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_EQ(devmode->dmPaperSize, DMPAPER_A4);
  EXPECT_EQ(devmode->dmCopies, 1);
  EXPECT_EQ(buffer[sizeof(DEVMODEA)], 0xA5);
  EXPECT_EQ(buffer[199], 0xA5);
  EXPECT_EQ(DocumentPropertiesA(nullptr, printer, name, nullptr, nullptr, DM_OUT_BUFFER), -1);
  EXPECT_EQ(platform.Violations(), std::vector<std::string>{"DocumentPropertiesA(null output)"});
  EXPECT_EQ(DocumentPropertiesA(nullptr, nullptr, name, nullptr, nullptr, 0), -1);
}

TEST_F(FakeSpooler, SmallDevmodeIsTheStartOfTheRecord) {
  platform.AddPrinter("Tiny", 203, 40);
  ASSERT_EQ(platform.printers["Tiny"].devmode.size(), 40u);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(platform.printers["Tiny"].devmode.data())),
            "Tiny");
}

TEST_F(FakeSpooler, SpoolerModule) {
  platform.spoolerModuleLoadable = false;
  EXPECT_EQ(LoadLibraryA("WINSPOOL.DRV"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  platform.spoolerModuleLoadable = true;
  EXPECT_EQ(LoadLibraryA("kernel32.dll"), nullptr);
  HMODULE module = LoadLibraryA("winspool.drv");
  ASSERT_EQ(module, reinterpret_cast<HMODULE>(0x7001));
  EXPECT_EQ(GetProcAddress(module, "GetDefaultPrinterW"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  platform.hasGetDefaultPrinter = false;
  EXPECT_EQ(GetProcAddress(module, "GetDefaultPrinterA"), nullptr);
  platform.hasGetDefaultPrinter = true;
  EXPECT_EQ(reinterpret_cast<void (*)()>(GetProcAddress(module, "GetDefaultPrinterA")),
            reinterpret_cast<void (*)()>(&fake::FakeGetDefaultPrinterA));
  EXPECT_EQ(platform.LoadedModules(), 1);
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_FALSE(FreeLibrary(module));
  EXPECT_EQ(platform.LoadedModules(), 0);
  EXPECT_EQ(platform.Violations(), std::vector<std::string>{"FreeLibrary(0x7001)"});
}

TEST_F(FakeSpooler, GetDefaultPrinterProtocol) {
  HMODULE module = LoadLibraryA("WINSPOOL.DRV");
  auto get = reinterpret_cast<GETDEFAULTPRINTERA>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "GetDefaultPrinterA")));
  ASSERT_NE(get, nullptr);
  DWORD size = 0;
  EXPECT_FALSE(get(nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  size = 55;
  EXPECT_FALSE(get(nullptr, &size));  // no default printer
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(size, 55u);
  platform.defaultPrinter = "Receipt";
  size = 0;
  EXPECT_FALSE(get(nullptr, &size));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, 8u);
  char buffer[8];
  size = 7;
  EXPECT_FALSE(get(buffer, &size));
  EXPECT_EQ(size, 8u);
  ASSERT_TRUE(get(buffer, &size));
  EXPECT_STREQ(buffer, "Receipt");
  EXPECT_EQ(size, 8u);
  platform.FailCall("GetDefaultPrinterA", 6, false, ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(get(buffer, &size));
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(platform.CountOf("GetDefaultPrinterA"), 6);
}

}  // namespace
