// Opening a printer: the defaults record, the driver name, the DEVMODE cache
// and what a second opening does with the first one's handles.
#include "printer/open_printer.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "printer/print_state.h"
#include "printer/raw_job.h"
#include "tests/unit/support/fixture.h"

namespace {

// A handle as the fake's call texts show it.
std::string CallHex(const void *handle) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%" PRIxPTR, reinterpret_cast<uintptr_t>(handle));
  return text;
}

class OpenPrinterTest : public CoreTest {
 protected:
  OpenPrinterTest() {
    fp.AddPrinter("Receipt");
    fp.AddPrinter("Kitchen");
    fp.defaultPrinter = "Receipt";
    Print_Init();
  }

  // The DEVMODE the last CreateDCA was given.
  DEVMODEA DcDevmode() const {
    DEVMODEA devmode;
    std::memset(&devmode, 0, sizeof devmode);
    const std::vector<BYTE> bytes = fp.LastCreateDcDevmode();
    EXPECT_GE(bytes.size(), sizeof devmode);
    std::memcpy(&devmode, bytes.data(), std::min(bytes.size(), sizeof devmode));
    return devmode;
  }

  // DocumentPropertiesA calls since the last ClearCalls, by mode.
  int SizeQueries() const { return ModeCount("0"); }
  int Fills() const { return ModeCount(std::to_string(DM_OUT_BUFFER)); }
  int ModeCount(const std::string &mode) const {
    int count = 0;
    for (const fake::Call &call : fp.CallsNamed("DocumentPropertiesA")) {
      count += call.args.size() == 6 && call.args[5] == mode;
    }
    return count;
  }

  std::string DeviceName(const DEVMODEA &devmode) const {
    const char *name = reinterpret_cast<const char *>(devmode.dmDeviceName);
    return std::string(name, strnlen(name, sizeof devmode.dmDeviceName));
  }
};

TEST_F(OpenPrinterTest, AccessZeroPassesNoDefaultsRecord) {
  struct {
    DWORD access;
    const char *record;
  } cases[] = {
      {0, "null"},
      {PRINTER_ACCESS_USE, "{null,null,8}"},
      {0x000F000C, "{null,null,983052}"},
  };
  for (const auto &c : cases) {
    fp.ClearCalls();
    EXPECT_NE(Print_OpenPrinter("", "", c.access), nullptr);
    const std::vector<fake::Call> opens = fp.CallsNamed("OpenPrinterA");
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].Text(), "OpenPrinterA(\"Receipt\",ptr," + std::string(c.record) + ")");
    Print_Release();
  }
}

TEST_F(OpenPrinterTest, DriverNameFollowsBits16To23OfTheVersionWord) {
  struct {
    DWORD word;
    const char *driver;
  } cases[] = {
      {0x1DB10106, "\"WINSPOOL\""},  // Windows 7 SP1, build 7601
      {0x00010000, "\"WINSPOOL\""}, {0x00800000, "\"WINSPOOL\""},
      {0x80000004, "\"\""},  // Windows 95: the high word holds no build byte
      {0xFF00FFFF, "\"\""},         {0x00000000, "\"\""},
  };
  for (const auto &c : cases) {
    fp.version.versionWord = c.word;
    fp.ClearCalls();
    EXPECT_NE(Print_OpenPrinter(), nullptr);
    const std::vector<fake::Call> creates = fp.CallsNamed("CreateDCA");
    ASSERT_EQ(creates.size(), 1u);
    ASSERT_EQ(creates[0].args.size(), 4u);
    EXPECT_EQ(creates[0].args[0], c.driver) << std::hex << c.word;
    EXPECT_EQ(creates[0].args[1], "\"Receipt\"");
    EXPECT_EQ(creates[0].args[2], "null");
    Print_Release();
  }
}

// ---- The DEVMODE cache -------------------------------------------------------

TEST_F(OpenPrinterTest, SameSizeIsReusedWithoutAskingTheDriverAgain) {
  ASSERT_NE(Print_OpenPrinter(), nullptr);
  EXPECT_EQ(SizeQueries(), 1);
  EXPECT_EQ(Fills(), 1);
  const BYTE *cached = g_Print.DevMode;
  Print_Release();
  EXPECT_EQ(g_Print.DevMode, cached);  // the release keeps it

  fp.ClearCalls();
  ASSERT_NE(Print_OpenPrinter(), nullptr);
  EXPECT_EQ(SizeQueries(), 1);
  EXPECT_EQ(Fills(), 0);
  EXPECT_EQ(g_Print.DevMode, cached);
  EXPECT_TRUE(fp.LastCreateDcHadDevmode());
  EXPECT_EQ(DeviceName(DcDevmode()), "Receipt");
}

TEST_F(OpenPrinterTest, SettingsStayInEffectWhileTheBufferIsReused) {
  ASSERT_NE(Print_OpenPrinter("", "COPIES=3,ORIENTATION=2"), nullptr);
  EXPECT_EQ(DcDevmode().dmCopies, 3);
  Print_Release();

  ASSERT_NE(Print_OpenPrinter(), nullptr);
  const DEVMODEA devmode = DcDevmode();
  EXPECT_EQ(devmode.dmCopies, 3);
  EXPECT_EQ(devmode.dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(devmode.dmFields & (DM_COPIES | DM_ORIENTATION), DM_COPIES | DM_ORIENTATION);
  Print_Release();
}

TEST_F(OpenPrinterTest, DifferentSizeIsRefilledFromTheDriver) {
  ASSERT_NE(Print_OpenPrinter("", "COPIES=3"), nullptr);
  Print_Release();

  fp.printers["Receipt"].devmodeSize = sizeof(DEVMODEA) + 100;
  fp.printers["Receipt"].devmode.clear();  // the driver makes one of the new size
  fp.ClearCalls();
  ASSERT_NE(Print_OpenPrinter(), nullptr);
  EXPECT_EQ(SizeQueries(), 1);
  EXPECT_EQ(Fills(), 1);
  EXPECT_EQ(g_Print.DevModeSize, static_cast<LONG>(sizeof(DEVMODEA) + 100));
  EXPECT_EQ(fp.LastCreateDcDevmode().size(), sizeof(DEVMODEA) + 100);
  EXPECT_EQ(DcDevmode().dmCopies, 1);  // the driver's own value; the settings are gone
  Print_Release();
}

TEST_F(OpenPrinterTest, AnotherPrinterIsRefilledEvenAtTheSameSize) {
  ASSERT_NE(Print_OpenPrinter("", "COPIES=3"), nullptr);
  Print_Release();

  fp.defaultPrinter = "Kitchen";
  fp.ClearCalls();
  ASSERT_NE(Print_OpenPrinter(), nullptr);
  EXPECT_EQ(Fills(), 1);
  const DEVMODEA devmode = DcDevmode();
  EXPECT_EQ(DeviceName(devmode), "Kitchen");
  EXPECT_EQ(devmode.dmCopies, 1);
  EXPECT_EQ(fp.CallsNamed("CreateDCA").at(0).args.at(1), "\"Kitchen\"");
  Print_Release();

  // And back: the first printer's driver is asked again.
  fp.defaultPrinter = "Receipt";
  fp.ClearCalls();
  ASSERT_NE(Print_OpenPrinter(), nullptr);
  EXPECT_EQ(Fills(), 1);
  EXPECT_EQ(DeviceName(DcDevmode()), "Receipt");
  Print_Release();
}

void *NoMemory(size_t, size_t) {
  return nullptr;
}

struct NoBufferCase {
  const char *label;
  void (*arrange)(fake::Platform &fp);
  LONG reportedSize;
};

std::ostream &operator<<(std::ostream &out, const NoBufferCase &c) {
  return out << c.label;
}

const NoBufferCase kNoBufferCases[] = {
    {"size_zero", [](fake::Platform &fp) { fp.printers["Receipt"].devmodeSize = 0; }, 0},
    {"size_query_fails",
     [](fake::Platform &fp) {
       fp.Script("DocumentPropertiesA", {-1, 0});
     },
     -1},
    {"no_memory", [](fake::Platform &) { Print_Calloc = &NoMemory; },
     static_cast<LONG>(sizeof(DEVMODEA))},
};

class NoDevmodeBufferTest : public OpenPrinterTest,
                            public ::testing::WithParamInterface<NoBufferCase> {};

TEST_P(NoDevmodeBufferTest, SkipsTheFillAndCreatesTheContextWithoutDevmode) {
  const NoBufferCase &c = GetParam();
  c.arrange(fp);

  // Settings with nothing to write to are skipped, not written through null.
  EXPECT_NE(Print_OpenPrinter("", "COPIES=2"), nullptr);
  EXPECT_EQ(SizeQueries(), 1);
  EXPECT_EQ(Fills(), 0);
  EXPECT_EQ(g_Print.DevMode, nullptr);
  EXPECT_EQ(g_Print.DevModeSize, c.reportedSize);
  ASSERT_EQ(fp.CountOf("CreateDCA"), 1);
  EXPECT_FALSE(fp.LastCreateDcHadDevmode());
  EXPECT_EQ(fp.CallsNamed("CreateDCA")[0].args.at(3), "null");
  EXPECT_TRUE(fp.Violations().empty());
  Print_Release();

  // The next opening finds no buffer and tries again.
  fp.printers["Receipt"].devmodeSize = sizeof(DEVMODEA);
  Print_Calloc = std::calloc;
  fp.ClearCalls();
  EXPECT_NE(Print_OpenPrinter(), nullptr);
  EXPECT_EQ(Fills(), 1);
  EXPECT_NE(g_Print.DevMode, nullptr);
  EXPECT_TRUE(fp.LastCreateDcHadDevmode());
  Print_Release();
}

INSTANTIATE_TEST_SUITE_P(Causes, NoDevmodeBufferTest, ::testing::ValuesIn(kNoBufferCases),
                         [](const auto &info) { return std::string(info.param.label); });

// ---- Names and reopening ---------------------------------------------------

TEST_F(OpenPrinterTest, GivenNameIsUsedWithoutALookup) {
  EXPECT_NE(Print_OpenPrinter("Kitchen"), nullptr);
  EXPECT_EQ(fp.CountOf("LoadLibraryA"), 0);
  EXPECT_EQ(g_Print.PrinterName, "Kitchen");
  Print_Release();

  // The library's own name, passed back in, is copied before it changes.
  fp.ClearCalls();
  EXPECT_NE(Print_OpenPrinter(g_Print.PrinterName.c_str()), nullptr);
  EXPECT_EQ(fp.CallsNamed("OpenPrinterA").at(0).args.at(0), "\"Kitchen\"");
  Print_Release();

  // A name nobody has: the spooler refuses it, nothing else is made.
  fp.ClearCalls();
  EXPECT_EQ(Print_OpenPrinter("Nowhere"), nullptr);
  EXPECT_EQ(g_Print.PrinterName, "Nowhere");
  EXPECT_EQ(fp.CountOf("DocumentPropertiesA"), 0);
  EXPECT_EQ(fp.CountOf("CreateDCA"), 0);
}

TEST_F(OpenPrinterTest, EmptyNameLooksTheDefaultUpEveryTime) {
  EXPECT_NE(Print_OpenPrinter(), nullptr);
  Print_Release();
  fp.defaultPrinter = "Kitchen";
  EXPECT_NE(Print_OpenPrinter(), nullptr);
  EXPECT_EQ(g_Print.PrinterName, "Kitchen");
  EXPECT_EQ(fp.CountOf("LoadLibraryA"), 2);
  Print_Release();
}

TEST_F(OpenPrinterTest, SecondOpeningClosesTheFirstBeforeOpeningAgain) {
  HDC firstDc = Print_OpenPrinter();
  ASSERT_NE(firstDc, nullptr);
  HANDLE firstPrinter = g_Print.Vantrel_PH;
  fp.ClearCalls();

  HDC secondDc = Print_OpenPrinter();
  ASSERT_NE(secondDc, nullptr);
  EXPECT_NE(secondDc, firstDc);

  const std::vector<std::string> names = fp.CallNames();
  const auto at = [&](const std::string &name) {
    return std::find(names.begin(), names.end(), name) - names.begin();
  };
  // The header is composed (its version query made) before anything is
  // closed, and the device context goes before the printer it was made for.
  EXPECT_LT(at("GetVersionExA"), at("DeleteDC"));
  EXPECT_LT(at("DeleteDC"), at("ClosePrinter"));
  EXPECT_LT(at("ClosePrinter"), at("OpenPrinterA"));
  EXPECT_EQ(fp.CallsNamed("DeleteDC").at(0).args.at(0), CallHex(firstDc));
  EXPECT_EQ(fp.CallsNamed("ClosePrinter").at(0).args.at(0), CallHex(firstPrinter));
  EXPECT_EQ(fp.OpenPrinters(), 1);
  EXPECT_EQ(fp.LiveDCs(), 1);
  EXPECT_EQ(fp.LivePens(), 1);
  EXPECT_EQ(fp.LiveBrushes(), 1);

  Print_Release();
  EXPECT_EQ(fp.LiveSummary(), "printers=0 dcs=0 pens=0 brushes=0 files=0 modules=0");
  EXPECT_TRUE(fp.Violations().empty());
}

TEST_F(OpenPrinterTest, EveryOpeningTracesTheHeaderIntoTheOpenFile) {
  fp.defaultPrinter = "";
  Print_SetTrace(1);
  EXPECT_EQ(Print_OpenPrinter(), nullptr);
  EXPECT_EQ(Print_OpenPrinter(), nullptr);
  Print_Release();

  ASSERT_EQ(fp.files.size(), 1u);
  const std::string once =
      "Vantrel Version V1.10\r\nKorvane Version 520\r\nWindows_7\r\n"
      "Printer : \r\nOpenPrinter_()=0\r\n";
  EXPECT_EQ(fp.files.begin()->second.bytes, once + once);
  // The empty name still goes to the spooler.
  EXPECT_EQ(fp.CallsNamed("OpenPrinterA").at(0).args.at(0), "\"\"");
}

}  // namespace
