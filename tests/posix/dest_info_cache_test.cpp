// When destination information kept from an earlier opening may serve the
// next: only while the scheduler's configuration stamp shows no change, and
// never when the change it was asked under could have been followed by
// another in the same second.
#include "platform/posix/dest_info_cache.h"

#include <gtest/gtest.h>

namespace {

using dkposix::ConfigStamp;
using dkposix::ConfigUnchangedSince;

struct StampCase {
  const char *what;
  ConfigStamp kept;
  ConfigStamp now;
  bool current;
};

TEST(DestInfoCache, KeptInformationServesOnlyAnUnchangedConfiguration) {
  const StampCase cases[] = {
      {"unchanged, asked seconds after the change", {100, 105}, {100, 240}, true},
      {"unchanged, asked the second after the change", {100, 101}, {100, 101}, true},
      {"changed since", {100, 105}, {230, 240}, false},
      {"changed since, in the same second as asked", {100, 105}, {105, 105}, false},
      // A change later in the second of the check would carry time 100 too.
      {"asked in the second of the change", {100, 100}, {100, 240}, false},
      {"a clock that went back", {100, 105}, {90, 95}, false},
  };
  for (const StampCase &c : cases) {
    EXPECT_EQ(ConfigUnchangedSince(c.kept, c.now), c.current) << c.what;
  }
}

}  // namespace
