#include "platform/posix/job_sweep.h"

#include <cstring>

#include "platform/posix/backend_calls.h"
#include "platform/posix/cups_server.h"

namespace dkposix {

std::vector<int> DocumentlessJobs(http_t *http, cups_dest_t *dest, const std::string &title,
                                  bool &ok) {
  ok = false;
  std::vector<int> found;
  const char *uri = cupsGetOption("printer-uri-supported", dest->num_options, dest->options);
  if (http == nullptr || uri == nullptr) return found;
  static const char *const kWanted[] = {"job-id", "job-name", "job-state", "number-of-documents"};
  ipp_t *request = ippNewRequest(IPP_OP_GET_JOBS);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  ippAddBoolean(request, IPP_TAG_OPERATION, "my-jobs", 1);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "not-completed");
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(sizeof kWanted / sizeof kWanted[0]), nullptr, kWanted);
  IppMessage answer(Backend().cupsDoRequest(http, request, "/jobs/"));
  if (!answer || cupsLastError() > IPP_STATUS_OK_CONFLICTING || Backend().httpError(http) != 0) {
    return found;
  }
  ok = true;
  // One group of attributes per job, each opened by its job-id.
  int id = 0, state = 0, documents = -1;
  bool named = false;
  auto take = [&] {
    if (id > 0 && state == IPP_JSTATE_HELD && documents == 0 && named) found.push_back(id);
    id = state = 0;
    documents = -1;
    named = false;
  };
  for (ipp_attribute_t *attribute = ippFirstAttribute(answer.get()); attribute != nullptr;
       attribute = ippNextAttribute(answer.get())) {
    const char *name = ippGetName(attribute);
    if (name == nullptr) {
      take();  // a separator between two jobs
      continue;
    }
    if (ippGetGroupTag(attribute) != IPP_TAG_JOB) continue;
    if (std::strcmp(name, "job-id") == 0) {
      id = ippGetInteger(attribute, 0);
    } else if (std::strcmp(name, "job-state") == 0) {
      state = ippGetInteger(attribute, 0);
    } else if (std::strcmp(name, "number-of-documents") == 0) {
      documents = ippGetInteger(attribute, 0);
    } else if (std::strcmp(name, "job-name") == 0) {
      const char *value = ippGetString(attribute, 0, nullptr);
      named = value != nullptr && title == value;
    }
  }
  take();
  return found;
}

}  // namespace dkposix
