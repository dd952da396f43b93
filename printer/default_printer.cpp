#include "printer/default_printer.h"

#include "platform/platform.h"
#include "printer/os_version.h"
#include "printer/print_state.h"

namespace {

constexpr DWORD kProfileBufferChars = 1024;
// Far beyond any printer name; a larger count from the spooler is not trusted.
constexpr DWORD kMaxPrinterNameChars = 32768;

std::string FromWinIni() {
  std::string buffer(kProfileBufferChars, ' ');
  GetPrivateProfileStringA("WINDOWS", "DEVICE", "", &buffer[0], kProfileBufferChars, "Win.Ini");
  // The entry reads "name,driver,port"; the name ends at the first comma.
  std::string entry(buffer.c_str());
  return entry.substr(0, entry.find(','));
}

std::string FromSpooler() {
  HMODULE spooler = LoadLibraryA("WINSPOOL.DRV");
  if (spooler == nullptr) return "";

  std::string name;
  DWORD size = 0;
  // Through the generic function type, which any function pointer may take.
  auto getDefault = reinterpret_cast<GETDEFAULTPRINTERA>(
      reinterpret_cast<void (*)()>(GetProcAddress(spooler, "GetDefaultPrinterA")));
  if (getDefault != nullptr && !getDefault(nullptr, &size) &&
      GetLastError() == ERROR_INSUFFICIENT_BUFFER && size <= kMaxPrinterNameChars) {
    std::string buffer(size + 2, ' ');
    // Only a call that succeeded has put a name in the buffer; after any
    // failure the buffer holds blanks, which name no printer.
    if (getDefault(&buffer[0], &size)) name = buffer.c_str();
  }
  FreeLibrary(spooler);
  return name;
}

}  // namespace

std::string Print_GetDefaultPrinter() {
  g_Print.PrinterName.clear();
  g_Print.PrinterName = OsVersionCode() < kOsCodeWin2000 ? FromWinIni() : FromSpooler();
  return g_Print.PrinterName;
}
