// A private cupsd for one group of tests, through scripts/cupsd-private.sh:
// started in a scratch folder, stopped and removed at the end.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

struct CompletedJob {
  int id = 0;
  std::string name;
  std::string document;  // the bytes the job received
};

class PrivateCups {
 public:
  PrivateCups();  // makes the folder; Start() starts the server
  ~PrivateCups();
  PrivateCups(const PrivateCups &) = delete;
  PrivateCups &operator=(const PrivateCups &) = delete;

  // Each returns false (and logs why) on failure.
  bool Start();
  bool AddRawQueue(const std::string &queue, bool makeDefault);
  bool Stop();
  // lpadmin against this server ("-d Labels", "-p Receipts -o copies-default=2").
  bool Admin(const std::string &arguments);
  // From now on the server logs every request and every connection it
  // accepts; it reloads its configuration for that.
  bool LogEveryRequest();

  const std::string &Folder() const { return folder_; }
  std::string Socket() const { return folder_ + "/sock"; }

  std::vector<CompletedJob> CompletedJobs() const;  // slow with many jobs
  size_t CompletedJobCount() const;                 // quick
  size_t CompletedJobCount(const std::string &queue) const;
  // Jobs still pending, held or processing (lpstat -W not-completed).
  std::string NotCompletedJobs() const;

  // While logging: the operations of the requests so far, oldest first
  // ("CUPS-Get-Default", "Create-Job", ...), and the connections accepted.
  std::vector<std::string> LoggedOperations() const;
  size_t LoggedConnections() const;

 private:
  std::string Script(const std::string &arguments) const;

  std::string folder_;
  bool started_ = false;
};

// What keeps a private cupsd and these tools from running on this machine,
// if anything: the server needs root, and each tool must be on the PATH.
std::string MissingForPrivateCups(std::initializer_list<const char *> tools);

// Where tests find the repository's scripts and the programs under test.
std::string SourcePath(const std::string &relative);
