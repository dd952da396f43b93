// A Wine prefix of a test's own, made fresh in a folder of the test.
#pragma once

#include <string>

namespace wine_harness {

class WinePrefix {
 public:
  // Makes the prefix in folder (wineboot -i, about 8 s). cupsServer is what
  // Wine's spooler is pointed at, for the prefix's whole life.
  WinePrefix(const std::string &folder, const std::string &cupsServer);
  ~WinePrefix();  // stops the prefix's wineserver and everything under it
  WinePrefix(const WinePrefix &) = delete;
  WinePrefix &operator=(const WinePrefix &) = delete;

  bool Ready() const { return ready_; }
  const std::string &BootOutput() const { return bootOutput_; }

  // A /bin/sh command line that runs the Windows program under this prefix
  // and writes its exit code to exitCodeFile once it ends.
  std::string Command(const std::string &program, const std::string &exitCodeFile) const;

 private:
  std::string Environment() const;

  std::string folder_;
  std::string cupsServer_;
  bool ready_ = false;
  std::string bootOutput_;
};

}  // namespace wine_harness
