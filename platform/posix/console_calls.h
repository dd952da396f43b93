// The console calls, on the controlling terminal: output through a screen
// model, input through the key decoder.
#pragma once

#include "platform/winapi.h"

namespace dkposix {

winapi::BOOL AllocConsole();
winapi::BOOL FreeConsole();
winapi::HANDLE GetStdHandle(winapi::DWORD which);
winapi::BOOL GetConsoleScreenBufferInfo(winapi::HANDLE output,
                                        winapi::PCONSOLE_SCREEN_BUFFER_INFO info);
winapi::BOOL SetConsoleMode(winapi::HANDLE handle, winapi::DWORD mode);
winapi::BOOL SetConsoleTitleA(winapi::LPCSTR title);
winapi::BOOL SetConsoleCursorPosition(winapi::HANDLE output, winapi::COORD position);
winapi::BOOL FillConsoleOutputAttribute(winapi::HANDLE output, winapi::WORD attribute,
                                        winapi::DWORD length, winapi::COORD start,
                                        winapi::LPDWORD written);
winapi::BOOL FillConsoleOutputCharacterA(winapi::HANDLE output, winapi::CHAR character,
                                         winapi::DWORD length, winapi::COORD start,
                                         winapi::LPDWORD written);
winapi::BOOL WriteConsoleA(winapi::HANDLE output, winapi::LPCVOID buffer, winapi::DWORD count,
                           winapi::LPDWORD written, winapi::LPVOID reserved);
winapi::BOOL ReadConsoleInputA(winapi::HANDLE input, winapi::PINPUT_RECORD buffer,
                               winapi::DWORD length, winapi::LPDWORD read);

bool IsConsoleHandle(winapi::HANDLE handle);

// Called from the signal thread: the window changed size; the process is
// about to stop (Ctrl+Z) and has continued.
void ConsoleWindowResized();
void ConsoleSuspend();
void ConsoleResume();

}  // namespace dkposix
