// Device contexts, pens and brushes behind handles, with the rules Windows
// keeps: a new DC has the stock pen and brush selected and the initial text
// alignment and background mode; SelectObject hands back what it replaced; an
// object selected into a DC cannot be deleted until it is deselected or its
// DC is deleted; stock objects are never freed. Thread-safe.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>

#include "platform/winapi.h"

namespace dkposix {

class GdiTable {
 public:
  GdiTable();

  winapi::HDC CreateDC(int xDpi, int yDpi);
  bool DeleteDC(winapi::HDC dc);

  winapi::HPEN CreatePen();
  winapi::HBRUSH CreateBrush(winapi::COLORREF colour);

  // Each sets the last error on failure.
  winapi::HGDIOBJ Select(winapi::HDC dc, winapi::HGDIOBJ object);
  bool DeleteObject(winapi::HGDIOBJ object);
  int DeviceCaps(winapi::HDC dc, int index);
  winapi::UINT SetTextAlign(winapi::HDC dc, winapi::UINT align);
  int SetBkMode(winapi::HDC dc, int mode);

  winapi::HGDIOBJ StockPen() const;
  winapi::HGDIOBJ StockBrush() const;

 private:
  enum class ObjectKind { kPen, kBrush };
  struct Object {
    ObjectKind kind;
    bool stock = false;
    int selections = 0;  // DCs it is selected into
  };
  struct DeviceContext {
    int xDpi = 0;
    int yDpi = 0;
    winapi::UINT textAlign = winapi::TA_TOP | winapi::TA_LEFT | winapi::TA_NOUPDATECP;
    int backgroundMode = winapi::OPAQUE;
    uintptr_t pen = 0;
    uintptr_t brush = 0;
  };

  DeviceContext *FindDC(winapi::HDC dc);
  uintptr_t AddObject(ObjectKind kind);

  std::mutex mutex_;
  std::map<uintptr_t, Object> objects_;
  std::map<uintptr_t, DeviceContext> dcs_;
  uintptr_t nextSerial_ = 1;
  uintptr_t stockPen_;
  uintptr_t stockBrush_;
};

}  // namespace dkposix
