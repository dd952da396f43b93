// The shared fixture's own check: a failure rule or script whose name is no
// call fails the test that set it up, so a misspelt name cannot pass quietly.
#include "tests/unit/support/fixture.h"

#include <gtest/gtest-spi.h>

namespace {

using namespace winapi;

TEST(FixtureChecks, MisspeltCallNameFailsTheTest) {
  fake::Platform platform;
  platform.FailCall("StartDocPrinter");  // the real call is StartDocPrinterA
  EXPECT_NONFATAL_FAILURE(ExpectNoRefusedNames(platform),
                          "FailCall(\"StartDocPrinter\"): no such call");
}

TEST(FixtureChecks, WellNamedRulesAndOtherViolationsPass) {
  fake::Platform platform;
  EXPECT_TRUE(platform.FailCall("StartDocPrinterA"));
  EXPECT_TRUE(platform.Script("GetVersion", {0x0A280105, 0}));
  ClosePrinter(reinterpret_cast<HANDLE>(0x1234));  // a handle the fake never issued
  ASSERT_EQ(platform.Violations().size(), 1u);
  ExpectNoRefusedNames(platform);  // a failure here fails this test
}

}  // namespace
