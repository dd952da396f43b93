// The drawer-kick ticket: 89 bytes of ESC/POS in one RAW document "EPOS".
#include <atomic>
#include <mutex>

#include "printer/open_printer.h"
#include "printer/raw_job.h"
#include "tester/tester.h"
#include "tester/ticket_lock.h"

std::timed_mutex g_TicketLock;
std::atomic<bool> g_TesterEnding{false};

namespace {
// Text can carry no zero byte, so the kick selects pin 2 with "0" (48).
const char kFeedLines[] = "\n\n\n\n";
const char kHeaderLine[] = "Brevanti Limited   09284 31 26 48\r\n";
// ESC i: partial cut.
const char kCutCommand[] = "\x1Bi";
// ESC p m t1 t2: m "0" is pin 2; t1 = t2 = 32 (blanks), 64 ms on, 64 ms off.
const char kKickCommand[] = "\x1Bp0  ";
}  // namespace

void Tester_PrintTicket() {
  std::lock_guard<std::timed_mutex> hold(g_TicketLock);
  if (g_TesterEnding) return;
  if (Print_OpenPrinter("", "", 0) == nullptr) return;
  Print_StartRaw("EPOS", "", "RAW");
  Print_RawString(kFeedLines);
  Print_RawString(kHeaderLine);
  Print_RawString(kHeaderLine);
  Print_RawString(kFeedLines);
  Print_RawString(kFeedLines);
  Print_RawString(kCutCommand);
  Print_RawString(kKickCommand);
  Print_StopRaw();
}
