// A private cupsd for one group of tests, through scripts/cupsd-private.sh:
// started in a scratch folder, stopped and removed at the end.
#pragma once

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

  const std::string &Folder() const { return folder_; }
  std::string Socket() const { return folder_ + "/sock"; }

  std::vector<CompletedJob> CompletedJobs() const;  // slow with many jobs
  size_t CompletedJobCount() const;                 // quick
  // Jobs still pending, held or processing (lpstat -W not-completed).
  std::string NotCompletedJobs() const;

 private:
  std::string Script(const std::string &arguments) const;

  std::string folder_;
  bool started_ = false;
};

// Where tests find the repository's scripts and the programs under test.
std::string SourcePath(const std::string &relative);
