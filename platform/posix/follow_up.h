// An answer of the scheduler kept for the call that directly follows the one
// that asked, so calls made back to back about the same thing (the two calls
// of GetDefaultPrinterA's size protocol, then OpenPrinterA of the name it
// gave) ask once. It is no cache: it serves the next call on the same thread
// at most, only for the purpose it was kept for, only within a moment of the
// answer, and whichever call looks for it next uses it up.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace dkposix {

// How long after the scheduler's answer it may still serve a follow-up;
// the calls it is for come microseconds apart.
constexpr std::chrono::milliseconds kFollowUpWindow{1000};

enum class FollowUpFor {
  kNextQuery,  // the GetDefaultPrinterA call after a size query
  kOpen,       // OpenPrinterA of the name just given
};

template <typename T>
class FollowUp {
 public:
  using Clock = std::chrono::steady_clock;

  struct Kept {
    T value;
    Clock::time_point answered;  // when the scheduler gave it
  };

  // Keeps value for the next call on this thread that looks for purpose and
  // name, replacing whatever was kept.
  void Keep(T value, FollowUpFor purpose, std::string name, Clock::time_point answered) {
    std::lock_guard<std::mutex> lock(mutex_);
    entry_.emplace(Entry{Kept{std::move(value), answered}, purpose, std::move(name),
                         std::this_thread::get_id()});
  }

  // What was kept, if it was kept on this thread for this purpose and name
  // and is still recent at now. Whatever was kept is gone afterwards.
  std::optional<Kept> Take(FollowUpFor purpose, const std::string &name,
                           Clock::time_point now = Clock::now()) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::optional<Entry> entry = std::move(entry_);
    entry_.reset();
    if (!entry || entry->purpose != purpose || entry->name != name ||
        entry->thread != std::this_thread::get_id() || now < entry->kept.answered ||
        now - entry->kept.answered > kFollowUpWindow) {
      return std::nullopt;
    }
    return std::move(entry->kept);
  }

  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entry_.reset();
  }

 private:
  struct Entry {
    Kept kept;
    FollowUpFor purpose;
    std::string name;
    std::thread::id thread;
  };

  std::mutex mutex_;
  std::optional<Entry> entry_;
};

}  // namespace dkposix
