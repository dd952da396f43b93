#include "platform/posix/dest_info_cache.h"

#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/posix/scheduler_connection.h"

namespace dkposix {
namespace {

// Far more printers than a program prints to; past it the oldest goes.
constexpr size_t kMaxKept = 16;

struct IppDeleter {
  void operator()(ipp_t *ipp) const { ippDelete(ipp); }
};
using IppMessage = std::unique_ptr<ipp_t, IppDeleter>;

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
// the printer's URI is part of it, as the information's job URI comes from it.
std::string PrinterKey(cups_dest_t *dest) {
  const char *uri = PrinterUri(dest);
  return SchedulerServer() + '\n' + dest->name + '\n' +
         (dest->instance != nullptr ? dest->instance : "") + '\n' + (uri != nullptr ? uri : "");
}

// The printer's configuration stamp, asked of the scheduler in one small
// request; none when it cannot tell.
std::optional<ConfigStamp> AskConfigStamp(http_t *http, cups_dest_t *dest) {
  const char *uri = PrinterUri(dest);
  if (uri == nullptr) return std::nullopt;
  char scheme[32], user[256], host[256], resource[1024];
  int port = 0;
  if (httpSeparateURI(HTTP_URI_CODING_ALL, uri, scheme, sizeof scheme, user, sizeof user, host,
                      sizeof host, &port, resource, sizeof resource) < HTTP_URI_STATUS_OK) {
    return std::nullopt;
  }
  static const char *const kWanted[] = {"printer-config-change-time", "printer-up-time"};
  ipp_t *request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(sizeof kWanted / sizeof kWanted[0]), nullptr, kWanted);
  IppMessage response(cupsDoRequest(http, request, resource));
  if (!response || cupsLastError() > IPP_STATUS_OK_CONFLICTING) return std::nullopt;
  ipp_attribute_t *changed =
      ippFindAttribute(response.get(), "printer-config-change-time", IPP_TAG_INTEGER);
  ipp_attribute_t *clock = ippFindAttribute(response.get(), "printer-up-time", IPP_TAG_INTEGER);
  if (changed == nullptr || clock == nullptr) return std::nullopt;
  return ConfigStamp{ippGetInteger(changed, 0), ippGetInteger(clock, 0)};
}

}  // namespace

bool ConfigUnchangedSince(const ConfigStamp &kept, const ConfigStamp &now) {
  return kept.changed < kept.clock && now.changed == kept.changed;
}

DestInfoRecord TakeDestInfo(http_t *http, cups_dest_t *dest) {
  DestInfoRecord record;
  if (http == nullptr || dest == nullptr) return record;
  record.printer = PrinterKey(dest);
  std::optional<DestInfoRecord> earlier;
  {
    KeptInfo &kept = Kept();
    std::lock_guard<std::mutex> lock(kept.mutex);
    auto found = kept.records.find(record.printer);
    if (found != kept.records.end()) {
      earlier = std::move(found->second.record);
      kept.records.erase(found);
    }
  }
  record.stamp = AskConfigStamp(http, dest);
  if (earlier && record.stamp && ConfigUnchangedSince(*earlier->stamp, *record.stamp)) {
    return std::move(*earlier);
  }
  // Asked after the stamp, so it holds at least what the stamp says.
  record.info.reset(cupsCopyDestInfo(http, dest));
  return record;
}

void KeepDestInfo(DestInfoRecord record) {
  if (!record.info || !record.stamp) return;
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
