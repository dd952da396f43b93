// Drawing defaults pushed into every new printer device context: text
// alignment, background mode, a pen and a solid brush.
#pragma once

#include "platform/platform.h"

int Print_ApplyDefaults();
UINT Print_SetTextAlign(UINT align);
int Print_SetBkMode(int mode);
HPEN Print_SetLineColor(COLORREF colour);
HBRUSH Print_CreateBrush(COLORREF colour);
HPEN Print_CreatePen(DWORD style, float width, COLORREF colour, DWORD styleCount,
                     const DWORD *styles);
// A width in the library's unit as device pixels, nearest with halves to even.
int Print_UnitToPixels(float width);
int Print_DeviceCaps(int index);
