// The Win32 backend under Wine: calls the program's run does not reach
// (files, INI, code pages, version records, module lookup), made through the
// seam as the core makes them, against the real Windows API.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/seam.h"

namespace {

class Win32Backend : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = Platform_Install(Platform_Native()); }
  void TearDown() override { Platform_Install(previous_); }

  // A file name of this test's own in the current folder.
  std::string FileName(const char *stem) const {
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string("dk-backend-") + test->name() + "-" + stem;
  }

 private:
  const PlatformApi *previous_ = nullptr;
};

TEST_F(Win32Backend, WritesSeeksAndReadsTheSizeOfAFile) {
  const std::string name = FileName("data.bin");
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();

  const char bytes[] = "\x1Bp0  \r\n";
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, bytes, 7, &written, nullptr));
  EXPECT_EQ(written, 7u);
  DWORD high = 0xFFFFFFFFu;
  EXPECT_EQ(GetFileSize(file, &high), 7u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(SetFilePointer(file, 2, nullptr, FILE_BEGIN), 2u);
  EXPECT_TRUE(WriteFile(file, "X", 1, &written, nullptr));
  EXPECT_EQ(GetFileSize(file, nullptr), 7u);
  EXPECT_TRUE(CloseHandle(file));

  // CREATE_NEW refuses a file that is there; TRUNCATE_EXISTING empties it.
  file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  EXPECT_EQ(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_EQ(GetFileSize(file, nullptr), 0u);
  EXPECT_TRUE(CloseHandle(file));
  std::remove(name.c_str());
}

TEST_F(Win32Backend, OpeningAMissingFileFailsWithItsError) {
  HANDLE file = CreateFileA(FileName("missing.bin").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(Win32Backend, ReadsAProfileStringOrItsFallback) {
  const std::string name = FileName("settings.ini");
  HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const char text[] = "[windows]\r\ndevice=Drawer,winspool,Ne00:\r\n";
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, text, sizeof text - 1, &written, nullptr));
  ASSERT_TRUE(CloseHandle(file));
  // A profile name without a folder is looked up in the Windows folder.
  const std::string path = ".\\" + name;

  char buffer[64];
  EXPECT_EQ(GetPrivateProfileStringA("WINDOWS", "DEVICE", "", buffer, sizeof buffer, path.c_str()),
            std::strlen("Drawer,winspool,Ne00:"));
  EXPECT_STREQ(buffer, "Drawer,winspool,Ne00:");
  EXPECT_EQ(
      GetPrivateProfileStringA("WINDOWS", "NONE", "none", buffer, sizeof buffer, path.c_str()), 4u);
  EXPECT_STREQ(buffer, "none");
  std::remove(name.c_str());
}

TEST_F(Win32Backend, ConvertsTextToUtf16) {
  const char text[] = "Brevanti \xE9";  // e acute in the ANSI code page
  WCHAR wide[16] = {};
  const int count = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 16);
  ASSERT_EQ(count, 11);  // ten characters and the terminating zero
  EXPECT_EQ(wide[0], u'B');
  EXPECT_EQ(wide[8], u' ');
  EXPECT_EQ(wide[9], u'\u00E9');
  EXPECT_EQ(wide[10], 0);
  // The size query writes nothing.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, 8, nullptr, 0), 8);
}

TEST_F(Win32Backend, UpperCasesInPlace) {
  char text[] = "windows";
  EXPECT_EQ(CharUpperA(text), text);
  EXPECT_STREQ(text, "WINDOWS");
}

TEST_F(Win32Backend, FillsBothVersionRecords) {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
  EXPECT_GE(info.dwMajorVersion, 5u);

  // The extended record goes through the same call; its size selects it.
  OSVERSIONINFOEXA extended;
  std::memset(&extended, 0xCC, sizeof extended);
  extended.dwOSVersionInfoSize = sizeof extended;
  ASSERT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&extended)));
  EXPECT_EQ(extended.dwMajorVersion, info.dwMajorVersion);
  EXPECT_EQ(extended.dwMinorVersion, info.dwMinorVersion);
  EXPECT_EQ(extended.wProductType, VER_NT_WORKSTATION);

  // GetVersion packs the same numbers: major in the low byte, minor next.
  const DWORD packed = GetVersion();
  EXPECT_EQ(packed & 0xFFu, info.dwMajorVersion);
  EXPECT_EQ((packed >> 8) & 0xFFu, info.dwMinorVersion);

  // A record of no known size is refused.
  info.dwOSVersionInfoSize = 12;
  EXPECT_FALSE(GetVersionExA(&info));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST_F(Win32Backend, GivesTheLocalTimeFieldByField) {
  SYSTEMTIME now;
  std::memset(&now, 0xFF, sizeof now);
  GetLocalTime(&now);
  EXPECT_GE(now.wYear, 2020);
  EXPECT_GE(now.wMonth, 1);
  EXPECT_LE(now.wMonth, 12);
  EXPECT_LE(now.wDayOfWeek, 6);
  EXPECT_GE(now.wDay, 1);
  EXPECT_LE(now.wDay, 31);
  EXPECT_LE(now.wHour, 23);
  EXPECT_LE(now.wMinute, 59);
  EXPECT_LE(now.wSecond, 59);
  EXPECT_LE(now.wMilliseconds, 999);
}

TEST_F(Win32Backend, FindsTheSpoolerFunctionAtRunTime) {
  HMODULE spooler = LoadLibraryA("WINSPOOL.DRV");
  ASSERT_NE(spooler, nullptr);
  EXPECT_NE(GetProcAddress(spooler, "GetDefaultPrinterA"), nullptr);
  EXPECT_EQ(GetProcAddress(spooler, "NoSuchFunction"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  EXPECT_TRUE(FreeLibrary(spooler));

  EXPECT_EQ(LoadLibraryA("NO-SUCH-MODULE.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST_F(Win32Backend, MakesAndDeletesDrawingObjects) {
  HBRUSH brush = CreateSolidBrush(0x00FF8000u);
  ASSERT_NE(brush, nullptr);
  EXPECT_TRUE(DeleteObject(brush));

  LOGBRUSH fill;
  fill.lbStyle = BS_SOLID;
  fill.lbColor = 0;
  fill.lbHatch = 0;
  HPEN pen =
      ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER, 3, &fill, 0, nullptr);
  ASSERT_NE(pen, nullptr);
  EXPECT_TRUE(DeleteObject(pen));
}

}  // namespace
