// Our own declarations of the Windows calls, records and constants this
// program uses, written from the documented interface. Layouts follow the
// published Windows records; sizes are checked below so that a backend can
// hand a record straight to the real API.
//
// Everything lives in namespace winapi so that the Win32 backend can include
// the platform's own headers beside this one; the core reaches these names
// through platform/platform.h.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define DK_WINAPI __attribute__((stdcall))
#else
#define DK_WINAPI
#endif

namespace winapi {

typedef int32_t BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int16_t SHORT;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef uint32_t COLORREF;
typedef uintptr_t ULONG_PTR;
typedef char CHAR;
typedef char16_t WCHAR;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef WCHAR *LPWSTR;
typedef DWORD *LPDWORD;
typedef LONG *PLONG;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef BYTE *LPBYTE;

typedef void *HANDLE;
typedef HANDLE *LPHANDLE;
typedef void *HWND;
typedef void *HDC;
typedef void *HGDIOBJ;
typedef void *HPEN;
typedef void *HBRUSH;
typedef void *HMODULE;
typedef intptr_t(DK_WINAPI *FARPROC)();

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// ---- Last errors -----------------------------------------------------------
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
constexpr DWORD ERROR_INVALID_PRINTER_NAME = 1801;
// Left by the backends and the fake only.
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_HANDLE_EOF = 38;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_BROKEN_PIPE = 109;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_INVALID_LEVEL = 124;
constexpr DWORD ERROR_NEGATIVE_SEEK = 131;
constexpr DWORD ERROR_BUSY = 170;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD RPC_S_SERVER_UNAVAILABLE = 1722;
constexpr DWORD ERROR_INVALID_DATATYPE = 1804;
constexpr DWORD ERROR_INVALID_PRINTER_STATE = 1906;
constexpr DWORD ERROR_SPL_NO_STARTDOC = 3003;

// ---- Console ---------------------------------------------------------------
struct COORD {
  SHORT X;
  SHORT Y;
};

struct SMALL_RECT {
  SHORT Left;
  SHORT Top;
  SHORT Right;
  SHORT Bottom;
};

struct CONSOLE_SCREEN_BUFFER_INFO {
  COORD dwSize;
  COORD dwCursorPosition;
  WORD wAttributes;
  SMALL_RECT srWindow;
  COORD dwMaximumWindowSize;
};
typedef CONSOLE_SCREEN_BUFFER_INFO *PCONSOLE_SCREEN_BUFFER_INFO;

struct KEY_EVENT_RECORD {
  BOOL bKeyDown;
  WORD wRepeatCount;
  WORD wVirtualKeyCode;
  WORD wVirtualScanCode;
  union {
    WCHAR UnicodeChar;
    CHAR AsciiChar;
  } uChar;
  DWORD dwControlKeyState;
};

struct MOUSE_EVENT_RECORD {
  COORD dwMousePosition;
  DWORD dwButtonState;
  DWORD dwControlKeyState;
  DWORD dwEventFlags;
};

struct WINDOW_BUFFER_SIZE_RECORD {
  COORD dwSize;
};

struct MENU_EVENT_RECORD {
  UINT dwCommandId;
};

struct FOCUS_EVENT_RECORD {
  BOOL bSetFocus;
};

struct INPUT_RECORD {
  WORD EventType;
  union {
    KEY_EVENT_RECORD KeyEvent;
    MOUSE_EVENT_RECORD MouseEvent;
    WINDOW_BUFFER_SIZE_RECORD WindowBufferSizeEvent;
    MENU_EVENT_RECORD MenuEvent;
    FOCUS_EVENT_RECORD FocusEvent;
  } Event;
};
typedef INPUT_RECORD *PINPUT_RECORD;

typedef BOOL(DK_WINAPI *PHANDLER_ROUTINE)(DWORD ctrlType);

constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);

constexpr WORD KEY_EVENT = 0x0001;
constexpr WORD MOUSE_EVENT = 0x0002;
constexpr WORD WINDOW_BUFFER_SIZE_EVENT = 0x0004;
constexpr WORD MENU_EVENT = 0x0008;
constexpr WORD FOCUS_EVENT = 0x0010;

constexpr DWORD CTRL_C_EVENT = 0;
constexpr DWORD CTRL_BREAK_EVENT = 1;
constexpr DWORD CTRL_CLOSE_EVENT = 2;
constexpr DWORD CTRL_LOGOFF_EVENT = 5;
constexpr DWORD CTRL_SHUTDOWN_EVENT = 6;

constexpr DWORD ENABLE_PROCESSED_OUTPUT = 0x0001;
constexpr DWORD ENABLE_WRAP_AT_EOL_OUTPUT = 0x0002;

// Virtual-key codes the backends produce for keys without a character.
constexpr WORD VK_BACK = 0x08;
constexpr WORD VK_RETURN = 0x0D;
constexpr WORD VK_ESCAPE = 0x1B;
constexpr WORD VK_PRIOR = 0x21;
constexpr WORD VK_NEXT = 0x22;
constexpr WORD VK_END = 0x23;
constexpr WORD VK_HOME = 0x24;
constexpr WORD VK_LEFT = 0x25;
constexpr WORD VK_UP = 0x26;
constexpr WORD VK_RIGHT = 0x27;
constexpr WORD VK_DOWN = 0x28;
constexpr WORD VK_INSERT = 0x2D;
constexpr WORD VK_DELETE = 0x2E;
constexpr WORD VK_F1 = 0x70;

// ---- Version, profile, modules ---------------------------------------------
struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
};
typedef OSVERSIONINFOA *LPOSVERSIONINFOA;

struct OSVERSIONINFOEXA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
  WORD wServicePackMajor;
  WORD wServicePackMinor;
  WORD wSuiteMask;
  BYTE wProductType;
  BYTE wReserved;
};

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
constexpr BYTE VER_NT_WORKSTATION = 1;
constexpr BYTE VER_NT_DOMAIN_CONTROLLER = 2;
constexpr BYTE VER_NT_SERVER = 3;

// GetDefaultPrinterA is looked up at run time, so only its type is declared.
typedef BOOL(DK_WINAPI *GETDEFAULTPRINTERA)(LPSTR buffer, LPDWORD size);

// ---- Files and time --------------------------------------------------------
struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
typedef SYSTEMTIME *LPSYSTEMTIME;

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x00000001u;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080u;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD ERROR_FILE_EXISTS = 80;

// ---- Code pages ------------------------------------------------------------
constexpr UINT CP_ACP = 0;

// ---- Spooler ---------------------------------------------------------------
struct DEVMODEA {
  BYTE dmDeviceName[32];
  WORD dmSpecVersion;
  WORD dmDriverVersion;
  WORD dmSize;
  WORD dmDriverExtra;
  DWORD dmFields;
  SHORT dmOrientation;
  SHORT dmPaperSize;
  SHORT dmPaperLength;
  SHORT dmPaperWidth;
  SHORT dmScale;
  SHORT dmCopies;
  SHORT dmDefaultSource;
  SHORT dmPrintQuality;
  SHORT dmColor;
  SHORT dmDuplex;
  SHORT dmYResolution;
  SHORT dmTTOption;
  SHORT dmCollate;
  BYTE dmFormName[32];
  WORD dmLogPixels;
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  DWORD dmNup;  // shares its place with dmDisplayFlags
  DWORD dmDisplayFrequency;
  DWORD dmICMMethod;
  DWORD dmICMIntent;
  DWORD dmMediaType;
  DWORD dmDitherType;
  DWORD dmReserved1;
  DWORD dmReserved2;
  DWORD dmPanningWidth;
  DWORD dmPanningHeight;
};
typedef DEVMODEA *PDEVMODEA;
typedef DEVMODEA *LPDEVMODEA;

constexpr WORD DM_SPECVERSION = 0x0401;

constexpr DWORD DM_ORIENTATION = 0x00000001u;
constexpr DWORD DM_PAPERSIZE = 0x00000002u;
constexpr DWORD DM_PAPERLENGTH = 0x00000004u;
constexpr DWORD DM_PAPERWIDTH = 0x00000008u;
constexpr DWORD DM_SCALE = 0x00000010u;
constexpr DWORD DM_COPIES = 0x00000100u;
constexpr DWORD DM_DEFAULTSOURCE = 0x00000200u;
constexpr DWORD DM_PRINTQUALITY = 0x00000400u;
constexpr DWORD DM_COLOR = 0x00000800u;
constexpr DWORD DM_DUPLEX = 0x00001000u;
constexpr DWORD DM_YRESOLUTION = 0x00002000u;
constexpr DWORD DM_TTOPTION = 0x00004000u;
constexpr DWORD DM_COLLATE = 0x00008000u;
constexpr DWORD DM_FORMNAME = 0x00010000u;

constexpr SHORT DMORIENT_PORTRAIT = 1;
constexpr SHORT DMORIENT_LANDSCAPE = 2;
constexpr SHORT DMPAPER_LETTER = 1;
constexpr SHORT DMPAPER_LEGAL = 5;
constexpr SHORT DMPAPER_A4 = 9;
constexpr SHORT DMPAPER_A5 = 11;

// DocumentPropertiesA modes.
constexpr DWORD DM_OUT_BUFFER = 2;
constexpr DWORD DM_IN_BUFFER = 8;

struct DOC_INFO_1A {
  LPSTR pDocName;
  LPSTR pOutputFile;
  LPSTR pDatatype;
};

struct PRINTER_DEFAULTSA {
  LPSTR pDatatype;
  LPDEVMODEA pDevMode;
  DWORD DesiredAccess;
};
typedef PRINTER_DEFAULTSA *LPPRINTER_DEFAULTSA;

constexpr DWORD PRINTER_ACCESS_USE = 0x00000008u;

// ---- Graphics --------------------------------------------------------------
struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
};

constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_TOP = 0;
constexpr UINT GDI_ERROR = 0xFFFFFFFFu;
constexpr UINT BS_SOLID = 0;

constexpr DWORD PS_SOLID = 0x00000000u;
constexpr DWORD PS_ENDCAP_FLAT = 0x00000200u;
constexpr DWORD PS_JOIN_MITER = 0x00002000u;
constexpr DWORD PS_COSMETIC = 0x00000000u;
constexpr DWORD PS_GEOMETRIC = 0x00010000u;
constexpr DWORD PS_TYPE_MASK = 0x000F0000u;

// ---- Published sizes and offsets -------------------------------------------
static_assert(sizeof(COORD) == 4, "COORD");
static_assert(sizeof(CONSOLE_SCREEN_BUFFER_INFO) == 22, "CONSOLE_SCREEN_BUFFER_INFO");
static_assert(sizeof(KEY_EVENT_RECORD) == 16, "KEY_EVENT_RECORD");
static_assert(sizeof(INPUT_RECORD) == 20, "INPUT_RECORD");
static_assert(offsetof(INPUT_RECORD, Event) == 4, "INPUT_RECORD.Event");
static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA");
static_assert(sizeof(OSVERSIONINFOEXA) == 156, "OSVERSIONINFOEXA");
static_assert(sizeof(SYSTEMTIME) == 16, "SYSTEMTIME");
static_assert(sizeof(DEVMODEA) == 156, "DEVMODEA");
static_assert(offsetof(DEVMODEA, dmFields) == 40, "dmFields");
static_assert(offsetof(DEVMODEA, dmOrientation) == 44, "dmOrientation");
static_assert(offsetof(DEVMODEA, dmPrintQuality) == 58, "dmPrintQuality");
static_assert(offsetof(DEVMODEA, dmCollate) == 68, "dmCollate");
static_assert(offsetof(DEVMODEA, dmFormName) == 70, "dmFormName");
static_assert(offsetof(DEVMODEA, dmLogPixels) == 102, "dmLogPixels");
static_assert(offsetof(DEVMODEA, dmBitsPerPel) == 104, "dmBitsPerPel");
static_assert(sizeof(LOGBRUSH) == 8 + sizeof(ULONG_PTR), "LOGBRUSH");
static_assert(sizeof(DOC_INFO_1A) == 3 * sizeof(void *), "DOC_INFO_1A");

}  // namespace winapi

// The calls themselves are declared from the seam's call list, the one place
// their signatures are written.
#include "platform/seam.h"
