// The GDI model: printer DCs with their selected pen and brush, text
// alignment and background mode, created pens and brushes, and the stock
// objects that exist always.
#include <cstring>

#include "platform/fake/fake_internal.h"

namespace fake {

namespace {

bool IsStock(uintptr_t object) {
  return object == kStockPen || object == kStockBrush;
}

bool IsPen(const Platform::Impl &impl, uintptr_t object) {
  return object == kStockPen || impl.pens.count(object) != 0;
}

bool IsBrush(const Platform::Impl &impl, uintptr_t object) {
  return object == kStockBrush || impl.brushes.count(object) != 0;
}

bool SelectedAnywhere(const Platform::Impl &impl, uintptr_t object) {
  for (const auto &dc : impl.dcs) {
    if (dc.second.pen == object || dc.second.brush == object) return true;
  }
  return false;
}

// The live DC, or null after noting a bad one and leaving ERROR_INVALID_HANDLE.
Platform::Impl::Dc *LiveDc(Platform &platform, const char *call, HDC dc) {
  auto found = platform.impl->dcs.find(HandleValue(dc));
  if (found != platform.impl->dcs.end()) return &found->second;
  NoteViolation(*platform.impl, call, dc);
  SetLastErrorForTest(ERROR_INVALID_HANDLE);
  return nullptr;
}

}  // namespace

int Platform::LiveDCs() const {
  Lock lock(impl->mutex);
  return static_cast<int>(impl->dcs.size());
}

int Platform::LivePens() const {
  Lock lock(impl->mutex);
  return static_cast<int>(impl->pens.size());
}

int Platform::LiveBrushes() const {
  Lock lock(impl->mutex);
  return static_cast<int>(impl->brushes.size());
}

std::vector<BYTE> Platform::LastCreateDcDevmode() const {
  Lock lock(impl->mutex);
  return impl->lastDcDevmode;
}

bool Platform::LastCreateDcHadDevmode() const {
  Lock lock(impl->mutex);
  return impl->lastDcHadDevmode;
}

namespace entry {

HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR port, const DEVMODEA *devmode) {
  Platform &platform = Platform::Current();
  // The caller's devmode buffer is as large as the printer's driver said.
  size_t devmodeBytes = sizeof(DEVMODEA);
  {
    Lock lock(platform.impl->mutex);
    if (device != nullptr && platform.printers.count(device) != 0) {
      const LONG size = platform.printers[device].devmodeSize;
      devmodeBytes = size > 0 ? static_cast<size_t>(size) : 0;
    }
  }
  Decision decision = Record(
      MakeCall("CreateDCA", {Str(driver), Str(device), Str(port), Devmode(devmode, devmodeBytes)}));
  if (decision.outcome != Outcome::kAct) return Settle<HDC>(decision, nullptr);
  Lock lock(platform.impl->mutex);
  auto printer = device != nullptr ? platform.printers.find(device) : platform.printers.end();
  if (printer == platform.printers.end()) return Failed(ERROR_INVALID_PRINTER_NAME, HDC{nullptr});
  Platform::Impl &impl = *platform.impl;
  impl.lastDcHadDevmode = devmode != nullptr;
  impl.lastDcDevmode.clear();
  if (devmode != nullptr) {
    const BYTE *raw = reinterpret_cast<const BYTE *>(devmode);
    impl.lastDcDevmode.assign(raw, raw + devmodeBytes);
  }
  const uintptr_t handle = impl.nextDc++;
  Platform::Impl::Dc &dc = impl.dcs[handle];
  dc.printer = printer->first;
  dc.dpi = printer->second.dpi;
  return MakeHandle(handle);
}

BOOL DeleteDC(HDC dc) {
  Decision decision = Record(MakeCall("DeleteDC", {Hex(dc)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (LiveDc(platform, "DeleteDC", dc) == nullptr) return FALSE;
  platform.impl->dcs.erase(HandleValue(dc));  // its selections go with it
  return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
  Decision decision = Record(MakeCall("GetDeviceCaps", {Hex(dc), Num(index)}));
  if (decision.outcome != Outcome::kAct) return Settle<int>(decision, 0);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  Platform::Impl::Dc *live = LiveDc(platform, "GetDeviceCaps", dc);
  if (live == nullptr) return 0;
  return index == LOGPIXELSX || index == LOGPIXELSY ? live->dpi : 0;
}

UINT SetTextAlign(HDC dc, UINT align) {
  Decision decision = Record(MakeCall("SetTextAlign", {Hex(dc), Num(align)}));
  if (decision.outcome != Outcome::kAct) return Settle<UINT>(decision, GDI_ERROR);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  Platform::Impl::Dc *live = LiveDc(platform, "SetTextAlign", dc);
  if (live == nullptr) return GDI_ERROR;
  const UINT previous = live->textAlign;
  live->textAlign = align;
  return previous;
}

int SetBkMode(HDC dc, int mode) {
  Decision decision = Record(MakeCall("SetBkMode", {Hex(dc), Num(mode)}));
  if (decision.outcome != Outcome::kAct) return Settle<int>(decision, 0);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  Platform::Impl::Dc *live = LiveDc(platform, "SetBkMode", dc);
  if (live == nullptr) return 0;
  if (mode != TRANSPARENT && mode != OPAQUE) return Failed(ERROR_INVALID_PARAMETER, 0);
  const int previous = live->bkMode;
  live->bkMode = mode;
  return previous;
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  Decision decision = Record(MakeCall("CreateSolidBrush", {Num(colour)}));
  if (decision.outcome != Outcome::kAct) return Settle<HBRUSH>(decision, nullptr);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  const uintptr_t brush = platform.impl->nextBrush++;
  platform.impl->brushes.insert(brush);
  return MakeHandle(brush);
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH *brush, DWORD styleCount,
                  const DWORD *styles) {
  Decision decision = Record(MakeCall(
      "ExtCreatePen", {Num(style), Num(width), Brush(brush), Num(styleCount), Ptr(styles)}));
  if (decision.outcome != Outcome::kAct) return Settle<HPEN>(decision, nullptr);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (brush == nullptr) return Failed(ERROR_INVALID_PARAMETER, HPEN{nullptr});
  const uintptr_t pen = platform.impl->nextPen++;
  platform.impl->pens.insert(pen);
  return MakeHandle(pen);
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  Decision decision = Record(MakeCall("SelectObject", {Hex(dc), Hex(object)}));
  if (decision.outcome != Outcome::kAct) return Settle<HGDIOBJ>(decision, nullptr);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  Platform::Impl::Dc *live = LiveDc(platform, "SelectObject", dc);
  if (live == nullptr) return nullptr;
  const uintptr_t value = HandleValue(object);
  uintptr_t *slot = IsPen(*platform.impl, value)     ? &live->pen
                    : IsBrush(*platform.impl, value) ? &live->brush
                                                     : nullptr;
  if (slot == nullptr) {
    NoteViolation(*platform.impl, "SelectObject", object);
    return Failed(ERROR_INVALID_HANDLE, HGDIOBJ{nullptr});
  }
  const uintptr_t previous = *slot;
  *slot = value;
  return MakeHandle(previous);
}

BOOL DeleteObject(HGDIOBJ object) {
  Decision decision = Record(MakeCall("DeleteObject", {Hex(object)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  Platform::Impl &impl = *platform.impl;
  const uintptr_t value = HandleValue(object);
  if (object == nullptr) return Failed(ERROR_INVALID_HANDLE, FALSE);
  if (IsStock(value)) return TRUE;  // deleting a stock object does nothing
  if (impl.pens.count(value) == 0 && impl.brushes.count(value) == 0) {
    NoteViolation(impl, "DeleteObject", object);
    return Failed(ERROR_INVALID_HANDLE, FALSE);
  }
  // Windows refuses to delete an object still selected into a DC.
  if (SelectedAnywhere(impl, value)) return Failed(ERROR_BUSY, FALSE);
  impl.pens.erase(value);
  impl.brushes.erase(value);
  return TRUE;
}

}  // namespace entry

}  // namespace fake
