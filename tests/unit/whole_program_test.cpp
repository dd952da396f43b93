// The whole program on the fake: 255 Enters, 255 tickets, and nothing left
// open when it exits.
#include <string>

#include "platform/platform.h"
#include "tester/tester.h"
#include "tests/unit/support/fixture.h"

namespace {

constexpr int kCycles = 255;

struct ProgramCase {
  const char *label;
  void (*arrange)(fake::Platform &fp);
  int documents;
  int shortDocuments;    // documents missing one string
  int unendedDocuments;  // whose EndDocPrinter failed
};

std::ostream &operator<<(std::ostream &out, const ProgramCase &c) {
  return out << c.label;
}

const ProgramCase kProgramCases[] = {
    {"every_cycle_prints", [](fake::Platform &) {}, kCycles, 0, 0},
    {"no_default_printer", [](fake::Platform &fp) { fp.defaultPrinter = ""; }, 0, 0, 0},
    // One failure each at a few cycles: the opening of cycle 7, the device
    // context of cycle 3, a document start, a write and a document end
    // further on. Every other cycle prints its whole ticket.
    {"scattered_failures",
     [](fake::Platform &fp) {
       fp.FailCall("OpenPrinterA", 7);
       fp.FailCall("CreateDCA", 3);
       fp.FailCall("StartDocPrinterA", 50);
       fp.FailCall("WritePrinter", 100);
       fp.FailCall("EndDocPrinter", 200);
     },
     kCycles - 3, 1, 1},
    {"short_writes", [](fake::Platform &fp) { fp.printers["Receipt"].maxWriteChunk = 16; }, kCycles,
     0, 0},
};

class WholeProgramTest : public CoreTest, public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(WholeProgramTest, RunsEveryCycleAndExitsWithNothingOpen) {
  const ProgramCase &c = GetParam();
  fp.AddPrinter("Receipt");
  fp.defaultPrinter = "Receipt";
  c.arrange(fp);
  for (int cycle = 0; cycle < kCycles; ++cycle) fp.QueueKey('\r');

  UINT exitCode = 1000;
  try {
    Tester_Main();
  } catch (const fake::ProcessExit &exit) {
    exitCode = exit.code;
  }

  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(fp.console.input.empty()) << "every Enter was read";
  ASSERT_EQ(static_cast<int>(fp.documents.size()), c.documents);
  int whole = 0, unended = 0;
  for (const fake::DocumentModel &document : fp.documents) {
    EXPECT_EQ(document.docName, "EPOS");
    EXPECT_EQ(document.dataType, "RAW");
    EXPECT_EQ(document.outputFile, std::nullopt);
    whole += document.bytes == TicketBytes();
    unended += !document.ended;
  }
  EXPECT_EQ(whole, c.documents - c.shortDocuments);
  EXPECT_EQ(unended, c.unendedDocuments);

  EXPECT_EQ(fp.LiveSummary(), "printers=0 dcs=0 pens=0 brushes=0 files=0 modules=0");
  EXPECT_TRUE(fp.Violations().empty());
  EXPECT_TRUE(fp.files.empty());  // the program never traces
}

INSTANTIATE_TEST_SUITE_P(Runs, WholeProgramTest, ::testing::ValuesIn(kProgramCases),
                         [](const auto &info) { return std::string(info.param.label); });

}  // namespace
