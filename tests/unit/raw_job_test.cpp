// The raw print job: the document record, the three text formats, writes
// that the spooler takes in parts, and the end of a job.
#include "printer/raw_job.h"

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "printer/open_printer.h"
#include "printer/print_state.h"
#include "tests/unit/support/fixture.h"

namespace {

// A handle as the fake's call texts show it.
std::string CallHex(const void *handle) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%" PRIxPTR, reinterpret_cast<uintptr_t>(handle));
  return text;
}

// Signed decimal of the low 32 bits, as the write's trace line shows numbers.
std::string TraceDecimal(uintptr_t value) {
  return std::to_string(static_cast<int32_t>(static_cast<uint32_t>(value)));
}
std::string TraceDecimal(const void *pointer) {
  return TraceDecimal(reinterpret_cast<uintptr_t>(pointer));
}

// What the core handed to WritePrinter.
struct WriteMade {
  const void *buffer;
  DWORD count;
};
std::vector<WriteMade> *g_writes = nullptr;

BOOL WatchedWritePrinter(HANDLE printer, LPVOID buffer, DWORD count, LPDWORD written) {
  g_writes->push_back({buffer, count});
  return fake::Platform::Table()->WritePrinter(printer, buffer, count, written);
}

void *NoMemory(size_t, size_t) {
  return nullptr;
}

// An open printer with its device context, ready for a job, and a watch on
// the buffers handed to WritePrinter.
class RawJobTest : public CoreTest {
 protected:
  RawJobTest() {
    g_writes = &writes;
    fp.AddPrinter("Receipt");
    fp.defaultPrinter = "Receipt";
    Print_Init();
    Open();
  }
  ~RawJobTest() override { g_writes = nullptr; }

  void Open() {
    EXPECT_NE(Print_OpenPrinter(), nullptr);
    printer = g_Print.Vantrel_PH;
    fp.ClearCalls();
    writes.clear();
  }

  // The one trace file's lines, after the release that closes it.
  std::vector<std::string> TraceLines() const {
    std::vector<std::string> lines;
    if (fp.files.size() != 1) {
      ADD_FAILURE() << fp.files.size() << " trace files";
      return lines;
    }
    const std::string &bytes = fp.files.begin()->second.bytes;
    for (size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
      lines.push_back(bytes.substr(start, end - start));
    }
    return lines;
  }

  std::string WriteLine(const void *buffer, int size) const {
    return "WritePrinter_(Vantrel_PH=" + TraceDecimal(printer) +
           ",*Membuffer=" + TraceDecimal(buffer) + ",Size=" + std::to_string(size) + ")";
  }

  OverriddenPlatform overrides{[](PlatformApi &api) { api.WritePrinter = &WatchedWritePrinter; }};
  HANDLE printer = nullptr;  // of the job, kept past its release
  std::vector<WriteMade> writes;
};

// ---- Starting a document -----------------------------------------------

struct DocCase {
  const char *docName;
  const char *outputFile;
  const char *dataType;
  const char *record;
};

TEST_F(RawJobTest, EmptyTextsAreNullMembersOfTheDocumentRecord) {
  const DocCase cases[] = {
      {"EPOS", "", "RAW", "{\"EPOS\",null,\"RAW\"}"},
      {"", "", "", "{null,null,null}"},
      {"Doc", "C:\\out.prn", "TEXT", "{\"Doc\",\"C:\\out.prn\",\"TEXT\"}"},
      {"", "LPT1:", "", "{null,\"LPT1:\",null}"},
  };
  for (const DocCase &c : cases) {
    const std::string printer = CallHex(g_Print.Vantrel_PH);
    const DWORD job = Print_StartRaw(c.docName, c.outputFile, c.dataType);
    ASSERT_FALSE(fp.documents.empty());
    EXPECT_EQ(job, fp.documents.back().jobId);
    EXPECT_NE(job, 0u);
    EXPECT_EQ(fp.CallTexts(),
              (std::vector<std::string>{"StartDocPrinterA(" + printer + ",1," + c.record + ")",
                                        "StartPagePrinter(" + printer + ")"}));
    EXPECT_EQ(Print_StopRaw(), 1);
    Open();
  }
  EXPECT_EQ(fp.documents[1].docName, std::nullopt);
  EXPECT_EQ(fp.documents[1].outputFile, std::nullopt);
  EXPECT_EQ(fp.documents[1].dataType, std::nullopt);
}

TEST_F(RawJobTest, DefaultsAreNoOutputFileAndTheRawDataType) {
  Print_StartRaw("EPOS");
  ASSERT_EQ(fp.documents.size(), 1u);
  EXPECT_EQ(fp.documents[0].docName, "EPOS");
  EXPECT_EQ(fp.documents[0].outputFile, std::nullopt);
  EXPECT_EQ(fp.documents[0].dataType, "RAW");
  Print_StopRaw();
}

TEST_F(RawJobTest, FailedDocumentStillStartsAPageAndGivesZero) {
  fp.FailCall("StartDocPrinterA");
  EXPECT_EQ(Print_StartRaw("EPOS"), 0u);
  EXPECT_EQ(fp.CountOf("StartPagePrinter"), 1);
  EXPECT_TRUE(fp.documents.empty());
}

TEST_F(RawJobTest, FailedPageGivesZeroAndTheDocumentIsEndedByStop) {
  fp.FailCall("StartPagePrinter");
  EXPECT_EQ(Print_StartRaw("EPOS"), 0u);
  ASSERT_EQ(fp.documents.size(), 1u);
  EXPECT_EQ(Print_StopRaw(), 1);
  EXPECT_TRUE(fp.documents[0].ended);
  EXPECT_FALSE(fp.documents[0].abandoned);
}

// ---- Text formats ----------------------------------------------------------

struct FormatCase {
  const char *label;
  std::string text;
  RawFormat format;
  std::string bytes;
};

std::ostream &operator<<(std::ostream &out, const FormatCase &c) {
  return out << c.label;
}

const FormatCase kFormatCases[] = {
    {"ascii_plain", "Brevanti", RAW_ASCII, "Brevanti"},
    {"ascii_high_bytes_unchanged", "\x80\xE9\xFF\x1B\x01", RAW_ASCII, "\x80\xE9\xFF\x1B\x01"},
    {"utf8_plain", "abc", RAW_UTF8, "abc"},
    {"utf8_e_acute", "caf\xE9", RAW_UTF8, "caf\xC3\xA9"},
    {"utf8_range_ends", "\x80\xBF\xC0\xFF", RAW_UTF8, "\xC2\x80\xC2\xBF\xC3\x80\xC3\xBF"},
    {"utf16_plain", "Ab", RAW_UTF16, std::string("A\0b\0", 4)},
    {"utf16_euro_from_1252", "\x80", RAW_UTF16, "\xAC\x20"},
    {"utf16_latin1", "\xE9\x1B", RAW_UTF16, std::string("\xE9\0\x1B\0", 4)},
};

class RawFormatTest : public RawJobTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(RawFormatTest, SendsTheTextInItsFormWithoutTerminator) {
  const FormatCase &c = GetParam();
  Print_StartRaw("EPOS");
  EXPECT_EQ(Print_RawString(c.text.c_str(), c.format), static_cast<int>(c.bytes.size()));
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].count, c.bytes.size());
  Print_StopRaw();
  ASSERT_EQ(fp.documents.size(), 1u);
  EXPECT_EQ(fp.documents[0].bytes, c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Formats, RawFormatTest, ::testing::ValuesIn(kFormatCases),
                         [](const auto &info) { return std::string(info.param.label); });

TEST_F(RawJobTest, EmptyTextWritesZeroBytesInEveryFormat) {
  Print_SetTrace(1);
  Print_StartRaw("EPOS");
  for (RawFormat format : {RAW_ASCII, RAW_UTF8, RAW_UTF16}) {
    EXPECT_EQ(Print_RawString("", format), 0);
  }
  ASSERT_EQ(writes.size(), 3u);
  for (const WriteMade &write : writes) EXPECT_EQ(write.count, 0u);
  Print_StopRaw();

  std::vector<std::string> lines = TraceLines();
  ASSERT_EQ(lines.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(lines[i], WriteLine(writes[i].buffer, 0));
}

TEST_F(RawJobTest, FailedConversionSendsNothing) {
  Print_StartRaw("EPOS");
  fp.FailCall("MultiByteToWideChar", 1, true);
  EXPECT_EQ(Print_RawString("drawer", RAW_UTF16), 0);
  EXPECT_TRUE(writes.empty());
  Print_StopRaw();
  EXPECT_EQ(fp.documents.at(0).bytes, "");
}

TEST_F(RawJobTest, Utf16SizeFollowsTheCharactersTheConversionMade) {
  // A double-byte code page makes fewer characters than bytes.
  Print_StartRaw("EPOS");
  fp.Script("MultiByteToWideChar", {2, 0});
  EXPECT_EQ(Print_RawString("\x82\xA0\x82\xA2", RAW_UTF16), 4);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].count, 4u);
  Print_StopRaw();
}

TEST_F(RawJobTest, NoMemoryForTheBufferSendsNothing) {
  Print_StartRaw("EPOS");
  Print_Calloc = &NoMemory;
  for (RawFormat format : {RAW_ASCII, RAW_UTF8, RAW_UTF16}) {
    EXPECT_EQ(Print_RawString("text", format), 0);
  }
  EXPECT_TRUE(writes.empty());
  Print_StopRaw();
}

// ---- Writes the spooler takes in parts -------------------------------------

TEST_F(RawJobTest, ShortWritesAreFollowedByTheRemainder) {
  fp.printers["Receipt"].maxWriteChunk = 10;
  Print_SetTrace(1);
  Print_StartRaw("EPOS");
  const std::string text = "Brevanti Limited   09284 31 26 48\r\n";

  EXPECT_EQ(Print_RawString(text.c_str()), 35);

  ASSERT_EQ(writes.size(), 4u);
  const DWORD counts[] = {35, 25, 15, 5};
  const char *first = static_cast<const char *>(writes[0].buffer);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(writes[i].count, counts[i]);
    EXPECT_EQ(writes[i].buffer, first + 10 * i);
  }
  Print_StopRaw();
  EXPECT_EQ(fp.documents.at(0).bytes, text);

  std::vector<std::string> lines = TraceLines();
  ASSERT_EQ(lines.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(lines[i], WriteLine(writes[i].buffer, static_cast<int>(counts[i])));
  }
}

TEST_F(RawJobTest, WriteThatTakesNothingEndsTheLoop) {
  Print_SetTrace(1);
  Print_StartRaw("EPOS");
  fp.Script("WritePrinter", {1, 0});  // success, count left at 0
  EXPECT_EQ(Print_RawString("\n\n\n\n"), 0);
  EXPECT_EQ(writes.size(), 1u);
  Print_StopRaw();
  EXPECT_EQ(TraceLines().size(), 1u);
}

TEST_F(RawJobTest, FailedWriteEndsTheLoopWithWhatWasTakenAndNoTraceLine) {
  fp.printers["Receipt"].maxWriteChunk = 10;
  Print_SetTrace(1);
  Print_StartRaw("EPOS");
  fp.FailCall("WritePrinter", 2);
  EXPECT_EQ(Print_RawString(std::string(35, 'x').c_str()), 10);
  EXPECT_EQ(writes.size(), 2u);
  EXPECT_EQ(Print_RawString("abc"), 3);  // the next string is written again
  Print_StopRaw();
  EXPECT_EQ(fp.documents.at(0).bytes, std::string(10, 'x') + "abc");
  const std::vector<std::string> lines = TraceLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], WriteLine(writes[0].buffer, 35));
  EXPECT_EQ(lines[1], WriteLine(writes[2].buffer, 3));
}

TEST_F(RawJobTest, WriteWithoutADocumentFailsWithoutATraceLine) {
  Print_SetTrace(1);
  EXPECT_EQ(Print_RawString("\n"), 0);
  EXPECT_EQ(writes.size(), 1u);
  Print_Release();
  EXPECT_TRUE(fp.files.empty());
}

// ---- Ending ----------------------------------------------------------------

struct StopCase {
  const char *label;
  bool startDocument;
  const char *failing;  // a call made to fail, or null
  int result;
};

std::ostream &operator<<(std::ostream &out, const StopCase &c) {
  return out << c.label;
}

const StopCase kStopCases[] = {
    {"ended", true, nullptr, 1},
    {"end_page_fails", true, "EndPagePrinter", 1},
    {"end_document_fails", true, "EndDocPrinter", 0},
    {"no_document", false, nullptr, 0},
};

class StopRawTest : public RawJobTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopRawTest, ReleasesTheJobWhateverTheEndGave) {
  const StopCase &c = GetParam();
  if (c.startDocument) Print_StartRaw("EPOS");
  fp.ClearCalls();
  if (c.failing != nullptr) fp.FailCall(c.failing);

  EXPECT_EQ(Print_StopRaw(), c.result);

  const std::vector<std::string> names = fp.CallNames();
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names[0], "EndPagePrinter");
  EXPECT_EQ(names[1], "EndDocPrinter");
  EXPECT_EQ(names[2], "ClosePrinter");
  EXPECT_EQ(fp.LiveSummary(), "printers=0 dcs=0 pens=0 brushes=0 files=0 modules=0");
  EXPECT_EQ(g_Print.Vantrel_PH, nullptr);
  EXPECT_EQ(g_Print.PrinterDC, nullptr);
  EXPECT_EQ(g_Print.PenHandle, nullptr);
  EXPECT_EQ(g_Print.BrushHandle, nullptr);
  EXPECT_NE(g_Print.DevMode, nullptr) << "the DEVMODE cache outlives the job";
  EXPECT_TRUE(fp.Violations().empty());
}

INSTANTIATE_TEST_SUITE_P(Ends, StopRawTest, ::testing::ValuesIn(kStopCases),
                         [](const auto &info) { return std::string(info.param.label); });

}  // namespace
