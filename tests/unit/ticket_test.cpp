// One drawer-kick ticket end to end on the fake: the exact platform calls of
// a cycle, its trace, and what every failure along the way leaves behind.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "printer/print_state.h"
#include "tester/tester.h"
#include "tests/unit/support/fixture.h"

namespace {

std::string TraceHex(const void *pointer) {
  char text[16];
  std::snprintf(text, sizeof text, "%" PRIX32,
                static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer)));
  return text;
}

std::string TraceDecimal(const void *pointer) {
  return std::to_string(
      static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer))));
}

// Addresses the core handed to the platform: the LOGBRUSH of each pen and
// the buffer of each write. They live on the stack or the heap, so the
// trace's numbers are derived from them.
std::vector<const void *> *g_brushAddresses = nullptr;
std::vector<const void *> *g_writeBuffers = nullptr;

HPEN WatchedExtCreatePen(DWORD style, DWORD width, const LOGBRUSH *brush, DWORD styleCount,
                         const DWORD *styles) {
  g_brushAddresses->push_back(brush);
  return fake::Platform::Table()->ExtCreatePen(style, width, brush, styleCount, styles);
}

BOOL WatchedWritePrinter(HANDLE printer, LPVOID buffer, DWORD count, LPDWORD written) {
  g_writeBuffers->push_back(buffer);
  return fake::Platform::Table()->WritePrinter(printer, buffer, count, written);
}

class TicketTest : public CoreTest {
 protected:
  TicketTest() {
    g_brushAddresses = &brushAddresses;
    g_writeBuffers = &writeBuffers;

    fp.AddPrinter("Receipt", 203);
    fp.defaultPrinter = "Receipt";
    Print_Init();
  }
  ~TicketTest() override {
    g_brushAddresses = nullptr;
    g_writeBuffers = nullptr;
  }

  std::vector<std::string> TraceLines() const {
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
    EXPECT_EQ(start, bytes.size());
    return lines;
  }

  OverriddenPlatform overrides{[](PlatformApi &api) {
    api.ExtCreatePen = &WatchedExtCreatePen;
    api.WritePrinter = &WatchedWritePrinter;
  }};
  std::vector<const void *> brushAddresses;
  std::vector<const void *> writeBuffers;
};

TEST_F(TicketTest, OneCycleMakesExactlyTheseCalls) {
  Tester_PrintTicket();

  const std::vector<std::string> texts = fp.CallTexts();
  size_t open = 0;
  while (open < texts.size() && texts[open].rfind("OpenPrinterA(", 0) != 0) ++open;
  ASSERT_LT(open, texts.size());

  // Before the opening: the trace header's version query, then the default
  // printer's lookup through the spooler module.
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + open),
            (std::vector<std::string>{
                "GetVersionExA(ptr)",
                "GetVersionExA(ptr)",
                "GetVersionExA(ptr)",
                "GetVersionExA(ptr)",
                "LoadLibraryA(\"WINSPOOL.DRV\")",
                "GetProcAddress(0x7001,\"GetDefaultPrinterA\")",
                "GetDefaultPrinterA(null,ptr)",
                "GetLastError()",
                "GetDefaultPrinterA(ptr,ptr)",
                "FreeLibrary(0x7001)",
            }));

  const std::string write = "WritePrinter(0x1001,ptr,";
  const std::string pen = "ExtCreatePen(74240,2,{0,0,0},0,null)";  // PS 0x12200, 0.2 mm at 203 dpi
  EXPECT_EQ(std::vector<std::string>(texts.begin() + open, texts.end()),
            (std::vector<std::string>{
                "OpenPrinterA(\"Receipt\",ptr,null)",
                "DocumentPropertiesA(0x0,0x1001,\"Receipt\",null,null,0)",
                "DocumentPropertiesA(0x0,0x1001,\"Receipt\",ptr,null,2)",
                "GetVersion()",
                "CreateDCA(\"WINSPOOL\",\"Receipt\",null,devmode(\"Receipt\"))",
                "SetTextAlign(0x2001,0)",
                "SetBkMode(0x2001,1)",
                "GetDeviceCaps(0x2001,88)",
                pen,
                "SelectObject(0x2001,0x3001)",
                "DeleteObject(0x0)",
                "CreateSolidBrush(0)",
                "SelectObject(0x2001,0x4001)",
                "DeleteObject(0x0)",
                "GetDeviceCaps(0x2001,88)",
                pen,
                "SelectObject(0x2001,0x3002)",
                "DeleteObject(0x3001)",
                "StartDocPrinterA(0x1001,1,{\"EPOS\",null,\"RAW\"})",
                "StartPagePrinter(0x1001)",
                write + "4,ptr)",
                write + "35,ptr)",
                write + "35,ptr)",
                write + "4,ptr)",
                write + "4,ptr)",
                write + "2,ptr)",
                write + "5,ptr)",
                "EndPagePrinter(0x1001)",
                "EndDocPrinter(0x1001)",
                "ClosePrinter(0x1001)",
                "SelectObject(0x2001,0x8001)",
                "SelectObject(0x2001,0x8002)",
                "DeleteObject(0x3002)",
                "DeleteObject(0x4001)",
                "DeleteDC(0x2001)",
            }));

  std::string sent;
  for (const fake::Call &call : fp.CallsNamed("WritePrinter")) sent += call.data;
  EXPECT_EQ(sent, TicketBytes());
  EXPECT_EQ(sent.size(), 89u);
  EXPECT_EQ(sent.find('\0'), std::string::npos);

  ASSERT_EQ(fp.documents.size(), 1u);
  const fake::DocumentModel &document = fp.documents[0];
  EXPECT_EQ(document.printer, "Receipt");
  EXPECT_EQ(document.docName, "EPOS");
  EXPECT_EQ(document.outputFile, std::nullopt);
  EXPECT_EQ(document.dataType, "RAW");
  EXPECT_EQ(document.bytes, TicketBytes());
  EXPECT_EQ(document.pagesStarted, 1);
  EXPECT_EQ(document.pagesEnded, 1);
  EXPECT_TRUE(document.ended);
  EXPECT_FALSE(document.abandoned);

  EXPECT_EQ(fp.LiveSummary(), "printers=0 dcs=0 pens=0 brushes=0 files=0 modules=0");
  EXPECT_TRUE(fp.Violations().empty());
  EXPECT_TRUE(fp.files.empty());  // tracing is off
}

TEST_F(TicketTest, OneCycleTracesTheseLines) {
  Print_SetTrace(1);
  Tester_PrintTicket();

  ASSERT_EQ(brushAddresses.size(), 2u);
  ASSERT_EQ(writeBuffers.size(), 7u);
  std::vector<std::string> expected = {
      "Vantrel Version V1.10",
      "Korvane Version 520",
      "Windows_7",
      "Printer : Receipt",
      "OpenPrinter_()=1",
      "Print_SetTextAlign(0)",
      "SetTextAlign_(2001,0)=0",
      "Print_SetBkMode(1)",
      "SetBkMode_(2001,1)=2",
      "Print_SetLineColor(0)",
      "Print_CreatePen(12200,0,0,0,0)",
      "ExtCreatePen_(12200,2," + TraceHex(brushAddresses[0]) + ",0,0)=3001",
      "Print_CreateBrush(0)",
      "CreateSolidBrush_(0)=4001",
      "Print_CreatePen(12200,0,0,0,0)",
      "ExtCreatePen_(12200,2," + TraceHex(brushAddresses[1]) + ",0,0)=3002",
  };
  const int sizes[] = {4, 35, 35, 4, 4, 2, 5};
  for (size_t i = 0; i < 7; ++i) {
    expected.push_back("WritePrinter_(Vantrel_PH=4097,*Membuffer=" + TraceDecimal(writeBuffers[i]) +
                       ",Size=" + std::to_string(sizes[i]) + ")");
  }
  EXPECT_EQ(TraceLines(), expected);
  EXPECT_EQ(fp.files.begin()->first.rfind("Vantrel_debugfile ", 0), 0u);
  EXPECT_EQ(fp.OpenFiles(), 0);  // the job's release closed it
}

// ---- Failures along the way ------------------------------------------------

void *NoMemory(size_t, size_t) {
  return nullptr;
}
// Room for the ticket's small buffers, none for a DEVMODE.
void *OnlySmallBlocks(size_t count, size_t size) {
  return count * size < 100 ? std::calloc(count, size) : nullptr;
}

// The ticket without its n-th string (0-based).
std::string TicketWithout(int n) {
  const size_t offsets[] = {0, 4, 39, 74, 78, 82, 84, 89};
  std::string bytes = TicketBytes();
  return bytes.erase(offsets[n], offsets[n + 1] - offsets[n]);
}

struct FailureCase {
  const char *label;
  void (*arrange)(fake::Platform &fp);
  int documents;
  std::string bytes;     // of the one document, when there is one
  int writes;            // WritePrinter calls made
  int tracedWrites;      // WritePrinter trace lines
  int printersLeftOpen;  // until the next opening or the end routine
  bool documentEnded;
};

std::ostream &operator<<(std::ostream &out, const FailureCase &c) {
  return out << c.label;
}

const FailureCase kFailureCases[] = {
    {"no_default_printer", [](fake::Platform &fp) { fp.defaultPrinter = ""; }, 0, "", 0, 0, 0,
     false},
    {"open_printer_fails", [](fake::Platform &fp) { fp.FailCall("OpenPrinterA"); }, 0, "", 0, 0, 0,
     false},
    {"devmode_size_not_positive",
     [](fake::Platform &fp) { fp.printers["Receipt"].devmodeSize = 0; }, 1, TicketBytes(), 7, 7, 0,
     true},
    {"devmode_size_query_fails",
     [](fake::Platform &fp) { fp.FailCall("DocumentPropertiesA", 1, false); }, 1, TicketBytes(), 7,
     7, 0, true},
    {"no_memory_for_devmode", [](fake::Platform &) { Print_Calloc = &OnlySmallBlocks; }, 1,
     TicketBytes(), 7, 7, 0, true},
    {"no_memory_at_all", [](fake::Platform &) { Print_Calloc = &NoMemory; }, 1, "", 0, 0, 0, true},
    {"create_dc_fails", [](fake::Platform &fp) { fp.FailCall("CreateDCA"); }, 0, "", 0, 0, 1,
     false},
    {"start_document_fails", [](fake::Platform &fp) { fp.FailCall("StartDocPrinterA"); }, 0, "", 7,
     0, 0, false},
    {"start_page_fails", [](fake::Platform &fp) { fp.FailCall("StartPagePrinter"); }, 1,
     TicketBytes(), 7, 7, 0, true},
    {"third_write_fails", [](fake::Platform &fp) { fp.FailCall("WritePrinter", 3); }, 1,
     TicketWithout(2), 7, 6, 0, true},
    {"last_write_fails", [](fake::Platform &fp) { fp.FailCall("WritePrinter", 7); }, 1,
     TicketWithout(6), 7, 6, 0, true},
    {"end_page_fails", [](fake::Platform &fp) { fp.FailCall("EndPagePrinter"); }, 1, TicketBytes(),
     7, 7, 0, true},
    {"end_document_fails", [](fake::Platform &fp) { fp.FailCall("EndDocPrinter"); }, 1,
     TicketBytes(), 7, 7, 0, false},
    // 4, 35, 35, 4, 4, 2, 5 bytes in parts of at most 3.
    {"short_writes", [](fake::Platform &fp) { fp.printers["Receipt"].maxWriteChunk = 3; }, 1,
     TicketBytes(), 33, 33, 0, true},
    {"one_byte_writes", [](fake::Platform &fp) { fp.printers["Receipt"].maxWriteChunk = 1; }, 1,
     TicketBytes(), 89, 89, 0, true},
};

class TicketFailureTest : public TicketTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(TicketFailureTest, CycleEndsSoundlyAndLeavesNothingBehind) {
  const FailureCase &c = GetParam();
  c.arrange(fp);
  Print_SetTrace(1);

  Tester_PrintTicket();

  ASSERT_EQ(static_cast<int>(fp.documents.size()), c.documents);
  if (c.documents == 1) {
    EXPECT_EQ(fp.documents[0].bytes, c.bytes);
    EXPECT_EQ(fp.documents[0].ended, c.documentEnded);
    EXPECT_EQ(fp.documents[0].docName, "EPOS");
  }
  EXPECT_EQ(fp.CountOf("WritePrinter"), c.writes);
  EXPECT_EQ(fp.OpenPrinters(), c.printersLeftOpen);
  EXPECT_EQ(fp.LiveDCs(), 0);
  EXPECT_EQ(fp.LivePens(), 0);
  EXPECT_EQ(fp.LiveBrushes(), 0);
  EXPECT_EQ(fp.LoadedModules(), 0);

  // The end routine's release closes whatever the cycle kept.
  Print_Release();
  EXPECT_EQ(fp.LiveSummary(), "printers=0 dcs=0 pens=0 brushes=0 files=0 modules=0");
  EXPECT_TRUE(fp.Violations().empty());

  int traced = 0;
  for (const std::string &line : TraceLines()) traced += line.rfind("WritePrinter_(", 0) == 0;
  EXPECT_EQ(traced, c.tracedWrites);
}

INSTANTIATE_TEST_SUITE_P(Failures, TicketFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto &info) { return std::string(info.param.label); });

TEST_F(TicketTest, PrinterKeptAfterAFailedContextIsClosedByTheNextCycle) {
  fp.FailCall("CreateDCA", 1);
  Tester_PrintTicket();
  EXPECT_EQ(fp.OpenPrinters(), 1);
  EXPECT_NE(g_Print.Vantrel_PH, nullptr);
  EXPECT_EQ(g_Print.PrinterDC, nullptr);
  const size_t firstCycle = fp.Calls().size();

  Tester_PrintTicket();

  const std::vector<std::string> all = fp.CallTexts();
  const std::vector<std::string> texts(all.begin() + firstCycle, all.end());
  const auto closed = std::find(texts.begin(), texts.end(), "ClosePrinter(0x1001)");
  const auto opened = std::find_if(texts.begin(), texts.end(), [](const std::string &text) {
    return text.rfind("OpenPrinterA(", 0) == 0;
  });
  EXPECT_LT(closed, opened);
  ASSERT_EQ(fp.documents.size(), 1u);
  EXPECT_EQ(fp.documents[0].bytes, TicketBytes());
  EXPECT_EQ(fp.LiveSummary(), "printers=0 dcs=0 pens=0 brushes=0 files=0 modules=0");
  EXPECT_TRUE(fp.Violations().empty());
}

TEST_F(TicketTest, EachCycleIsADocumentOfItsOwn) {
  for (int cycle = 0; cycle < 3; ++cycle) Tester_PrintTicket();
  ASSERT_EQ(fp.documents.size(), 3u);
  for (const fake::DocumentModel &document : fp.documents) {
    EXPECT_EQ(document.bytes, TicketBytes());
    EXPECT_TRUE(document.ended);
  }
  EXPECT_NE(fp.documents[0].jobId, fp.documents[1].jobId);
  // The driver was read at the first cycle only.
  int fills = 0;
  for (const fake::Call &call : fp.CallsNamed("DocumentPropertiesA")) fills += call.args[5] == "2";
  EXPECT_EQ(fills, 1);
  EXPECT_EQ(fp.LiveSummary(), "printers=0 dcs=0 pens=0 brushes=0 files=0 modules=0");
}

}  // namespace
