#include "platform/posix/gdi_calls.h"

#include <strings.h>

#include "platform/posix/cups_server.h"
#include "platform/posix/gdi_table.h"
#include "platform/posix/last_error.h"
#include "platform/posix/scheduler_connection.h"
#include "platform/posix/spooler_calls.h"

namespace dkposix {
namespace {

constexpr winapi::DWORD kPenStyleMask = 0x0000000Fu;
constexpr winapi::DWORD kPenUserStyle = 7;

GdiTable &Table() {
  static auto *table = new GdiTable;  // lives until _exit
  return *table;
}

bool IsPrinterDriver(winapi::LPCSTR driver) {
  return driver == nullptr || driver[0] == '\0' || strcasecmp(driver, "WINSPOOL") == 0;
}

}  // namespace

winapi::HDC CreateDCA(winapi::LPCSTR driver, winapi::LPCSTR device, winapi::LPCSTR,
                      const winapi::DEVMODEA *devmode) {
  if (!IsPrinterDriver(driver)) {
    SetLastError(kErrorNotSupported);  // only printers have device contexts here
    return nullptr;
  }
  if (device == nullptr || device[0] == '\0') {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  SchedulerLease lease = LeaseScheduler();
  if (!lease) {
    SetLastError(kErrorServerUnavailable);
    return nullptr;
  }
  int xDpi = kFallbackDpi, yDpi = kFallbackDpi;
  // A DEVMODE asking for a print quality in dots per inch has the last word.
  bool devmodeDecides = devmode != nullptr && (devmode->dmFields & winapi::DM_PRINTQUALITY) &&
                        devmode->dmPrintQuality > 0;
  // Else the user's resolution, else the printer's default as it is now.
  // The answer that just named the printer the default tells it as well.
  auto readResolution = [&](cups_dest_t *dest, ipp_t *lookup) {
    if (devmodeDecides || DestResolution(dest, nullptr, xDpi, yDpi)) return;
    if (lookup != nullptr) {
      DestResolution(dest, lookup, xDpi, yDpi);
      return;
    }
    IppMessage defaults = AskDefaults(lease.get(), dest, {"printer-resolution"});
    DestResolution(dest, defaults.get(), xDpi, yDpi);
  };
  // A printer of that name open in this process (the usual case: opened just
  // before) knows its destination already.
  if (!UseOpenDestination(device, readResolution)) {
    CupsDest dest = LookupDest(lease.get(), device);
    if (!dest) {
      SetLastError(winapi::ERROR_INVALID_PRINTER_NAME);
      return nullptr;
    }
    readResolution(dest.get(), nullptr);
  }
  if (devmodeDecides) {
    xDpi = devmode->dmPrintQuality;
    yDpi = (devmode->dmFields & winapi::DM_YRESOLUTION) && devmode->dmYResolution > 0
               ? devmode->dmYResolution
               : xDpi;
  }
  return Table().CreateDC(xDpi, yDpi);
}

winapi::BOOL DeleteDC(winapi::HDC dc) {
  return Table().DeleteDC(dc) ? winapi::TRUE : winapi::FALSE;
}

int GetDeviceCaps(winapi::HDC dc, int index) {
  return Table().DeviceCaps(dc, index);
}

winapi::UINT SetTextAlign(winapi::HDC dc, winapi::UINT align) {
  return Table().SetTextAlign(dc, align);
}

int SetBkMode(winapi::HDC dc, int mode) {
  return Table().SetBkMode(dc, mode);
}

winapi::HBRUSH CreateSolidBrush(winapi::COLORREF colour) {
  return Table().CreateBrush(colour);
}

winapi::HPEN ExtCreatePen(winapi::DWORD style, winapi::DWORD width, const winapi::LOGBRUSH *brush,
                          winapi::DWORD styleCount, const winapi::DWORD *styles) {
  bool userStyled = (style & kPenStyleMask) == kPenUserStyle;
  bool cosmetic = (style & winapi::PS_TYPE_MASK) == winapi::PS_COSMETIC;
  bool valid = brush != nullptr &&
               (!cosmetic || (width == 1 && brush->lbStyle == winapi::BS_SOLID)) &&
               (userStyled ? styleCount > 0 && styles != nullptr : styleCount == 0);
  if (!valid) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return Table().CreatePen();
}

winapi::HGDIOBJ SelectObject(winapi::HDC dc, winapi::HGDIOBJ object) {
  return Table().Select(dc, object);
}

winapi::BOOL DeleteObject(winapi::HGDIOBJ object) {
  return Table().DeleteObject(object) ? winapi::TRUE : winapi::FALSE;
}

}  // namespace dkposix
