// The seam between the portable core and the operating system: one table of
// function pointers, one entry for each Windows call of winapi.h. The program
// installs its native backend at start; tests install the fake, or a wrapper
// that forwards to another table and fails chosen calls.
#pragma once

#include "platform/winapi.h"

// X-macro list of every call: X(result, name, (parameters), (arguments)).
#define DK_PLATFORM_CALLS(X)                                                                       \
  X(winapi::BOOL, AllocConsole, (), ())                                                            \
  X(winapi::BOOL, FreeConsole, (), ())                                                             \
  X(winapi::HANDLE, GetStdHandle, (winapi::DWORD which), (which))                                  \
  X(winapi::BOOL, GetConsoleScreenBufferInfo,                                                      \
    (winapi::HANDLE output, winapi::PCONSOLE_SCREEN_BUFFER_INFO info), (output, info))             \
  X(winapi::BOOL, SetConsoleMode, (winapi::HANDLE handle, winapi::DWORD mode), (handle, mode))     \
  X(winapi::BOOL, SetConsoleTitleA, (winapi::LPCSTR title), (title))                               \
  X(winapi::BOOL, SetConsoleCursorPosition, (winapi::HANDLE output, winapi::COORD position),       \
    (output, position))                                                                            \
  X(winapi::BOOL, FillConsoleOutputAttribute,                                                      \
    (winapi::HANDLE output, winapi::WORD attribute, winapi::DWORD length, winapi::COORD start,     \
     winapi::LPDWORD written),                                                                     \
    (output, attribute, length, start, written))                                                   \
  X(winapi::BOOL, FillConsoleOutputCharacterA,                                                     \
    (winapi::HANDLE output, winapi::CHAR character, winapi::DWORD length, winapi::COORD start,     \
     winapi::LPDWORD written),                                                                     \
    (output, character, length, start, written))                                                   \
  X(winapi::BOOL, WriteConsoleA,                                                                   \
    (winapi::HANDLE output, winapi::LPCVOID buffer, winapi::DWORD count, winapi::LPDWORD written,  \
     winapi::LPVOID reserved),                                                                     \
    (output, buffer, count, written, reserved))                                                    \
  X(winapi::BOOL, ReadConsoleInputA,                                                               \
    (winapi::HANDLE input, winapi::PINPUT_RECORD buffer, winapi::DWORD length,                     \
     winapi::LPDWORD read),                                                                        \
    (input, buffer, length, read))                                                                 \
  X(winapi::BOOL, SetConsoleCtrlHandler, (winapi::PHANDLER_ROUTINE routine, winapi::BOOL add),     \
    (routine, add))                                                                                \
  X(winapi::BOOL, OpenPrinterA,                                                                    \
    (winapi::LPSTR printerName, winapi::LPHANDLE printer, winapi::LPPRINTER_DEFAULTSA defaults),   \
    (printerName, printer, defaults))                                                              \
  X(winapi::BOOL, ClosePrinter, (winapi::HANDLE printer), (printer))                               \
  X(winapi::LONG, DocumentPropertiesA,                                                             \
    (winapi::HWND window, winapi::HANDLE printer, winapi::LPSTR deviceName,                        \
     winapi::PDEVMODEA output, winapi::PDEVMODEA input, winapi::DWORD mode),                       \
    (window, printer, deviceName, output, input, mode))                                            \
  X(winapi::DWORD, StartDocPrinterA,                                                               \
    (winapi::HANDLE printer, winapi::DWORD level, winapi::LPBYTE docInfo),                         \
    (printer, level, docInfo))                                                                     \
  X(winapi::BOOL, StartPagePrinter, (winapi::HANDLE printer), (printer))                           \
  X(winapi::BOOL, WritePrinter,                                                                    \
    (winapi::HANDLE printer, winapi::LPVOID buffer, winapi::DWORD count, winapi::LPDWORD written), \
    (printer, buffer, count, written))                                                             \
  X(winapi::BOOL, EndPagePrinter, (winapi::HANDLE printer), (printer))                             \
  X(winapi::BOOL, EndDocPrinter, (winapi::HANDLE printer), (printer))                              \
  X(winapi::HDC, CreateDCA,                                                                        \
    (winapi::LPCSTR driver, winapi::LPCSTR device, winapi::LPCSTR port,                            \
     const winapi::DEVMODEA *devmode),                                                             \
    (driver, device, port, devmode))                                                               \
  X(winapi::BOOL, DeleteDC, (winapi::HDC dc), (dc))                                                \
  X(int, GetDeviceCaps, (winapi::HDC dc, int index), (dc, index))                                  \
  X(winapi::UINT, SetTextAlign, (winapi::HDC dc, winapi::UINT align), (dc, align))                 \
  X(int, SetBkMode, (winapi::HDC dc, int mode), (dc, mode))                                        \
  X(winapi::HBRUSH, CreateSolidBrush, (winapi::COLORREF colour), (colour))                         \
  X(winapi::HPEN, ExtCreatePen,                                                                    \
    (winapi::DWORD style, winapi::DWORD width, const winapi::LOGBRUSH *brush,                      \
     winapi::DWORD styleCount, const winapi::DWORD *styles),                                       \
    (style, width, brush, styleCount, styles))                                                     \
  X(winapi::HGDIOBJ, SelectObject, (winapi::HDC dc, winapi::HGDIOBJ object), (dc, object))         \
  X(winapi::BOOL, DeleteObject, (winapi::HGDIOBJ object), (object))                                \
  X(winapi::BOOL, GetVersionExA, (winapi::LPOSVERSIONINFOA info), (info))                          \
  X(winapi::DWORD, GetVersion, (), ())                                                             \
  X(winapi::DWORD, GetPrivateProfileStringA,                                                       \
    (winapi::LPCSTR section, winapi::LPCSTR key, winapi::LPCSTR fallback, winapi::LPSTR buffer,    \
     winapi::DWORD size, winapi::LPCSTR file),                                                     \
    (section, key, fallback, buffer, size, file))                                                  \
  X(winapi::HMODULE, LoadLibraryA, (winapi::LPCSTR name), (name))                                  \
  X(winapi::FARPROC, GetProcAddress, (winapi::HMODULE module, winapi::LPCSTR name),                \
    (module, name))                                                                                \
  X(winapi::BOOL, FreeLibrary, (winapi::HMODULE module), (module))                                 \
  X(winapi::DWORD, GetLastError, (), ())                                                           \
  X(winapi::LPSTR, CharUpperA, (winapi::LPSTR text), (text))                                       \
  X(void, GetLocalTime, (winapi::LPSYSTEMTIME time), (time))                                       \
  X(winapi::HANDLE, CreateFileA,                                                                   \
    (winapi::LPCSTR name, winapi::DWORD access, winapi::DWORD share, winapi::LPVOID security,      \
     winapi::DWORD disposition, winapi::DWORD flags, winapi::HANDLE templateFile),                 \
    (name, access, share, security, disposition, flags, templateFile))                             \
  X(winapi::DWORD, GetFileSize, (winapi::HANDLE file, winapi::LPDWORD sizeHigh), (file, sizeHigh)) \
  X(winapi::DWORD, SetFilePointer,                                                                 \
    (winapi::HANDLE file, winapi::LONG distance, winapi::PLONG distanceHigh,                       \
     winapi::DWORD method),                                                                        \
    (file, distance, distanceHigh, method))                                                        \
  X(winapi::BOOL, WriteFile,                                                                       \
    (winapi::HANDLE file, winapi::LPCVOID buffer, winapi::DWORD count, winapi::LPDWORD written,    \
     winapi::LPVOID overlapped),                                                                   \
    (file, buffer, count, written, overlapped))                                                    \
  X(winapi::BOOL, CloseHandle, (winapi::HANDLE handle), (handle))                                  \
  X(int, MultiByteToWideChar,                                                                      \
    (winapi::UINT codePage, winapi::DWORD flags, winapi::LPCSTR text, int textBytes,               \
     winapi::LPWSTR wide, int wideChars),                                                          \
    (codePage, flags, text, textBytes, wide, wideChars))

// One pointer for each call. A backend fills every entry; a wrapper copies
// another table and replaces the entries it wants to watch or fail.
struct PlatformApi {
#define DK_PLATFORM_FIELD(result, name, params, args) result(*name) params;
  DK_PLATFORM_CALLS(DK_PLATFORM_FIELD)
#undef DK_PLATFORM_FIELD
  // Kept out of the list because it never returns; the fake ends a test's
  // run with it by throwing.
  void (*ExitProcess)(winapi::UINT exitCode);
};

// Installs the table every winapi:: call goes through, and returns the one it
// replaces. The table must outlive its use.
const PlatformApi *Platform_Install(const PlatformApi *api);
const PlatformApi *Platform_Current();

// The backend chosen at build time for the program (win32 or posix).
const PlatformApi *Platform_Native();
