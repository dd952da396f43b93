// Shared pieces of the fake's entry points: the private state behind
// fake::Platform, the argument formatting of recorded calls, and the
// record-then-decide step every entry starts with.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/fake/fake_platform.h"

namespace fake {

// Handle values the fake hands out, by kind. Each kind counts up from its
// base and never reuses a value, so a stale handle is always recognised.
constexpr uintptr_t kConsoleInput = 0x10;
constexpr uintptr_t kConsoleOutput = 0x11;
constexpr uintptr_t kFirstPrinter = 0x1001;
constexpr uintptr_t kFirstDc = 0x2001;
constexpr uintptr_t kFirstPen = 0x3001;
constexpr uintptr_t kFirstBrush = 0x4001;
constexpr uintptr_t kFirstFile = 0x5001;
constexpr uintptr_t kSpoolerModule = 0x7001;
constexpr uintptr_t kStockPen = 0x8001;
constexpr uintptr_t kStockBrush = 0x8002;

inline uintptr_t HandleValue(const void *handle) {
  return reinterpret_cast<uintptr_t>(handle);
}
inline HANDLE MakeHandle(uintptr_t value) {
  return reinterpret_cast<HANDLE>(value);
}

struct Platform::Impl {
  std::recursive_mutex mutex;
  const PlatformApi *previousTable = nullptr;
  Platform *previousCurrent = nullptr;

  // Recording and scripting.
  std::vector<Call> calls;
  std::map<std::string, int> invocations;  // per name, since the last ClearCalls
  std::map<std::string, std::deque<Scripted>> scripts;
  struct FailRule {
    std::string name;  // empty: counts every call (FailAtIndex)
    int nth = 1;
    bool fromThenOn = false;
    DWORD lastError = 0;
  };
  std::vector<FailRule> failRules;
  std::vector<std::string> violations;

  // Spooler.
  struct PrinterHandle {
    std::string printer;
    int document = -1;  // index into Platform::documents of the open document
  };
  std::map<uintptr_t, PrinterHandle> printerHandles;
  uintptr_t nextPrinter = kFirstPrinter;
  uint32_t nextJob = 1;
  int loadedModules = 0;

  // GDI.
  struct Dc {
    std::string printer;
    int dpi = 0;
    uintptr_t pen = kStockPen;
    uintptr_t brush = kStockBrush;
    UINT textAlign = 0;
    int bkMode = OPAQUE;
  };
  std::map<uintptr_t, Dc> dcs;
  std::set<uintptr_t> pens, brushes;  // live ones
  uintptr_t nextDc = kFirstDc, nextPen = kFirstPen, nextBrush = kFirstBrush;
  std::vector<BYTE> lastDcDevmode;
  bool lastDcHadDevmode = false;

  // Files.
  struct OpenFile {
    std::string name;
    DWORD access = 0;
    uint64_t position = 0;
  };
  std::map<uintptr_t, OpenFile> openFiles;
  uintptr_t nextFile = kFirstFile;
};

using Lock = std::lock_guard<std::recursive_mutex>;

// ---- Formatting of recorded arguments ----
std::string Str(LPCSTR text);               // "text" or null
std::string Bytes(LPCSTR text, int count);  // "..." of count bytes (count < 0: to the zero)
std::string Ptr(const void *pointer);       // ptr or null
std::string Hex(const void *handle);        // 0x + lower-case hex
std::string Num(int64_t value);
std::string Pos(COORD coord);  // {x,y}
std::string DocInfo(const DOC_INFO_1A *info);
std::string Defaults(const PRINTER_DEFAULTSA *defaults);
std::string Brush(const LOGBRUSH *brush);
std::string Devmode(const DEVMODEA *devmode, size_t readable);

// ---- Record, then decide ----
enum class Outcome { kAct, kFail, kAnswer };
struct Decision {
  Outcome outcome = Outcome::kAct;
  DWORD lastError = 0;
  int64_t result = 0;
};

// Records the call (with the calling thread), runs onCall outside the lock
// and says whether the call acts on the model, fails as the test asked, or
// answers from the script. A call that cannot fail ignores failure rules.
Decision Record(Call call, bool failable = true);

// Notes a call that named a handle the fake never issued or already closed.
void NoteViolation(Platform::Impl &impl, const std::string &call, const void *handle);

// Leaves error as the calling thread's last error and returns value.
template <class R>
R Failed(DWORD error, R value) {
  SetLastErrorForTest(error);
  return value;
}

// The result of a call that did not act: the failure value, or the scripted
// result converted to the call's type.
template <class R>
R Settle(const Decision &decision, R failure) {
  SetLastErrorForTest(decision.lastError);
  if (decision.outcome == Outcome::kFail) return failure;
  if constexpr (std::is_pointer_v<R>) {
    return reinterpret_cast<R>(static_cast<intptr_t>(decision.result));
  } else {
    return static_cast<R>(decision.result);
  }
}

Call MakeCall(const char *name, std::vector<std::string> args);

// The table's entries, one free function for each call of the seam.
namespace entry {
#define DK_FAKE_ENTRY(result, name, params, args) result name params;
DK_PLATFORM_CALLS(DK_FAKE_ENTRY)
DK_EXIT_CALL(DK_FAKE_ENTRY)
#undef DK_FAKE_ENTRY
}  // namespace entry

// The devmode a printer's driver reports: devmodeSize bytes.
std::vector<BYTE> DriverDevmode(const PrinterModel &printer);

}  // namespace fake
