// The trace log: nothing while tracing is off; with tracing on, the file's
// name, its header, the framing of every line, a new file after each
// release, and the retries when the file cannot be created.
#include "printer/trace_log.h"

#include <string>
#include <vector>

#include "platform/platform.h"
#include "printer/print_state.h"
#include "tests/unit/support/fixture.h"

namespace {

const char kName103045[] = "Vantrel_debugfile 20261211_103045.txt";  // the fake's clock
const char kName103046[] = "Vantrel_debugfile 20261211_103046.txt";

std::string Quoted(const std::string &text) {
  return "\"" + text + "\"";
}

class TraceLogTest : public CoreTest {
 protected:
  TraceLogTest() { Print_Init(); }

  void TraceOn() { Print_SetTrace(1); }

  std::vector<std::string> FileNames() const {
    std::vector<std::string> names;
    for (const auto &file : fp.files) names.push_back(file.first);
    return names;
  }
};

TEST_F(TraceLogTest, OffReadsNoClockAndCreatesNoFile) {
  Print_Trace("a line");
  EXPECT_EQ(Print_TraceHeader(), 0);
  Print_Release();

  EXPECT_EQ(fp.CountOf("GetLocalTime"), 0);
  EXPECT_EQ(fp.CountOf("CreateFileA"), 0);
  EXPECT_TRUE(fp.files.empty());
  EXPECT_EQ(g_Print.TraceFile, nullptr);
  // The header is composed all the same, so the version is asked.
  EXPECT_GE(fp.CountOf("GetVersionExA"), 1);
}

TEST_F(TraceLogTest, HeaderOpensAFileNamedAfterTheLocalTime) {
  fp.version.major = 6;
  fp.version.minor = 1;
  fp.version.productType = VER_NT_WORKSTATION;
  TraceOn();

  Print_TraceHeader();
  EXPECT_NE(g_Print.TraceFile, nullptr);
  Print_Release();

  EXPECT_EQ(g_Print.TraceFile, nullptr);
  ASSERT_EQ(FileNames(), std::vector<std::string>{kName103045});
  EXPECT_EQ(fp.files[kName103045].bytes,
            "Vantrel Version V1.10\r\nKorvane Version 520\r\nWindows_7\r\n");
  EXPECT_EQ(fp.OpenFiles(), 0);
}

TEST_F(TraceLogTest, HeaderNamesAnUnclassifiedSystemFuture) {
  fp.version.firstOk = false;
  TraceOn();
  Print_TraceHeader();
  Print_Release();
  ASSERT_EQ(fp.files.size(), 1u);
  EXPECT_EQ(fp.files.begin()->second.bytes,
            "Vantrel Version V1.10\r\nKorvane Version 520\r\nWindows_Future\r\n");
}

TEST_F(TraceLogTest, CreatesTheFileAlwaysForReadAndWriteSharedForReading) {
  TraceOn();
  Print_Trace("x");
  const std::vector<fake::Call> creates = fp.CallsNamed("CreateFileA");
  ASSERT_EQ(creates.size(), 1u);
  ASSERT_GE(creates[0].args.size(), 6u);
  EXPECT_EQ(creates[0].args[0], Quoted(kName103045));
  EXPECT_EQ(creates[0].args[1], std::to_string(GENERIC_READ | GENERIC_WRITE));
  EXPECT_EQ(creates[0].args[2], std::to_string(FILE_SHARE_READ));
  EXPECT_EQ(creates[0].args[3], "null");
  EXPECT_EQ(creates[0].args[4], std::to_string(CREATE_ALWAYS));
  EXPECT_EQ(creates[0].args[5], std::to_string(FILE_ATTRIBUTE_NORMAL));
  Print_Release();
}

TEST_F(TraceLogTest, EveryLineEndsInCrLfAndKeepsItsBytes) {
  TraceOn();
  Print_Trace("first");
  Print_Trace("");
  Print_Trace("caf\xE9 \x80\xFF\x1B");
  Print_Release();
  ASSERT_EQ(fp.files.size(), 1u);
  EXPECT_EQ(fp.files.begin()->second.bytes, "first\r\n\r\ncaf\xE9 \x80\xFF\x1B\r\n");
}

TEST_F(TraceLogTest, EachLineIsWrittenOutWhenTheNextArrives) {
  TraceOn();
  Print_Trace("one");
  Print_Trace("two");
  EXPECT_EQ(fp.files[kName103045].bytes, "one\r\n");
  Print_Release();
  EXPECT_EQ(fp.files[kName103045].bytes, "one\r\ntwo\r\n");
}

TEST_F(TraceLogTest, LongLineGoesStraightToTheFile) {
  TraceOn();
  Print_Trace("short");
  const std::string longLine(5000, 'L');
  Print_Trace(longLine);
  // Written before any later line or the release: nothing of it was held.
  EXPECT_EQ(fp.files[kName103045].bytes, "short\r\n" + longLine + "\r\n");
  bool oneWrite = false;
  for (const fake::Call &call : fp.CallsNamed("WriteFile")) {
    oneWrite = oneWrite || call.data == longLine + "\r\n";
  }
  EXPECT_TRUE(oneWrite);
  Print_Trace("after");
  Print_Release();
  EXPECT_EQ(fp.files[kName103045].bytes, "short\r\n" + longLine + "\r\nafter\r\n");
}

// A framed line one byte shorter than the 4096-byte buffer is held until the
// next line; one of the buffer's size or longer is written at once.
TEST_F(TraceLogTest, LinesAroundTheBufferSizeArriveWhole) {
  TraceOn();
  const struct {
    std::string line;
    bool held;
  } cases[] = {{std::string(4093, 'a'), true},
               {std::string(4094, 'b'), false},
               {std::string(4095, 'c'), false},
               {std::string(4096, 'd'), false},
               {"e", true}};
  std::string expected;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.line.size());
    const std::string before = fp.files[kName103045].bytes;
    Print_Trace(c.line);
    expected += c.line + "\r\n";
    const std::string &now = fp.files[kName103045].bytes;
    EXPECT_EQ(now, c.held ? before : expected);
  }
  Print_Release();
  EXPECT_EQ(fp.files[kName103045].bytes, expected);
}

TEST_F(TraceLogTest, AnExistingFileOfTheSameNameIsEmptied) {
  fp.files[kName103045].bytes = "an older run's lines\r\n";
  TraceOn();
  Print_Trace("new");
  Print_Release();
  EXPECT_EQ(fp.files[kName103045].bytes, "new\r\n");
}

TEST_F(TraceLogTest, EachReleaseClosesTheFileAndTheNextLineOpensANewOne) {
  TraceOn();
  const char *const names[] = {
      kName103045,
      "Vantrel_debugfile 20261211_103045_2.txt",
      "Vantrel_debugfile 20261211_103045_3.txt",
  };
  for (int i = 0; i < 3; ++i) {
    Print_Trace("job " + std::to_string(i));
    Print_Release();
  }
  fp.localTime.wSecond = 46;
  Print_Trace("job 3");
  Print_Release();

  ASSERT_EQ(fp.files.size(), 4u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(fp.files[names[i]].bytes, "job " + std::to_string(i) + "\r\n") << names[i];
  }
  EXPECT_EQ(fp.files[kName103046].bytes, "job 3\r\n");
  EXPECT_EQ(fp.CountOf("CloseHandle"), 4);
  EXPECT_EQ(fp.OpenFiles(), 0);
}

struct StampCase {
  SYSTEMTIME time;
  const char *name;
};

TEST_F(TraceLogTest, NameCarriesTheClockAsItIs) {
  const StampCase cases[] = {
      {{2026, 1, 5, 2, 3, 4, 5, 0}, "Vantrel_debugfile 20260102_030405.txt"},
      {{1999, 12, 5, 31, 23, 59, 59, 999}, "Vantrel_debugfile 19991231_235959.txt"},
      {{2038, 1, 2, 19, 3, 14, 8, 0}, "Vantrel_debugfile 20380119_031408.txt"},
      {{2100, 2, 1, 28, 0, 0, 0, 0}, "Vantrel_debugfile 21000228_000000.txt"},
      {{1601, 1, 1, 1, 0, 0, 0, 0}, "Vantrel_debugfile 16010101_000000.txt"},
  };
  TraceOn();
  for (const StampCase &c : cases) {
    fp.localTime = c.time;
    Print_Trace(c.name);
    Print_Release();
    ASSERT_EQ(fp.files.count(c.name), 1u) << c.name;
    EXPECT_EQ(fp.files[c.name].bytes, std::string(c.name) + "\r\n");
  }
}

// ---- Files that cannot be created ---------------------------------------

struct BlockedCase {
  const char *label;
  void (*block)(fake::Platform &fp);
};

std::ostream &operator<<(std::ostream &out, const BlockedCase &c) {
  return out << c.label;
}

const char kName103047[] = "Vantrel_debugfile 20261211_103047.txt";

// Blocks the names of seconds 45 and 46; the directory comes back for 47.
const BlockedCase kBlockedCases[] = {
    {"directory_not_writable", [](fake::Platform &fp) { fp.directoryWritable = false; }},
    {"locked_by_another_program",
     [](fake::Platform &fp) {
       for (const char *name : {kName103045, kName103046}) {
         fp.files[name].bytes = "theirs";
         fp.files[name].locked = true;
       }
     }},
    {"read_only",
     [](fake::Platform &fp) {
       for (const char *name : {kName103045, kName103046}) {
         fp.files[name].bytes = "theirs";
         fp.files[name].readOnly = true;
       }
     }},
};

class BlockedTraceTest : public TraceLogTest, public ::testing::WithParamInterface<BlockedCase> {};

TEST_P(BlockedTraceTest, LineIsDroppedAndEveryLaterLineTriesAgain) {
  const BlockedCase &c = GetParam();
  c.block(fp);
  TraceOn();

  Print_Trace("lost");
  EXPECT_EQ(g_Print.TraceFile, nullptr);
  const std::vector<fake::Call> creates = fp.CallsNamed("CreateFileA");
  ASSERT_EQ(creates.size(), 2u);
  ASSERT_GE(creates[1].args.size(), 6u);
  EXPECT_EQ(creates[0].args[0], Quoted(kName103045));
  EXPECT_EQ(creates[0].args[4], std::to_string(CREATE_ALWAYS));
  EXPECT_EQ(creates[1].args[0], Quoted(kName103045));
  EXPECT_EQ(creates[1].args[1], std::to_string(GENERIC_WRITE));
  EXPECT_EQ(creates[1].args[2], std::to_string(FILE_SHARE_READ));
  EXPECT_EQ(creates[1].args[3], "null");
  EXPECT_EQ(creates[1].args[4], std::to_string(TRUNCATE_EXISTING));
  EXPECT_EQ(creates[1].args[5], "0");

  fp.localTime.wSecond = 46;
  Print_Trace("lost too");
  EXPECT_EQ(g_Print.TraceFile, nullptr);
  EXPECT_EQ(fp.CountOf("GetLocalTime"), 2);
  ASSERT_EQ(fp.CountOf("CreateFileA"), 4);
  EXPECT_EQ(fp.CallsNamed("CreateFileA")[2].args[0], Quoted(kName103046));

  fp.directoryWritable = true;
  fp.localTime.wSecond = 47;
  Print_Trace("kept");
  Print_Release();
  EXPECT_EQ(fp.files[kName103047].bytes, "kept\r\n");
  for (const char *name : {kName103045, kName103046}) {
    if (fp.files.count(name) != 0) {
      EXPECT_EQ(fp.files[name].bytes, "theirs") << name;
    }
  }
  EXPECT_EQ(fp.OpenFiles(), 0);
}

INSTANTIATE_TEST_SUITE_P(Obstacles, BlockedTraceTest, ::testing::ValuesIn(kBlockedCases),
                         [](const auto &info) { return std::string(info.param.label); });

TEST_F(TraceLogTest, SecondAttemptEmptiesAFileThatOpensForWritingOnly) {
  fp.files[kName103045].bytes = "older lines\r\n";
  fp.FailCall("CreateFileA", 1, false, ERROR_ACCESS_DENIED);
  TraceOn();
  Print_Trace("line");
  EXPECT_NE(g_Print.TraceFile, nullptr);
  Print_Release();
  EXPECT_EQ(fp.CountOf("CreateFileA"), 2);
  EXPECT_EQ(fp.files[kName103045].bytes, "line\r\n");
}

// ---- Appending -------------------------------------------------------------

TEST_F(TraceLogTest, EachLineLandsAtTheFileEnd) {
  TraceOn();
  Print_Trace("first");
  Print_Trace("second");
  const std::vector<fake::Call> seeks = fp.CallsNamed("SetFilePointer");
  ASSERT_EQ(seeks.size(), 2u);
  ASSERT_EQ(seeks[1].args.size(), 4u);
  EXPECT_EQ(seeks[0].args[1], "0");
  EXPECT_EQ(seeks[1].args[1], "7");  // "first" and CR LF
  EXPECT_EQ(seeks[1].args[3], std::to_string(FILE_BEGIN));
  Print_Release();
}

TEST_F(TraceLogTest, FailedSizeQuerySkipsTheSeek) {
  fp.FailCall("GetFileSize", 1, true);
  TraceOn();
  Print_Trace("first");
  Print_Trace("second");
  Print_Release();
  EXPECT_EQ(fp.CountOf("GetFileSize"), 2);
  EXPECT_EQ(fp.CountOf("SetFilePointer"), 0);
  EXPECT_EQ(fp.files[kName103045].bytes, "first\r\nsecond\r\n");
}

TEST_F(TraceLogTest, FailedWritesLoseTheLineButKeepTheFileOpen) {
  fp.FailCall("WriteFile", 1, true);
  TraceOn();
  Print_Trace("first");
  Print_Trace("second");
  EXPECT_NE(g_Print.TraceFile, nullptr);
  EXPECT_EQ(fp.CountOf("CreateFileA"), 1);
  Print_Release();
  EXPECT_EQ(fp.OpenFiles(), 0);
}

// ---- Time stamp masks --------------------------------------------------

struct MaskCase {
  SYSTEMTIME time;
  const char *mask;
  const char *text;
};

TEST(FormatTimeTest, ExpandsEachTokenInEitherCase) {
  const SYSTEMTIME t{2026, 3, 4, 7, 8, 9, 5, 0};
  const SYSTEMTIME late{1999, 12, 5, 31, 23, 59, 59, 0};
  const MaskCase cases[] = {
      {t, "%yyyy%mm%dd_%hh%ii%ss", "20260307_080905"},
      {late, "%yyyy%mm%dd_%hh%ii%ss", "19991231_235959"},
      {t, "%YYYY-%MM-%DD %HH:%II:%SS", "2026-03-07 08:09:05"},
      {t, "%yYyY|%Yy|%mM|%Dd|%hH|%Ii|%sS", "2026|26|03|07|08|09|05"},
      {t, "%yy", "26"},
      {t, "%yyy", "26y"},
      {t, "%yyyyy", "2026y"},
      {t, "%y", "%y"},
      {t, "%m-%d", "%m-%d"},
      {t, "%q%%mm", "%q%03"},
      {t, "100%", "100%"},
      {t, "%%", "%%"},
      {t, "no tokens", "no tokens"},
      {t, "", ""},
      {{2100, 1, 0, 1, 0, 0, 0, 0}, "%yyyy %yy", "2100 00"},
      {{10000, 1, 0, 1, 0, 0, 0, 0}, "%yyyy %yy", "10000 00"},
      {{5, 1, 0, 1, 0, 0, 0, 0}, "%yyyy %yy", "0005 05"},
      {{2009, 1, 0, 1, 0, 0, 0, 0}, "%yy", "09"},
  };
  for (const MaskCase &c : cases) {
    EXPECT_EQ(Print_FormatTime(c.mask, c.time), c.text) << "mask " << c.mask;
  }
}

}  // namespace
