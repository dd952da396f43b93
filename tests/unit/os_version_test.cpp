// The generation code: every version report the classification knows, the
// failed queries, and the names the trace header writes for each code.
#include "printer/os_version.h"

#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/unit/support/fixture.h"

namespace {

constexpr DWORD kNt = VER_PLATFORM_WIN32_NT;
constexpr DWORD k9x = VER_PLATFORM_WIN32_WINDOWS;
constexpr BYTE kWorkstation = VER_NT_WORKSTATION;
constexpr BYTE kServer = VER_NT_SERVER;
constexpr BYTE kDomainController = VER_NT_DOMAIN_CONTROLLER;

struct VersionCase {
  const char *label;
  DWORD platform;
  DWORD major;
  DWORD minor;
  BYTE product;
  bool firstOk;
  bool secondOk;
  int code;
};

std::ostream &operator<<(std::ostream &out, const VersionCase &c) {
  return out << c.label;
}

const VersionCase kVersionCases[] = {
    // The generation table, row by row.
    {"nt3_51", kNt, 3, 51, kWorkstation, true, true, 5},
    {"win95", k9x, 4, 0, 0, true, true, 10},
    {"nt4", kNt, 4, 0, kWorkstation, true, true, 20},
    {"win98", k9x, 4, 10, 0, true, true, 30},
    {"winme", k9x, 4, 90, 0, true, true, 40},
    {"win2000", kNt, 5, 0, kWorkstation, true, true, 50},
    {"win2000_server", kNt, 5, 0, kServer, true, true, 50},
    {"xp", kNt, 5, 1, kWorkstation, true, true, 60},
    {"xp_any_product", kNt, 5, 1, kServer, true, true, 60},
    {"xp_x64", kNt, 5, 2, kWorkstation, true, true, 60},
    {"server2003", kNt, 5, 2, kServer, true, true, 65},
    {"server2003_dc", kNt, 5, 2, kDomainController, true, true, 65},
    {"vista", kNt, 6, 0, kWorkstation, true, true, 70},
    {"server2008", kNt, 6, 0, kServer, true, true, 75},
    {"win7", kNt, 6, 1, kWorkstation, true, true, 80},
    {"server2008r2", kNt, 6, 1, kServer, true, true, 85},
    {"win8", kNt, 6, 2, kWorkstation, true, true, 90},
    {"server2012", kNt, 6, 2, kServer, true, true, 95},
    // NT 3.1 and 3.5 count as 3.51; NT 4 whatever its minor.
    {"nt3_1", kNt, 3, 10, kWorkstation, true, true, 5},
    {"nt3_5", kNt, 3, 50, kServer, true, true, 5},
    {"nt4_odd_minor", kNt, 4, 7, kServer, true, true, 20},
    // Later or unknown versions.
    {"win8_1", kNt, 6, 3, kWorkstation, true, true, 200},
    {"win10", kNt, 10, 0, kWorkstation, true, true, 200},
    {"nt5_3", kNt, 5, 3, kWorkstation, true, true, 200},
    {"nt7_0", kNt, 7, 0, kWorkstation, true, true, 200},
    {"nt2", kNt, 2, 0, kWorkstation, true, true, 200},
    {"win32s", VER_PLATFORM_WIN32s, 6, 1, kWorkstation, true, true, 200},
    {"platform3", 3, 6, 1, kWorkstation, true, true, 200},
    // The 95 family goes by its minor version alone.
    {"9x_major_ignored_95", k9x, 9, 0, 0, true, true, 10},
    {"9x_major_ignored_98", k9x, 0, 10, 0, true, true, 30},
    {"9x_minor1", k9x, 4, 1, 0, true, true, 200},
    {"9x_minor11", k9x, 4, 11, 0, true, true, 200},
    {"9x_minor50", k9x, 4, 50, 0, true, true, 200},
    {"9x_minor91", k9x, 4, 91, 0, true, true, 200},
    // No version report at all.
    {"first_query_fails", kNt, 6, 1, kWorkstation, false, true, 200},
    // A failed extended report counts as not a workstation.
    {"second_fails_5_2", kNt, 5, 2, kWorkstation, true, false, 65},
    {"second_fails_6_0", kNt, 6, 0, kWorkstation, true, false, 75},
    {"second_fails_6_1", kNt, 6, 1, kWorkstation, true, false, 85},
    {"second_fails_6_2", kNt, 6, 2, kWorkstation, true, false, 95},
    {"second_fails_5_1", kNt, 5, 1, kWorkstation, true, false, 60},
    {"second_fails_nt4", kNt, 4, 0, kWorkstation, true, false, 20},
};

class OsVersionCodeTest : public CoreTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(OsVersionCodeTest, ClassifiesTheVersionReport) {
  const VersionCase &c = GetParam();
  fp.version.platformId = c.platform;
  fp.version.major = c.major;
  fp.version.minor = c.minor;
  fp.version.productType = c.product;
  fp.version.firstOk = c.firstOk;
  fp.version.secondOk = c.secondOk;
  EXPECT_EQ(OsVersionCode(), c.code);
}

INSTANTIATE_TEST_SUITE_P(Reports, OsVersionCodeTest, ::testing::ValuesIn(kVersionCases),
                         [](const auto &info) { return std::string(info.param.label); });

using OsVersionQueryTest = CoreTest;

TEST_F(OsVersionQueryTest, AsksTheSystemAfreshOnEveryCall) {
  fp.version.major = 6;
  fp.version.minor = 1;
  EXPECT_EQ(OsVersionCode(), 80);
  fp.version.minor = 2;
  EXPECT_EQ(OsVersionCode(), 90);
  fp.version.firstOk = false;
  EXPECT_EQ(OsVersionCode(), 200);
}

TEST_F(OsVersionQueryTest, OnlyTheNtFamilyAsksForTheExtendedReport) {
  fp.version.platformId = VER_PLATFORM_WIN32_NT;
  OsVersionCode();
  EXPECT_EQ(fp.CountOf("GetVersionExA"), 2);

  fp.ClearCalls();
  fp.version.platformId = VER_PLATFORM_WIN32_WINDOWS;
  fp.version.minor = 10;
  OsVersionCode();
  EXPECT_EQ(fp.CountOf("GetVersionExA"), 1);

  fp.ClearCalls();
  fp.version.firstOk = false;
  fp.version.platformId = VER_PLATFORM_WIN32_NT;
  OsVersionCode();
  EXPECT_EQ(fp.CountOf("GetVersionExA"), 1);
}

struct NameCase {
  int code;
  const char *name;
};

TEST(OsGenerationNameTest, NamesEveryCodeAndCallsTheRestFuture) {
  const NameCase cases[] = {
      {5, "Windows_NT3_51"},       {10, "Windows_95"},          {20, "Windows_NT_4"},
      {30, "Windows_98"},          {40, "Windows_ME"},          {50, "Windows_2000"},
      {60, "Windows_XP"},          {65, "Windows_Server_2003"}, {70, "Windows_Vista"},
      {75, "Windows_Server_2008"}, {80, "Windows_7"},           {85, "Windows_Server_2008_R2"},
      {90, "Windows_8"},           {95, "Windows_Server_2012"}, {200, "Windows_Future"},
      {0, "Windows_Future"},       {55, "Windows_Future"},      {100, "Windows_Future"},
      {-1, "Windows_Future"},
  };
  for (const NameCase &c : cases) {
    EXPECT_STREQ(OsGenerationName(c.code), c.name) << "code " << c.code;
  }
}

}  // namespace
