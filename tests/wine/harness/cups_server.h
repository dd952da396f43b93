// A private cupsd for one test, run by the project's scripts/cupsd-private.sh,
// and what the tests read back from it through libcups.
#pragma once

#include <string>
#include <vector>

namespace wine_harness {

struct PrintedJob {
  int id = 0;
  std::string name;      // job-name: the document name given to StartDocPrinter
  std::string document;  // the document's bytes, exactly as spooled
};

class CupsServer {
 public:
  // Starts cupsd with all its state in folder.
  explicit CupsServer(const std::string &folder);
  ~CupsServer();  // stops cupsd
  CupsServer(const CupsServer &) = delete;
  CupsServer &operator=(const CupsServer &) = delete;

  bool Running() const { return running_; }
  const std::string &Log() const { return log_; }
  // What CUPS clients (Wine among them) are given as CUPS_SERVER.
  const std::string &Address() const { return address_; }

  // Adds a raw queue and makes it the default destination.
  bool AddDefaultRawQueue(const std::string &queue);
  // Makes queue accept new jobs, or refuse them (cupsaccept, cupsreject).
  bool SetAccepting(const std::string &queue, bool accepting);
  // Every job the server has seen, in order of id, with its document.
  // Fails (returns false) when the server cannot be asked.
  bool Jobs(std::vector<PrintedJob> &jobs) const;

 private:
  std::string Script(const std::string &action) const;

  std::string folder_;
  std::string address_;
  bool running_ = false;
  std::string log_;
};

}  // namespace wine_harness
