#include "platform/posix/spooler_calls.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <atomic>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/backend_calls.h"
#include "platform/posix/cups_server.h"
#include "platform/posix/dest_info_cache.h"
#include "platform/posix/devmode.h"
#include "platform/posix/follow_up.h"
#include "platform/posix/handle_table.h"
#include "platform/posix/job_sweep.h"
#include "platform/posix/last_error.h"
#include "platform/posix/owned_mutex.h"
#include "platform/posix/request_deadline.h"
#include "platform/posix/scheduler_connection.h"
#include "platform/posix/server_default.h"

namespace dkposix {
namespace {

using winapi::BOOL;
using winapi::DWORD;
using winapi::FALSE;
using winapi::HANDLE;
using winapi::TRUE;

constexpr DWORD kErrorNoStartDoc = winapi::ERROR_SPL_NO_STARTDOC;
constexpr winapi::LONG kIdOk = 1;

struct Printer {
  ~Printer() {
    if (outputFd >= 0) close(outputFd);
    KeepDestInfo(std::move(info));  // for the next opening of this printer
  }

  OwnedMutex mutex;  // one call at a time on a handle
  std::string name;  // as OpenPrinterA was given it; never changes
  CupsDest dest;
  // The scheduler's answer that named this printer the default, when it was
  // opened right after: for the device context made next, once, while fresh.
  IppMessage lookupAttributes;
  FollowUp<DefaultAnswer>::Clock::time_point answered;
  // What jobs are sent with: had on the first job of the handle, from an
  // earlier opening of the same printer when there was one.
  DestInfoRecord info;
  std::string defaultDatatype = "RAW";
  // The document under way, if any: to a file, or a CUPS job streamed over
  // the connection it holds until the document ends.
  bool documentOpen = false;
  int outputFd = -1;
  SchedulerLease link;
  int jobId = 0;
  // A write of the document failed: the scheduler may hold part of it, so
  // the document is cancelled, never finished.
  bool writeFailed = false;
};

HandleTable<Printer> &Printers() {
  static auto *printers = new HandleTable<Printer>(HandleKind::kPrinter);  // lives until _exit
  return *printers;
}

// The default destination as the scheduler last named it, for the calls of
// the same cycle that follow: the filling GetDefaultPrinterA call after the
// size query, then OpenPrinterA of that name. Every cycle asks again.
FollowUp<DefaultAnswer> &RecentDefault() {
  static auto *recent = new FollowUp<DefaultAnswer>;  // lives until _exit
  return *recent;
}

// Jobs created and not yet finished, with a destination of their own so they
// can be cancelled from another thread while their owner is sending; and
// jobs whose document may be incomplete that the scheduler could not be told
// to cancel yet. Those are cancelled when it answers again: at the end of
// every cycle and at the end of the process.
std::mutex g_jobsMutex;
std::map<int, CupsDest> *g_unfinishedJobs = new std::map<int, CupsDest>;
std::map<int, CupsDest> *g_cancelsDue = new std::map<int, CupsDest>;
// Destinations where a Create-Job failed after it may have made a job, with
// the job's title: swept for such jobs with the due cancels (job_sweep.h).
std::map<std::string, std::pair<CupsDest, std::string>> *g_sweepsDue =
    new std::map<std::string, std::pair<CupsDest, std::string>>;

// Whether the job is cancelled or beyond cancelling (ended already, gone);
// false when the scheduler did not answer or refused.
bool CancelJob(cups_dest_t *dest, int jobId) {
  SchedulerLease lease = LeaseScheduler();
  if (!lease) return false;
  ipp_status_t status = Backend().cupsCancelDestJob(lease.get(), dest, jobId);
  return status <= IPP_STATUS_OK_CONFLICTING || status == IPP_STATUS_ERROR_NOT_POSSIBLE ||
         status == IPP_STATUS_ERROR_NOT_FOUND;
}

// Cancels the job now, or when the scheduler answers again.
void CancelOrKeepDue(cups_dest_t *dest, int jobId) {
  if (CancelJob(dest, jobId)) return;
  CupsDest copy = CopyDest(dest);
  if (!copy) return;
  std::lock_guard<std::mutex> lock(g_jobsMutex);
  (*g_cancelsDue)[jobId] = std::move(copy);
}

void KeepSweepDue(cups_dest_t *dest, const char *title) {
  CupsDest copy = CopyDest(dest);
  if (!copy || title == nullptr) return;
  std::string key =
      std::string(dest->name) + '/' + (dest->instance ? dest->instance : "") + '\n' + title;
  std::lock_guard<std::mutex> lock(g_jobsMutex);
  (*g_sweepsDue)[key] = {std::move(copy), title};
}

// Cancels the documentless jobs a failed Create-Job may have left; true once
// the scheduler answered and took every cancel.
bool SweepJobs(cups_dest_t *dest, const std::string &title) {
  bool answered = false;
  std::vector<int> jobs;
  {
    SchedulerLease lease = LeaseScheduler();
    jobs = DocumentlessJobs(lease.get(), dest, title, answered);
  }
  if (!answered) return false;
  bool all = true;
  for (int job : jobs) all = CancelJob(dest, job) && all;
  return all;
}

// Takes the due entries out of pending, tries each once with settle without
// holding g_jobsMutex, and puts back those it did not settle; entries made
// due in the meantime are kept.
template <typename Key, typename Value, typename Try>
void RetryDue(std::map<Key, Value> &pending, Try settle) {
  std::map<Key, Value> due;
  {
    std::lock_guard<std::mutex> lock(g_jobsMutex);
    due.swap(pending);
  }
  for (auto it = due.begin(); it != due.end();) {
    it = settle(it->first, it->second) ? due.erase(it) : std::next(it);
  }
  std::lock_guard<std::mutex> lock(g_jobsMutex);
  for (auto &entry : due) pending.emplace(entry.first, std::move(entry.second));
}

// Tries every due cancel and sweep once; those the scheduler still does not
// take stay due.
void CancelDueJobs() {
  RetryDue(*g_sweepsDue, [](const std::string &, std::pair<CupsDest, std::string> &sweep) {
    return SweepJobs(sweep.first.get(), sweep.second);
  });
  RetryDue(*g_cancelsDue, [](int jobId, CupsDest &dest) { return CancelJob(dest.get(), jobId); });
}

void RegisterJob(const cups_dest_t *dest, int jobId) {
  std::lock_guard<std::mutex> lock(g_jobsMutex);
  (*g_unfinishedJobs)[jobId] = CopyDest(dest);
}

void ForgetJob(int jobId) {
  std::lock_guard<std::mutex> lock(g_jobsMutex);
  g_unfinishedJobs->erase(jobId);
}

std::shared_ptr<Printer> FindPrinter(HANDLE handle) {
  std::shared_ptr<Printer> printer = Printers().Find(handle);
  if (!printer) SetLastError(winapi::ERROR_INVALID_HANDLE);
  return printer;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// Drops the document under way; a CUPS job is cancelled. Caller holds
// printer.mutex.
void AbandonDocument(Printer &printer) {
  assert(printer.mutex.HeldByThisThread());
  if (printer.outputFd >= 0) {
    Backend().close(printer.outputFd);
    printer.outputFd = -1;
  }
  printer.link.Discard();  // cut off in the middle of the document
  if (printer.jobId != 0) {
    ForgetJob(printer.jobId);
    CancelOrKeepDue(printer.dest.get(), printer.jobId);
  }
  printer.jobId = 0;
  printer.writeFailed = false;
  printer.documentOpen = false;
}

// The destination's information, had on first use. Caller holds
// printer.mutex.
cups_dinfo_t *DestInfo(Printer &printer, http_t *http) {
  assert(printer.mutex.HeldByThisThread());
  if (!printer.info.info && http != nullptr) printer.info = TakeDestInfo(http, printer.dest.get());
  return printer.info.info.get();
}

std::optional<const char *> CupsFormatOf(const char *datatype) {
  if (strcasecmp(datatype, "RAW") == 0) return CUPS_FORMAT_RAW;
  if (strcasecmp(datatype, "TEXT") == 0) return CUPS_FORMAT_TEXT;
  return std::nullopt;
}

DWORD StartFileDocument(Printer &printer, const char *path) {
  int fd = Backend().open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return 0;
  }
  static std::atomic<DWORD> nextFileJob{1};
  printer.outputFd = fd;
  printer.documentOpen = true;
  return nextFileJob++;
}

DWORD StartCupsDocument(Printer &printer, const char *title, const char *format) {
  printer.link = LeaseScheduler();
  if (!printer.link) {
    SetLastError(kErrorServerUnavailable);
    return 0;
  }
  http_t *http = printer.link.get();
  if (!DestInfo(printer, http)) {
    SetLastError(ErrorFromCups());
    printer.link = SchedulerLease();
    return 0;
  }
  int jobId = 0;
  if (Backend().cupsCreateDestJob(http, printer.dest.get(), printer.info.info.get(), &jobId, title,
                                  0, nullptr) != IPP_STATUS_OK ||
      jobId <= 0) {
    DWORD error = ErrorFromCups();
    // Cut off after the request went out, it may have made a job all the
    // same; an answer of the scheduler made none.
    if (Backend().httpError(http) != 0 || httpGetFd(http) < 0 || error == kErrorServerUnavailable ||
        error == kErrorGenFailure) {
      KeepSweepDue(printer.dest.get(), title);
    }
    SetLastError(error);
    printer.link = SchedulerLease();
    printer.info = DestInfoRecord();  // not kept: the next opening asks anew
    return 0;
  }
  printer.jobId = jobId;
  RegisterJob(printer.dest.get(), jobId);
  // One document, sent as it is written.
  if (Backend().cupsStartDestDocument(http, printer.dest.get(), printer.info.info.get(), jobId,
                                      title, format, 0, nullptr, 1) != HTTP_STATUS_CONTINUE) {
    DWORD error = ErrorFromCups();
    AbandonDocument(printer);
    SetLastError(error);
    return 0;
  }
  printer.documentOpen = true;
  return static_cast<DWORD>(jobId);
}

}  // namespace

BOOL GetDefaultPrinterA(winapi::LPSTR buffer, winapi::LPDWORD size) {
  if (size == nullptr) return Fail(winapi::ERROR_INVALID_PARAMETER);
  // The call after a size query is answered from that query; any other
  // asks the scheduler, so a default changed since is seen.
  std::optional<FollowUp<DefaultAnswer>::Kept> kept =
      RecentDefault().Take(FollowUpFor::kNextQuery, "");
  bool asked = !kept;
  if (asked) {
    // A size query that asks the scheduler opens a cycle of spooler calls
    // (the program's press of Enter); the budget bounds all of them.
    if (buffer == nullptr) BeginCycle();
    SchedulerLease lease = LeaseScheduler();
    if (!lease) return Fail(winapi::ERROR_FILE_NOT_FOUND);
    kept.emplace(FollowUp<DefaultAnswer>::Kept{LookupDefault(lease.get()),
                                               FollowUp<DefaultAnswer>::Clock::now()});
  }
  CupsDest &dest = kept->value.dest;
  if (!dest) return Fail(winapi::ERROR_FILE_NOT_FOUND);
  std::string name = dest->name;
  if (dest->instance != nullptr) name += std::string("/") + dest->instance;
  DWORD needed = static_cast<DWORD>(name.size() + 1);
  if (buffer == nullptr || *size < needed) {
    *size = needed;
    // Only an answer of the scheduler serves the next call; one served
    // already does not serve again.
    if (asked) {
      RecentDefault().Keep(std::move(kept->value), FollowUpFor::kNextQuery, "", kept->answered);
    }
    return Fail(winapi::ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(buffer, name.c_str(), needed);
  *size = needed;
  RecentDefault().Keep(std::move(kept->value), FollowUpFor::kOpen, name, kept->answered);
  return TRUE;
}

BOOL OpenPrinterA(winapi::LPSTR printerName, winapi::LPHANDLE handle,
                  winapi::LPPRINTER_DEFAULTSA defaults) {
  if (handle == nullptr) return Fail(winapi::ERROR_INVALID_PARAMETER);
  *handle = nullptr;
  if (printerName == nullptr || printerName[0] == '\0') {
    RecentDefault().Clear();
    EndCycle();  // no default printer: the cycle ends here
    return Fail(winapi::ERROR_INVALID_PRINTER_NAME);
  }
  // The default printer just named, or the scheduler asked.
  auto printer = std::make_shared<Printer>();
  CupsDest dest;
  if (auto kept = RecentDefault().Take(FollowUpFor::kOpen, printerName)) {
    dest = std::move(kept->value.dest);
    printer->lookupAttributes = std::move(kept->value.attributes);
    printer->answered = kept->answered;
  } else {
    SchedulerLease lease = LeaseScheduler();
    if (!lease) return Fail(kErrorServerUnavailable);
    dest = LookupDest(lease.get(), printerName);
    if (!dest) {
      DWORD error = ErrorFromCups();
      return Fail(error == kErrorServerUnavailable ? error : winapi::ERROR_INVALID_PRINTER_NAME);
    }
  }
  printer->name = printerName;
  printer->dest = std::move(dest);
  if (defaults != nullptr && defaults->pDatatype != nullptr) {
    if (!CupsFormatOf(defaults->pDatatype)) return Fail(kErrorInvalidDatatype);
    printer->defaultDatatype = defaults->pDatatype;
  }
  *handle = Printers().Add(std::move(printer));
  return TRUE;
}

BOOL ClosePrinter(HANDLE handle) {
  RecentDefault().Clear();  // the cycle is over
  std::shared_ptr<Printer> printer = Printers().Remove(handle);
  if (!printer) return Fail(winapi::ERROR_INVALID_HANDLE);
  {
    std::lock_guard<OwnedMutex> lock(printer->mutex);
    if (printer->documentOpen) AbandonDocument(*printer);
  }
  CancelDueJobs();  // within what is left of the cycle's budget
  EndCycle();
  return TRUE;
}

winapi::LONG DocumentPropertiesA(winapi::HWND, HANDLE handle, winapi::LPSTR,
                                 winapi::PDEVMODEA output, winapi::PDEVMODEA input, DWORD mode) {
  std::shared_ptr<Printer> printer = FindPrinter(handle);
  if (!printer) return -1;
  if (mode == 0) return sizeof(winapi::DEVMODEA);
  if ((mode & winapi::DM_OUT_BUFFER) == 0) return kIdOk;  // nothing asked to be filled
  if (output == nullptr) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return -1;
  }
  std::lock_guard<OwnedMutex> lock(printer->mutex);
  cups_dest_t *dest = printer->dest.get();
  // The options the DEVMODE is made of that the destination lookup did not
  // report, then the printer's defaults of those in one request. Without the
  // scheduler only what the lookup reported is known.
  std::vector<std::string> options;
  BuildDevMode(dest->name, [&](const char *name) {
    std::optional<std::string> value = DestOption(dest, nullptr, name);
    if (!value) options.emplace_back(name);
    return value;
  });
  SchedulerLease lease = LeaseScheduler();
  IppMessage defaults = AskDefaults(lease.get(), dest, options);
  winapi::DEVMODEA built = BuildDevMode(
      dest->name, [&](const char *name) { return DestOption(dest, defaults.get(), name); });
  if ((mode & winapi::DM_IN_BUFFER) && input != nullptr) MergeDevMode(built, *input);
  *output = built;
  return kIdOk;
}

DWORD StartDocPrinterA(HANDLE handle, DWORD level, winapi::LPBYTE docInfo) {
  std::shared_ptr<Printer> printer = FindPrinter(handle);
  if (!printer) return 0;
  if (level != 1) {
    SetLastError(kErrorInvalidLevel);
    return 0;
  }
  if (docInfo == nullptr) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return 0;
  }
  const auto *info = reinterpret_cast<const winapi::DOC_INFO_1A *>(docInfo);
  std::lock_guard<OwnedMutex> lock(printer->mutex);
  if (printer->documentOpen) {
    SetLastError(kErrorInvalidPrinterState);
    return 0;
  }
  const char *datatype =
      info->pDatatype != nullptr ? info->pDatatype : printer->defaultDatatype.c_str();
  std::optional<const char *> format = CupsFormatOf(datatype);
  if (!format) {
    SetLastError(kErrorInvalidDatatype);
    return 0;
  }
  if (info->pOutputFile != nullptr && info->pOutputFile[0] != '\0') {
    return StartFileDocument(*printer, info->pOutputFile);
  }
  const char *title =
      info->pDocName != nullptr && info->pDocName[0] != '\0' ? info->pDocName : nullptr;
  return StartCupsDocument(*printer, title, *format);
}

BOOL StartPagePrinter(HANDLE handle) {
  std::shared_ptr<Printer> printer = FindPrinter(handle);
  if (!printer) return FALSE;
  std::lock_guard<OwnedMutex> lock(printer->mutex);
  return printer->documentOpen ? TRUE : Fail(kErrorNoStartDoc);
}

BOOL WritePrinter(HANDLE handle, winapi::LPVOID buffer, DWORD count, winapi::LPDWORD written) {
  if (written == nullptr || (buffer == nullptr && count > 0)) {
    return Fail(winapi::ERROR_INVALID_PARAMETER);
  }
  *written = 0;
  std::shared_ptr<Printer> printer = FindPrinter(handle);
  if (!printer) return FALSE;
  std::lock_guard<OwnedMutex> lock(printer->mutex);
  if (!printer->documentOpen) return Fail(kErrorNoStartDoc);
  if (count == 0) return TRUE;
  const char *bytes = static_cast<const char *>(buffer);
  if (printer->outputFd >= 0) {
    ssize_t n;
    do {
      n = Backend().write(printer->outputFd, bytes, count);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return Fail(ErrorFromErrno(errno));
    *written = static_cast<DWORD>(n);
    return TRUE;
  }
  StartRequestClock();
  if (Backend().cupsWriteRequestData(printer->link.get(), bytes, count) != HTTP_STATUS_CONTINUE) {
    printer->writeFailed = true;  // the document is abandoned when it ends
    return Fail(ErrorFromCups());
  }
  *written = count;
  return TRUE;
}

BOOL EndPagePrinter(HANDLE handle) {
  std::shared_ptr<Printer> printer = FindPrinter(handle);
  if (!printer) return FALSE;
  std::lock_guard<OwnedMutex> lock(printer->mutex);
  return printer->documentOpen ? TRUE : Fail(kErrorNoStartDoc);
}

BOOL EndDocPrinter(HANDLE handle) {
  std::shared_ptr<Printer> printer = FindPrinter(handle);
  if (!printer) return FALSE;
  std::lock_guard<OwnedMutex> lock(printer->mutex);
  if (!printer->documentOpen) return Fail(kErrorNoStartDoc);
  if (printer->outputFd >= 0) {
    int result = Backend().close(printer->outputFd);
    int error = errno;
    printer->outputFd = -1;
    printer->documentOpen = false;
    return result == 0 ? TRUE : Fail(ErrorFromErrno(error));
  }
  if (printer->writeFailed) {
    AbandonDocument(*printer);
    return Fail(kErrorServerUnavailable);
  }
  StartRequestClock();
  http_t *link = printer->link.get();
  ipp_status_t status =
      Backend().cupsFinishDestDocument(link, printer->dest.get(), printer->info.info.get());
  // libcups reports the status of the last answer it read: a reply cut off
  // by a reset, a time-out or a closed connection can leave it at
  // successful-ok. Only a clean connection confirms the whole document.
  bool confirmed =
      status == IPP_STATUS_OK && Backend().httpError(link) == 0 && httpGetFd(link) >= 0;
  if (!confirmed) {
    DWORD error = status == IPP_STATUS_OK ? kErrorServerUnavailable : ErrorFromCups();
    AbandonDocument(*printer);  // cancelled rather than left half-sent
    return Fail(error);
  }
  ForgetJob(printer->jobId);
  printer->jobId = 0;
  printer->link = SchedulerLease();  // the connection serves the next call
  printer->documentOpen = false;
  return TRUE;
}

bool UseOpenDestination(const char *name, const DestinationUse &use) {
  if (name == nullptr) return false;
  std::shared_ptr<Printer> printer =
      Printers().FindNewest([&](const Printer &open) { return open.name == name; });
  if (!printer) return false;
  std::lock_guard<OwnedMutex> lock(printer->mutex);
  // The lookup's answer serves one use, and only within the moment a
  // follow-up may come after the scheduler's answer.
  IppMessage fresh = std::move(printer->lookupAttributes);
  auto age = FollowUp<DefaultAnswer>::Clock::now() - printer->answered;
  if (fresh && (age < std::chrono::milliseconds(0) || age > kFollowUpWindow)) fresh.reset();
  use(printer->dest.get(), fresh.get());
  return true;
}

void CancelUnfinishedJobs(std::chrono::milliseconds budget) {
  LimitThreadRequests(DeadlineClock::now() + budget);
  std::map<int, CupsDest> jobs;
  {
    std::lock_guard<std::mutex> lock(g_jobsMutex);
    jobs.swap(*g_unfinishedJobs);
    for (auto &job : *g_cancelsDue) jobs.emplace(job.first, std::move(job.second));
    g_cancelsDue->clear();
  }
  // Each cancel is one request within its own limit. The process is ending:
  // after the first cancel the scheduler does not take, the others are not
  // tried, so a scheduler that does not answer costs one limit, not one each.
  for (auto &job : jobs) {
    if (!CancelJob(job.second.get(), job.first)) break;
  }
  LimitThreadRequests(DeadlineClock::time_point::max());
}

}  // namespace dkposix
