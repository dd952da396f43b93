// The fake's files and system services: CreateFileA dispositions, writing
// and positions, the version report, Win.Ini, Windows-1252 upper-casing and
// conversion.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/fake/fake_platform.h"

namespace {

using namespace winapi;

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

HANDLE Create(const char *name, DWORD access, DWORD disposition) {
  return CreateFileA(name, access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

struct DispositionCase {
  const char *name;
  bool exists, readOnly, locked, directoryWritable;
  DWORD access, disposition;
  DWORD error;                // 0: the open succeeds
  const char *contentsAfter;  // null: no such file afterwards
};

TEST(FakeFiles, Dispositions) {
  const DispositionCase cases[] = {
      {"create always, new", false, false, false, true, kReadWrite, CREATE_ALWAYS, 0, ""},
      {"create always empties", true, false, false, true, kReadWrite, CREATE_ALWAYS, 0, ""},
      {"create always, read-only", true, true, false, true, kReadWrite, CREATE_ALWAYS, 5, "old"},
      {"create always, closed directory", false, false, false, false, kReadWrite, CREATE_ALWAYS, 5,
       nullptr},
      {"create always, closed directory, existing", true, false, false, false, kReadWrite,
       CREATE_ALWAYS, 0, ""},
      {"create always, locked", true, false, true, true, kReadWrite, CREATE_ALWAYS, 32, "old"},
      {"create new, new", false, false, false, true, kReadWrite, CREATE_NEW, 0, ""},
      {"create new, existing", true, false, false, true, kReadWrite, CREATE_NEW, 80, "old"},
      {"create new, closed directory", false, false, false, false, kReadWrite, CREATE_NEW, 5,
       nullptr},
      {"open existing", true, false, false, true, GENERIC_READ, OPEN_EXISTING, 0, "old"},
      {"open existing, missing", false, false, false, true, GENERIC_READ, OPEN_EXISTING, 2,
       nullptr},
      {"open existing, read-only for writing", true, true, false, true, kReadWrite, OPEN_EXISTING,
       5, "old"},
      {"truncate", true, false, false, true, kReadWrite, TRUNCATE_EXISTING, 0, ""},
      {"truncate, missing", false, false, false, true, kReadWrite, TRUNCATE_EXISTING, 2, nullptr},
      {"truncate without write access", true, false, false, true, GENERIC_READ, TRUNCATE_EXISTING,
       87, "old"},
      {"truncate, read-only", true, true, false, true, kReadWrite, TRUNCATE_EXISTING, 5, "old"},
  };
  for (const DispositionCase &c : cases) {
    SCOPED_TRACE(c.name);
    fake::Platform platform;
    platform.directoryWritable = c.directoryWritable;
    if (c.exists) platform.files["log.txt"] = {"old", c.readOnly, c.locked};
    fake::SetLastErrorForTest(0);
    HANDLE file = Create("log.txt", c.access, c.disposition);
    if (c.error == 0) {
      EXPECT_EQ(file, reinterpret_cast<HANDLE>(0x5001));
      EXPECT_EQ(platform.OpenFiles(), 1);
    } else {
      EXPECT_EQ(file, INVALID_HANDLE_VALUE);
      EXPECT_EQ(GetLastError(), c.error);
      EXPECT_EQ(platform.OpenFiles(), 0);
    }
    if (c.contentsAfter == nullptr) {
      EXPECT_EQ(platform.files.count("log.txt"), 0u);
    } else {
      ASSERT_EQ(platform.files.count("log.txt"), 1u);
      EXPECT_EQ(platform.files["log.txt"].bytes, c.contentsAfter);
    }
  }
}

TEST(FakeFiles, WritesAtThePositionAndExtendsWithZeros) {
  fake::Platform platform;
  HANDLE file = Create("out.bin", kReadWrite, CREATE_ALWAYS);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, "abcdef", 6, &written, nullptr));
  EXPECT_EQ(written, 6u);
  EXPECT_EQ(SetFilePointer(file, 2, nullptr, FILE_BEGIN), 2u);
  ASSERT_TRUE(WriteFile(file, "XY", 2, &written, nullptr));
  EXPECT_EQ(SetFilePointer(file, 8, nullptr, FILE_BEGIN), 8u);
  ASSERT_TRUE(WriteFile(file, "Z", 1, nullptr, nullptr));
  EXPECT_EQ(platform.files["out.bin"].bytes, std::string("abXYef\0\0Z", 9));
  DWORD high = 77;
  EXPECT_EQ(GetFileSize(file, &high), 9u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(SetFilePointer(file, -1, nullptr, 2), 8u);  // from the end
  EXPECT_EQ(SetFilePointer(file, -20, nullptr, 1), INVALID_SET_FILE_POINTER);
  ASSERT_TRUE(CloseHandle(file));
  EXPECT_EQ(platform.OpenFiles(), 0);
}

TEST(FakeFiles, HandlesAndAccess) {
  fake::Platform platform;
  platform.files["in.txt"] = {"data", false, false};
  HANDLE file = Create("in.txt", GENERIC_READ, OPEN_EXISTING);
  DWORD written = 0;
  EXPECT_FALSE(WriteFile(file, "x", 1, &written, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  platform.FailCall("CloseHandle");
  EXPECT_FALSE(CloseHandle(file));
  EXPECT_EQ(platform.OpenFiles(), 1);  // a failed close leaves it open
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_FALSE(CloseHandle(file));
  EXPECT_EQ(GetFileSize(file, nullptr), INVALID_FILE_SIZE);
  EXPECT_FALSE(CloseHandle(nullptr));
  EXPECT_EQ(platform.files["in.txt"].bytes, "data");
  EXPECT_EQ(platform.Violations(),
            (std::vector<std::string>{"CloseHandle(0x5001)", "GetFileSize(0x5001)"}));
}

TEST(FakeFiles, LocalTime) {
  fake::Platform platform;
  platform.localTime.wYear = 2031;
  SYSTEMTIME time{};
  GetLocalTime(&time);
  EXPECT_EQ(time.wYear, 2031);
  EXPECT_EQ(time.wMinute, 30);
}

TEST(FakeSystem, VersionReports) {
  fake::Platform platform;
  OSVERSIONINFOEXA info{};
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  ASSERT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
  EXPECT_EQ(info.dwMajorVersion, 6u);
  EXPECT_EQ(info.dwMinorVersion, 1u);
  EXPECT_EQ(info.dwBuildNumber, 7601u);
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
  platform.version.productType = VER_NT_SERVER;
  ASSERT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
  EXPECT_EQ(info.wProductType, VER_NT_SERVER);
  platform.version.firstOk = false;
  EXPECT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));  // size 156
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  EXPECT_FALSE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
  platform.version.secondOk = false;
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
  EXPECT_FALSE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
  info.dwOSVersionInfoSize = 100;
  EXPECT_FALSE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  platform.version.versionWord = 0xC0000A04;
  EXPECT_EQ(GetVersion(), 0xC0000A04u);
}

TEST(FakeSystem, WinIniLookupAndCutting) {
  fake::Platform platform;
  platform.winIni["WINDOWS/DEVICE"] = "Receipt,winspool,Ne00:";
  char buffer[32];
  EXPECT_EQ(GetPrivateProfileStringA("windows", "device", "", buffer, sizeof buffer, "win.ini"),
            22u);
  EXPECT_STREQ(buffer, "Receipt,winspool,Ne00:");
  EXPECT_EQ(GetPrivateProfileStringA("windows", "device", "", buffer, 8, "WIN.INI"), 7u);
  EXPECT_STREQ(buffer, "Receipt");
  EXPECT_EQ(
      GetPrivateProfileStringA("windows", "device", "none", buffer, sizeof buffer, "other.ini"),
      4u);
  EXPECT_STREQ(buffer, "none");
  EXPECT_EQ(GetPrivateProfileStringA("windows", "missing", "fallback", buffer, 4, "Win.Ini"), 3u);
  EXPECT_STREQ(buffer, "fal");
  buffer[0] = 'q';
  EXPECT_EQ(GetPrivateProfileStringA("windows", "device", "", buffer, 0, "Win.Ini"), 0u);
  EXPECT_EQ(buffer[0], 'q');
}

TEST(FakeSystem, CharUpperFollowsWindows1252) {
  fake::Platform platform;
  char text[] = "abz\xe0\xf7\xfe\xff\x9a\x9c\x9e\xb5 1";
  EXPECT_EQ(CharUpperA(text), text);
  EXPECT_STREQ(text, "ABZ\xc0\xf7\xde\x9f\x8a\x8c\x8e\xb5 1");
  EXPECT_EQ(platform.CallTexts(),
            std::vector<std::string>{"CharUpperA(\"abz\xe0\xf7\xfe\xff\x9a\x9c\x9e\xb5 1\")"});
}

TEST(FakeSystem, MultiByteToWideCharFollowsWindows1252) {
  fake::Platform platform;
  const char text[] = "a\x80\x81\x9f\xe9";
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), 6);
  EXPECT_EQ(MultiByteToWideChar(1252, 0, text, 5, nullptr, 0), 5);
  WCHAR wide[6];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 5), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 6), 6);
  EXPECT_EQ(std::u16string(wide, 6), std::u16string(u"a\u20ac\u0081\u0178\u00e9", 6));
  EXPECT_EQ(MultiByteToWideChar(65001, 0, text, -1, wide, 6), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
