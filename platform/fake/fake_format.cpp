// How recorded calls show their arguments: Call::Text and its helpers.
#include <cstring>

#include "platform/fake/fake_internal.h"

namespace fake {

std::string Call::Text() const {
  std::string text = name + "(";
  for (size_t i = 0; i < args.size(); ++i) {
    if (i > 0) text += ",";
    text += args[i];
  }
  return text + ")";
}

std::string Str(LPCSTR text) {
  if (text == nullptr) return "null";
  return "\"" + std::string(text) + "\"";
}

std::string Bytes(LPCSTR text, int count) {
  if (text == nullptr) return "null";
  if (count < 0) return Str(text);
  return "\"" + std::string(text, static_cast<size_t>(count)) + "\"";
}

std::string Ptr(const void *pointer) {
  return pointer == nullptr ? "null" : "ptr";
}

std::string Hex(const void *handle) {
  static const char kDigits[] = "0123456789abcdef";
  uintptr_t value = HandleValue(handle);
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return "0x" + digits;
}

std::string Num(int64_t value) {
  return std::to_string(value);
}

std::string Pos(COORD coord) {
  return "{" + Num(coord.X) + "," + Num(coord.Y) + "}";
}

std::string DocInfo(const DOC_INFO_1A *info) {
  if (info == nullptr) return "null";
  return "{" + Str(info->pDocName) + "," + Str(info->pOutputFile) + "," + Str(info->pDatatype) +
         "}";
}

std::string Defaults(const PRINTER_DEFAULTSA *defaults) {
  if (defaults == nullptr) return "null";
  return "{" + Str(defaults->pDatatype) + "," + Ptr(defaults->pDevMode) + "," +
         Num(defaults->DesiredAccess) + "}";
}

std::string Brush(const LOGBRUSH *brush) {
  if (brush == nullptr) return "null";
  return "{" + Num(brush->lbStyle) + "," + Num(brush->lbColor) + "," +
         Num(static_cast<int64_t>(brush->lbHatch)) + "}";
}

std::string Devmode(const DEVMODEA *devmode, size_t readable) {
  if (devmode == nullptr) return "null";
  const char *name = reinterpret_cast<const char *>(devmode->dmDeviceName);
  size_t limit =
      readable < sizeof(devmode->dmDeviceName) ? readable : sizeof(devmode->dmDeviceName);
  return "devmode(\"" + std::string(name, strnlen(name, limit)) + "\")";
}

}  // namespace fake
