#include "harness/cups_server.h"

#include <cups/cups.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "harness/command.h"

namespace wine_harness {

namespace {

const char kEnvPrefix[] = "CUPS_SERVER=";

struct HttpClose {
  void operator()(http_t *http) const { httpClose(http); }
};
using Connection = std::unique_ptr<http_t, HttpClose>;

struct FileClose {
  void operator()(FILE *file) const { std::fclose(file); }
};

Connection Connect(const std::string &address) {
  return Connection(httpConnect2(address.c_str(), ippPort(), nullptr, AF_UNSPEC,
                                 HTTP_ENCRYPTION_IF_REQUESTED, 1, 30000, nullptr));
}

// CUPS-Get-Document: the server returns the spooled file of the job
// (kept because the private server preserves job files).
bool ReadDocument(http_t *http, int jobId, std::string &document) {
  ipp_t *request = ippNewRequest(IPP_OP_CUPS_GET_DOCUMENT);
  const std::string jobUri = "ipp://localhost/jobs/" + std::to_string(jobId);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, jobUri.c_str());
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "document-number", 1);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());

  std::unique_ptr<FILE, FileClose> file(std::tmpfile());
  if (!file) {
    ippDelete(request);
    return false;
  }
  ipp_t *response = cupsDoIORequest(http, request, "/", -1, fileno(file.get()));
  const bool ok = response != nullptr && ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING;
  ippDelete(response);
  if (!ok) return false;

  document.clear();
  std::rewind(file.get());
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) document.append(chunk, got);
  return true;
}

}  // namespace

CupsServer::CupsServer(const std::string &folder) : folder_(folder) {
  const CommandResult start = RunCommand(Script("start"));
  log_ = start.output;
  if (start.status != 0) return;
  const CommandResult env = RunCommand(Script("env"));
  log_ += env.output;
  const auto at = env.output.find(kEnvPrefix);
  if (env.status != 0 || at == std::string::npos) return;
  address_ = env.output.substr(at + sizeof kEnvPrefix - 1);
  address_ = address_.substr(0, address_.find_first_of("\r\n"));
  running_ = !address_.empty();
}

CupsServer::~CupsServer() {
  RunCommand(Script("stop"));
}

std::string CupsServer::Script(const std::string &action) const {
  return "timeout 60 " + ShellQuote(SourcePath("scripts/cupsd-private.sh")) + " " + action + " " +
         ShellQuote(folder_);
}

bool CupsServer::AddDefaultRawQueue(const std::string &queue) {
  const CommandResult add = RunCommand(Script("add-raw") + " " + ShellQuote(queue) + " --default");
  log_ += add.output;
  return add.status == 0;
}

bool CupsServer::SetAccepting(const std::string &queue, bool accepting) {
  const CommandResult set =
      RunCommand("CUPS_SERVER=" + ShellQuote(address_) + " timeout 30 " +
                 (accepting ? "cupsaccept " : "cupsreject ") + ShellQuote(queue));
  log_ += set.output;
  return set.status == 0;
}

bool CupsServer::Jobs(std::vector<PrintedJob> &jobs) const {
  jobs.clear();
  Connection http = Connect(address_);
  if (!http) return false;
  cups_job_t *list = nullptr;
  const int count = cupsGetJobs2(http.get(), &list, nullptr, 0, CUPS_WHICHJOBS_ALL);
  if (count < 0) return false;
  bool ok = true;
  for (int i = 0; i < count && ok; ++i) {
    PrintedJob job;
    job.id = list[i].id;
    job.name = list[i].title != nullptr ? list[i].title : "";
    ok = ReadDocument(http.get(), job.id, job.document);
    jobs.push_back(job);
  }
  cupsFreeJobs(count, list);
  // cupsGetJobs2 lists newest first for some requests; tests read them in order.
  std::sort(jobs.begin(), jobs.end(),
            [](const PrintedJob &a, const PrintedJob &b) { return a.id < b.id; });
  return ok;
}

}  // namespace wine_harness
