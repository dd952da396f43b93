// The file model: files by exact name, open handles with their positions,
// the dispositions of CreateFileA, and the local clock.
#include <cstring>

#include "platform/fake/fake_internal.h"

namespace fake {

namespace {

// The model keeps files in memory; a write that would make one larger than
// this fails as a full disk instead of exhausting the test's memory.
constexpr uint64_t kLargestFile = 64u << 20;

// The open file behind handle, or null after noting a bad one and leaving
// ERROR_INVALID_HANDLE.
Platform::Impl::OpenFile *OpenFileOf(Platform &platform, const char *call, HANDLE file) {
  auto found = platform.impl->openFiles.find(HandleValue(file));
  if (found != platform.impl->openFiles.end()) return &found->second;
  NoteViolation(*platform.impl, call, file);
  SetLastErrorForTest(ERROR_INVALID_HANDLE);
  return nullptr;
}

// Applies disposition to the named file; returns the error that refuses
// the open, or ERROR_SUCCESS (with *existed saying whether it was there).
DWORD Dispose(Platform &platform, const std::string &name, DWORD access, DWORD disposition,
              bool *existed) {
  auto found = platform.files.find(name);
  *existed = found != platform.files.end();
  if (*existed && found->second.locked) return ERROR_SHARING_VIOLATION;
  const bool writing = (access & GENERIC_WRITE) != 0;
  switch (disposition) {
    case CREATE_NEW:
      if (*existed) return ERROR_FILE_EXISTS;
      if (!platform.directoryWritable) return ERROR_ACCESS_DENIED;
      platform.files[name] = FileModel{};
      return ERROR_SUCCESS;
    case CREATE_ALWAYS:
      if (*existed) {
        if (found->second.readOnly) return ERROR_ACCESS_DENIED;
        found->second.bytes.clear();
        return ERROR_SUCCESS;
      }
      if (!platform.directoryWritable) return ERROR_ACCESS_DENIED;
      platform.files[name] = FileModel{};
      return ERROR_SUCCESS;
    case OPEN_EXISTING:
      if (!*existed) return ERROR_FILE_NOT_FOUND;
      if (writing && found->second.readOnly) return ERROR_ACCESS_DENIED;
      return ERROR_SUCCESS;
    case OPEN_ALWAYS:
      if (*existed) return writing && found->second.readOnly ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
      if (!platform.directoryWritable) return ERROR_ACCESS_DENIED;
      platform.files[name] = FileModel{};
      return ERROR_SUCCESS;
    case TRUNCATE_EXISTING:
      if (!*existed) return ERROR_FILE_NOT_FOUND;
      if (!writing) return ERROR_INVALID_PARAMETER;
      if (found->second.readOnly) return ERROR_ACCESS_DENIED;
      found->second.bytes.clear();
      return ERROR_SUCCESS;
    default:
      return ERROR_INVALID_PARAMETER;
  }
}

}  // namespace

int Platform::OpenFiles() const {
  Lock lock(impl->mutex);
  return static_cast<int>(impl->openFiles.size());
}

namespace entry {

void GetLocalTime(LPSYSTEMTIME time) {
  Decision decision = Record(MakeCall("GetLocalTime", {Ptr(time)}), false);
  if (decision.outcome == Outcome::kAnswer) SetLastErrorForTest(decision.lastError);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (time != nullptr) *time = platform.localTime;
}

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPVOID security, DWORD disposition,
                   DWORD flags, HANDLE templateFile) {
  Decision decision =
      Record(MakeCall("CreateFileA", {Str(name), Num(access), Num(share), Ptr(security),
                                      Num(disposition), Num(flags), Hex(templateFile)}));
  if (decision.outcome != Outcome::kAct) return Settle<HANDLE>(decision, INVALID_HANDLE_VALUE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (name == nullptr) return Failed(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  bool existed = false;
  const DWORD refused = Dispose(platform, name, access, disposition, &existed);
  if (refused != ERROR_SUCCESS) return Failed(refused, INVALID_HANDLE_VALUE);
  // As Windows does, an "always" disposition says whether it found the file,
  // clearing any earlier error when it did not.
  if (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) {
    SetLastErrorForTest(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  }
  const uintptr_t handle = platform.impl->nextFile++;
  platform.impl->openFiles[handle] = {name, access, 0};
  return MakeHandle(handle);
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
  Decision decision = Record(MakeCall("GetFileSize", {Hex(file), Ptr(sizeHigh)}));
  if (decision.outcome != Outcome::kAct) return Settle<DWORD>(decision, INVALID_FILE_SIZE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  Platform::Impl::OpenFile *open = OpenFileOf(platform, "GetFileSize", file);
  if (open == nullptr) return INVALID_FILE_SIZE;
  const uint64_t size = platform.files[open->name].bytes.size();
  if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(size >> 32);
  return static_cast<DWORD>(size);
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
  Decision decision = Record(
      MakeCall("SetFilePointer", {Hex(file), Num(distance), Ptr(distanceHigh), Num(method)}));
  if (decision.outcome != Outcome::kAct) return Settle<DWORD>(decision, INVALID_SET_FILE_POINTER);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  Platform::Impl::OpenFile *open = OpenFileOf(platform, "SetFilePointer", file);
  if (open == nullptr) return INVALID_SET_FILE_POINTER;
  // Without a high part the distance is signed, as Windows takes it.
  const int64_t move =
      distanceHigh != nullptr
          ? static_cast<int64_t>(static_cast<uint64_t>(static_cast<DWORD>(*distanceHigh)) << 32 |
                                 static_cast<DWORD>(distance))
          : static_cast<int64_t>(distance);
  int64_t base = 0;
  if (method == FILE_CURRENT) {
    base = static_cast<int64_t>(open->position);
  } else if (method == FILE_END) {
    base = static_cast<int64_t>(platform.files[open->name].bytes.size());
  } else if (method != FILE_BEGIN) {
    return Failed(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
  }
  const int64_t target = base + move;
  if (target < 0) return Failed(ERROR_NEGATIVE_SEEK, INVALID_SET_FILE_POINTER);
  open->position = static_cast<uint64_t>(target);
  if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(open->position >> 32);
  return static_cast<DWORD>(open->position);
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPVOID overlapped) {
  Call call =
      MakeCall("WriteFile", {Hex(file), Ptr(buffer), Num(count), Ptr(written), Ptr(overlapped)});
  if (buffer != nullptr) call.data.assign(static_cast<const char *>(buffer), count);
  const std::string bytes = call.data;
  Decision decision = Record(std::move(call));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  Platform::Impl::OpenFile *open = OpenFileOf(platform, "WriteFile", file);
  if (open == nullptr) return FALSE;
  if ((open->access & GENERIC_WRITE) == 0) return Failed(ERROR_ACCESS_DENIED, FALSE);
  if (buffer == nullptr && count > 0) return Failed(ERROR_INVALID_PARAMETER, FALSE);
  if (open->position + bytes.size() > kLargestFile) return Failed(ERROR_DISK_FULL, FALSE);
  std::string &contents = platform.files[open->name].bytes;
  const size_t end = static_cast<size_t>(open->position) + bytes.size();
  if (contents.size() < end) contents.resize(end, '\0');
  contents.replace(static_cast<size_t>(open->position), bytes.size(), bytes);
  open->position = end;
  if (written != nullptr) *written = count;
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  Decision decision = Record(MakeCall("CloseHandle", {Hex(handle)}));
  if (decision.outcome != Outcome::kAct) return Settle<BOOL>(decision, FALSE);
  Platform &platform = Platform::Current();
  Lock lock(platform.impl->mutex);
  if (OpenFileOf(platform, "CloseHandle", handle) == nullptr) return FALSE;
  platform.impl->openFiles.erase(HandleValue(handle));
  return TRUE;
}

}  // namespace entry

}  // namespace fake
