// Handles of the backend's objects. A handle carries its kind in its high
// bits and a serial number below, so handles of one kind are never taken for
// another and a closed handle is never given out again.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace dkposix {

enum class HandleKind : uintptr_t {
  kConsole = 1,
  kFile = 2,
  kPrinter = 3,
  kDeviceContext = 4,
  kGdiObject = 5,
  kModule = 6,
};

constexpr unsigned kHandleKindShift = sizeof(uintptr_t) > 4 ? 40 : 24;

inline void *MakeHandle(HandleKind kind, uintptr_t serial) {
  return reinterpret_cast<void *>((static_cast<uintptr_t>(kind) << kHandleKindShift) | serial);
}

inline bool HandleIsOfKind(const void *handle, HandleKind kind) {
  return (reinterpret_cast<uintptr_t>(handle) >> kHandleKindShift) == static_cast<uintptr_t>(kind);
}

// Objects of one kind behind handles. Lookups hand out shared ownership, so a
// handle closed on one thread leaves the object alive for a call still using
// it on another.
template <typename T>
class HandleTable {
 public:
  explicit HandleTable(HandleKind kind) : kind_(kind) {}

  void *Add(std::shared_ptr<T> object) {
    std::lock_guard<std::mutex> lock(mutex_);
    uintptr_t serial = next_++;
    objects_[serial] = std::move(object);
    return MakeHandle(kind_, serial);
  }

  std::shared_ptr<T> Find(const void *handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = objects_.find(Serial(handle));
    return it == objects_.end() ? nullptr : it->second;
  }

  // The most recently added object that accepts approves, if any; it runs
  // under the table's lock, so it should only read what never changes.
  template <typename Predicate>
  std::shared_ptr<T> FindNewest(Predicate accepts) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = objects_.rbegin(); it != objects_.rend(); ++it) {
      if (accepts(*it->second)) return it->second;
    }
    return nullptr;
  }

  std::shared_ptr<T> Remove(const void *handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = objects_.find(Serial(handle));
    if (it == objects_.end()) return nullptr;
    std::shared_ptr<T> object = std::move(it->second);
    objects_.erase(it);
    return object;
  }

 private:
  uintptr_t Serial(const void *handle) const {
    if (!HandleIsOfKind(handle, kind_)) return 0;
    return reinterpret_cast<uintptr_t>(handle) & ((uintptr_t{1} << kHandleKindShift) - 1);
  }

  HandleKind kind_;
  mutable std::mutex mutex_;
  std::map<uintptr_t, std::shared_ptr<T>> objects_;
  uintptr_t next_ = 1;  // serial 0 is never a live handle
};

}  // namespace dkposix
