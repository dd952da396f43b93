#include "printer/drawing.h"

#include <cmath>
#include <cstdint>

#include "printer/print_state.h"
#include "printer/text_format.h"

namespace {

constexpr float kMillimetresPerInch = 25.4f;
constexpr float kUnit1Divisor = 10.0f;

// Nearest integer, halves to even, held inside the 32-bit range.
int64_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  double rounded = std::nearbyint(value);
  if (rounded >= 2147483647.0) return INT32_MAX;
  if (rounded <= -2147483648.0) return INT32_MIN;
  return static_cast<int64_t>(rounded);
}

// Selects the library's new object into the device context, remembering the
// object the context had before the library's first one.
void SelectOwn(HGDIOBJ object, HGDIOBJ *original) {
  HGDIOBJ previous = SelectObject(g_Print.PrinterDC, object);
  if (*original == nullptr) *original = previous;
}

}  // namespace

int Print_ApplyDefaults() {
  Print_SetTextAlign(g_Print.TextAlign);
  Print_SetBkMode(g_Print.BkMode);
  Print_SetLineColor(g_Print.LineColor);
  Print_CreateBrush(g_Print.BrushColor);
  Print_CreatePen(g_Print.PenStyle, g_Print.LineWidth, g_Print.LineColor, 0, nullptr);
  return 0;
}

UINT Print_SetTextAlign(UINT align) {
  Print_Trace("Print_SetTextAlign(" + HexText(g_Print.TextAlign) + ")");
  UINT result = SetTextAlign(g_Print.PrinterDC, align);
  Print_Trace("SetTextAlign_(" + HexText(g_Print.PrinterDC) + "," + HexText(align) +
              ")=" + HexText(result));
  return result;
}

int Print_SetBkMode(int mode) {
  Print_Trace("Print_SetBkMode(" + HexText(static_cast<uint32_t>(g_Print.BkMode)) + ")");
  int result = SetBkMode(g_Print.PrinterDC, mode);
  Print_Trace("SetBkMode_(" + HexText(g_Print.PrinterDC) + "," +
              HexText(static_cast<uint32_t>(mode)) + ")=" + DecimalText(result));
  return result;
}

HPEN Print_SetLineColor(COLORREF colour) {
  Print_Trace("Print_SetLineColor(" + HexText(g_Print.LineColor) + ")");
  g_Print.LineColor = colour;
  return Print_CreatePen(g_Print.PenStyle, g_Print.LineWidth, g_Print.LineColor, 0, nullptr);
}

HBRUSH Print_CreateBrush(COLORREF colour) {
  Print_Trace("Print_CreateBrush(" + HexText(colour) + ")");
  HBRUSH brush = CreateSolidBrush(colour);
  Print_Trace("CreateSolidBrush_(" + HexText(colour) + ")=" + HexText(brush));
  if (brush != nullptr) {
    // The old brush can only be deleted once the new one has replaced it in
    // the device context.
    HBRUSH previous = g_Print.BrushHandle;
    g_Print.BrushHandle = brush;
    SelectOwn(brush, &g_Print.OriginalBrush);
    DeleteObject(previous);
  }
  return brush;
}

HPEN Print_CreatePen(DWORD style, float width, COLORREF colour, DWORD styleCount,
                     const DWORD *styles) {
  Print_Trace("Print_CreatePen(" + HexText(g_Print.PenStyle) + "," +
              HexText(static_cast<uint64_t>(RoundHalfEven(g_Print.LineWidth))) + "," +
              HexText(g_Print.LineColor) + ",0,0)");
  // A NaN width compares unequal to everything; it is treated like 0.0.
  int pixels = (width == 0.0f || std::isnan(width)) ? 1 : Print_UnitToPixels(width);
  if ((style & PS_TYPE_MASK) == PS_COSMETIC) pixels = 1;

  LOGBRUSH brush;
  brush.lbStyle = BS_SOLID;
  brush.lbColor = colour;
  brush.lbHatch = 0;
  HPEN pen = ExtCreatePen(style, static_cast<DWORD>(pixels), &brush, styleCount, styles);
  Print_Trace("ExtCreatePen_(" + HexText(style) + "," + HexText(static_cast<uint32_t>(pixels)) +
              "," + HexText(&brush) + "," + HexText(styleCount) + "," + HexText(styles) +
              ")=" + HexText(pen));
  if (pen != nullptr) {
    HPEN previous = g_Print.PenHandle;
    g_Print.PenHandle = pen;
    SelectOwn(pen, &g_Print.OriginalPen);
    DeleteObject(previous);
  }
  return pen;
}

int Print_UnitToPixels(float width) {
  double value = width;
  if (g_Print.Unit == 1 || g_Print.Unit == 2) {
    float divisor = g_Print.Unit == 2 ? kMillimetresPerInch : kUnit1Divisor;
    double resolution = Print_DeviceCaps(LOGPIXELSX);
    value = resolution * static_cast<double>(width) / static_cast<double>(divisor);
  }
  return static_cast<int>(RoundHalfEven(value));
}

int Print_DeviceCaps(int index) {
  return GetDeviceCaps(g_Print.PrinterDC, index);
}
