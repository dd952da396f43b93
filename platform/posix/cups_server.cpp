#include "platform/posix/cups_server.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/posix/backend_calls.h"
#include "platform/posix/last_error.h"
#include "platform/posix/request_deadline.h"

namespace dkposix {
namespace {

// A scheduler that does not take the connection within a second is not
// there (a local one answers at once); the request's deadline may cut it
// shorter.
constexpr int kConnectTimeoutMs = 1000;

// No password is ever given: libcups would otherwise ask the operator on the
// terminal, under our prompt. A request that needs one fails.
const char *NoPassword(const char *, http_t *, const char *, const char *, void *) {
  return nullptr;
}

int DpiOfDpcm(int dpcm) {
  return static_cast<int>(std::lround(dpcm * 2.54));
}

}  // namespace

HttpConnection ConnectToServer() {
  cupsSetPasswordCB2(NoPassword, nullptr);  // libcups keeps it per thread
  int left = RequestMillisecondsLeft();
  if (left <= 0) return nullptr;
  // Made without connecting (a time-out of 0), so the wait bounds are in
  // place before the connection and its TLS handshake.
  HttpConnection http(Backend().httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC,
                                             cupsEncryption(), 1, 0, nullptr));
  if (!http) return nullptr;
  httpSetTimeout(http.get(), kWaitSliceSeconds, ContinueBeforeDeadline, nullptr);
  int connectMs = left < kConnectTimeoutMs ? left : kConnectTimeoutMs;
  WatchConnection(http.get());  // the handshake is bounded by the deadline too
  if (Backend().httpReconnect2(http.get(), connectMs, nullptr) != 0) {
    UnwatchConnection(http.get());
    return nullptr;
  }
  return http;
}

CupsDest LookupDest(http_t *http, const char *name) {
  if (name == nullptr) return CupsDest(Backend().cupsGetNamedDest(http, nullptr, nullptr));
  std::string queue = name;
  std::string instance;
  size_t slash = queue.find('/');
  if (slash != std::string::npos) {
    instance = queue.substr(slash + 1);
    queue.resize(slash);
  }
  if (queue.empty()) return nullptr;
  return CupsDest(Backend().cupsGetNamedDest(http, queue.c_str(),
                                             instance.empty() ? nullptr : instance.c_str()));
}

CupsDest CopyDest(const cups_dest_t *dest) {
  cups_dest_t *copy = nullptr;
  if (cupsCopyDest(const_cast<cups_dest_t *>(dest), 0, &copy) != 1) return nullptr;
  return CupsDest(copy);
}

IppMessage AskDefaults(http_t *http, cups_dest_t *dest, const std::vector<std::string> &options) {
  const char *uri = cupsGetOption("printer-uri-supported", dest->num_options, dest->options);
  if (http == nullptr || uri == nullptr || options.empty()) return nullptr;
  char scheme[32], user[256], host[256], resource[1024];
  int port = 0;
  if (httpSeparateURI(HTTP_URI_CODING_ALL, uri, scheme, sizeof scheme, user, sizeof user, host,
                      sizeof host, &port, resource, sizeof resource) < HTTP_URI_STATUS_OK) {
    return nullptr;
  }
  std::vector<std::string> names;
  for (const std::string &option : options) names.push_back(option + "-default");
  std::vector<const char *> wanted;
  for (const std::string &name : names) wanted.push_back(name.c_str());
  ipp_t *request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(wanted.size()), nullptr, wanted.data());
  IppMessage response(Backend().cupsDoRequest(http, request, resource));
  if (cupsLastError() > IPP_STATUS_OK_CONFLICTING) return nullptr;
  return response;
}

std::optional<std::string> DestOption(cups_dest_t *dest, ipp_t *defaults, const char *name) {
  if (const char *value = cupsGetOption(name, dest->num_options, dest->options)) {
    return std::string(value);
  }
  if (defaults == nullptr) return std::nullopt;
  ipp_attribute_t *attribute =
      ippFindAttribute(defaults, (std::string(name) + "-default").c_str(), IPP_TAG_ZERO);
  if (attribute == nullptr || ippGetCount(attribute) < 1) return std::nullopt;
  ipp_tag_t tag = ippGetValueTag(attribute);
  if (tag == IPP_TAG_NOVALUE || tag == IPP_TAG_UNKNOWN || tag == IPP_TAG_NOTSETTABLE ||
      tag == IPP_TAG_DELETEATTR || tag == IPP_TAG_ADMINDEFINE) {
    return std::nullopt;
  }
  char text[256];
  ippAttributeString(attribute, text, sizeof text);
  return std::string(text);
}

bool ParseResolution(const std::string &text, int &xDpi, int &yDpi) {
  int x = 0, y = 0, used = 0;
  char unit[8] = "";
  if (std::sscanf(text.c_str(), "%dx%d%7s%n", &x, &y, unit, &used) != 3) {
    used = 0;
    if (std::sscanf(text.c_str(), "%d%7s%n", &x, unit, &used) != 2) return false;
    y = x;
  }
  if (static_cast<size_t>(used) != text.size() || x <= 0 || y <= 0) return false;
  if (std::strcmp(unit, "dpcm") == 0) {
    x = DpiOfDpcm(x);
    y = DpiOfDpcm(y);
  } else if (std::strcmp(unit, "dpi") != 0) {
    return false;
  }
  xDpi = x;
  yDpi = y;
  return true;
}

bool DestResolution(cups_dest_t *dest, ipp_t *defaults, int &xDpi, int &yDpi) {
  const char *option = cupsGetOption("printer-resolution", dest->num_options, dest->options);
  if (option != nullptr && ParseResolution(option, xDpi, yDpi)) return true;
  if (defaults == nullptr) return false;
  ipp_attribute_t *attribute =
      ippFindAttribute(defaults, "printer-resolution-default", IPP_TAG_ZERO);
  if (attribute == nullptr || ippGetValueTag(attribute) != IPP_TAG_RESOLUTION) return false;
  int y = 0;
  ipp_res_t units = IPP_RES_PER_INCH;
  int x = ippGetResolution(attribute, 0, &y, &units);
  if (x <= 0 || y <= 0) return false;
  xDpi = units == IPP_RES_PER_CM ? DpiOfDpcm(x) : x;
  yDpi = units == IPP_RES_PER_CM ? DpiOfDpcm(y) : y;
  return true;
}

winapi::DWORD ErrorFromCups() {
  switch (cupsLastError()) {
    case IPP_STATUS_OK:
    case IPP_STATUS_OK_IGNORED_OR_SUBSTITUTED:
    case IPP_STATUS_OK_CONFLICTING:
      return kErrorGenFailure;  // a failure CUPS did not report as one
    case IPP_STATUS_ERROR_NOT_FOUND:
      return winapi::ERROR_INVALID_PRINTER_NAME;
    case IPP_STATUS_ERROR_FORBIDDEN:
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
      return winapi::ERROR_ACCESS_DENIED;
    case IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED:
      return kErrorInvalidDatatype;
    case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
    case IPP_STATUS_ERROR_BUSY:
      return kErrorBusy;
    default:
      return kErrorServerUnavailable;
  }
}

}  // namespace dkposix
