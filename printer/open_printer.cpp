#include "printer/open_printer.h"

#include <cstdlib>
#include <string>

#include "printer/default_printer.h"
#include "printer/drawing.h"
#include "printer/print_state.h"
#include "printer/settings.h"
#include "printer/text_format.h"
#include "printer/trace_log.h"

namespace {

// Makes DevMode the driver's current DEVMODE of the open printer, unless the
// cache already holds one of this printer at the size its driver reports.
void RefreshDevMode() {
  LONG size = DocumentPropertiesA(nullptr, g_Print.Vantrel_PH, &g_Print.PrinterName[0], nullptr,
                                  nullptr, 0);
  if (g_Print.DevMode != nullptr && g_Print.DevModeSize == size &&
      g_Print.DevModePrinter == g_Print.PrinterName)
    return;

  std::free(g_Print.DevMode);
  g_Print.DevMode =
      size > 0 ? static_cast<BYTE *>(Print_Calloc(static_cast<size_t>(size), 1)) : nullptr;
  g_Print.DevModeSize = size;
  g_Print.DevModePrinter.clear();
  // Without a buffer there is nothing for the driver to fill.
  if (g_Print.DevMode == nullptr) return;
  DocumentPropertiesA(nullptr, g_Print.Vantrel_PH, &g_Print.PrinterName[0],
                      reinterpret_cast<PDEVMODEA>(g_Print.DevMode), nullptr, DM_OUT_BUFFER);
  g_Print.DevModePrinter = g_Print.PrinterName;
}

}  // namespace

HDC Print_OpenPrinter(const char *name, const char *settings, DWORD access) {
  // Copies first: a caller may pass the library's own PrinterName.
  std::string wanted = name != nullptr ? name : "";
  std::string settingsText = settings != nullptr ? settings : "";

  Print_TraceHeader();
  if (g_Print.PrinterDC != nullptr) {
    DeleteDC(g_Print.PrinterDC);
    g_Print.PrinterDC = nullptr;
  }
  g_Print.OriginalPen = nullptr;
  g_Print.OriginalBrush = nullptr;
  if (g_Print.Vantrel_PH != nullptr) {
    ClosePrinter(g_Print.Vantrel_PH);
    g_Print.Vantrel_PH = nullptr;
  }

  if (!wanted.empty())
    g_Print.PrinterName = wanted;
  else
    Print_GetDefaultPrinter();
  Print_Trace("Printer : " + g_Print.PrinterName);

  PRINTER_DEFAULTSA defaults = {nullptr, nullptr, access};
  HANDLE printer = nullptr;
  BOOL opened = OpenPrinterA(&g_Print.PrinterName[0], &printer, access != 0 ? &defaults : nullptr);
  Print_Trace("OpenPrinter_()=" + HexText(static_cast<uint32_t>(opened)));
  if (!opened) return nullptr;
  g_Print.Vantrel_PH = printer;

  RefreshDevMode();
  if (!settingsText.empty())
    Print_ApplySettings(settingsText.c_str(), g_Print.DevMode, g_Print.DevModeSize);

  // Bits 16 to 23 of the version word: the low byte of the build number on
  // the NT family.
  const char *driver = (GetVersion() & 0xFF0000u) != 0 ? "WINSPOOL" : "";
  g_Print.PrinterDC = CreateDCA(driver, g_Print.PrinterName.c_str(), nullptr,
                                reinterpret_cast<const DEVMODEA *>(g_Print.DevMode));
  if (g_Print.PrinterDC != nullptr) Print_ApplyDefaults();
  return g_Print.PrinterDC;
}
