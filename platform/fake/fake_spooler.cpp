// The spooler model: printers and their driver devmodes, printer handles,
// documents with their pages and bytes, the spooler module and its
// GetDefaultPrinterA.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/fake/fake_internal.h"

namespace fake {

namespace {

constexpr LONG kIdOk = 1;

// The open printer handle, or null after noting a bad one and leaving
// ERROR_INVALID_HANDLE.
Platform::Impl::PrinterHandle *OpenHandle(Platform &platform, const char *call, HANDLE printer) {
  auto found = platform.impl->printerHandles.find(HandleValue(printer));
  if (found != platform.impl->printerHandles.end()) return &found->second;
  NoteViolation(*platform.impl, call, printer);
  SetLastErrorForTest(ERROR_INVALID_HANDLE);
  return nullptr;
}

// The document open (started, not ended) on the handle, or null.
DocumentModel *OpenDocument(Platform &platform, const Platform::Impl::PrinterHandle &handle) {
  if (handle.document < 0 || handle.document >= static_cast<int>(platform.documents.size())) {
    return nullptr;
  }
  DocumentModel &document = platform.documents[handle.document];
  return document.ended ? nullptr : &document;
}

std::optional<std::string> Copy(LPCSTR text) {
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

bool SameNoCase(const std::string &a, const std::string &b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::vector<BYTE> DriverDevmode(const PrinterModel &printer) {
  const size_t size = printer.devmodeSize > 0 ? static_cast<size_t>(printer.devmodeSize) : 0;
  std::vector<BYTE> bytes = printer.devmode;
  if (bytes.empty()) {
    DEVMODEA devmode;
    std::memset(&devmode, 0, sizeof devmode);
    std::memcpy(devmode.dmDeviceName, printer.name.data(),
                std::min(printer.name.size(), sizeof devmode.dmDeviceName - 1));
    devmode.dmSpecVersion = DM_SPECVERSION;
    devmode.dmSize = sizeof(DEVMODEA);
    devmode.dmDriverExtra =
        size > sizeof(DEVMODEA) ? static_cast<WORD>(size - sizeof(DEVMODEA)) : 0;
    devmode.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES;
    devmode.dmOrientation = DMORIENT_PORTRAIT;
    devmode.dmPaperSize = DMPAPER_A4;
    devmode.dmCopies = 1;
    const BYTE *raw = reinterpret_cast<const BYTE *>(&devmode);
    bytes.assign(raw, raw + sizeof devmode);
    if (size > bytes.size()) bytes.resize(size, 0xA5);  // the driver's private part
  }
  bytes.resize(size, 0);
  return bytes;
}

void Platform::AddPrinter(const std::string &name, int dpi, LONG devmodeSize) {
  Lock lock(impl->mutex);
  PrinterModel printer;
  printer.name = name;
  printer.dpi = dpi;
  printer.devmodeSize = devmodeSize;
  printer.devmode = DriverDevmode(printer);
  printers[name] = printer;
}

int Platform::OpenPrinters() const {
  Lock lock(impl->mutex);
  return static_cast<int>(impl->printerHandles.size());
}

int Platform::LoadedModules() const {
  Lock lock(impl->mutex);
  return impl->loadedModules;
}

namespace entry {

BOOL OpenPrinterA(LPSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
  Decision decision =
      Record(MakeCall("OpenPrinterA", {Str(printerName), Ptr(printer), Defaults(defaults)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (printerName == nullptr || platform.printers.count(printerName) == 0) {
    return Failed(ERROR_INVALID_PRINTER_NAME, FALSE);
  }
  if (printer == nullptr) return Failed(ERROR_INVALID_PARAMETER, FALSE);
  const uintptr_t handle = platform.impl->nextPrinter++;
  platform.impl->printerHandles[handle].printer = printerName;
  *printer = MakeHandle(handle);
  return TRUE;
}

BOOL ClosePrinter(HANDLE printer) {
  Decision decision = Record(MakeCall("ClosePrinter", {Hex(printer)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  Platform::Impl::PrinterHandle *handle = OpenHandle(platform, "ClosePrinter", printer);
  if (handle == nullptr) return FALSE;
  if (DocumentModel *document = OpenDocument(platform, *handle)) document->abandoned = true;
  platform.impl->printerHandles.erase(HandleValue(printer));
  return TRUE;
}

LONG DocumentPropertiesA(HWND window, HANDLE printer, LPSTR deviceName, PDEVMODEA output,
                         PDEVMODEA input, DWORD mode) {
  Decision decision =
      Record(MakeCall("DocumentPropertiesA", {Hex(window), Hex(printer), Str(deviceName),
                                              Ptr(output), Ptr(input), Num(mode)}));
  if (decision.outcome != Outcome::kAct) return Settle<LONG>(decision, -1);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  Platform::Impl::PrinterHandle *handle = OpenHandle(platform, "DocumentPropertiesA", printer);
  if (handle == nullptr) return -1;
  auto model = platform.printers.find(handle->printer);
  if (model == platform.printers.end()) return Failed(ERROR_INVALID_PRINTER_NAME, LONG{-1});
  if (mode == 0) return model->second.devmodeSize;
  if (mode & DM_OUT_BUFFER) {
    if (output == nullptr) {
      platform.impl->violations.push_back("DocumentPropertiesA(null output)");
      return Failed(ERROR_INVALID_PARAMETER, LONG{-1});
    }
    const std::vector<BYTE> bytes = DriverDevmode(model->second);
    if (!bytes.empty()) std::memcpy(output, bytes.data(), bytes.size());
  }
  return kIdOk;
}

DWORD StartDocPrinterA(HANDLE printer, DWORD level, LPBYTE docInfo) {
  const std::string info =
      level == 1 ? DocInfo(reinterpret_cast<const DOC_INFO_1A *>(docInfo)) : Ptr(docInfo);
  Decision decision = Record(MakeCall("StartDocPrinterA", {Hex(printer), Num(level), info}));
  if (decision.outcome != Outcome::kAct) return Settle<DWORD>(decision, 0);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  Platform::Impl::PrinterHandle *handle = OpenHandle(platform, "StartDocPrinterA", printer);
  if (handle == nullptr) return 0;
  if (level != 1) return Failed(ERROR_INVALID_LEVEL, DWORD{0});
  if (docInfo == nullptr) return Failed(ERROR_INVALID_PARAMETER, DWORD{0});
  if (OpenDocument(platform, *handle) != nullptr) return Failed(ERROR_INVALID_PARAMETER, DWORD{0});
  const DOC_INFO_1A *doc = reinterpret_cast<const DOC_INFO_1A *>(docInfo);
  DocumentModel document;
  document.jobId = platform.impl->nextJob++;
  document.printer = handle->printer;
  document.docName = Copy(doc->pDocName);
  document.outputFile = Copy(doc->pOutputFile);
  document.dataType = Copy(doc->pDatatype);
  platform.documents.push_back(document);
  handle->document = static_cast<int>(platform.documents.size()) - 1;
  return document.jobId;
}

namespace {

// Finds the document open on printer for a page or data call; leaves the
// error and returns null when there is none.
DocumentModel *DocumentFor(Platform &platform, const char *call, HANDLE printer) {
  Platform::Impl::PrinterHandle *handle = OpenHandle(platform, call, printer);
  if (handle == nullptr) return nullptr;
  DocumentModel *document = OpenDocument(platform, *handle);
  if (document == nullptr) SetLastErrorForTest(ERROR_SPL_NO_STARTDOC);  // as Windows
  return document;
}

}  // namespace

BOOL StartPagePrinter(HANDLE printer) {
  Decision decision = Record(MakeCall("StartPagePrinter", {Hex(printer)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  DocumentModel *document = DocumentFor(platform, "StartPagePrinter", printer);
  if (document == nullptr) return FALSE;
  ++document->pagesStarted;
  return TRUE;
}

BOOL WritePrinter(HANDLE printer, LPVOID buffer, DWORD count, LPDWORD written) {
  Call call = MakeCall("WritePrinter", {Hex(printer), Ptr(buffer), Num(count), Ptr(written)});
  if (buffer != nullptr) call.data.assign(static_cast<const char *>(buffer), count);
  const std::string bytes = call.data;
  Decision decision = Record(std::move(call));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  DocumentModel *document = DocumentFor(platform, "WritePrinter", printer);
  if (document == nullptr) return FALSE;
  if (written == nullptr || (buffer == nullptr && count > 0)) {
    return Failed(ERROR_INVALID_PARAMETER, FALSE);
  }
  const DWORD chunk = platform.printers.count(document->printer) != 0
                          ? platform.printers[document->printer].maxWriteChunk
                          : 0;
  const DWORD accepted = chunk != 0 ? std::min(count, chunk) : count;
  document->bytes.append(bytes, 0, accepted);
  *written = accepted;
  return TRUE;
}

BOOL EndPagePrinter(HANDLE printer) {
  Decision decision = Record(MakeCall("EndPagePrinter", {Hex(printer)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  DocumentModel *document = DocumentFor(platform, "EndPagePrinter", printer);
  if (document == nullptr) return FALSE;
  ++document->pagesEnded;
  return TRUE;
}

BOOL EndDocPrinter(HANDLE printer) {
  Decision decision = Record(MakeCall("EndDocPrinter", {Hex(printer)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  DocumentModel *document = DocumentFor(platform, "EndDocPrinter", printer);
  if (document == nullptr) return FALSE;
  document->ended = true;
  platform.impl->printerHandles[HandleValue(printer)].document = -1;
  return TRUE;
}

HMODULE LoadLibraryA(LPCSTR name) {
  Decision decision = Record(MakeCall("LoadLibraryA", {Str(name)}));
  if (decision.outcome != Outcome::kAct) return Settle<HMODULE>(decision, nullptr);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (name == nullptr || !SameNoCase(name, "WINSPOOL.DRV") || !platform.spoolerModuleLoadable) {
    return Failed(ERROR_MOD_NOT_FOUND, HMODULE{nullptr});
  }
  ++platform.impl->loadedModules;
  return MakeHandle(kSpoolerModule);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  // A name below 0x10000 is an ordinal, not a string.
  const bool ordinal = HandleValue(name) < 0x10000;
  Decision decision = Record(MakeCall(
      "GetProcAddress", {Hex(module), ordinal ? "#" + Num(HandleValue(name)) : Str(name)}));
  if (decision.outcome != Outcome::kAct) return Settle<FARPROC>(decision, nullptr);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (HandleValue(module) != kSpoolerModule || platform.impl->loadedModules == 0) {
    NoteViolation(*platform.impl, "GetProcAddress", module);
    return Failed(ERROR_MOD_NOT_FOUND, FARPROC{nullptr});
  }
  if (ordinal || std::strcmp(name, "GetDefaultPrinterA") != 0 || !platform.hasGetDefaultPrinter) {
    return Failed(ERROR_PROC_NOT_FOUND, FARPROC{nullptr});
  }
  // Through void(*)(), the generic function pointer type, as callers cast back.
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&FakeGetDefaultPrinterA));
}

BOOL FreeLibrary(HMODULE module) {
  Decision decision = Record(MakeCall("FreeLibrary", {Hex(module)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (HandleValue(module) != kSpoolerModule || platform.impl->loadedModules == 0) {
    NoteViolation(*platform.impl, "FreeLibrary", module);
    return Failed(ERROR_INVALID_HANDLE, FALSE);
  }
  --platform.impl->loadedModules;
  return TRUE;
}

}  // namespace entry

BOOL DK_WINAPI FakeGetDefaultPrinterA(LPSTR buffer, LPDWORD size) {
  Decision decision = Record(MakeCall("GetDefaultPrinterA", {Ptr(buffer), Ptr(size)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (size == nullptr) return Failed(ERROR_INVALID_PARAMETER, FALSE);
  if (platform.defaultPrinter.empty()) return Failed(ERROR_FILE_NOT_FOUND, FALSE);
  const DWORD needed = static_cast<DWORD>(platform.defaultPrinter.size() + 1);
  if (buffer == nullptr || *size < needed) {
    *size = needed;
    return Failed(ERROR_INSUFFICIENT_BUFFER, FALSE);
  }
  std::memcpy(buffer, platform.defaultPrinter.c_str(), needed);
  *size = needed;
  return TRUE;
}

}  // namespace fake
