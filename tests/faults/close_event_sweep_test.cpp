// The close event at every point of a cycle: the end routine runs on a second
// thread while the ticket is inside each of its platform calls in turn. It
// must wait for the job, so that nothing is closed under a running call, and
// still release everything once the job is out of the way.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "console/console.h"
#include "platform/fake/fake_platform.h"
#include "printer/print_state.h"
#include "tester/tester.h"
#include "tests/unit/support/fixture.h"

namespace {

const char kPrinter[] = "Receipt";

TEST(CloseEventSweep, EndRoutineAtEveryCallOfATicket) {
  size_t callsOfTicket;
  {
    ResetCoreState();
    fake::Platform fp;
    fp.AddPrinter(kPrinter);
    fp.defaultPrinter = kPrinter;
    Print_Init();
    Tester_PrintTicket();
    callsOfTicket = fp.Calls().size();
  }
  ASSERT_GT(callsOfTicket, 40u);

  for (size_t k = 1; k <= callsOfTicket; ++k) {
    SCOPED_TRACE("close event at call " + std::to_string(k));
    ResetCoreState();
    fake::Platform fp;
    fp.AddPrinter(kPrinter);
    fp.defaultPrinter = kPrinter;
    Print_Init();
    fp.AttachConsole();
    Con_SetEndRoutine(Tester_End);
    Con_Open(nullptr);  // installs the close handler
    fp.ClearCalls();

    const uint64_t mainThread = std::hash<std::thread::id>()(std::this_thread::get_id());
    std::thread closer;
    std::atomic<bool> endFinished{false};
    size_t seen = 0;
    fp.onCall = [&](const fake::Call &call) {
      if (call.thread != mainThread || ++seen != k) return;
      closer = std::thread([&] {
        fp.RaiseCtrlEvent(2);
        endFinished = true;
      });
      // Give the end routine every chance to run ahead of the job.
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      EXPECT_FALSE(endFinished.load()) << "end routine ran during " << call.Text();
    };
    Tester_PrintTicket();
    ASSERT_TRUE(closer.joinable());
    closer.join();
    fp.onCall = nullptr;

    // Every call of the end routine's thread comes after the last of the job.
    std::vector<fake::Call> calls = fp.Calls();
    size_t lastOfJob = 0, firstOfEnd = calls.size();
    for (size_t i = 0; i < calls.size(); ++i) {
      if (calls[i].thread == mainThread)
        lastOfJob = i;
      else if (firstOfEnd == calls.size())
        firstOfEnd = i;
    }
    EXPECT_GT(firstOfEnd, lastOfJob);
    EXPECT_TRUE(fp.Violations().empty());
    ASSERT_EQ(fp.documents.size(), 1u);
    EXPECT_EQ(fp.documents[0].bytes, TicketBytes());
    EXPECT_TRUE(fp.documents[0].ended);
    EXPECT_EQ(fp.OpenPrinters(), 0);
    EXPECT_EQ(fp.LiveDCs(), 0);
    EXPECT_EQ(fp.LivePens(), 0);
    EXPECT_EQ(fp.LiveBrushes(), 0);

    // No ticket goes out once the end routine has run.
    Tester_PrintTicket();
    EXPECT_EQ(fp.documents.size(), 1u);
  }
}

}  // namespace
