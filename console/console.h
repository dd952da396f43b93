// The console layer: a console of the program's own, its title, positioned
// mode, clearing, cursor placement, text output, line input and the close
// event.
#pragma once

#include <string>

#include "platform/platform.h"

// The routine the close event runs: the layer above hands it in before
// Con_Open installs the close handler. Null (the start) runs nothing.
void Con_SetEndRoutine(void (*end)());
// Opens (allocates, where the program starts without one) the console and
// installs the close handler. title may be null for none. Returns 1.
int Con_Open(const char *title);
int Con_SetTitle(const char *title);
// Non-zero flag: positioned mode (output mode 0); zero: line mode (mode 3).
int Con_SetGraphical(int flag);
void Con_Clear();
void Con_Locate(int x, int y);
// A null text writes nothing; an empty one is a text of length 0.
void Con_Write(const char *text);
void Con_WriteLine(const char *text);
std::string Con_ReadLine();
// Whether the last Con_ReadLine ended with Enter; 0 when console input failed.
int Con_ReadEndedByEnter();
void Con_Close();

// The handler Con_Open installs; exposed so tests can deliver control events.
BOOL DK_WINAPI Con_CloseHandler(DWORD ctrlType);

// Forgets the layer's state (tests start each case from a fresh layer).
void Con_Reset();
