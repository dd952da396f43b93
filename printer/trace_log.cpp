#include "printer/trace_log.h"

#include <cctype>
#include <cstring>

#include "printer/os_version.h"
#include "printer/print_state.h"
#include "printer/text_format.h"

namespace {

const char kTraceMask[] = "%yyyy%mm%dd_%hh%ii%ss";
const char kTracePrefix[] = "Vantrel_debugfile ";

std::string TwoDigits(unsigned value) {
  return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
         static_cast<char>('0' + value % 10);
}

bool TokenAt(const char *at, const char *token) {
  for (; *token != '\0'; ++at, ++token) {
    if (std::tolower(static_cast<unsigned char>(*at)) != *token) return false;
  }
  return true;
}

// Two files opened within the same second would share a name, and creating
// the second would empty the first: later ones get "_2", "_3", ...
std::string NextTraceFileName() {
  SYSTEMTIME now;
  std::memset(&now, 0, sizeof now);
  GetLocalTime(&now);
  std::string stamp = Print_FormatTime(kTraceMask, now);
  if (stamp == g_Print.TraceLastStamp) {
    ++g_Print.TraceStampUses;
  } else {
    g_Print.TraceLastStamp = stamp;
    g_Print.TraceStampUses = 1;
  }
  std::string suffix = g_Print.TraceStampUses > 1 ? "_" + DecimalText(g_Print.TraceStampUses) : "";
  return kTracePrefix + stamp + suffix + ".txt";
}

void OpenTraceFile() {
  std::string name = NextTraceFileName();
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    // A file that can be opened for writing only can still be emptied.
    file = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING, 0,
                       nullptr);
  }
  if (file != INVALID_HANDLE_VALUE && file != nullptr) {
    g_Print.TraceFile = file;
    g_Print.TraceBuffered = 0;
  }
}

void WriteOut(const char *bytes, size_t count) {
  DWORD written = 0;
  WriteFile(g_Print.TraceFile, bytes, static_cast<DWORD>(count), &written, nullptr);
}

void FlushTraceBuffer() {
  if (g_Print.TraceBuffered == 0) return;
  WriteOut(g_Print.TraceBuffer, g_Print.TraceBuffered);
  g_Print.TraceBuffered = 0;
}

}  // namespace

std::string Print_FormatTime(const char *mask, const SYSTEMTIME &time) {
  std::string out;
  for (const char *at = mask; *at != '\0';) {
    if (*at == '%') {
      if (TokenAt(at + 1, "yyyy")) {
        std::string year = DecimalText(time.wYear);
        out += std::string(year.size() < 4 ? 4 - year.size() : 0, '0') + year;
        at += 5;
        continue;
      }
      struct Token {
        const char *letters;
        unsigned value;
      };
      const Token tokens[] = {{"yy", time.wYear % 100u}, {"mm", time.wMonth},
                              {"dd", time.wDay},         {"hh", time.wHour},
                              {"ii", time.wMinute},      {"ss", time.wSecond}};
      bool matched = false;
      for (const Token &token : tokens) {
        if (TokenAt(at + 1, token.letters)) {
          out += TwoDigits(token.value);
          at += 3;
          matched = true;
          break;
        }
      }
      if (matched) continue;
    }
    out += *at++;
  }
  return out;
}

int Print_TraceHeader() {
  Print_Trace("Vantrel Version V1.10");
  Print_Trace("Korvane Version " + DecimalText(520));
  Print_Trace(OsGenerationName(OsVersionCode()));
  return 0;
}

void Print_TraceToFile(const std::string &line) {
  if (g_Print.TraceFile == nullptr) OpenTraceFile();
  if (g_Print.TraceFile == nullptr) return;

  FlushTraceBuffer();
  DWORD high = 0;
  DWORD low = GetFileSize(g_Print.TraceFile, &high);
  // A failed size query would send the line gigabytes past the end; the
  // position our own writes left is the end then.
  if (low != INVALID_FILE_SIZE) {
    LONG distanceHigh = static_cast<LONG>(high);
    SetFilePointer(g_Print.TraceFile, static_cast<LONG>(low), &distanceHigh, FILE_BEGIN);
  }

  std::string framed = line + "\r\n";
  if (framed.size() < sizeof g_Print.TraceBuffer) {
    std::memcpy(g_Print.TraceBuffer, framed.data(), framed.size());
    g_Print.TraceBuffered = framed.size();
  } else {
    WriteOut(framed.data(), framed.size());
  }
}

void Print_CloseTraceFile() {
  FlushTraceBuffer();
  CloseHandle(g_Print.TraceFile);
  g_Print.TraceFile = nullptr;
  g_Print.TraceBuffered = 0;
}
