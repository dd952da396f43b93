// Every way a platform call of one cycle can fail: one cycle (open, job,
// release) is run once per call it makes, with that call failing, and once
// more with it failing from then on. Each run must end without a crash,
// without touching a closed handle, with everything released that the
// platform let go of, and with the ticket sent whole, cut by exactly the
// failed write, or not at all, as the failed call decides.
#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "printer/print_state.h"
#include "tester/tester.h"
#include "tests/unit/support/fixture.h"

namespace {

const char kPrinter[] = "Receipt";
const std::vector<std::string> kTicketStrings(std::begin(kTicketPieces), std::end(kTicketPieces));

// Calls through which the platform lets go of something: when one of them
// fails, the object it was to free stays alive, and the library forgets it
// all the same so that nothing is closed twice.
const std::set<std::string> kReleaseCalls = {"ClosePrinter", "DeleteDC",    "DeleteObject",
                                             "SelectObject", "CloseHandle", "FreeLibrary"};

void PreparePrinter(fake::Platform &fp) {
  fp.AddPrinter(kPrinter);
  fp.defaultPrinter = kPrinter;
}

void RunCycle(bool trace) {
  Print_Init();
  Print_SetTrace(trace ? 1 : 0);
  Tester_PrintTicket();
  Tester_End();
}

// Can bytes be made of some of the seven strings, each whole, in order?
bool IsTicketWithStringsLeftOut(const std::string &bytes, size_t from = 0, size_t next = 0) {
  if (from == bytes.size()) return true;
  for (size_t i = next; i < kTicketStrings.size(); ++i) {
    const std::string &s = kTicketStrings[i];
    if (bytes.compare(from, s.size(), s) == 0 &&
        IsTicketWithStringsLeftOut(bytes, from + s.size(), i + 1))
      return true;
  }
  return false;
}

// What one failed call (and nothing else) does to the ticket.
std::string ExpectedBytes(const std::string &failedCall, int writeNumber) {
  static const std::set<std::string> kNoTicket = {"LoadLibraryA",       "GetProcAddress",
                                                  "GetDefaultPrinterA", "OpenPrinterA",
                                                  "CreateDCA",          "StartDocPrinterA"};
  if (kNoTicket.count(failedCall)) return "";
  std::string bytes;
  for (size_t i = 0; i < kTicketStrings.size(); ++i) {
    if (failedCall == "WritePrinter" && static_cast<int>(i) + 1 == writeNumber) continue;
    bytes += kTicketStrings[i];
  }
  return bytes;
}

std::vector<fake::Call> Baseline(bool trace) {
  ResetCoreState();
  fake::Platform fp;
  PreparePrinter(fp);
  RunCycle(trace);
  return fp.Calls();
}

void CheckReleased(const fake::Platform &fp, const std::string &failed) {
  bool mayKeep = kReleaseCalls.count(failed) > 0;
  if (!mayKeep) {
    EXPECT_EQ(fp.OpenPrinters(), 0);
    EXPECT_EQ(fp.LiveDCs(), 0);
    EXPECT_EQ(fp.LivePens(), 0);
    EXPECT_EQ(fp.LiveBrushes(), 0);
    EXPECT_EQ(fp.OpenFiles(), 0);
    EXPECT_EQ(fp.LoadedModules(), 0);
  } else {
    // At most the one object the platform would not let go of.
    EXPECT_LE(fp.OpenPrinters() + fp.LiveDCs() + fp.LivePens() + fp.LiveBrushes() + fp.OpenFiles() +
                  fp.LoadedModules(),
              failed == "SelectObject" ? 2 : 1)
        << fp.LiveSummary();
  }
}

class FaultSweep : public ::testing::TestWithParam<bool> {};

TEST_P(FaultSweep, EachCallFailingOnceOrFromThenOn) {
  const bool trace = GetParam();
  const std::vector<fake::Call> baseline = Baseline(trace);
  ASSERT_GT(baseline.size(), 40u);

  int writesSoFar = 0;
  for (size_t k = 1; k <= baseline.size(); ++k) {
    const std::string failed = baseline[k - 1].name;
    if (failed == "WritePrinter") ++writesSoFar;
    for (bool fromThenOn : {false, true}) {
      SCOPED_TRACE("call " + std::to_string(k) + " " + baseline[k - 1].Text() +
                   (fromThenOn ? " failing from then on" : " failing once") +
                   (trace ? ", tracing" : ""));
      ResetCoreState();
      fake::Platform fp;
      PreparePrinter(fp);
      fp.FailAtIndex(static_cast<int>(k), fromThenOn);
      RunCycle(trace);

      EXPECT_TRUE(fp.Violations().empty()) << fp.Violations().front();
      ASSERT_LE(fp.documents.size(), 1u);
      std::string bytes = fp.documents.empty() ? "" : fp.documents[0].bytes;
      EXPECT_TRUE(IsTicketWithStringsLeftOut(bytes)) << "bytes not made of whole ticket strings";
      if (!fromThenOn) {
        CheckReleased(fp, failed);
        EXPECT_EQ(bytes, ExpectedBytes(failed, writesSoFar));
        if (!fp.documents.empty()) {
          EXPECT_EQ(fp.documents[0].ended, failed != "EndDocPrinter");
        }
      } else if (kReleaseCalls.count(failed) == 0 && failed != "GetLastError") {
        // Failing from then on can stop every later release too; what was
        // still held before the failure may stay, but never more than a job.
        EXPECT_LE(fp.OpenPrinters(), 1);
        EXPECT_LE(fp.LiveDCs(), 1);
      }
      for (const auto &[name, file] : fp.files) {
        if (!file.bytes.empty()) {
          EXPECT_EQ(file.bytes.substr(file.bytes.size() - 2), "\r\n") << name;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(TraceOffAndOn, FaultSweep, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Tracing" : "Silent"; });

}  // namespace
