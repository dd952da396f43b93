#include "console/console.h"

#include <cstring>

#include "console/console_state.h"

ConState g_Con = {nullptr,           nullptr,          {}, 0, Con_LineWrite,
                  Con_LineWriteLine, Con_LineReadLine, {}, 0, {nullptr}};

namespace {
constexpr DWORD kLineModeOutput = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
constexpr DWORD kPositionedModeOutput = 0;
}  // namespace

CONSOLE_SCREEN_BUFFER_INFO Con_QueryInfo() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  std::memset(&info, 0, sizeof info);
  if (!GetConsoleScreenBufferInfo(g_Con.OutputHandle, &info)) std::memset(&info, 0, sizeof info);
  return info;
}

void Con_SetEndRoutine(void (*end)()) {
  g_Con.EndRoutine.store(end, std::memory_order_release);
}

int Con_Open(const char *title) {
#if DK_STARTS_WITHOUT_CONSOLE
  AllocConsole();
#endif
  g_Con.InputHandle = GetStdHandle(STD_INPUT_HANDLE);
  g_Con.OutputHandle = GetStdHandle(STD_OUTPUT_HANDLE);
  std::memset(&g_Con.OpenInfo, 0, sizeof g_Con.OpenInfo);
  GetConsoleScreenBufferInfo(g_Con.OutputHandle, &g_Con.OpenInfo);
  SetConsoleCtrlHandler(Con_CloseHandler, TRUE);
  if (title != nullptr) SetConsoleTitleA(title);
  return 1;
}

int Con_SetTitle(const char *title) {
  return SetConsoleTitleA(title);
}

int Con_SetGraphical(int flag) {
  DWORD mode;
  if (flag != 0) {
    g_Con.Write = Con_PositionedWrite;
    g_Con.WriteLine = Con_PositionedWriteLine;
    g_Con.ReadLine = Con_PositionedReadLine;
    mode = kPositionedModeOutput;
  } else {
    g_Con.Write = Con_LineWrite;
    g_Con.WriteLine = Con_LineWriteLine;
    g_Con.ReadLine = Con_LineReadLine;
    mode = kLineModeOutput;
  }
  BOOL result = SetConsoleMode(g_Con.OutputHandle, mode);
  g_Con.Positioned = flag;
  return result;
}

void Con_Clear() {
  if (g_Con.Positioned == 0) return;
  // The size and attributes the console had when it was opened.
  DWORD width = g_Con.OpenInfo.dwSize.X > 0 ? static_cast<DWORD>(g_Con.OpenInfo.dwSize.X) : 0;
  DWORD height = g_Con.OpenInfo.dwSize.Y > 0 ? static_cast<DWORD>(g_Con.OpenInfo.dwSize.Y) : 0;
  DWORD cells = width * height;
  COORD origin = {0, 0};
  DWORD written = 0;
  FillConsoleOutputAttribute(g_Con.OutputHandle, g_Con.OpenInfo.wAttributes, cells, origin,
                             &written);
  FillConsoleOutputCharacterA(g_Con.OutputHandle, ' ', cells, origin, &written);
  SetConsoleCursorPosition(g_Con.OutputHandle, origin);
}

void Con_Locate(int x, int y) {
  if (g_Con.Positioned == 0) return;
  COORD position = {static_cast<SHORT>(x), static_cast<SHORT>(y)};
  SetConsoleCursorPosition(g_Con.OutputHandle, position);
}

void Con_Write(const char *text) {
  g_Con.Write(text);
}
void Con_WriteLine(const char *text) {
  g_Con.WriteLine(text);
}
std::string Con_ReadLine() {
  g_Con.LastReadEnded = 0;
  return g_Con.ReadLine();
}

int Con_ReadEndedByEnter() {
  return g_Con.LastReadEnded;
}

void Con_Close() {
#if DK_STARTS_WITHOUT_CONSOLE
  FreeConsole();
#endif
}

BOOL DK_WINAPI Con_CloseHandler(DWORD ctrlType) {
  if (ctrlType == CTRL_CLOSE_EVENT) {
    void (*end)() = g_Con.EndRoutine.load(std::memory_order_acquire);
    if (end != nullptr) end();
  }
  return FALSE;  // the platform's default handling follows, for every event
}

void Con_Reset() {
  g_Con.InputHandle = nullptr;
  g_Con.OutputHandle = nullptr;
  std::memset(&g_Con.OpenInfo, 0, sizeof g_Con.OpenInfo);
  g_Con.Positioned = 0;
  g_Con.Write = Con_LineWrite;
  g_Con.WriteLine = Con_LineWriteLine;
  g_Con.ReadLine = Con_LineReadLine;
  g_Con.LastReadEnded = 0;
  g_Con.EndRoutine.store(nullptr, std::memory_order_release);
}
