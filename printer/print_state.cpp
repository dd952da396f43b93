#include "printer/print_state.h"

#include <cstdlib>

#include "printer/trace_log.h"

PrintState g_Print;

void *(*Print_Calloc)(size_t count, size_t size) = std::calloc;

int Print_Init() {
  g_Print.PrinterDC = nullptr;
  g_Print.Vantrel_PH = nullptr;
  g_Print.PenHandle = nullptr;
  g_Print.BrushHandle = nullptr;
  g_Print.OriginalPen = nullptr;
  g_Print.OriginalBrush = nullptr;
  g_Print.TraceFile = nullptr;
  g_Print.TraceBuffered = 0;

  g_Print.LineWidth = 0.2f;
  g_Print.LineColor = 0;
  g_Print.PenStyle = PS_GEOMETRIC | PS_JOIN_MITER | PS_ENDCAP_FLAT | PS_SOLID;
  g_Print.Unit = 2;
  g_Print.BrushColor = 0;
  g_Print.TextAlign = 0;
  g_Print.BkMode = TRANSPARENT;
  g_Print.TraceOn = 0;
  return 0;
}

int Print_Release() {
  if (g_Print.Vantrel_PH != nullptr) {
    ClosePrinter(g_Print.Vantrel_PH);
    g_Print.Vantrel_PH = nullptr;
  }
  // Windows will not delete a pen or brush still selected into a device
  // context: hand the context back the objects it was made with first.
  if (g_Print.PrinterDC != nullptr) {
    if (g_Print.OriginalPen != nullptr) SelectObject(g_Print.PrinterDC, g_Print.OriginalPen);
    if (g_Print.OriginalBrush != nullptr) SelectObject(g_Print.PrinterDC, g_Print.OriginalBrush);
  }
  g_Print.OriginalPen = nullptr;
  g_Print.OriginalBrush = nullptr;
  if (g_Print.PenHandle != nullptr) {
    DeleteObject(g_Print.PenHandle);
    g_Print.PenHandle = nullptr;
  }
  if (g_Print.BrushHandle != nullptr) {
    DeleteObject(g_Print.BrushHandle);
    g_Print.BrushHandle = nullptr;
  }
  if (g_Print.PrinterDC != nullptr) {
    DeleteDC(g_Print.PrinterDC);
    g_Print.PrinterDC = nullptr;
  }
  if (g_Print.TraceFile != nullptr) Print_CloseTraceFile();
  return 0;
}

void Print_Trace(const std::string &line) {
  if (g_Print.TraceOn == 0) return;
  Print_TraceToFile(line);
}

void Print_SetTrace(int on) {
  g_Print.TraceOn = on;
}
