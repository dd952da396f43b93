// Version, clock, resolution strings and the backend's table.
#include "platform/posix/system_calls.h"

#include <gtest/gtest.h>

#include <ctime>

#include "platform/posix/cups_server.h"
#include "platform/posix/last_error.h"
#include "platform/seam.h"

namespace {

TEST(Version, NoWindowsVersionIsReported) {
  winapi::OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  dkposix::SetLastError(0);
  EXPECT_FALSE(dkposix::GetVersionExA(&info));
  EXPECT_NE(dkposix::GetLastError(), 0u);
  EXPECT_EQ(dkposix::GetVersion(), 0u);
}

TEST(GetLocalTime, AgreesWithTheCLibrary) {
  winapi::SYSTEMTIME time{};
  std::time_t before = std::time(nullptr);
  dkposix::GetLocalTime(&time);
  std::time_t after = std::time(nullptr);
  struct tm local {};
  localtime_r(&before, &local);
  if (before != after) GTEST_SKIP() << "the second changed during the test";
  EXPECT_EQ(time.wYear, local.tm_year + 1900);
  EXPECT_EQ(time.wMonth, local.tm_mon + 1);
  EXPECT_EQ(time.wDay, local.tm_mday);
  EXPECT_EQ(time.wDayOfWeek, local.tm_wday);
  EXPECT_EQ(time.wHour, local.tm_hour);
  EXPECT_EQ(time.wMinute, local.tm_min);
  EXPECT_EQ(time.wSecond, local.tm_sec);
  EXPECT_LT(time.wMilliseconds, 1000);
}

TEST(ParseResolution, ReadsDpiAndDpcm) {
  int x = 0, y = 0;
  EXPECT_TRUE(dkposix::ParseResolution("300dpi", x, y));
  EXPECT_EQ(x, 300);
  EXPECT_EQ(y, 300);
  EXPECT_TRUE(dkposix::ParseResolution("300x600dpi", x, y));
  EXPECT_EQ(y, 600);
  EXPECT_TRUE(dkposix::ParseResolution("80dpcm", x, y));
  EXPECT_EQ(x, 203);
  for (const char *bad : {"", "dpi", "300", "300dpm", "-5dpi", "300dpi extra"}) {
    EXPECT_FALSE(dkposix::ParseResolution(bad, x, y)) << bad;
  }
}

TEST(NativeTable, EveryCallHasAnEntry) {
  const PlatformApi *api = Platform_Native();
  ASSERT_NE(api, nullptr);
  EXPECT_EQ(api, Platform_Native());
#define DK_EXPECT_ENTRY(result, name, params, args) \
  EXPECT_NE(reinterpret_cast<const void *>(api->name), nullptr) << #name;
  DK_PLATFORM_CALLS(DK_EXPECT_ENTRY)
#undef DK_EXPECT_ENTRY
  EXPECT_NE(reinterpret_cast<const void *>(api->ExitProcess), nullptr);
}

}  // namespace
