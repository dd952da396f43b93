// The seam between the portable core and the operating system: one table of
// function pointers, one entry for each Windows call the core makes. The
// program installs its native backend at start; tests install the fake, or a
// wrapper that forwards to another table and fails chosen calls.
//
// The call list below is the one place each signature is written: the
// winapi:: declarations, the table's fields, the forwarders and every
// backend's declarations are generated from it. Each entry carries its
// contract: what a backend must do, the last error a failure leaves (read
// through GetLastError on the same thread), and which thread may call it.
// "Any thread" calls may come from the close event's thread while the main
// thread is in another call: a backend keeps them safe against each other.
#pragma once

#include "platform/winapi.h"

// X(result, name, (parameters), (arguments)), one group per kind of call.
#define DK_CONSOLE_CALLS(X)                                                                       \
  /* A console of the process's own; FALSE, ERROR_ACCESS_DENIED if it has one. Main thread. */    \
  X(winapi::BOOL, AllocConsole, (), ())                                                           \
  /* Lets the process's console go; FALSE and an error set if it has none. Main thread. */        \
  X(winapi::BOOL, FreeConsole, (), ())                                                            \
  /* The STD_INPUT/STD_OUTPUT handle; INVALID_HANDLE_VALUE, error set. Any thread. */             \
  X(winapi::HANDLE, GetStdHandle, (winapi::DWORD which), (which))                                 \
  /* Size, cursor, attributes now; FALSE, ERROR_INVALID_HANDLE if not a console. Any thread. */   \
  X(winapi::BOOL, GetConsoleScreenBufferInfo,                                                     \
    (winapi::HANDLE output, winapi::PCONSOLE_SCREEN_BUFFER_INFO info), (output, info))            \
  /* Sets the handle's mode; FALSE, ERROR_INVALID_HANDLE/_PARAMETER if refused. Any thread. */    \
  X(winapi::BOOL, SetConsoleMode, (winapi::HANDLE handle, winapi::DWORD mode), (handle, mode))    \
  /* Sets the title, an empty one too; FALSE, error set if it cannot. Any thread. */              \
  X(winapi::BOOL, SetConsoleTitleA, (winapi::LPCSTR title), (title))                              \
  /* Moves the cursor; FALSE, ERROR_INVALID_PARAMETER outside the buffer. Any thread. */          \
  X(winapi::BOOL, SetConsoleCursorPosition, (winapi::HANDLE output, winapi::COORD position),      \
    (output, position))                                                                           \
  /* Colours cells from start, cut at the buffer's end, count in *written. Any thread. */         \
  X(winapi::BOOL, FillConsoleOutputAttribute,                                                     \
    (winapi::HANDLE output, winapi::WORD attribute, winapi::DWORD length, winapi::COORD start,    \
     winapi::LPDWORD written),                                                                    \
    (output, attribute, length, start, written))                                                  \
  /* Writes one character into cells from start, as above; cursor stays. Any thread. */           \
  X(winapi::BOOL, FillConsoleOutputCharacterA,                                                    \
    (winapi::HANDLE output, winapi::CHAR character, winapi::DWORD length, winapi::COORD start,    \
     winapi::LPDWORD written),                                                                    \
    (output, character, length, start, written))                                                  \
  /* Writes at the cursor as the output mode says, count in *written. Any thread. */              \
  X(winapi::BOOL, WriteConsoleA,                                                                  \
    (winapi::HANDLE output, winapi::LPCVOID buffer, winapi::DWORD count, winapi::LPDWORD written, \
     winapi::LPVOID reserved),                                                                    \
    (output, buffer, count, written, reserved))                                                   \
  /* Waits for at least one event, count in *read; FALSE once input ends. One reader. */          \
  X(winapi::BOOL, ReadConsoleInputA,                                                              \
    (winapi::HANDLE input, winapi::PINPUT_RECORD buffer, winapi::DWORD length,                    \
     winapi::LPDWORD read),                                                                       \
    (input, buffer, length, read))

#define DK_CONTROL_CALLS(X)                                                                    \
  /* Adds (add FALSE: removes) a handler, run on a new thread per event. Main thread. */       \
  X(winapi::BOOL, SetConsoleCtrlHandler, (winapi::PHANDLER_ROUTINE routine, winapi::BOOL add), \
    (routine, add))

#define DK_SPOOLER_CALLS(X)                                                                        \
  /* A handle on the named printer; FALSE, ERROR_INVALID_PRINTER_NAME if none. Any thread. */      \
  X(winapi::BOOL, OpenPrinterA,                                                                    \
    (winapi::LPSTR printerName, winapi::LPHANDLE printer, winapi::LPPRINTER_DEFAULTSA defaults),   \
    (printerName, printer, defaults))                                                              \
  /* Ends the handle, cancelling a document under way; ERROR_INVALID_HANDLE. Any thread. */        \
  X(winapi::BOOL, ClosePrinter, (winapi::HANDLE printer), (printer))                               \
  /* Mode 0: the DEVMODE's size; DM_OUT_BUFFER fills it; < 0 and error set. Any thread. */         \
  X(winapi::LONG, DocumentPropertiesA,                                                             \
    (winapi::HWND window, winapi::HANDLE printer, winapi::LPSTR deviceName,                        \
     winapi::PDEVMODEA output, winapi::PDEVMODEA input, winapi::DWORD mode),                       \
    (window, printer, deviceName, output, input, mode))                                            \
  /* Level 1 only: a job id, 0 and error set; one document per handle at a time. Any thread. */    \
  X(winapi::DWORD, StartDocPrinterA,                                                               \
    (winapi::HANDLE printer, winapi::DWORD level, winapi::LPBYTE docInfo),                         \
    (printer, level, docInfo))                                                                     \
  /* A page inside the open document; FALSE, error set without one. Any thread. */                 \
  X(winapi::BOOL, StartPagePrinter, (winapi::HANDLE printer), (printer))                           \
  /* Sends bytes of the open document, count in *written (may be short). Any thread. */            \
  X(winapi::BOOL, WritePrinter,                                                                    \
    (winapi::HANDLE printer, winapi::LPVOID buffer, winapi::DWORD count, winapi::LPDWORD written), \
    (printer, buffer, count, written))                                                             \
  /* Ends the open page; FALSE, error set without one. Any thread. */                              \
  X(winapi::BOOL, EndPagePrinter, (winapi::HANDLE printer), (printer))                             \
  /* Ends the document, handing the job over whole; FALSE, error set. Any thread. */               \
  X(winapi::BOOL, EndDocPrinter, (winapi::HANDLE printer), (printer))

#define DK_GDI_CALLS(X)                                                                          \
  /* A printer device context with the DEVMODE's settings; null, error set. Any thread. */       \
  X(winapi::HDC, CreateDCA,                                                                      \
    (winapi::LPCSTR driver, winapi::LPCSTR device, winapi::LPCSTR port,                          \
     const winapi::DEVMODEA *devmode),                                                           \
    (driver, device, port, devmode))                                                             \
  /* Ends the context; its selected objects become deletable; FALSE if bad. Any thread. */       \
  X(winapi::BOOL, DeleteDC, (winapi::HDC dc), (dc))                                              \
  /* The context's capability (LOGPIXELSX, ...); 0 for a bad context or index. Any thread. */    \
  X(int, GetDeviceCaps, (winapi::HDC dc, int index), (dc, index))                                \
  /* Sets text alignment, the previous one back; GDI_ERROR if bad. Any thread. */                \
  X(winapi::UINT, SetTextAlign, (winapi::HDC dc, winapi::UINT align), (dc, align))               \
  /* Sets the background mode, the previous one back; 0 if bad. Any thread. */                   \
  X(int, SetBkMode, (winapi::HDC dc, int mode), (dc, mode))                                      \
  /* A new solid brush; null when out of objects. Any thread. */                                 \
  X(winapi::HBRUSH, CreateSolidBrush, (winapi::COLORREF colour), (colour))                       \
  /* A new pen of style and width in device units; null, ERROR_INVALID_PARAMETER. Any thread. */ \
  X(winapi::HPEN, ExtCreatePen,                                                                  \
    (winapi::DWORD style, winapi::DWORD width, const winapi::LOGBRUSH *brush,                    \
     winapi::DWORD styleCount, const winapi::DWORD *styles),                                     \
    (style, width, brush, styleCount, styles))                                                   \
  /* Selects, the object of that kind it replaces back; null if bad. Any thread. */              \
  X(winapi::HGDIOBJ, SelectObject, (winapi::HDC dc, winapi::HGDIOBJ object), (dc, object))       \
  /* Frees an object no context has selected; stock ones stay; FALSE if bad. Any thread. */      \
  X(winapi::BOOL, DeleteObject, (winapi::HGDIOBJ object), (object))

#define DK_SYSTEM_CALLS(X)                                                                        \
  /* Fills OSVERSIONINFO(EX)A by its size field; FALSE, ERROR_INSUFFICIENT_BUFFER. Any thread. */ \
  X(winapi::BOOL, GetVersionExA, (winapi::LPOSVERSIONINFOA info), (info))                         \
  /* The packed version word (build in bits 16 to 30 on NT); never fails. Any thread. */          \
  X(winapi::DWORD, GetVersion, (), ())                                                            \
  /* Upper-cases a string in place (a pointer) or one character (a small value). Any thread. */   \
  X(winapi::LPSTR, CharUpperA, (winapi::LPSTR text), (text))                                      \
  /* The local time now; never fails. Any thread. */                                              \
  X(void, GetLocalTime, (winapi::LPSYSTEMTIME time), (time))                                      \
  /* ANSI text to UTF-16; the count, or 0, error set (too small: INSUFFICIENT_BUFFER). Any. */    \
  X(int, MultiByteToWideChar,                                                                     \
    (winapi::UINT codePage, winapi::DWORD flags, winapi::LPCSTR text, int textBytes,              \
     winapi::LPWSTR wide, int wideChars),                                                         \
    (codePage, flags, text, textBytes, wide, wideChars))

#define DK_PROFILE_CALLS(X)                                                                     \
  /* An INI value or the fallback, cut to size - 1 and terminated; the count. Any thread. */    \
  X(winapi::DWORD, GetPrivateProfileStringA,                                                    \
    (winapi::LPCSTR section, winapi::LPCSTR key, winapi::LPCSTR fallback, winapi::LPSTR buffer, \
     winapi::DWORD size, winapi::LPCSTR file),                                                  \
    (section, key, fallback, buffer, size, file))

#define DK_MODULE_CALLS(X)                                                              \
  /* A module handle; null, ERROR_MOD_NOT_FOUND. Any thread. */                         \
  X(winapi::HMODULE, LoadLibraryA, (winapi::LPCSTR name), (name))                       \
  /* A function of the module; null, ERROR_PROC_NOT_FOUND. Any thread. */               \
  X(winapi::FARPROC, GetProcAddress, (winapi::HMODULE module, winapi::LPCSTR name),     \
    (module, name))                                                                     \
  /* Lets the module go; FALSE, ERROR_INVALID_HANDLE for one not loaded. Any thread. */ \
  X(winapi::BOOL, FreeLibrary, (winapi::HMODULE module), (module))

#define DK_ERROR_CALLS(X)                                                             \
  /* The calling thread's last error, as the last failed call left it. Any thread. */ \
  X(winapi::DWORD, GetLastError, (), ())

#define DK_FILE_CALLS(X)                                                                           \
  /* Opens by disposition; INVALID_HANDLE_VALUE, ERROR_FILE_NOT_FOUND/_EXISTS/... Any thread. */   \
  X(winapi::HANDLE, CreateFileA,                                                                   \
    (winapi::LPCSTR name, winapi::DWORD access, winapi::DWORD share, winapi::LPVOID security,      \
     winapi::DWORD disposition, winapi::DWORD flags, winapi::HANDLE templateFile),                 \
    (name, access, share, security, disposition, flags, templateFile))                             \
  /* The size's low word, high in *sizeHigh; INVALID_FILE_SIZE, error set. Any thread. */          \
  X(winapi::DWORD, GetFileSize, (winapi::HANDLE file, winapi::LPDWORD sizeHigh), (file, sizeHigh)) \
  /* Moves the position; INVALID_SET_FILE_POINTER with ERROR_NEGATIVE_SEEK/... Any thread. */      \
  X(winapi::DWORD, SetFilePointer,                                                                 \
    (winapi::HANDLE file, winapi::LONG distance, winapi::PLONG distanceHigh,                       \
     winapi::DWORD method),                                                                        \
    (file, distance, distanceHigh, method))                                                        \
  /* Writes at the position and moves it, count in *written; FALSE, error set. Any thread. */      \
  X(winapi::BOOL, WriteFile,                                                                       \
    (winapi::HANDLE file, winapi::LPCVOID buffer, winapi::DWORD count, winapi::LPDWORD written,    \
     winapi::LPVOID overlapped),                                                                   \
    (file, buffer, count, written, overlapped))                                                    \
  /* Ends a file handle; FALSE, ERROR_INVALID_HANDLE for any other. Any thread. */                 \
  X(winapi::BOOL, CloseHandle, (winapi::HANDLE handle), (handle))

// Every call of the seam.
#define DK_PLATFORM_CALLS(X) \
  DK_CONSOLE_CALLS(X)        \
  DK_CONTROL_CALLS(X)        \
  DK_SPOOLER_CALLS(X)        \
  DK_GDI_CALLS(X)            \
  DK_SYSTEM_CALLS(X) DK_PROFILE_CALLS(X) DK_MODULE_CALLS(X) DK_ERROR_CALLS(X) DK_FILE_CALLS(X)

// The call that never returns, kept out of the list above because its
// declarations say so ([[noreturn]]) while its table entry cannot.
#define DK_EXIT_CALL(X)                                                                  \
  /* Ends the process with exitCode (the fake: throws fake::ProcessExit). Any thread. */ \
  X(void, ExitProcess, (winapi::UINT exitCode), (exitCode))

// One declaration for each entry of a list: backends declare their own
// versions of a group with DK_CONSOLE_CALLS(DK_PLATFORM_DECLARE) and so on.
#define DK_PLATFORM_DECLARE(result, name, params, args) result name params;
#define DK_PLATFORM_DECLARE_NORETURN(result, name, params, args) [[noreturn]] result name params;

namespace winapi {
DK_PLATFORM_CALLS(DK_PLATFORM_DECLARE)
DK_EXIT_CALL(DK_PLATFORM_DECLARE_NORETURN)
}  // namespace winapi

// One pointer for each call. A backend fills every entry; a wrapper copies
// another table and replaces the entries it wants to watch or fail.
struct PlatformApi {
#define DK_PLATFORM_FIELD(result, name, params, args) result(*name) params;
  DK_PLATFORM_CALLS(DK_PLATFORM_FIELD)
  DK_EXIT_CALL(DK_PLATFORM_FIELD)
#undef DK_PLATFORM_FIELD
};

// Installs the table every winapi:: call goes through, and returns the one it
// replaces. The table must outlive its use.
const PlatformApi *Platform_Install(const PlatformApi *api);
const PlatformApi *Platform_Current();

// The backend chosen at build time for the program (win32 or posix).
const PlatformApi *Platform_Native();
