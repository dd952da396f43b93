// Default printer lookup: the "Win.Ini" way below Windows 2000, the spooler's
// GetDefaultPrinterA from then on, and the name left in PrinterName.
#include "printer/default_printer.h"

#include <string>
#include <vector>

#include "platform/platform.h"
#include "printer/print_state.h"
#include "tests/unit/support/fixture.h"

namespace {

const char kStaleName[] = "Printer of an earlier lookup";

// Version reports below and from Windows 2000 on.
void UseNt4(fake::Platform &fp) {
  fp.version.platformId = VER_PLATFORM_WIN32_NT;
  fp.version.major = 4;
  fp.version.minor = 0;
}

// ---- The "Win.Ini" way -----------------------------------------------------

struct WinIniCase {
  const char *label;
  bool hasEntry;
  std::string entry;
  std::string name;
};

std::ostream &operator<<(std::ostream &out, const WinIniCase &c) {
  return out << c.label;
}

const WinIniCase kWinIniCases[] = {
    {"name_driver_port", true, "EPSON TM-T88V Receipt,winspool,USB001", "EPSON TM-T88V Receipt"},
    {"no_comma", true, "Receipt", "Receipt"},
    {"leading_comma", true, ",winspool,LPT1:", ""},
    {"empty_entry", true, "", ""},
    {"no_entry", false, "", ""},
    {"longer_than_buffer", true, std::string(1500, 'P') + ",drv,LPT1:", std::string(1023, 'P')},
    {"comma_just_inside_buffer", true, std::string(1022, 'Q') + ",drv", std::string(1022, 'Q')},
};

class WinIniLookupTest : public CoreTest, public ::testing::WithParamInterface<WinIniCase> {};

TEST_P(WinIniLookupTest, NameIsTheEntryUpToItsFirstComma) {
  const WinIniCase &c = GetParam();
  UseNt4(fp);
  if (c.hasEntry) fp.winIni["WINDOWS/DEVICE"] = c.entry;
  fp.defaultPrinter = "Spooler's printer";  // must not be asked
  g_Print.PrinterName = kStaleName;

  EXPECT_EQ(Print_GetDefaultPrinter(), c.name);
  EXPECT_EQ(g_Print.PrinterName, c.name);

  std::vector<fake::Call> reads = fp.CallsNamed("GetPrivateProfileStringA");
  ASSERT_EQ(reads.size(), 1u);
  ASSERT_EQ(reads[0].args.size(), 6u);
  EXPECT_EQ(reads[0].args[0], "\"WINDOWS\"");
  EXPECT_EQ(reads[0].args[1], "\"DEVICE\"");
  EXPECT_EQ(reads[0].args[2], "\"\"");
  EXPECT_EQ(reads[0].args[4], "1024");
  EXPECT_EQ(reads[0].args[5], "\"Win.Ini\"");
  EXPECT_EQ(fp.CountOf("LoadLibraryA"), 0);
}

INSTANTIATE_TEST_SUITE_P(Entries, WinIniLookupTest, ::testing::ValuesIn(kWinIniCases),
                         [](const auto &info) { return std::string(info.param.label); });

// ---- Which way each generation takes ---------------------------------------

struct WayCase {
  const char *label;
  DWORD platform;
  DWORD major;
  DWORD minor;
  bool firstOk;
  bool winIni;
};

TEST(DefaultPrinterWayTest, WinIniBelowWindows2000AndTheSpoolerFromThenOn) {
  const WayCase cases[] = {
      {"nt3_51 (5)", VER_PLATFORM_WIN32_NT, 3, 51, true, true},
      {"win95 (10)", VER_PLATFORM_WIN32_WINDOWS, 4, 0, true, true},
      {"nt4 (20)", VER_PLATFORM_WIN32_NT, 4, 0, true, true},
      {"win98 (30)", VER_PLATFORM_WIN32_WINDOWS, 4, 10, true, true},
      {"winme (40)", VER_PLATFORM_WIN32_WINDOWS, 4, 90, true, true},
      {"win2000 (50)", VER_PLATFORM_WIN32_NT, 5, 0, true, false},
      {"xp (60)", VER_PLATFORM_WIN32_NT, 5, 1, true, false},
      {"win7 (80)", VER_PLATFORM_WIN32_NT, 6, 1, true, false},
      {"win8_1 (200)", VER_PLATFORM_WIN32_NT, 6, 3, true, false},
      {"unknown 9x minor (200)", VER_PLATFORM_WIN32_WINDOWS, 4, 3, true, false},
      {"no version report (200)", VER_PLATFORM_WIN32_NT, 6, 1, false, false},
  };
  for (const WayCase &c : cases) {
    ResetCoreState();
    fake::Platform fp;
    fp.version.platformId = c.platform;
    fp.version.major = c.major;
    fp.version.minor = c.minor;
    fp.version.firstOk = c.firstOk;
    fp.winIni["WINDOWS/DEVICE"] = "Ini Printer,drv,LPT1:";
    fp.AddPrinter("Spooler Printer");
    fp.defaultPrinter = "Spooler Printer";

    const std::string name = Print_GetDefaultPrinter();

    EXPECT_EQ(name, c.winIni ? "Ini Printer" : "Spooler Printer") << c.label;
    EXPECT_EQ(fp.CountOf("GetPrivateProfileStringA"), c.winIni ? 1 : 0) << c.label;
    EXPECT_EQ(fp.CountOf("LoadLibraryA"), c.winIni ? 0 : 1) << c.label;
    EXPECT_EQ(fp.LoadedModules(), 0) << c.label;
  }
  ResetCoreState();
}

// ---- The spooler way --------------------------------------------------------

// What GetDefaultPrinterA found at its entry: the count it was told and the
// text of the buffer it was offered (null: no buffer).
struct DefaultPrinterEntry {
  bool hasBuffer;
  std::string buffer;
  DWORD size;
};

std::vector<DefaultPrinterEntry> *g_entries = nullptr;

BOOL DK_WINAPI WatchedGetDefaultPrinterA(LPSTR buffer, LPDWORD size) {
  g_entries->push_back({buffer != nullptr, buffer != nullptr ? std::string(buffer) : "",
                        size != nullptr ? *size : 0});
  return fake::FakeGetDefaultPrinterA(buffer, size);
}

FARPROC WatchedGetProcAddress(HMODULE module, LPCSTR name) {
  FARPROC found = fake::Platform::Table()->GetProcAddress(module, name);
  // Through the generic function type, which any function pointer may take.
  return found != nullptr
             ? reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&WatchedGetDefaultPrinterA))
             : nullptr;
}

// Hands the core a GetDefaultPrinterA that notes its arguments, then
// forwards to the fake's.
class SpoolerLookupTest : public CoreTest {
 protected:
  SpoolerLookupTest() {
    g_entries = &entries;
    fp.AddPrinter("Receipt");
    fp.defaultPrinter = "Receipt";
    g_Print.PrinterName = kStaleName;
  }
  ~SpoolerLookupTest() override { g_entries = nullptr; }

  OverriddenPlatform overrides{
      [](PlatformApi &api) { api.GetProcAddress = &WatchedGetProcAddress; }};
  std::vector<DefaultPrinterEntry> entries;
};

TEST_F(SpoolerLookupTest, TwoCallsWithABufferOfTwoMoreThanTheCountTold) {
  EXPECT_EQ(Print_GetDefaultPrinter(), "Receipt");
  EXPECT_EQ(g_Print.PrinterName, "Receipt");

  ASSERT_EQ(entries.size(), 2u);
  EXPECT_FALSE(entries[0].hasBuffer);
  EXPECT_EQ(entries[0].size, 0u);
  // "Receipt" needs 8 characters with its zero: the buffer holds 10 blanks
  // and a zero, while the call is told 8.
  ASSERT_TRUE(entries[1].hasBuffer);
  EXPECT_EQ(entries[1].size, 8u);
  EXPECT_EQ(entries[1].buffer, std::string(10, ' '));

  EXPECT_EQ(fp.CallTexts(), (std::vector<std::string>{
                                "GetVersionExA(ptr)",
                                "GetVersionExA(ptr)",
                                "LoadLibraryA(\"WINSPOOL.DRV\")",
                                "GetProcAddress(0x7001,\"GetDefaultPrinterA\")",
                                "GetDefaultPrinterA(null,ptr)",
                                "GetLastError()",
                                "GetDefaultPrinterA(ptr,ptr)",
                                "FreeLibrary(0x7001)",
                            }));
  EXPECT_EQ(fp.LoadedModules(), 0);
}

TEST_F(SpoolerLookupTest, LongestTrustedNameAndOneCountTooMany) {
  // A count of 32768 characters is taken; one more is not trusted.
  fp.defaultPrinter = std::string(32767, 'N');
  EXPECT_EQ(Print_GetDefaultPrinter(), fp.defaultPrinter);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].size, 32768u);

  entries.clear();
  fp.defaultPrinter = std::string(32768, 'N');
  EXPECT_EQ(Print_GetDefaultPrinter(), "");
  EXPECT_EQ(g_Print.PrinterName, "");
  EXPECT_EQ(entries.size(), 1u);
  EXPECT_EQ(fp.LoadedModules(), 0);
}

struct SpoolerFailure {
  const char *label;
  void (*arrange)(fake::Platform &fp);
  int getDefaultCalls;
  int freeLibraryCalls;
};

std::ostream &operator<<(std::ostream &out, const SpoolerFailure &c) {
  return out << c.label;
}

const SpoolerFailure kSpoolerFailures[] = {
    {"module_not_loadable", [](fake::Platform &fp) { fp.spoolerModuleLoadable = false; }, 0, 0},
    {"no_function", [](fake::Platform &fp) { fp.hasGetDefaultPrinter = false; }, 0, 1},
    {"no_default_printer", [](fake::Platform &fp) { fp.defaultPrinter = ""; }, 1, 1},
    {"first_call_other_error",
     [](fake::Platform &fp) { fp.FailCall("GetDefaultPrinterA", 1, false, ERROR_ACCESS_DENIED); },
     1, 1},
    {"first_call_succeeds_without_buffer",
     [](fake::Platform &fp) {
       fp.Script("GetDefaultPrinterA", {1, ERROR_INSUFFICIENT_BUFFER});
     },
     1, 1},
    {"second_call_no_printer",
     [](fake::Platform &fp) { fp.FailCall("GetDefaultPrinterA", 2, false, ERROR_FILE_NOT_FOUND); },
     2, 1},
    {"second_call_other_error",
     [](fake::Platform &fp) {
       fp.FailCall("GetDefaultPrinterA", 2, false, ERROR_INVALID_PARAMETER);
     },
     2, 1},
    {"second_call_buffer_too_small_again",
     [](fake::Platform &fp) {
       fp.FailCall("GetDefaultPrinterA", 2, false, ERROR_INSUFFICIENT_BUFFER);
     },
     2, 1},
};

class SpoolerFailureTest : public SpoolerLookupTest,
                           public ::testing::WithParamInterface<SpoolerFailure> {};

TEST_P(SpoolerFailureTest, GivesTheEmptyNameAndFreesTheModule) {
  const SpoolerFailure &c = GetParam();
  c.arrange(fp);

  EXPECT_EQ(Print_GetDefaultPrinter(), "");
  EXPECT_EQ(g_Print.PrinterName, "");
  EXPECT_EQ(static_cast<int>(entries.size()), c.getDefaultCalls);
  EXPECT_EQ(fp.CountOf("FreeLibrary"), c.freeLibraryCalls);
  EXPECT_EQ(fp.LoadedModules(), 0);
  EXPECT_EQ(fp.CountOf("GetPrivateProfileStringA"), 0);
  EXPECT_TRUE(fp.Violations().empty());
}

INSTANTIATE_TEST_SUITE_P(Failures, SpoolerFailureTest, ::testing::ValuesIn(kSpoolerFailures),
                         [](const auto &info) { return std::string(info.param.label); });

TEST_F(SpoolerLookupTest, ANameFoundEarlierNeverSurvivesALaterLookup) {
  EXPECT_EQ(Print_GetDefaultPrinter(), "Receipt");
  fp.defaultPrinter = "";
  EXPECT_EQ(Print_GetDefaultPrinter(), "");
  EXPECT_EQ(g_Print.PrinterName, "");
  fp.defaultPrinter = "Kitchen";
  fp.AddPrinter("Kitchen");
  EXPECT_EQ(Print_GetDefaultPrinter(), "Kitchen");
  EXPECT_EQ(g_Print.PrinterName, "Kitchen");
}

}  // namespace
