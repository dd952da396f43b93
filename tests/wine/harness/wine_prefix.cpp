#include "harness/wine_prefix.h"

#include "harness/command.h"

namespace wine_harness {

WinePrefix::WinePrefix(const std::string &folder, const std::string &cupsServer)
    : folder_(folder), cupsServer_(cupsServer) {
  const CommandResult boot = RunCommand(Environment() + " timeout 120 wineboot -i");
  bootOutput_ = boot.output;
  ready_ = boot.status == 0;
}

WinePrefix::~WinePrefix() {
  RunCommand(Environment() + " timeout 30 wineserver -k >/dev/null 2>&1");
  // wineserver -k returns once the processes are told; wait for the server.
  RunCommand(Environment() + " timeout 30 wineserver -w >/dev/null 2>&1");
}

std::string WinePrefix::Environment() const {
  return "env WINEPREFIX=" + ShellQuote(folder_) +
         " WINEDEBUG=-all WINEDLLOVERRIDES=" + ShellQuote("mscoree,mshtml=") +
         " CUPS_SERVER=" + ShellQuote(cupsServer_) + " DISPLAY=";
}

std::string WinePrefix::Command(const std::string &program, const std::string &exitCodeFile) const {
  return Environment() + " wine " + ShellQuote(program) + "; echo $? > " + ShellQuote(exitCodeFile);
}

}  // namespace wine_harness
