#include "platform/posix/gdi_table.h"

#include "platform/posix/handle_table.h"
#include "platform/posix/last_error.h"

namespace dkposix {
namespace {

uintptr_t SerialOf(const void *handle, HandleKind kind) {
  if (!HandleIsOfKind(handle, kind)) return 0;
  return reinterpret_cast<uintptr_t>(handle) & ((uintptr_t{1} << kHandleKindShift) - 1);
}

}  // namespace

GdiTable::GdiTable() {
  stockPen_ = AddObject(ObjectKind::kPen);
  stockBrush_ = AddObject(ObjectKind::kBrush);
  objects_[stockPen_].stock = true;
  objects_[stockBrush_].stock = true;
}

uintptr_t GdiTable::AddObject(ObjectKind kind) {
  uintptr_t serial = nextSerial_++;
  objects_[serial] = Object{kind};
  return serial;
}

winapi::HGDIOBJ GdiTable::StockPen() const {
  return MakeHandle(HandleKind::kGdiObject, stockPen_);
}

winapi::HGDIOBJ GdiTable::StockBrush() const {
  return MakeHandle(HandleKind::kGdiObject, stockBrush_);
}

winapi::HDC GdiTable::CreateDC(int xDpi, int yDpi) {
  std::lock_guard<std::mutex> lock(mutex_);
  uintptr_t serial = nextSerial_++;
  DeviceContext dc;
  dc.xDpi = xDpi;
  dc.yDpi = yDpi;
  dc.pen = stockPen_;
  dc.brush = stockBrush_;
  dcs_[serial] = dc;
  ++objects_[stockPen_].selections;
  ++objects_[stockBrush_].selections;
  return MakeHandle(HandleKind::kDeviceContext, serial);
}

GdiTable::DeviceContext *GdiTable::FindDC(winapi::HDC dc) {
  auto it = dcs_.find(SerialOf(dc, HandleKind::kDeviceContext));
  if (it == dcs_.end()) {
    SetLastError(winapi::ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &it->second;
}

bool GdiTable::DeleteDC(winapi::HDC dc) {
  std::lock_guard<std::mutex> lock(mutex_);
  DeviceContext *context = FindDC(dc);
  if (context == nullptr) return false;
  --objects_[context->pen].selections;
  --objects_[context->brush].selections;
  dcs_.erase(SerialOf(dc, HandleKind::kDeviceContext));
  return true;
}

winapi::HPEN GdiTable::CreatePen() {
  std::lock_guard<std::mutex> lock(mutex_);
  return MakeHandle(HandleKind::kGdiObject, AddObject(ObjectKind::kPen));
}

winapi::HBRUSH GdiTable::CreateBrush(winapi::COLORREF) {
  std::lock_guard<std::mutex> lock(mutex_);
  return MakeHandle(HandleKind::kGdiObject, AddObject(ObjectKind::kBrush));
}

winapi::HGDIOBJ GdiTable::Select(winapi::HDC dc, winapi::HGDIOBJ object) {
  std::lock_guard<std::mutex> lock(mutex_);
  DeviceContext *context = FindDC(dc);
  if (context == nullptr) return nullptr;
  uintptr_t serial = SerialOf(object, HandleKind::kGdiObject);
  auto it = objects_.find(serial);
  if (it == objects_.end()) {
    SetLastError(winapi::ERROR_INVALID_HANDLE);
    return nullptr;
  }
  uintptr_t &slot = it->second.kind == ObjectKind::kPen ? context->pen : context->brush;
  uintptr_t previous = slot;
  --objects_[previous].selections;
  ++it->second.selections;
  slot = serial;
  return MakeHandle(HandleKind::kGdiObject, previous);
}

bool GdiTable::DeleteObject(winapi::HGDIOBJ object) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = objects_.find(SerialOf(object, HandleKind::kGdiObject));
  if (it == objects_.end()) {
    SetLastError(winapi::ERROR_INVALID_HANDLE);
    return false;
  }
  if (it->second.stock) return true;  // deleting a stock object does nothing, harmlessly
  if (it->second.selections > 0) {
    SetLastError(kErrorBusy);  // still selected into a DC
    return false;
  }
  objects_.erase(it);
  return true;
}

int GdiTable::DeviceCaps(winapi::HDC dc, int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  DeviceContext *context = FindDC(dc);
  if (context == nullptr) return 0;
  switch (index) {
    case winapi::LOGPIXELSX:
      return context->xDpi;
    case winapi::LOGPIXELSY:
      return context->yDpi;
    default:
      return 0;  // no other capability is known for a CUPS destination
  }
}

winapi::UINT GdiTable::SetTextAlign(winapi::HDC dc, winapi::UINT align) {
  std::lock_guard<std::mutex> lock(mutex_);
  DeviceContext *context = FindDC(dc);
  if (context == nullptr) return winapi::GDI_ERROR;
  winapi::UINT previous = context->textAlign;
  context->textAlign = align;
  return previous;
}

int GdiTable::SetBkMode(winapi::HDC dc, int mode) {
  std::lock_guard<std::mutex> lock(mutex_);
  DeviceContext *context = FindDC(dc);
  if (context == nullptr) return 0;
  if (mode != winapi::OPAQUE && mode != winapi::TRANSPARENT) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return 0;
  }
  int previous = context->backgroundMode;
  context->backgroundMode = mode;
  return previous;
}

}  // namespace dkposix
