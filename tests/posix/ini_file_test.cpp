// GetPrivateProfileStringA over INI files.
#include "platform/posix/ini_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/posix/last_error.h"
#include "test_folder.h"

namespace {

using dkposix::GetPrivateProfileStringA;

const char kIni[] =
    "; settings of the tester\r\n"
    "[Printer]\r\n"
    "  Name = Front Desk  \r\n"
    "Quoted=\"  spaced  \"\n"
    "Empty=\n"
    "name=second wins not\n"
    "no equals sign here\n"
    "[ Other ]\n"
    "Name=other\n"
    "[printer]\n"
    "Late=from a repeated section\n";

class IniFileTest : public ::testing::Test {
 protected:
  std::string Get(const char *section, const char *key, const char *fallback,
                  winapi::DWORD size = 64, winapi::DWORD *result = nullptr) {
    std::string buffer(size, '\xcc');
    winapi::DWORD copied =
        GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, file_.c_str());
    if (result != nullptr) *result = copied;
    EXPECT_EQ(buffer[copied], '\0');
    return buffer.substr(0, copied);
  }

  TestFolder folder_;
  std::string file_ = folder_.Write("tester.ini", kIni);
};

TEST_F(IniFileTest, FindsValuesWithoutRegardToCaseAndTrimsThem) {
  EXPECT_EQ(Get("PRINTER", "name", "x"), "Front Desk");
  EXPECT_EQ(Get("printer", "QUOTED", "x"), "  spaced  ");
  EXPECT_EQ(Get("Printer", "Empty", "x"), "");
  EXPECT_EQ(Get("other", "name", "x"), "other");
  EXPECT_EQ(Get("Printer", "Late", "x"), "from a repeated section");
}

TEST_F(IniFileTest, AbsentKeyGivesTheFallbackWithoutTrailingBlanks) {
  EXPECT_EQ(Get("Printer", "Missing", "default  "), "default");
  EXPECT_EQ(Get("Nowhere", "Name", nullptr), "");
  EXPECT_EQ(Get("Printer", "no equals sign here", "fb"), "fb");
}

TEST_F(IniFileTest, ResultIsCutToTheBufferLessOne) {
  winapi::DWORD copied = 0;
  EXPECT_EQ(Get("Printer", "Name", "", 6, &copied), "Front");
  EXPECT_EQ(copied, 5u);
  EXPECT_EQ(Get("Printer", "Missing", "fallback", 4, &copied), "fal");
  EXPECT_EQ(Get("Printer", "Name", "", 1, &copied), "");
}

TEST_F(IniFileTest, NullSectionOrKeyListsNamesEndedByTwoZeros) {
  char buffer[64];
  winapi::DWORD copied =
      GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer, file_.c_str());
  EXPECT_EQ(std::string(buffer, copied + 1), std::string("Printer\0Other\0", 15));
  copied = GetPrivateProfileStringA("printer", nullptr, "", buffer, sizeof buffer, file_.c_str());
  EXPECT_EQ(std::string(buffer, copied + 1), std::string("Name\0Quoted\0Empty\0Late\0", 24));
  // Cut short: what fits, then two zeros, and size-2 as the result.
  copied = GetPrivateProfileStringA("printer", nullptr, "", buffer, 8, file_.c_str());
  EXPECT_EQ(copied, 6u);
  EXPECT_EQ(std::string(buffer, 8), std::string("Name\0Q\0\0", 8));
}

TEST(GetPrivateProfileString, MissingFileGivesTheFallbackAndFileNotFound) {
  TestFolder folder;
  char buffer[16];
  dkposix::SetLastError(0);
  EXPECT_EQ(GetPrivateProfileStringA("a", "b", "dflt", buffer, sizeof buffer,
                                     folder.Path("absent.ini").c_str()),
            4u);
  EXPECT_STREQ(buffer, "dflt");
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetPrivateProfileStringA("a", "b", "dflt", nullptr, 16, nullptr), 0u);
  EXPECT_EQ(GetPrivateProfileStringA("a", "b", "dflt", buffer, 0, nullptr), 0u);
}

}  // namespace
