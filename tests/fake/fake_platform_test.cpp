// The fake's call record and scripting: how each call shows its arguments,
// FailCall, FailAtIndex, Script, installation and the per-thread last error.
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace winapi;

struct FormatCase {
  const char *expected;
  std::function<void()> call;
};

TEST(FakeRecording, CallTextFormats) {
  fake::Platform platform;
  platform.AttachConsole();
  platform.AddPrinter("Receipt");
  HANDLE printer = nullptr;
  DWORD count = 0;
  char buffer[64] = {};
  CONSOLE_SCREEN_BUFFER_INFO info;
  INPUT_RECORD record;
  char docName[] = "EPOS", dataType[] = "RAW", receipt[] = "Receipt", lower[] = "abc";
  DOC_INFO_1A doc{docName, nullptr, dataType};
  PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ACCESS_USE};
  LOGBRUSH brush{0, 0, 0};
  DEVMODEA devmode;
  std::memset(&devmode, 0, sizeof devmode);
  std::memcpy(devmode.dmDeviceName, "Receipt", 8);
  WCHAR wide[8];
  SYSTEMTIME time;
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;

  const std::vector<FormatCase> cases = {
      {"AllocConsole()", [] { AllocConsole(); }},
      {"GetStdHandle(4294967286)", [] { GetStdHandle(STD_INPUT_HANDLE); }},
      {"GetConsoleScreenBufferInfo(0x11,ptr)",
       [&] { GetConsoleScreenBufferInfo(reinterpret_cast<HANDLE>(0x11), &info); }},
      {"SetConsoleMode(0x11,3)", [] { SetConsoleMode(reinterpret_cast<HANDLE>(0x11), 3); }},
      {"SetConsoleTitleA(\"Drawer \"kick\"\")", [] { SetConsoleTitleA("Drawer \"kick\""); }},
      {"SetConsoleCursorPosition(0x11,{10,10})",
       [] {
         SetConsoleCursorPosition(reinterpret_cast<HANDLE>(0x11), COORD{10, 10});
       }},
      {"FillConsoleOutputAttribute(0x11,7,2000,{0,0},ptr)",
       [&] {
         FillConsoleOutputAttribute(reinterpret_cast<HANDLE>(0x11), 7, 2000, {0, 0}, &count);
       }},
      {"FillConsoleOutputCharacterA(0x11,32,2000,{0,0},null)",
       [] {
         FillConsoleOutputCharacterA(reinterpret_cast<HANDLE>(0x11), ' ', 2000, {0, 0}, nullptr);
       }},
      {"WriteConsoleA(0x11,ptr,2,ptr,null)",
       [&] { WriteConsoleA(reinterpret_cast<HANDLE>(0x11), "hi", 2, &count, nullptr); }},
      {"ReadConsoleInputA(0x10,ptr,1,ptr)",
       [&] { ReadConsoleInputA(reinterpret_cast<HANDLE>(0x10), &record, 1, &count); }},
      {"SetConsoleCtrlHandler(null,1)", [] { SetConsoleCtrlHandler(nullptr, TRUE); }},
      {"OpenPrinterA(\"Receipt\",ptr,null)", [&] { OpenPrinterA(receipt, &printer, nullptr); }},
      {"OpenPrinterA(null,ptr,{null,null,8})",
       [&] {
         HANDLE unused;
         OpenPrinterA(nullptr, &unused, &defaults);
       }},
      {"DocumentPropertiesA(0x0,0x1001,\"Receipt\",null,null,0)",
       [&] { DocumentPropertiesA(nullptr, printer, receipt, nullptr, nullptr, 0); }},
      {"StartDocPrinterA(0x1001,1,{\"EPOS\",null,\"RAW\"})",
       [&] { StartDocPrinterA(printer, 1, reinterpret_cast<LPBYTE>(&doc)); }},
      {"StartPagePrinter(0x1001)", [&] { StartPagePrinter(printer); }},
      {"WritePrinter(0x1001,ptr,4,ptr)",
       [&] {
         char bytes[] = "\x1b@\n\n";
         WritePrinter(printer, bytes, 4, &count);
       }},
      {"EndPagePrinter(0x1001)", [&] { EndPagePrinter(printer); }},
      {"EndDocPrinter(0x1001)", [&] { EndDocPrinter(printer); }},
      {"ClosePrinter(0x1001)", [&] { ClosePrinter(printer); }},
      {"CreateDCA(\"WINSPOOL\",\"Receipt\",null,devmode(\"Receipt\"))",
       [&] { CreateDCA("WINSPOOL", "Receipt", nullptr, &devmode); }},
      {"CreateDCA(null,\"Receipt\",null,null)",
       [] { CreateDCA(nullptr, "Receipt", nullptr, nullptr); }},
      {"GetDeviceCaps(0x2001,88)",
       [] { GetDeviceCaps(reinterpret_cast<HDC>(0x2001), LOGPIXELSX); }},
      {"SetTextAlign(0x2001,0)", [] { SetTextAlign(reinterpret_cast<HDC>(0x2001), 0); }},
      {"SetBkMode(0x2001,1)", [] { SetBkMode(reinterpret_cast<HDC>(0x2001), TRANSPARENT); }},
      {"CreateSolidBrush(16777215)", [] { CreateSolidBrush(0xFFFFFF); }},
      {"ExtCreatePen(74240,2,{0,0,0},0,null)",
       [&] {
         ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER, 2, &brush, 0,
                      nullptr);
       }},
      {"SelectObject(0x2001,0x3001)",
       [] { SelectObject(reinterpret_cast<HDC>(0x2001), reinterpret_cast<HGDIOBJ>(0x3001)); }},
      {"DeleteObject(0x0)", [] { DeleteObject(nullptr); }},
      {"DeleteDC(0x2001)", [] { DeleteDC(reinterpret_cast<HDC>(0x2001)); }},
      {"GetVersionExA(ptr)", [&] { GetVersionExA(&version); }},
      {"GetVersion()", [] { GetVersion(); }},
      {"GetPrivateProfileStringA(\"windows\",\"device\",\"\",ptr,64,\"Win.Ini\")",
       [&] {
         GetPrivateProfileStringA("windows", "device", "", buffer, sizeof buffer, "Win.Ini");
       }},
      {"LoadLibraryA(\"WINSPOOL.DRV\")", [] { LoadLibraryA("WINSPOOL.DRV"); }},
      {"GetProcAddress(0x7001,\"GetDefaultPrinterA\")",
       [] { GetProcAddress(reinterpret_cast<HMODULE>(0x7001), "GetDefaultPrinterA"); }},
      {"GetDefaultPrinterA(null,ptr)", [&] { fake::FakeGetDefaultPrinterA(nullptr, &count); }},
      {"FreeLibrary(0x7001)", [] { FreeLibrary(reinterpret_cast<HMODULE>(0x7001)); }},
      {"GetLastError()", [] { GetLastError(); }},
      {"CharUpperA(\"abc\")", [&] { CharUpperA(lower); }},
      {"GetLocalTime(ptr)", [&] { GetLocalTime(&time); }},
      {"CreateFileA(\"Vantrel_debugfile 20261211_103045.txt\",3221225472,1,null,2,128,0x0)",
       [] {
         CreateFileA("Vantrel_debugfile 20261211_103045.txt", GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
       }},
      {"GetFileSize(0x5001,null)", [] { GetFileSize(reinterpret_cast<HANDLE>(0x5001), nullptr); }},
      {"SetFilePointer(0x5001,-3,null,0)",
       [] { SetFilePointer(reinterpret_cast<HANDLE>(0x5001), -3, nullptr, FILE_BEGIN); }},
      {"WriteFile(0x5001,ptr,3,ptr,null)",
       [&] { WriteFile(reinterpret_cast<HANDLE>(0x5001), "abc", 3, &count, nullptr); }},
      {"CloseHandle(0x5001)", [] { CloseHandle(reinterpret_cast<HANDLE>(0x5001)); }},
      {"MultiByteToWideChar(1252,0,\"ab\",2,ptr,8)",
       [&] { MultiByteToWideChar(1252, 0, "abcdef", 2, wide, 8); }},
      {"MultiByteToWideChar(0,0,\"ab\",-1,null,0)",
       [] { MultiByteToWideChar(CP_ACP, 0, "ab", -1, nullptr, 0); }},
  };
  for (const FormatCase &c : cases) {
    platform.ClearCalls();
    c.call();
    const std::vector<std::string> texts = platform.CallTexts();
    ASSERT_EQ(texts.size(), 1u) << c.expected;
    EXPECT_EQ(texts[0], c.expected);
  }
  EXPECT_EQ(platform.Violations(), std::vector<std::string>{});
}

TEST(FakeRecording, CarriedBytesAreKept) {
  fake::Platform platform;
  platform.AttachConsole();
  DWORD written = 0;
  const char bytes[] = {'a', '\0', 'b'};
  WriteConsoleA(reinterpret_cast<HANDLE>(0x11), bytes, 3, &written, nullptr);
  ASSERT_EQ(platform.CountOf("WriteConsoleA"), 1);
  EXPECT_EQ(platform.CallsNamed("WriteConsoleA")[0].data, std::string(bytes, 3));
}

TEST(FakeRecording, ExitProcessIsRecordedThenThrows) {
  fake::Platform platform;
  try {
    ExitProcess(3);
    FAIL() << "ExitProcess returned";
  } catch (const fake::ProcessExit &exit) {
    EXPECT_EQ(exit.code, 3u);
  }
  EXPECT_EQ(platform.CallTexts(), std::vector<std::string>{"ExitProcess(3)"});
}

TEST(FakeInstallation, RestoresThePreviousTable) {
  const PlatformApi *before = Platform_Current();
  {
    fake::Platform platform;
    EXPECT_EQ(Platform_Current(), fake::Platform::Table());
    EXPECT_EQ(&fake::Platform::Current(), &platform);
  }
  EXPECT_EQ(Platform_Current(), before);
}

TEST(FakeScripting, FailCallCountsPerName) {
  fake::Platform platform;
  platform.FailCall("LoadLibraryA", 2, false, ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_NE(LoadLibraryA("winspool.drv"), nullptr);
  GetVersion();
  EXPECT_EQ(LoadLibraryA("WINSPOOL.DRV"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_NE(LoadLibraryA("WINSPOOL.DRV"), nullptr);
  EXPECT_EQ(platform.LoadedModules(), 2);  // the failed one loaded nothing
}

TEST(FakeScripting, FailCallFromThenOn) {
  fake::Platform platform;
  platform.AttachConsole();
  platform.FailCall("SetConsoleTitleA", 2, true);
  EXPECT_TRUE(SetConsoleTitleA("one"));
  EXPECT_FALSE(SetConsoleTitleA("two"));
  EXPECT_FALSE(SetConsoleTitleA("three"));
  EXPECT_EQ(platform.console.title, "one");
}

TEST(FakeScripting, FailAtIndexCountsEveryCallAndSparesTheUnfailable) {
  fake::Platform platform;
  platform.AttachConsole();
  // Calls 1..3: GetLastError, GetVersion and CharUpperA cannot fail; from
  // call 2 on everything that can fail does.
  platform.FailAtIndex(2, true, ERROR_ACCESS_DENIED);
  fake::SetLastErrorForTest(0);
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(GetVersion(), platform.version.versionWord);
  char text[] = "x";
  EXPECT_EQ(CharUpperA(text), text);
  EXPECT_STREQ(text, "X");
  EXPECT_FALSE(SetConsoleTitleA("t"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  HANDLE file = CreateFileA("f", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  EXPECT_EQ(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(platform.files.count("f"), 0u);
}

TEST(FakeScripting, FailAtIndexHitsOnlyThatCall) {
  fake::Platform platform;
  platform.AddPrinter("Receipt");
  char name[] = "Receipt";
  HANDLE printer = nullptr;
  platform.FailAtIndex(2);
  ASSERT_TRUE(OpenPrinterA(name, &printer, nullptr));
  EXPECT_FALSE(ClosePrinter(printer));  // fails: the printer stays open
  EXPECT_EQ(platform.OpenPrinters(), 1);
  EXPECT_TRUE(ClosePrinter(printer));
  EXPECT_EQ(platform.OpenPrinters(), 0);
}

TEST(FakeScripting, FailureValuesOfEachKind) {
  fake::Platform platform;
  platform.AttachConsole();
  platform.AddPrinter("Receipt");
  platform.FailAtIndex(1, true);
  char buffer[8] = "keep";
  DWORD read = 99;
  INPUT_RECORD record;
  platform.QueueKey('a');
  EXPECT_EQ(CreateFileA("f", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(nullptr, nullptr), 0xFFFFFFFFu);
  EXPECT_EQ(SetFilePointer(nullptr, 0, nullptr, FILE_BEGIN), 0xFFFFFFFFu);
  EXPECT_EQ(DocumentPropertiesA(nullptr, nullptr, nullptr, nullptr, nullptr, 0), -1);
  EXPECT_EQ(StartDocPrinterA(nullptr, 1, nullptr), 0u);
  EXPECT_EQ(SetTextAlign(nullptr, 0), GDI_ERROR);
  EXPECT_EQ(SetBkMode(nullptr, OPAQUE), 0);
  EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSX), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a", -1, nullptr, 0), 0);
  EXPECT_EQ(GetPrivateProfileStringA("s", "k", "default", buffer, sizeof buffer, "Win.Ini"), 0u);
  EXPECT_STREQ(buffer, "");
  EXPECT_FALSE(ReadConsoleInputA(reinterpret_cast<HANDLE>(0x10), &record, 1, &read));
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(platform.console.input.size(), 1u);  // nothing was taken
  EXPECT_EQ(GetStdHandle(STD_OUTPUT_HANDLE), nullptr);
  EXPECT_EQ(CreateDCA(nullptr, "Receipt", nullptr, nullptr), nullptr);
  EXPECT_EQ(platform.LiveDCs(), 0);
  EXPECT_EQ(GetProcAddress(nullptr, "x"), nullptr);
}

TEST(FakeScripting, ScriptAnswersInOrderThenTheModelResumes) {
  fake::Platform platform;
  platform.Script("GetVersion", {0x0A280105, 0});
  platform.Script("LoadLibraryA", {0, ERROR_MOD_NOT_FOUND});
  platform.Script("LoadLibraryA", {0x1234, 0});
  EXPECT_EQ(GetVersion(), 0x0A280105u);
  EXPECT_EQ(GetVersion(), platform.version.versionWord);
  EXPECT_EQ(LoadLibraryA("WINSPOOL.DRV"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(LoadLibraryA("WINSPOOL.DRV"), reinterpret_cast<HMODULE>(0x1234));
  EXPECT_EQ(platform.LoadedModules(), 0);  // scripted answers leave the model alone
  EXPECT_EQ(LoadLibraryA("WINSPOOL.DRV"), reinterpret_cast<HMODULE>(0x7001));
}

// A misspelt or made-up name would otherwise never fail or answer anything,
// and the test using it would pass for the wrong reason. Each is refused.
TEST(FakeScripting, NamesThatAreNoCallAreRefused) {
  const char *const wrongNames[] = {"WritePrinterA",     "writeprinter",  "WritePrinter ",
                                    "GetDefaultPrinter", "ExtCreatePenA", ""};
  for (const char *name : wrongNames) {
    SCOPED_TRACE(std::string("name \"") + name + "\"");
    fake::Platform platform;
    platform.AddPrinter("Till");
    EXPECT_FALSE(platform.FailCall(name));
    EXPECT_FALSE(platform.Script(name, {0, 0}));
    const std::vector<std::string> expected = {
        "FailCall(\"" + std::string(name) + "\"): no such call",
        "Script(\"" + std::string(name) + "\"): no such call"};
    EXPECT_EQ(platform.Violations(), expected);

    // Nothing of them acts on the calls that do exist.
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterA(const_cast<LPSTR>("Till"), &printer, nullptr));
    DOC_INFO_1A doc{const_cast<LPSTR>("EPOS"), nullptr, const_cast<LPSTR>("RAW")};
    EXPECT_NE(StartDocPrinterA(printer, 1, reinterpret_cast<LPBYTE>(&doc)), 0u);
    DWORD written = 0;
    EXPECT_TRUE(WritePrinter(printer, const_cast<char *>("ab"), 2, &written));
    EXPECT_EQ(written, 2u);
    EXPECT_TRUE(EndDocPrinter(printer));
    EXPECT_TRUE(ClosePrinter(printer));
  }
}

// Every call the fake records can be named, including the two that are not
// in the seam's list: ExitProcess and GetDefaultPrinterA.
TEST(FakeScripting, EveryRecordedCallCanBeNamed) {
  fake::Platform platform;
  for (const char *name : {"ExitProcess", "GetDefaultPrinterA", "WritePrinter", "AllocConsole",
                           "MultiByteToWideChar", "GetProcAddress"}) {
    EXPECT_TRUE(platform.FailCall(name, 99)) << name;
    EXPECT_TRUE(platform.Script(name, {0, 0})) << name;
  }
  EXPECT_TRUE(platform.Violations().empty()) << testing::PrintToString(platform.Violations());
}

TEST(FakeLastError, IsPerThreadAndSuccessKeepsIt) {
  fake::Platform platform;
  EXPECT_EQ(LoadLibraryA("nothing.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_NE(LoadLibraryA("WINSPOOL.DRV"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  DWORD other = 1;
  std::thread([&] { other = GetLastError(); }).join();
  EXPECT_EQ(other, ERROR_SUCCESS);
}

TEST(FakeRecording, OnCallRunsOutsideTheLockWithTheThread) {
  fake::Platform platform;
  std::vector<std::string> seen;
  platform.onCall = [&](const fake::Call &call) {
    seen.push_back(call.name);
    // Another thread can call in while this one is held here.
    if (call.name == "GetVersion") std::thread([] { GetLastError(); }).join();
  };
  GetVersion();
  EXPECT_EQ(seen, (std::vector<std::string>{"GetVersion", "GetLastError"}));
  const std::vector<fake::Call> calls = platform.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_NE(calls[0].thread, calls[1].thread);
}

}  // namespace

namespace {

// Tests clear the record after their setup and then count failures from
// there; the counts restart with the record.
TEST(FakeScripting, ClearCallsRestartsTheCounts) {
  fake::Platform platform;
  ASSERT_NE(winapi::LoadLibraryA("WINSPOOL.DRV"), nullptr);
  platform.ClearCalls();
  platform.FailCall("LoadLibraryA", 1);
  platform.FailAtIndex(2);
  EXPECT_EQ(winapi::LoadLibraryA("WINSPOOL.DRV"), nullptr);
  EXPECT_EQ(winapi::FreeLibrary(reinterpret_cast<winapi::HMODULE>(0x7001)), winapi::FALSE);
  EXPECT_EQ(platform.LoadedModules(), 1);
}

}  // namespace
