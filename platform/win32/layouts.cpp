// Compile-time proof that our records (winapi.h) and the platform's
// (windows.h, winspool.h) have one layout, so the backend may hand a pointer
// to one where the other is declared. Nothing here runs.
#include "platform/winapi.h"
// clang-format off
#include <windows.h>
#include <winspool.h>
// clang-format on

#include <cstddef>

namespace {

#define DK_SAME_SIZE(record) \
  static_assert(sizeof(winapi::record) == sizeof(::record), #record " size")
#define DK_SAME_FIELD(record, field)                                            \
  static_assert(offsetof(winapi::record, field) == offsetof(::record, field) && \
                    sizeof(winapi::record::field) == sizeof(::record::field),   \
                #record "." #field)

DK_SAME_SIZE(COORD);
DK_SAME_FIELD(COORD, X);
DK_SAME_FIELD(COORD, Y);

DK_SAME_SIZE(SMALL_RECT);
DK_SAME_FIELD(SMALL_RECT, Left);
DK_SAME_FIELD(SMALL_RECT, Bottom);

DK_SAME_SIZE(CONSOLE_SCREEN_BUFFER_INFO);
DK_SAME_FIELD(CONSOLE_SCREEN_BUFFER_INFO, dwSize);
DK_SAME_FIELD(CONSOLE_SCREEN_BUFFER_INFO, dwCursorPosition);
DK_SAME_FIELD(CONSOLE_SCREEN_BUFFER_INFO, wAttributes);
DK_SAME_FIELD(CONSOLE_SCREEN_BUFFER_INFO, srWindow);
DK_SAME_FIELD(CONSOLE_SCREEN_BUFFER_INFO, dwMaximumWindowSize);

DK_SAME_SIZE(KEY_EVENT_RECORD);
DK_SAME_FIELD(KEY_EVENT_RECORD, bKeyDown);
DK_SAME_FIELD(KEY_EVENT_RECORD, wRepeatCount);
DK_SAME_FIELD(KEY_EVENT_RECORD, wVirtualKeyCode);
DK_SAME_FIELD(KEY_EVENT_RECORD, wVirtualScanCode);
DK_SAME_FIELD(KEY_EVENT_RECORD, uChar);
DK_SAME_FIELD(KEY_EVENT_RECORD, dwControlKeyState);

DK_SAME_SIZE(MOUSE_EVENT_RECORD);
DK_SAME_SIZE(WINDOW_BUFFER_SIZE_RECORD);
DK_SAME_SIZE(MENU_EVENT_RECORD);
DK_SAME_SIZE(FOCUS_EVENT_RECORD);

DK_SAME_SIZE(INPUT_RECORD);
DK_SAME_FIELD(INPUT_RECORD, EventType);
DK_SAME_FIELD(INPUT_RECORD, Event);

DK_SAME_SIZE(OSVERSIONINFOA);
DK_SAME_FIELD(OSVERSIONINFOA, dwOSVersionInfoSize);
DK_SAME_FIELD(OSVERSIONINFOA, dwPlatformId);
DK_SAME_FIELD(OSVERSIONINFOA, szCSDVersion);

DK_SAME_SIZE(OSVERSIONINFOEXA);
DK_SAME_FIELD(OSVERSIONINFOEXA, wServicePackMajor);
DK_SAME_FIELD(OSVERSIONINFOEXA, wSuiteMask);
DK_SAME_FIELD(OSVERSIONINFOEXA, wProductType);

DK_SAME_SIZE(SYSTEMTIME);
DK_SAME_FIELD(SYSTEMTIME, wYear);
DK_SAME_FIELD(SYSTEMTIME, wDayOfWeek);
DK_SAME_FIELD(SYSTEMTIME, wMilliseconds);

DK_SAME_SIZE(DEVMODEA);
DK_SAME_FIELD(DEVMODEA, dmDeviceName);
DK_SAME_FIELD(DEVMODEA, dmSpecVersion);
DK_SAME_FIELD(DEVMODEA, dmSize);
DK_SAME_FIELD(DEVMODEA, dmDriverExtra);
DK_SAME_FIELD(DEVMODEA, dmFields);
DK_SAME_FIELD(DEVMODEA, dmOrientation);
DK_SAME_FIELD(DEVMODEA, dmPaperSize);
DK_SAME_FIELD(DEVMODEA, dmCopies);
DK_SAME_FIELD(DEVMODEA, dmPrintQuality);
DK_SAME_FIELD(DEVMODEA, dmColor);
DK_SAME_FIELD(DEVMODEA, dmDuplex);
DK_SAME_FIELD(DEVMODEA, dmCollate);
DK_SAME_FIELD(DEVMODEA, dmFormName);
DK_SAME_FIELD(DEVMODEA, dmLogPixels);
DK_SAME_FIELD(DEVMODEA, dmBitsPerPel);
DK_SAME_FIELD(DEVMODEA, dmNup);
DK_SAME_FIELD(DEVMODEA, dmDisplayFrequency);
DK_SAME_FIELD(DEVMODEA, dmPanningHeight);

DK_SAME_SIZE(DOC_INFO_1A);
DK_SAME_FIELD(DOC_INFO_1A, pDocName);
DK_SAME_FIELD(DOC_INFO_1A, pOutputFile);
DK_SAME_FIELD(DOC_INFO_1A, pDatatype);

DK_SAME_SIZE(PRINTER_DEFAULTSA);
DK_SAME_FIELD(PRINTER_DEFAULTSA, pDatatype);
DK_SAME_FIELD(PRINTER_DEFAULTSA, pDevMode);
DK_SAME_FIELD(PRINTER_DEFAULTSA, DesiredAccess);

DK_SAME_SIZE(LOGBRUSH);
DK_SAME_FIELD(LOGBRUSH, lbStyle);
DK_SAME_FIELD(LOGBRUSH, lbColor);
DK_SAME_FIELD(LOGBRUSH, lbHatch);

#undef DK_SAME_SIZE
#undef DK_SAME_FIELD

}  // namespace
