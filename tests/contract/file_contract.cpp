// Files: what each creation disposition does to a file that is there or not,
// the last error it leaves, sizes and positions, and closed handles.
#include <string>

#include "tests/contract/contract.h"

namespace {

using namespace winapi;

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kUnspecified = 0xFFFFFFFFu;  // Windows documents no last error here
constexpr DWORD kNoFile = INVALID_FILE_SIZE;

HANDLE Open(const std::string &name, DWORD disposition, DWORD access = kReadWrite) {
  return CreateFileA(name.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Makes name a file holding bytes, through the table under test.
void MakeFile(const std::string &name, const std::string &bytes) {
  HANDLE file = Open(name, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  ASSERT_EQ(written, bytes.size());
  ASSERT_TRUE(CloseHandle(file));
}

// The file's size, or kNoFile when it cannot be opened.
DWORD SizeOf(const std::string &name) {
  HANDLE file = Open(name, OPEN_EXISTING, GENERIC_READ);
  if (file == INVALID_HANDLE_VALUE) return kNoFile;
  DWORD size = GetFileSize(file, nullptr);
  CloseHandle(file);
  return size;
}

struct DispositionCase {
  const char *name;
  DWORD disposition;
  bool exists;  // a 3-byte file is there before the call
  bool opens;
  DWORD error;      // the last error after the call, or kUnspecified
  DWORD sizeAfter;  // the file's size afterwards, or kNoFile
};

TEST_P(FileContract, EachDispositionOpensOrFailsAsWindowsDoes) {
  const DispositionCase cases[] = {
      {"create new", CREATE_NEW, false, true, kUnspecified, 0},
      {"create new over a file", CREATE_NEW, true, false, ERROR_FILE_EXISTS, 3},
      {"create always", CREATE_ALWAYS, false, true, ERROR_SUCCESS, 0},
      {"create always over a file", CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, 0},
      {"open existing", OPEN_EXISTING, true, true, kUnspecified, 3},
      {"open existing, none", OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, kNoFile},
      {"open always", OPEN_ALWAYS, false, true, ERROR_SUCCESS, 0},
      {"open always over a file", OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, 3},
      {"truncate existing", TRUNCATE_EXISTING, true, true, kUnspecified, 0},
      {"truncate existing, none", TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, kNoFile},
  };
  int index = 0;
  for (const DispositionCase &c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = FileName("disposition-" + std::to_string(index++));
    if (c.exists) MakeFile(name, "old");
    HANDLE file = Open(name, c.disposition);
    const DWORD error = GetLastError();
    EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens);
    if (c.error != kUnspecified) {
      EXPECT_EQ(error, c.error);
    }
    if (file != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(CloseHandle(file));
    }
    EXPECT_EQ(SizeOf(name), c.sizeAfter);
  }
}

// Truncating without write access is left out: the documentation asks for
// GENERIC_WRITE, the fake and the posix backend refuse it, and Wine empties
// the file. The program always truncates with write access.

TEST_P(FileContract, WritesLandAtThePositionAndMoveIt) {
  const std::string name = FileName("log");
  MakeFile(name, "12345");
  HANDLE file = Open(name, OPEN_EXISTING);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD high = 99;
  EXPECT_EQ(GetFileSize(file, &high), 5u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_END), 5u);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "678", 3, &written, nullptr));
  EXPECT_EQ(written, 3u);
  EXPECT_EQ(SetFilePointer(file, -2, nullptr, FILE_CURRENT), 6u);
  EXPECT_TRUE(WriteFile(file, "x", 1, &written, nullptr));
  EXPECT_EQ(GetFileSize(file, nullptr), 8u);  // overwritten inside, not grown
  // Past the end: the gap is filled when the write lands there.
  EXPECT_EQ(SetFilePointer(file, 10, nullptr, FILE_BEGIN), 10u);
  EXPECT_EQ(GetFileSize(file, nullptr), 8u);
  EXPECT_TRUE(WriteFile(file, "z", 1, &written, nullptr));
  EXPECT_EQ(GetFileSize(file, nullptr), 11u);
  EXPECT_TRUE(CloseHandle(file));
}

TEST_P(FileContract, SeekingBeforeTheStartFailsAndKeepsThePosition) {
  const std::string name = FileName("seek");
  MakeFile(name, "abc");
  HANDLE file = Open(name, OPEN_EXISTING);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(SetFilePointer(file, 2, nullptr, FILE_BEGIN), 2u);
  EXPECT_EQ(SetFilePointer(file, -3, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 2u);
  EXPECT_TRUE(CloseHandle(file));
}

TEST_P(FileContract, AClosedHandleIsRefused) {
  HANDLE file = Open(FileName("closed"), CREATE_NEW);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(CloseHandle(file));
  EXPECT_EQ(GetFileSize(file, nullptr), INVALID_FILE_SIZE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(CloseHandle(file));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

}  // namespace
