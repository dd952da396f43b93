// A Wine prefix of a test's own, made fresh in a folder of the test.
//
// Wine's loader and server are the ones the build was configured with
// (DK_WINE_LOADER, DK_WINESERVER): 32-bit Wine for the 32-bit program, 64-bit
// Wine for its 64-bit build. The `wine` wrapper is never used, since it takes
// the 32-bit loader whenever that file exists, even where it cannot run.
#pragma once

#include <chrono>
#include <string>

namespace wine_harness {

class WinePrefix {
 public:
  // Makes the prefix in folder (wineboot -i, about 10 s). cupsServer is what
  // Wine's spooler is pointed at, for the prefix's whole life.
  WinePrefix(const std::string &folder, const std::string &cupsServer);
  ~WinePrefix();  // stops the prefix's wineserver and everything under it
  WinePrefix(const WinePrefix &) = delete;
  WinePrefix &operator=(const WinePrefix &) = delete;

  bool Ready() const { return ready_; }
  const std::string &BootOutput() const { return bootOutput_; }

  // A /bin/sh command line that runs the Windows program under this prefix
  // and writes its exit code to exitCodeFile once it ends. With a debugLog,
  // Wine traces the program's profile (INI) and spooler calls into that file.
  std::string Command(const std::string &program, const std::string &exitCodeFile,
                      const std::string &debugLog = "") const;

  // The Windows version Wine reports to programs of this prefix from now on
  // (HKCU\Software\Wine, value Version: nt40, winxp, win7, win10 ...).
  bool SetWindowsVersion(const std::string &version) const;
  // Waits until no program of the prefix runs any more (and its wineserver
  // has left); false if some still run after timeout.
  bool WaitUntilIdle(std::chrono::seconds timeout) const;

 private:
  std::string Environment() const;

  std::string folder_;
  std::string cupsServer_;
  bool ready_ = false;
  std::string bootOutput_;
};

}  // namespace wine_harness
