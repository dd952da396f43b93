// The mutex behind the backend's "caller holds" assertions: it answers yes
// to its holder only, and forgets the holder on unlock.
#include "platform/posix/owned_mutex.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace {

bool HeldOnAnotherThread(const dkposix::OwnedMutex &mutex) {
  bool held = true;
  std::thread([&] { held = mutex.HeldByThisThread(); }).join();
  return held;
}

TEST(OwnedMutexTest, OnlyTheHoldingThreadSeesItselfAsHolder) {
  dkposix::OwnedMutex mutex;
  EXPECT_FALSE(mutex.HeldByThisThread());
  {
    std::lock_guard<dkposix::OwnedMutex> hold(mutex);
    EXPECT_TRUE(mutex.HeldByThisThread());
    EXPECT_FALSE(HeldOnAnotherThread(mutex));
    bool taken = true;
    std::thread([&] { taken = mutex.try_lock(); }).join();
    EXPECT_FALSE(taken);
  }
  EXPECT_FALSE(mutex.HeldByThisThread());

  // Taken by another thread: that thread is the holder, this one is not.
  bool heldThere = false;
  std::thread([&] {
    std::unique_lock<dkposix::OwnedMutex> hold(mutex, std::try_to_lock);
    heldThere = hold.owns_lock() && mutex.HeldByThisThread();
  }).join();
  EXPECT_TRUE(heldThere);
  EXPECT_FALSE(mutex.HeldByThisThread());
  EXPECT_TRUE(mutex.try_lock());
  EXPECT_TRUE(mutex.HeldByThisThread());
  mutex.unlock();
}

}  // namespace
