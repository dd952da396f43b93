#include "platform/posix/dest_info_cache.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/posix/backend_calls.h"
#include "platform/posix/scheduler_connection.h"

namespace dkposix {
namespace {

// Far more printers than a program prints to; past it the oldest goes.
constexpr size_t kMaxKept = 16;

struct KeptRecord {
  unsigned long since = 0;  // when it was kept, in keeps
  DestInfoRecord record;
};

struct KeptInfo {
  std::mutex mutex;
  std::map<std::string, KeptRecord> records;  // by printer
  unsigned long keeps = 0;
};

KeptInfo &Kept() {
  static auto *kept = new KeptInfo;  // lives until _exit
  return *kept;
}

const char *PrinterUri(cups_dest_t *dest) {
  return cupsGetOption("printer-uri-supported", dest->num_options, dest->options);
}

// The printer a destination names on the server of this thread's settings;
// the printer's URI is part of it, as the job URI and resource come from it.
std::string PrinterKey(cups_dest_t *dest) {
  const char *uri = PrinterUri(dest);
  return SchedulerServer() + '\n' + dest->name + '\n' +
         (dest->instance != nullptr ? dest->instance : "") + '\n' + (uri != nullptr ? uri : "");
}

}  // namespace

DestInfoRecord TakeDestInfo(http_t *http, cups_dest_t *dest) {
  DestInfoRecord record;
  if (http == nullptr || dest == nullptr) return record;
  record.printer = PrinterKey(dest);
  {
    KeptInfo &kept = Kept();
    std::lock_guard<std::mutex> lock(kept.mutex);
    auto found = kept.records.find(record.printer);
    if (found != kept.records.end()) {
      DestInfoRecord earlier = std::move(found->second.record);
      kept.records.erase(found);
      return earlier;
    }
  }
  record.info.reset(Backend().cupsCopyDestInfo(http, dest));
  return record;
}

void KeepDestInfo(DestInfoRecord record) {
  if (!record.info) return;
  KeptInfo &kept = Kept();
  std::lock_guard<std::mutex> lock(kept.mutex);
  if (kept.records.count(record.printer) == 0 && kept.records.size() >= kMaxKept) {
    auto oldest = kept.records.begin();
    for (auto it = kept.records.begin(); it != kept.records.end(); ++it) {
      if (it->second.since < oldest->second.since) oldest = it;
    }
    kept.records.erase(oldest);
  }
  std::string printer = record.printer;
  kept.records[printer] = KeptRecord{kept.keeps++, std::move(record)};
}

}  // namespace dkposix
