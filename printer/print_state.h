// The printer library's one process-wide state record and its lifecycle.
#pragma once

#include <cstddef>
#include <string>

#include "platform/platform.h"

struct PrintState {
  // Printer and job.
  std::string PrinterName;
  HANDLE Vantrel_PH;
  BYTE *DevMode;  // owned; lives for the whole run
  LONG DevModeSize;
  std::string DevModePrinter;  // the printer whose driver filled DevMode
  HDC PrinterDC;

  // Drawing state pushed into every new device context.
  UINT TextAlign;
  int BkMode;
  COLORREF LineColor;
  float LineWidth;
  DWORD PenStyle;
  COLORREF BrushColor;
  int Unit;
  HPEN PenHandle;
  HBRUSH BrushHandle;
  // What PrinterDC held before the library selected its own pen and brush;
  // put back at release so that Windows lets the library's objects go.
  HGDIOBJ OriginalPen;
  HGDIOBJ OriginalBrush;

  // Trace log.
  int TraceOn;
  HANDLE TraceFile;
  char TraceBuffer[4096];
  size_t TraceBuffered;
  std::string TraceLastStamp;  // time stamp of the last trace file opened
  int TraceStampUses;          // files opened under that stamp so far
};

extern PrintState g_Print;

int Print_Init();
int Print_Release();
void Print_Trace(const std::string &line);
// Tracing is off from Print_Init on; the tester never switches it on.
void Print_SetTrace(int on);

// Memory for the DEVMODE cache and raw buffers; tests swap it to make an
// allocation fail. Zero-filled, like calloc.
extern void *(*Print_Calloc)(size_t count, size_t size);
