// A mutex that knows which thread holds it, so that a function written for
// callers that hold it can assert so. Meets BasicLockable and Lockable: use it
// with std::lock_guard and std::unique_lock (not with std::condition_variable,
// which needs std::mutex itself).
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace dkposix {

class OwnedMutex {
 public:
  void lock() {
    mutex_.lock();
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
  }
  bool try_lock() {
    if (!mutex_.try_lock()) return false;
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    return true;
  }
  void unlock() {
    owner_.store(std::thread::id(), std::memory_order_relaxed);
    mutex_.unlock();
  }
  // Only the holder's own store can make this true for the calling thread,
  // so a relaxed load answers soundly.
  bool HeldByThisThread() const {
    return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
  }

 private:
  std::mutex mutex_;
  std::atomic<std::thread::id> owner_{};
};

}  // namespace dkposix
