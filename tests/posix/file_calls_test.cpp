// Files: creation dispositions and their errors, sizes, positions, writes.
#include "platform/posix/file_calls.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/posix/last_error.h"
#include "test_folder.h"

namespace {

using winapi::DWORD;
using winapi::HANDLE;

constexpr DWORD kReadWrite = winapi::GENERIC_READ | winapi::GENERIC_WRITE;

HANDLE Open(const std::string &path, DWORD disposition, DWORD access = kReadWrite) {
  return dkposix::CreateFileA(path.c_str(), access, winapi::FILE_SHARE_READ, nullptr, disposition,
                              winapi::FILE_ATTRIBUTE_NORMAL, nullptr);
}

struct Case {
  const char *name;
  DWORD disposition;
  bool exists;
  bool opens;
  DWORD error;          // last error after the call
  std::string content;  // the file's bytes afterwards ("-" for no file)
};

class Disposition : public ::testing::TestWithParam<Case> {};

TEST_P(Disposition, OpensOrFailsAsWindowsDoes) {
  const Case &c = GetParam();
  TestFolder folder;
  std::string path = folder.Path("trace.log");
  if (c.exists) folder.Write("trace.log", "old");
  dkposix::SetLastError(12345);
  HANDLE file = Open(path, c.disposition);
  EXPECT_EQ(file != winapi::INVALID_HANDLE_VALUE, c.opens);
  EXPECT_EQ(dkposix::GetLastError(), c.error);
  if (c.opens) {
    EXPECT_TRUE(dkposix::CloseHandle(file));
  }
  EXPECT_EQ(std::filesystem::exists(path) ? folder.Read("trace.log") : "-", c.content);
}

// The rules every table keeps (tests/contract) are not repeated here; these
// rows are what this backend promises beyond them: a clean last error after
// each success, and a refused disposition.
INSTANTIATE_TEST_SUITE_P(
    Files, Disposition,
    ::testing::Values(Case{"create new", winapi::CREATE_NEW, false, true, 0, ""},
                      Case{"open existing", winapi::OPEN_EXISTING, true, true, 0, "old"},
                      Case{"truncate existing", winapi::TRUNCATE_EXISTING, true, true, 0, ""},
                      Case{"unknown disposition", 9, false, false, winapi::ERROR_INVALID_PARAMETER,
                           "-"}),
    [](const ::testing::TestParamInfo<Case> &info) { return std::to_string(info.index); });

TEST(FileCalls, TruncateNeedsWriteAccessAndFoldersCannotBeOpened) {
  TestFolder folder;
  std::string path = folder.Write("a.txt", "keep");
  EXPECT_EQ(Open(path, winapi::TRUNCATE_EXISTING, winapi::GENERIC_READ),
            winapi::INVALID_HANDLE_VALUE);
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_INVALID_PARAMETER);
  EXPECT_EQ(folder.Read("a.txt"), "keep");
  EXPECT_EQ(Open(folder.Path(""), winapi::OPEN_EXISTING), winapi::INVALID_HANDLE_VALUE);
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_ACCESS_DENIED);
  EXPECT_EQ(Open(folder.Path("no/such/dir.txt"), winapi::CREATE_ALWAYS),
            winapi::INVALID_HANDLE_VALUE);
  EXPECT_EQ(dkposix::GetLastError(), dkposix::kErrorPathNotFound);
}

TEST(FileCalls, AppendingByMovingToTheEndThenWriting) {
  TestFolder folder;
  std::string path = folder.Write("log.txt", "12345");
  HANDLE file = Open(path, winapi::OPEN_EXISTING);
  ASSERT_NE(file, winapi::INVALID_HANDLE_VALUE);
  DWORD high = 99;
  EXPECT_EQ(dkposix::GetFileSize(file, &high), 5u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(dkposix::SetFilePointer(file, 0, nullptr, dkposix::kFileEnd), 5u);
  DWORD written = 0;
  EXPECT_TRUE(dkposix::WriteFile(file, "678", 3, &written, nullptr));
  EXPECT_EQ(written, 3u);
  EXPECT_EQ(dkposix::SetFilePointer(file, -2, nullptr, dkposix::kFileCurrent), 6u);
  EXPECT_TRUE(dkposix::WriteFile(file, "x", 1, &written, nullptr));
  EXPECT_EQ(dkposix::SetFilePointer(file, 1, nullptr, winapi::FILE_BEGIN), 1u);
  EXPECT_TRUE(dkposix::CloseHandle(file));
  EXPECT_EQ(folder.Read("log.txt"), "123456x8");
}

TEST(FileCalls, SeekingBeforeTheStartFailsAndKeepsThePosition) {
  TestFolder folder;
  HANDLE file = Open(folder.Write("s.txt", "abc"), winapi::OPEN_EXISTING);
  EXPECT_EQ(dkposix::SetFilePointer(file, -1, nullptr, winapi::FILE_BEGIN),
            winapi::INVALID_SET_FILE_POINTER);
  EXPECT_EQ(dkposix::GetLastError(), dkposix::kErrorNegativeSeek);
  EXPECT_EQ(dkposix::SetFilePointer(file, 0, nullptr, dkposix::kFileCurrent), 0u);
  EXPECT_EQ(dkposix::SetFilePointer(file, 0, nullptr, 7), winapi::INVALID_SET_FILE_POINTER);
  EXPECT_TRUE(dkposix::CloseHandle(file));
}

TEST(FileCalls, ClosedAndForeignHandlesAreRefused) {
  TestFolder folder;
  HANDLE file = Open(folder.Path("c.txt"), winapi::CREATE_NEW);
  ASSERT_TRUE(dkposix::CloseHandle(file));
  DWORD written = 5;
  EXPECT_FALSE(dkposix::WriteFile(file, "x", 1, &written, nullptr));
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_INVALID_HANDLE);
  EXPECT_FALSE(dkposix::CloseHandle(file));
  EXPECT_EQ(dkposix::GetFileSize(file, nullptr), winapi::INVALID_FILE_SIZE);
  EXPECT_FALSE(dkposix::CloseHandle(nullptr));
  EXPECT_FALSE(dkposix::CloseHandle(winapi::INVALID_HANDLE_VALUE));
}

}  // namespace
