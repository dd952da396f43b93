// The graphics calls: device contexts for CUPS destinations over GdiTable.
#pragma once

#include "platform/winapi.h"

namespace dkposix {

// Resolution of a device context when its destination reports none: a
// common one for receipt printers.
constexpr int kFallbackDpi = 203;

winapi::HDC CreateDCA(winapi::LPCSTR driver, winapi::LPCSTR device, winapi::LPCSTR port,
                      const winapi::DEVMODEA *devmode);
winapi::BOOL DeleteDC(winapi::HDC dc);
int GetDeviceCaps(winapi::HDC dc, int index);
winapi::UINT SetTextAlign(winapi::HDC dc, winapi::UINT align);
int SetBkMode(winapi::HDC dc, int mode);
winapi::HBRUSH CreateSolidBrush(winapi::COLORREF colour);
winapi::HPEN ExtCreatePen(winapi::DWORD style, winapi::DWORD width, const winapi::LOGBRUSH *brush,
                          winapi::DWORD styleCount, const winapi::DWORD *styles);
winapi::HGDIOBJ SelectObject(winapi::HDC dc, winapi::HGDIOBJ object);
winapi::BOOL DeleteObject(winapi::HGDIOBJ object);

}  // namespace dkposix
