#include "harness/wine_prefix.h"

#include "harness/command.h"

namespace wine_harness {

WinePrefix::WinePrefix(const std::string &folder, const std::string &cupsServer)
    : folder_(folder), cupsServer_(cupsServer) {
  const CommandResult boot = RunCommand(Environment() + " timeout 120 " +
                                        ShellQuote(DK_WINE_LOADER) + " wineboot -i 2>&1");
  bootOutput_ = boot.output;
  ready_ = boot.status == 0;
}

WinePrefix::~WinePrefix() {
  RunCommand(Environment() + " timeout 30 " + ShellQuote(DK_WINESERVER) + " -k >/dev/null 2>&1");
  // wineserver -k returns once the processes are told; wait for the server.
  WaitUntilIdle(std::chrono::seconds(30));
}

std::string WinePrefix::Environment() const {
  return "env WINEPREFIX=" + ShellQuote(folder_) + " WINELOADER=" + ShellQuote(DK_WINE_LOADER) +
         " WINESERVER=" + ShellQuote(DK_WINESERVER) +
         " WINEDEBUG=-all WINEDLLOVERRIDES=" + ShellQuote("mscoree,mshtml=") +
         " CUPS_SERVER=" + ShellQuote(cupsServer_) + " DISPLAY=";
}

std::string WinePrefix::Command(const std::string &program, const std::string &exitCodeFile,
                                const std::string &debugLog) const {
  std::string run = Environment();
  if (!debugLog.empty()) run += " WINEDEBUG=trace+profile,trace+winspool";
  run += " " + ShellQuote(DK_WINE_LOADER) + " " + ShellQuote(program);
  if (!debugLog.empty()) run += " 2>" + ShellQuote(debugLog);
  return run + "; echo $? > " + ShellQuote(exitCodeFile);
}

bool WinePrefix::SetWindowsVersion(const std::string &version) const {
  return RunCommand(Environment() + " timeout 60 " + ShellQuote(DK_WINE_LOADER) +
                    " reg add 'HKCU\\Software\\Wine' /v Version /d " + ShellQuote(version) +
                    " /f >/dev/null 2>&1")
             .status == 0;
}

bool WinePrefix::WaitUntilIdle(std::chrono::seconds timeout) const {
  return RunCommand(Environment() + " timeout " + std::to_string(timeout.count()) + " " +
                    ShellQuote(DK_WINESERVER) + " -w >/dev/null 2>&1")
             .status == 0;
}

}  // namespace wine_harness
