// The recording fake: one coherent model of the Windows services the program
// uses, for tests. It records every call with its arguments (strings and
// records copied) in order, models the console, the spooler, GDI objects,
// files, modules and the version report, and can be scripted to fail any call
// or to answer it with a chosen result and last error.
//
// A test makes one fake::Platform; its constructor installs the fake's seam
// table and its destructor puts back the table that was installed before.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/seam.h"

namespace fake {

using namespace winapi;

// Thrown by the fake ExitProcess so that a test regains control.
struct ProcessExit {
  UINT code;
};

// One recorded call. Text() gives name(arg,arg,...) where strings are quoted,
// null pointers are null, other out-pointers ptr, handles 0x-hex, numbers
// decimal, and records {field,field}. Data holds the bytes a call carried
// (WritePrinter, WriteConsoleA, WriteFile).
struct Call {
  std::string name;
  std::vector<std::string> args;
  std::string data;
  uint64_t thread = 0;
  std::string Text() const;
};

// A scripted answer for one invocation of a call.
struct Scripted {
  int64_t result = 0;   // the call's result, converted to its type
  DWORD lastError = 0;  // left as the last error
};

struct ConsoleModel {
  bool attached = false;  // does the process have a console?
  SHORT width = 80;
  SHORT height = 25;
  COORD cursor{0, 0};
  WORD attributes = 0x07;
  DWORD outputMode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
  DWORD inputMode = 0;
  std::string title;
  std::vector<char> cells;  // width * height characters, row after row
  std::vector<WORD> attrs;  // width * height attributes
  std::deque<INPUT_RECORD> input;
  std::vector<PHANDLER_ROUTINE> handlers;
};

struct PrinterModel {
  std::string name;
  LONG devmodeSize = sizeof(DEVMODEA);
  std::vector<BYTE> devmode;  // what the driver writes for DM_OUT_BUFFER (made if empty)
  int dpi = 203;
  DWORD maxWriteChunk = 0;  // 0: WritePrinter accepts everything asked
};

struct DocumentModel {
  uint32_t jobId = 0;
  std::string printer;
  std::optional<std::string> docName, outputFile, dataType;
  std::string bytes;
  int pagesStarted = 0;
  int pagesEnded = 0;
  bool ended = false;
  bool abandoned = false;  // printer closed before EndDocPrinter
};

struct FileModel {
  std::string bytes;
  bool readOnly = false;  // CREATE_ALWAYS and write opens fail with access denied
  bool locked = false;    // held open elsewhere without sharing: every open fails
};

struct VersionModel {
  bool firstOk = true;
  DWORD platformId = VER_PLATFORM_WIN32_NT;
  DWORD major = 6;
  DWORD minor = 1;
  DWORD build = 7601;
  bool secondOk = true;
  BYTE productType = VER_NT_WORKSTATION;
  DWORD versionWord = 0x1DB10106;  // what GetVersion answers
};

class Platform {
 public:
  Platform();
  ~Platform();
  Platform(const Platform &) = delete;
  Platform &operator=(const Platform &) = delete;

  // The fake's seam table, for wrappers that forward to it.
  static const PlatformApi *Table();
  static Platform &Current();

  // ---- Recording ----
  std::vector<Call> Calls() const;
  std::vector<std::string> CallTexts() const;  // Text() of every call
  std::vector<std::string> CallNames() const;  // name of every call
  std::vector<Call> CallsNamed(const std::string &name) const;
  int CountOf(const std::string &name) const;
  // Forgets the record; per-name and overall call counts for FailCall and
  // FailAtIndex start again from here.
  void ClearCalls();
  // Called at the start of every call (after it is recorded, before it acts),
  // outside the fake's lock, on the calling thread. Tests block or act here.
  std::function<void(const Call &)> onCall;

  // ---- Scripting ----
  // The next invocations of name answer from this queue, in order, instead of
  // the model. For calls returning a handle or pointer, result is its value.
  // A name that is no call of the fake is refused: false, and a violation.
  bool Script(const std::string &name, Scripted answer);
  // Invocation nth (1-based, counted per name) of name fails; with
  // fromThenOn, that one and every later one fail. A name that is no call of
  // the fake is refused: false, and a violation.
  bool FailCall(const std::string &name, int nth = 1, bool fromThenOn = false,
                DWORD lastError = ERROR_INVALID_PARAMETER);
  // The nth platform call overall (1-based) fails; with fromThenOn, every
  // failable call from there on fails too.
  void FailAtIndex(int nth, bool fromThenOn = false, DWORD lastError = ERROR_INVALID_PARAMETER);

  // ---- Console ----
  ConsoleModel console;
  void AttachConsole(SHORT width = 80, SHORT height = 25);
  void ResizeBuffer(SHORT width, SHORT height);  // keeps what fits, clamps the cursor
  std::string Row(int y) const;                  // the characters of row y
  char CellChar(int x, int y) const;
  WORD CellAttr(int x, int y) const;
  void QueueKey(char ch, bool down = true, WORD repeat = 1, WORD vk = 0);
  void QueueText(const std::string &keys);  // a key-down event for each byte
  void QueueRecord(const INPUT_RECORD &record);
  // Delivers a control event to the installed handlers (last installed
  // first) until one returns non-zero; returns whether one did.
  bool RaiseCtrlEvent(DWORD ctrlType);

  // ---- Spooler ----
  std::map<std::string, PrinterModel> printers;
  std::string defaultPrinter;  // "" = none
  bool spoolerModuleLoadable = true;
  bool hasGetDefaultPrinter = true;
  std::vector<DocumentModel> documents;
  void AddPrinter(const std::string &name, int dpi = 203, LONG devmodeSize = sizeof(DEVMODEA));
  int OpenPrinters() const;
  int LoadedModules() const;  // LoadLibraryA minus FreeLibrary

  // ---- GDI ----
  int LiveDCs() const;
  int LivePens() const;  // created, not deleted (stock objects not counted)
  int LiveBrushes() const;
  std::vector<BYTE> LastCreateDcDevmode() const;  // copy of what CreateDCA got
  bool LastCreateDcHadDevmode() const;

  // ---- Version, profile ----
  VersionModel version;
  std::map<std::string, std::string> winIni;  // "SECTION/KEY" upper-cased -> value

  // ---- Files and time ----
  std::map<std::string, FileModel> files;
  bool directoryWritable = true;
  SYSTEMTIME localTime{2026, 12, 5, 11, 10, 30, 45, 0};
  int OpenFiles() const;

  // ---- Checks ----
  // Each call that named a handle the fake had closed or never issued
  // (other than a null handle), as "CallName(0x...)", and each script or
  // failure rule refused for naming no call, as "FailCall(\"Name\"): ...".
  std::vector<std::string> Violations() const;
  // Everything still open: printers, DCs, pens, brushes, files, modules.
  std::string LiveSummary() const;

  // ---- Internals, for the fake's own entry points ----
  struct Impl;
  Impl *impl;
};

// Last error of the calling thread, as the fake's calls leave it.
void SetLastErrorForTest(DWORD error);
// Reads the calling thread's last error without recording a call.
DWORD LastErrorForTest();

// The fake's GetDefaultPrinterA, as GetProcAddress hands it out.
BOOL DK_WINAPI FakeGetDefaultPrinterA(LPSTR buffer, LPDWORD size);

}  // namespace fake
