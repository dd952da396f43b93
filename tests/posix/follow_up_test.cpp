// An answer kept for the call that directly follows: it serves that one call
// at most, of its purpose and name, on its thread, within the window.
#include "platform/posix/follow_up.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>

namespace {

using dkposix::FollowUp;
using dkposix::FollowUpFor;
using Clock = FollowUp<std::string>::Clock;

TEST(FollowUp, ServesTheNextCallOfItsPurposeOnce) {
  FollowUp<std::string> recent;
  Clock::time_point answered = Clock::now();
  recent.Keep("Receipts", FollowUpFor::kNextQuery, "", answered);
  std::optional<FollowUp<std::string>::Kept> kept = recent.Take(FollowUpFor::kNextQuery, "");
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->value, "Receipts");
  EXPECT_EQ(kept->answered, answered);
  EXPECT_FALSE(recent.Take(FollowUpFor::kNextQuery, ""));
}

TEST(FollowUp, AnyOtherCallUsesItUpUnserved) {
  struct Case {
    const char *what;
    FollowUpFor purpose;
    std::string name;
    std::chrono::milliseconds age;
  };
  const Case cases[] = {
      {"another purpose", FollowUpFor::kNextQuery, "Receipts", std::chrono::milliseconds(0)},
      {"another name", FollowUpFor::kOpen, "Labels", std::chrono::milliseconds(0)},
      {"after the window", FollowUpFor::kOpen, "Receipts",
       dkposix::kFollowUpWindow + std::chrono::milliseconds(1)},
  };
  for (const Case &c : cases) {
    FollowUp<std::string> recent;
    Clock::time_point answered = Clock::now();
    recent.Keep("Receipts", FollowUpFor::kOpen, "Receipts", answered);
    EXPECT_FALSE(recent.Take(c.purpose, c.name, answered + c.age)) << c.what;
    EXPECT_FALSE(recent.Take(FollowUpFor::kOpen, "Receipts", answered)) << c.what;
  }
  FollowUp<std::string> recent;
  Clock::time_point answered = Clock::now();
  recent.Keep("Receipts", FollowUpFor::kOpen, "Receipts", answered);
  EXPECT_TRUE(recent.Take(FollowUpFor::kOpen, "Receipts", answered + dkposix::kFollowUpWindow));
}

TEST(FollowUp, ServesOnlyTheThreadThatKeptIt) {
  FollowUp<std::string> recent;
  recent.Keep("Receipts", FollowUpFor::kNextQuery, "", Clock::now());
  bool servedElsewhere = true;
  std::thread([&] {
    servedElsewhere = recent.Take(FollowUpFor::kNextQuery, "").has_value();
  }).join();
  EXPECT_FALSE(servedElsewhere);
  EXPECT_FALSE(recent.Take(FollowUpFor::kNextQuery, ""));  // the other thread used it up
}

TEST(FollowUp, ClearedItServesNothing) {
  FollowUp<std::string> recent;
  recent.Keep("Receipts", FollowUpFor::kOpen, "Receipts", Clock::now());
  recent.Clear();
  EXPECT_FALSE(recent.Take(FollowUpFor::kOpen, "Receipts"));
}

}  // namespace
