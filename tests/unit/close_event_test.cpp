// The console's close event arrives on a thread of its own. While a ticket
// is printing on the main thread, the end routine must wait for it rather
// than close the printer or the device context under a running call; after
// it, no ticket is sent.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "console/console.h"
#include "printer/print_state.h"
#include "tester/tester.h"
#include "tester/ticket_lock.h"
#include "tests/unit/support/fixture.h"

namespace {

using namespace std::chrono_literals;

uint64_t ThisThread() {
  return std::hash<std::thread::id>()(std::this_thread::get_id());
}

int CallsFromOtherThreads(const fake::Platform &platform, uint64_t thread) {
  int count = 0;
  for (const fake::Call &call : platform.Calls()) count += call.thread != thread;
  return count;
}

void ExpectEverythingReleased(const fake::Platform &platform) {
  EXPECT_EQ(platform.OpenPrinters(), 0);
  EXPECT_EQ(platform.LiveDCs(), 0);
  EXPECT_EQ(platform.LivePens(), 0);
  EXPECT_EQ(platform.LiveBrushes(), 0);
  EXPECT_TRUE(platform.Violations().empty()) << testing::PrintToString(platform.Violations());
}

// A default printer, and the console open with the program's end routine,
// as the program starts; the calls made so far are forgotten.
class OpenConsoleTest : public CoreTest {
 protected:
  void OpenConsoleWithDefaultPrinter() {
    fp.AddPrinter("Till");
    fp.defaultPrinter = "Till";
    Print_Init();
    Con_SetEndRoutine(Tester_End);
    Con_Open(nullptr);
    fp.ClearCalls();
  }
};

// Where the ticket is held up while the close event arrives, and how the
// event arrives: through the console's handler or straight to the end
// routine.
struct HoldUp {
  const char *call;
  int nth;
  bool throughHandler;
};

void PrintTo(const HoldUp &holdUp, std::ostream *out) {
  *out << holdUp.call << " #" << holdUp.nth << (holdUp.throughHandler ? " by close event" : "");
}

class CloseDuringTicket : public OpenConsoleTest, public testing::WithParamInterface<HoldUp> {};

TEST_P(CloseDuringTicket, WaitsForTheWholeJobAndThenSendsNoMore) {
  const HoldUp &holdUp = GetParam();
  OpenConsoleWithDefaultPrinter();

  const uint64_t mainThread = ThisThread();
  std::thread closer;
  std::atomic<int> seen{0};
  int otherCallsWhileHeld = -1;
  std::vector<std::string> seenWhileHeld;
  fp.onCall = [&](const fake::Call &call) {
    if (ThisThread() != mainThread || call.name != holdUp.call || ++seen != holdUp.nth) return;
    // The main thread is inside the call: the event arrives now.
    std::atomic<bool> started{false};
    closer = std::thread([&] {
      started = true;
      if (holdUp.throughHandler) {
        fp.RaiseCtrlEvent(CTRL_CLOSE_EVENT);
      } else {
        Tester_End();
      }
    });
    while (!started) std::this_thread::yield();
    std::this_thread::sleep_for(200ms);  // time enough to release, were it not held off
    otherCallsWhileHeld = CallsFromOtherThreads(fp, mainThread);
    seenWhileHeld = fp.CallTexts();
  };

  Tester_PrintTicket();
  ASSERT_TRUE(closer.joinable()) << "the ticket never made the call " << holdUp.call;
  closer.join();
  fp.onCall = nullptr;

  EXPECT_EQ(otherCallsWhileHeld, 0) << testing::PrintToString(seenWhileHeld);
  ASSERT_EQ(fp.documents.size(), 1u);
  EXPECT_EQ(fp.documents[0].bytes, TicketBytes());
  EXPECT_EQ(fp.documents[0].bytes.size(), 89u);
  EXPECT_TRUE(fp.documents[0].ended);
  EXPECT_FALSE(fp.documents[0].abandoned);
  EXPECT_EQ(fp.CountOf("EndDocPrinter"), 1);
  // The job's own release closed everything; the end routine found nothing.
  EXPECT_EQ(CallsFromOtherThreads(fp, mainThread), 0);
  ExpectEverythingReleased(fp);

  fp.ClearCalls();
  Tester_PrintTicket();
  EXPECT_TRUE(fp.Calls().empty()) << testing::PrintToString(fp.CallTexts());
  EXPECT_EQ(fp.documents.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    HeldUpCalls, CloseDuringTicket,
    testing::Values(HoldUp{"OpenPrinterA", 1, true}, HoldUp{"DocumentPropertiesA", 2, false},
                    HoldUp{"CreateDCA", 1, true}, HoldUp{"ExtCreatePen", 1, false},
                    HoldUp{"StartDocPrinterA", 1, true}, HoldUp{"WritePrinter", 3, true},
                    HoldUp{"WritePrinter", 3, false}, HoldUp{"EndDocPrinter", 1, false},
                    HoldUp{"ClosePrinter", 1, true}, HoldUp{"DeleteDC", 1, false}),
    [](const testing::TestParamInfo<HoldUp> &info) {
      return std::string(info.param.call) + std::to_string(info.param.nth) +
             (info.param.throughHandler ? "ByCloseEvent" : "ByEndRoutine");
    });

// A ticket whose call never comes back (a server that accepts and stays
// silent): the close event must not wait for it for ever. The end routine
// gives up after its bound, closes nothing under the stuck call, and the
// ticket, once its call returns, still releases each handle exactly once.
struct StuckCall {
  const char *call;
  int nth;
};

void PrintTo(const StuckCall &stuck, std::ostream *out) {
  *out << stuck.call << " #" << stuck.nth;
}

class CloseWhileTicketIsStuck : public OpenConsoleTest,
                                public testing::WithParamInterface<StuckCall> {};

TEST_P(CloseWhileTicketIsStuck, EndsWithinTheBoundAndReleasesNothingTwice) {
  const StuckCall &stuck = GetParam();
  OpenConsoleWithDefaultPrinter();

  std::mutex mutex;
  std::condition_variable changed;
  bool isStuck = false, letGo = false;
  std::atomic<uint64_t> ticketThread{0};
  int seen = 0;
  fp.onCall = [&](const fake::Call &call) {
    if (call.name != stuck.call || ++seen != stuck.nth) return;
    std::unique_lock<std::mutex> lock(mutex);
    ticketThread = call.thread;
    isStuck = true;
    changed.notify_all();
    // Held until the test lets go; the bound only keeps a broken test from
    // hanging.
    changed.wait_for(lock, 20s, [&] { return letGo; });
  };
  std::thread ticket([] { Tester_PrintTicket(); });
  {
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, 10s, [&] { return isStuck; }))
        << "the ticket never made the call " << stuck.call;
  }

  const auto start = std::chrono::steady_clock::now();
  fp.RaiseCtrlEvent(CTRL_CLOSE_EVENT);
  const auto took = std::chrono::steady_clock::now() - start;
  const int otherCallsWhileStuck = CallsFromOtherThreads(fp, ticketThread);
  const std::vector<std::string> callsWhileStuck = fp.CallTexts();

  {
    std::lock_guard<std::mutex> lock(mutex);
    letGo = true;
  }
  changed.notify_all();
  ticket.join();
  fp.onCall = nullptr;

  // It waited for the ticket as long as it may, and no longer: Windows ends
  // a closing console's process about 5 s after the close.
  EXPECT_GE(took, kTesterEndWait - 50ms);
  EXPECT_LT(took, 5s);
  EXPECT_EQ(otherCallsWhileStuck, 0) << testing::PrintToString(callsWhileStuck);

  // The ticket went on once its call returned and released all it had, each
  // handle once, with no call on a closed handle.
  EXPECT_EQ(CallsFromOtherThreads(fp, ticketThread), 0);
  EXPECT_EQ(fp.CountOf("ClosePrinter"), 1);
  EXPECT_EQ(fp.CountOf("DeleteDC"), 1);
  ExpectEverythingReleased(fp);

  // The end routine of the normal way out finds nothing left, and no ticket
  // follows the close.
  fp.ClearCalls();
  Tester_End();
  Tester_PrintTicket();
  EXPECT_TRUE(fp.Calls().empty()) << testing::PrintToString(fp.CallTexts());
  ExpectEverythingReleased(fp);
}

INSTANTIATE_TEST_SUITE_P(StuckCalls, CloseWhileTicketIsStuck,
                         testing::Values(StuckCall{"OpenPrinterA", 1}, StuckCall{"WritePrinter", 3},
                                         StuckCall{"EndDocPrinter", 1}),
                         [](const testing::TestParamInfo<StuckCall> &info) {
                           return std::string(info.param.call) + std::to_string(info.param.nth);
                         });

// Closed while the program waits at a prompt: the end routine runs on the
// event's thread at once, and no ticket follows, whatever the main thread
// does until the platform ends the process.
using CloseAtPrompt = CoreTest;

TEST_F(CloseAtPrompt, SendsNoFurtherTicket) {
  fp.AddPrinter("Till");
  fp.defaultPrinter = "Till";
  for (int cycle = 1; cycle <= 255; ++cycle) fp.QueueText("\r");
  int reads = 0;
  fp.onCall = [&](const fake::Call &call) {
    if (call.name != "ReadConsoleInputA" || ++reads != 3) return;
    std::thread([&] { fp.RaiseCtrlEvent(CTRL_CLOSE_EVENT); }).join();
  };

  try {
    Tester_Main();
  } catch (const fake::ProcessExit &) {
  }
  fp.onCall = nullptr;

  EXPECT_EQ(fp.documents.size(), 2u);
  EXPECT_EQ(fp.CountOf("OpenPrinterA"), 2);
  ExpectEverythingReleased(fp);
}

}  // namespace
