// The posix backend's spooler against a private cupsd, with its libcups and
// system calls failed one by one through the backend's override table: a
// ticket counts as sent only when the scheduler confirmed the whole document,
// a half-made job never stays in the queue, and no ticket is sent twice.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "harness/command.h"
#include "harness/private_cups.h"
#include "platform/posix/backend_calls.h"
#include "platform/posix/last_error.h"
#include "platform/posix/spooler_calls.h"
#include "tests/support/ticket.h"

namespace {

using std::chrono::milliseconds;
using winapi::DWORD;
using winapi::HANDLE;

dkposix::BackendCalls &Calls() {
  return dkposix::Backend();
}
const dkposix::BackendCalls &Real() {
  return dkposix::RealBackend();
}

// The faults. Each fails one call of the real backend the way a server or
// a connection can; the real call is made where the scheduler would have
// seen it.
http_t *g_finished = nullptr;  // the connection a finish was made on
int g_finishError = 0;         // and the error it shows after it

// libcups 2.4 can report successful-ok from a finish whose answer was cut
// off; the connection's error is all that tells.
ipp_status_t FinishThenError(http_t *http, cups_dest_t *dest, cups_dinfo_t *info) {
  g_finished = http;
  return Real().cupsFinishDestDocument(http, dest, info);
}
int ErrorAfterFinish(http_t *http) {
  return http == g_finished && http != nullptr ? g_finishError : Real().httpError(http);
}
void FailFinishWith(int error) {
  g_finishError = error;
  Calls().cupsFinishDestDocument = FinishThenError;
  Calls().httpError = ErrorAfterFinish;
}
ipp_status_t FinishWithUnreadableReply(http_t *http, cups_dest_t *dest, cups_dinfo_t *info) {
  shutdown(httpGetFd(http), SHUT_RD);  // the reply can no longer be read
  return Real().cupsFinishDestDocument(http, dest, info);
}
http_status_t StartDocumentRefused(http_t *, cups_dest_t *, cups_dinfo_t *, int, const char *,
                                   const char *, int, cups_option_t *, int) {
  return HTTP_STATUS_ERROR;
}
// Half the bytes go out before the connection fails.
http_status_t ShortWrite(http_t *http, const char *buffer, size_t length) {
  Real().cupsWriteRequestData(http, buffer, length / 2);
  return HTTP_STATUS_ERROR;
}
// The scheduler makes the job, but its answer is lost on the way.
ipp_status_t CreateJobAnswerLost(http_t *http, cups_dest_t *dest, cups_dinfo_t *info, int *jobId,
                                 const char *title, int count, cups_option_t *options) {
  Real().cupsCreateDestJob(http, dest, info, jobId, title, count, options);
  *jobId = 0;
  shutdown(httpGetFd(http), SHUT_RDWR);
  return IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
}
ipp_status_t CancelUnreachable(http_t *, cups_dest_t *, int) {
  return IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
}

struct Fault {
  const char *name;
  void (*install)();
  bool startsDocument;  // StartDocPrinterA still succeeds
};

const Fault kFaults[] = {
    {"finish whose connection shows a reset", [] { FailFinishWith(ECONNRESET); }, true},
    {"finish whose connection shows a time-out", [] { FailFinishWith(ETIMEDOUT); }, true},
    {"finish whose reply cannot be read",
     [] { Calls().cupsFinishDestDocument = FinishWithUnreadableReply; }, true},
    {"start of the document refused", [] { Calls().cupsStartDestDocument = StartDocumentRefused; },
     false},
    {"short write", [] { Calls().cupsWriteRequestData = ShortWrite; }, true},
    {"answer to Create-Job lost", [] { Calls().cupsCreateDestJob = CreateJobAnswerLost; }, false},
};

class BackendFaultTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (geteuid() != 0) return;
    served_ = std::make_unique<PrivateCups>();
    if (!served_->Start() || !served_->AddRawQueue("Receipts", true)) served_.reset();
  }
  static void TearDownTestSuite() { served_.reset(); }

  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "the private cupsd needs root";
    ASSERT_NE(served_, nullptr) << "the private cupsd did not start";
    setenv("CUPS_SERVER", served_->Socket().c_str(), 1);
    setenv("CUPS_SERVERROOT", served_->Folder().c_str(), 1);
    setenv("HOME", served_->Folder().c_str(), 1);
    unsetenv("LPDEST");
    unsetenv("PRINTER");
    cupsSetServer(nullptr);
  }
  void TearDown() override {
    Calls() = Real();
    g_finished = nullptr;
  }

  // One cycle as the program makes it, with the ticket in one write; true
  // when every call succeeded, that is when the ticket counts as sent.
  static bool Cycle(bool *started = nullptr) {
    DWORD size = 0;
    dkposix::GetDefaultPrinterA(nullptr, &size);
    std::string name(size, '\0');
    if (size == 0 || !dkposix::GetDefaultPrinterA(name.data(), &size)) return false;
    HANDLE printer = nullptr;
    if (!dkposix::OpenPrinterA(name.data(), &printer, nullptr)) return false;
    char docName[] = "EPOS", type[] = "RAW";
    winapi::DOC_INFO_1A info{docName, nullptr, type};
    bool sent = dkposix::StartDocPrinterA(printer, 1, reinterpret_cast<winapi::LPBYTE>(&info)) != 0;
    if (started != nullptr) *started = sent;
    if (sent) {
      std::string ticket = TicketBytes();
      DWORD written = 0;
      sent = dkposix::StartPagePrinter(printer) &&
             dkposix::WritePrinter(printer, ticket.data(), ticket.size(), &written) &&
             written == ticket.size();
      sent = dkposix::EndPagePrinter(printer) && sent;
      sent = dkposix::EndDocPrinter(printer) && sent;
    }
    dkposix::ClosePrinter(printer);
    return sent;
  }

  // Every job the scheduler printed (completed, not cancelled or aborted)
  // holds the whole ticket; the count of them, else -1.
  static int WholeCompletedJobs() {
    cups_job_t *jobs = nullptr;
    int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, "Receipts", 0, CUPS_WHICHJOBS_COMPLETED);
    EXPECT_GE(count, 0) << cupsLastErrorString();
    int whole = 0;
    for (int i = 0; i < count; ++i) {
      if (jobs[i].state != IPP_JSTATE_COMPLETED) continue;
      char path[64];
      std::snprintf(path, sizeof path, "/spool/d%05d-001", jobs[i].id);
      std::string document = RunCommand("cat " + ShellQuote(served_->Folder() + path)).output;
      EXPECT_EQ(document, TicketBytes()) << "job " << jobs[i].id;
      whole = document == TicketBytes() && whole >= 0 ? whole + 1 : -1;
    }
    cupsFreeJobs(count, jobs);
    return whole;
  }

  static bool QueueEmpty() {
    return WaitUntil([] { return served_->NotCompletedJobs().empty(); }, milliseconds(5000));
  }

  static std::unique_ptr<PrivateCups> served_;
};

std::unique_ptr<PrivateCups> BackendFaultTest::served_;

TEST_F(BackendFaultTest, TheTableNamesEveryCallAndRefusesUnknownNames) {
  std::vector<std::string> names;
  for (const char *const *name = dkposix::BackendCallNames(); *name != nullptr; ++name) {
    names.push_back(*name);
  }
  EXPECT_EQ(names.size(), sizeof(dkposix::BackendCalls) / sizeof(void (*)()));
  auto refused = reinterpret_cast<void (*)()>(StartDocumentRefused);
  EXPECT_FALSE(dkposix::OverrideBackendCall("cupsStartDestDocumnet", refused));
  EXPECT_FALSE(dkposix::OverrideBackendCall(nullptr, refused));
  EXPECT_EQ(Calls().cupsStartDestDocument, Real().cupsStartDestDocument);
  EXPECT_TRUE(dkposix::OverrideBackendCall("cupsStartDestDocument", refused));
  EXPECT_EQ(Calls().cupsStartDestDocument, StartDocumentRefused);
  EXPECT_TRUE(dkposix::OverrideBackendCall("cupsStartDestDocument", nullptr));
  EXPECT_EQ(Calls().cupsStartDestDocument, Real().cupsStartDestDocument);
}

// For each fault: the ticket fails, nothing half-made stays queued, every
// completed job is whole, and the next cycle, without the fault, sends
// exactly one more ticket.
TEST_F(BackendFaultTest, AFailedCallFailsTheTicketAndLeavesNoHalfMadeJob) {
  for (const Fault &fault : kFaults) {
    SCOPED_TRACE(fault.name);
    int before = WholeCompletedJobs();
    ASSERT_GE(before, 0);
    fault.install();
    bool started = false;
    EXPECT_FALSE(Cycle(&started));
    EXPECT_EQ(started, fault.startsDocument);
    Calls() = Real();
    g_finished = nullptr;
    EXPECT_TRUE(Cycle());  // also sweeps what the failed one may have left
    EXPECT_TRUE(QueueEmpty()) << served_->NotCompletedJobs();
    int after = WholeCompletedJobs();
    // The failed ticket may have been printed whole before its confirmation
    // was lost; it is never sent again.
    EXPECT_GE(after, before + 1);
    EXPECT_LE(after, before + 2);
  }
}

// A job whose document failed, while the scheduler cannot be told to cancel
// it, is cancelled by the next cycle once it can.
TEST_F(BackendFaultTest, ACancelThatCannotBeMadeIsMadeInTheNextCycle) {
  Calls().cupsStartDestDocument = StartDocumentRefused;
  Calls().cupsCancelDestJob = CancelUnreachable;
  EXPECT_FALSE(Cycle());
  std::string waiting = served_->NotCompletedJobs();
  EXPECT_NE(waiting.find("Receipts-"), std::string::npos) << "the job was cancelled at once";
  Calls() = Real();
  int before = WholeCompletedJobs();
  EXPECT_TRUE(Cycle());
  EXPECT_TRUE(QueueEmpty()) << served_->NotCompletedJobs();
  EXPECT_EQ(WholeCompletedJobs(), before + 1);
}

// A short write to an output file is not a failure: the rest follows.
TEST_F(BackendFaultTest, AShortWriteToAnOutputFileIsCompletedByTheNextWrite) {
  static int shortWrites = 0;
  shortWrites = 0;
  Calls().write = [](int fd, const void *buffer, size_t count) -> ssize_t {
    ++shortWrites;
    return Real().write(fd, buffer, count > 7 ? 7 : count);
  };
  std::string path = served_->Folder() + "/ticket.prn";
  char name[] = "Receipts", docName[] = "EPOS", type[] = "RAW";
  HANDLE printer = nullptr;
  ASSERT_TRUE(dkposix::OpenPrinterA(name, &printer, nullptr));
  winapi::DOC_INFO_1A info{docName, path.data(), type};
  ASSERT_NE(dkposix::StartDocPrinterA(printer, 1, reinterpret_cast<winapi::LPBYTE>(&info)), 0u);
  std::string ticket = TicketBytes();
  size_t at = 0;
  while (at < ticket.size()) {
    DWORD written = 0;
    ASSERT_TRUE(dkposix::WritePrinter(printer, &ticket[at], ticket.size() - at, &written));
    ASSERT_GT(written, 0u);
    at += written;
  }
  EXPECT_TRUE(dkposix::EndDocPrinter(printer));
  EXPECT_TRUE(dkposix::ClosePrinter(printer));
  EXPECT_GT(shortWrites, 1);
  EXPECT_EQ(RunCommand("cat " + ShellQuote(path)).output, ticket);
}

}  // namespace
