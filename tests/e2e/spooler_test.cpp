// The posix backend's spooler and device-context calls against a private
// cupsd: the default-printer protocol, opening, DEVMODEs, device contexts,
// RAW jobs, output files, cancelled documents and a stopped scheduler.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "harness/command.h"
#include "harness/private_cups.h"
#include "platform/posix/gdi_calls.h"
#include "platform/posix/last_error.h"
#include "platform/posix/module_calls.h"
#include "platform/posix/spooler_calls.h"
#include "tests/support/ticket.h"

namespace {

using std::chrono::milliseconds;
using winapi::DWORD;
using winapi::HANDLE;

class SpoolerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (geteuid() != 0) return;
    served_ = std::make_unique<PrivateCups>();
    if (!served_->Start() || !served_->AddRawQueue("Receipts", true) ||
        !served_->AddRawQueue("AVeryLongQueueNameForTheDeviceField", false)) {
      served_.reset();
    }
  }
  static void TearDownTestSuite() { served_.reset(); }

  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "the private cupsd needs root";
    ASSERT_NE(served_, nullptr) << "the private cupsd did not start";
    UseServer(*served_);
  }

  // Points libcups, as the program would find it, at a server's socket.
  static void UseServer(const PrivateCups &cups) {
    setenv("CUPS_SERVER", cups.Socket().c_str(), 1);
    setenv("CUPS_SERVERROOT", cups.Folder().c_str(), 1);  // no lpoptions of the machine's
    setenv("HOME", cups.Folder().c_str(), 1);
    unsetenv("LPDEST");
    unsetenv("PRINTER");
    cupsSetServer(nullptr);  // read CUPS_SERVER again
  }

  static HANDLE Open(const char *name) {
    HANDLE printer = nullptr;
    std::string copy = name;
    EXPECT_TRUE(dkposix::OpenPrinterA(copy.data(), &printer, nullptr)) << name;
    return printer;
  }

  // One document through the RAW path, written in pieces.
  static DWORD Print(HANDLE printer, const std::string &bytes, const char *outputFile = nullptr) {
    char name[] = "EPOS", type[] = "RAW";
    std::string output = outputFile != nullptr ? outputFile : "";
    winapi::DOC_INFO_1A info{name, outputFile != nullptr ? output.data() : nullptr, type};
    DWORD job = dkposix::StartDocPrinterA(printer, 1, reinterpret_cast<winapi::LPBYTE>(&info));
    EXPECT_NE(job, 0u);
    EXPECT_TRUE(dkposix::StartPagePrinter(printer));
    for (size_t at = 0; at < bytes.size(); at += 10) {
      std::string piece = bytes.substr(at, 10);
      DWORD written = 0;
      EXPECT_TRUE(dkposix::WritePrinter(printer, piece.data(), piece.size(), &written));
      EXPECT_EQ(written, piece.size());
    }
    EXPECT_TRUE(dkposix::EndPagePrinter(printer));
    EXPECT_TRUE(dkposix::EndDocPrinter(printer));
    return job;
  }

  static std::unique_ptr<PrivateCups> served_;
};

std::unique_ptr<PrivateCups> SpoolerTest::served_;

TEST_F(SpoolerTest, DefaultPrinterFollowsTheTwoCallProtocol) {
  DWORD size = 0;
  dkposix::SetLastError(0);
  EXPECT_FALSE(dkposix::GetDefaultPrinterA(nullptr, &size));
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, sizeof "Receipts");  // with its terminating zero

  char small[4];
  size = sizeof small;
  EXPECT_FALSE(dkposix::GetDefaultPrinterA(small, &size));
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, sizeof "Receipts");

  char name[64];
  size = sizeof name;
  EXPECT_TRUE(dkposix::GetDefaultPrinterA(name, &size));
  EXPECT_STREQ(name, "Receipts");
  EXPECT_EQ(size, sizeof "Receipts");
}

TEST_F(SpoolerTest, DefaultPrinterIsFoundThroughTheSpoolerModule) {
  winapi::HMODULE module = dkposix::LoadLibraryA("WINSPOOL.DRV");
  ASSERT_NE(module, nullptr);
  auto getDefault = reinterpret_cast<winapi::GETDEFAULTPRINTERA>(
      reinterpret_cast<void (*)()>(dkposix::GetProcAddress(module, "GetDefaultPrinterA")));
  ASSERT_NE(getDefault, nullptr);
  char name[64];
  DWORD size = sizeof name;
  EXPECT_TRUE(getDefault(name, &size));
  EXPECT_STREQ(name, "Receipts");
  EXPECT_TRUE(dkposix::FreeLibrary(module));
}

TEST_F(SpoolerTest, UnknownOrEmptyPrinterNamesDoNotOpen) {
  for (const char *name : {"NoSuchQueue", "", "/instance"}) {
    std::string copy = name;
    HANDLE printer = reinterpret_cast<HANDLE>(1);
    EXPECT_FALSE(dkposix::OpenPrinterA(copy.data(), &printer, nullptr)) << name;
    EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_INVALID_PRINTER_NAME) << name;
    EXPECT_EQ(printer, nullptr);
  }
  EXPECT_FALSE(dkposix::OpenPrinterA(nullptr, nullptr, nullptr));
}

TEST_F(SpoolerTest, DocumentPropertiesGiveAFilledDevModeTheDcAccepts) {
  HANDLE printer = Open("AVeryLongQueueNameForTheDeviceField");
  ASSERT_NE(printer, nullptr);
  char name[] = "AVeryLongQueueNameForTheDeviceField";
  EXPECT_EQ(dkposix::DocumentPropertiesA(nullptr, printer, name, nullptr, nullptr, 0), 156);
  winapi::DEVMODEA mode;
  std::memset(&mode, 0xCC, sizeof mode);
  EXPECT_EQ(
      dkposix::DocumentPropertiesA(nullptr, printer, name, &mode, nullptr, winapi::DM_OUT_BUFFER),
      1);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(mode.dmDeviceName)),
            std::string(name).substr(0, 31));
  EXPECT_EQ(mode.dmSize, 156);
  EXPECT_EQ(mode.dmDriverExtra, 0);
  EXPECT_EQ(mode.dmSpecVersion, winapi::DM_SPECVERSION);
  ASSERT_TRUE(mode.dmFields & winapi::DM_COPIES);  // a raw queue reports copies-default
  EXPECT_EQ(mode.dmCopies, 1);

  winapi::HDC dc = dkposix::CreateDCA("WINSPOOL", name, nullptr, &mode);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dkposix::GetDeviceCaps(dc, winapi::LOGPIXELSX), dkposix::kFallbackDpi);
  EXPECT_TRUE(dkposix::DeleteDC(dc));
  EXPECT_TRUE(dkposix::ClosePrinter(printer));
  EXPECT_FALSE(dkposix::ClosePrinter(printer));
  EXPECT_EQ(dkposix::DocumentPropertiesA(nullptr, printer, name, nullptr, nullptr, 0), -1);
}

TEST_F(SpoolerTest, DeviceContextsNeedAKnownDestination) {
  EXPECT_EQ(dkposix::CreateDCA("", "NoSuchQueue", nullptr, nullptr), nullptr);
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_INVALID_PRINTER_NAME);
  EXPECT_EQ(dkposix::CreateDCA("DISPLAY", nullptr, nullptr, nullptr), nullptr);
  winapi::DEVMODEA mode{};
  mode.dmFields = winapi::DM_PRINTQUALITY;
  mode.dmPrintQuality = 300;
  winapi::HDC dc = dkposix::CreateDCA("", "Receipts", nullptr, &mode);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dkposix::GetDeviceCaps(dc, winapi::LOGPIXELSX), 300);
  EXPECT_TRUE(dkposix::DeleteDC(dc));
}

TEST_F(SpoolerTest, RawDocumentBecomesOneCompletedJobWithItsExactBytes) {
  size_t before = served_->CompletedJobCount();
  HANDLE printer = Open("Receipts");
  ASSERT_NE(printer, nullptr);
  DWORD job = Print(printer, TicketBytes());
  EXPECT_TRUE(dkposix::ClosePrinter(printer));
  ASSERT_TRUE(
      WaitUntil([&] { return served_->CompletedJobCount() == before + 1; }, milliseconds(5000)));
  std::vector<CompletedJob> jobs = served_->CompletedJobs();
  ASSERT_FALSE(jobs.empty());
  EXPECT_EQ(jobs.back().id, static_cast<int>(job));
  EXPECT_EQ(jobs.back().name, "EPOS");
  EXPECT_EQ(jobs.back().document, TicketBytes());
}

TEST_F(SpoolerTest, OutputFileTakesTheBytesInsteadOfTheSpooler) {
  size_t before = served_->CompletedJobCount();
  std::string path = served_->Folder() + "/ticket.bin";
  HANDLE printer = Open("Receipts");
  Print(printer, TicketBytes(), path.c_str());
  EXPECT_TRUE(dkposix::ClosePrinter(printer));
  std::ifstream file(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), TicketBytes());
  EXPECT_EQ(served_->CompletedJobCount(), before);
}

TEST_F(SpoolerTest, ClosingWithADocumentOpenCancelsItsJob) {
  HANDLE printer = Open("Receipts");
  char name[] = "EPOS", type[] = "raw";
  winapi::DOC_INFO_1A info{name, nullptr, type};
  ASSERT_NE(dkposix::StartDocPrinterA(printer, 1, reinterpret_cast<winapi::LPBYTE>(&info)), 0u);
  DWORD written = 0;
  EXPECT_TRUE(dkposix::WritePrinter(printer, const_cast<char *>("half"), 4, &written));
  EXPECT_EQ(dkposix::StartDocPrinterA(printer, 1, reinterpret_cast<winapi::LPBYTE>(&info)), 0u);
  EXPECT_EQ(dkposix::GetLastError(), dkposix::kErrorInvalidPrinterState);
  EXPECT_TRUE(dkposix::ClosePrinter(printer));
  EXPECT_TRUE(WaitUntil([&] { return served_->NotCompletedJobs().empty(); }, milliseconds(5000)))
      << served_->NotCompletedJobs();
}

TEST_F(SpoolerTest, JobCallsOutOfOrderOrWithBadArgumentsFail) {
  HANDLE printer = Open("Receipts");
  DWORD written = 7;
  EXPECT_FALSE(dkposix::WritePrinter(printer, const_cast<char *>("x"), 1, &written));
  EXPECT_EQ(written, 0u);
  EXPECT_FALSE(dkposix::EndDocPrinter(printer));
  char name[] = "EPOS", type[] = "NT EMF 1.008";
  winapi::DOC_INFO_1A info{name, nullptr, type};
  EXPECT_EQ(dkposix::StartDocPrinterA(printer, 1, reinterpret_cast<winapi::LPBYTE>(&info)), 0u);
  EXPECT_EQ(dkposix::GetLastError(), dkposix::kErrorInvalidDatatype);
  EXPECT_EQ(dkposix::StartDocPrinterA(printer, 2, reinterpret_cast<winapi::LPBYTE>(&info)), 0u);
  EXPECT_EQ(dkposix::StartDocPrinterA(printer, 1, nullptr), 0u);
  EXPECT_TRUE(dkposix::ClosePrinter(printer));
  EXPECT_EQ(dkposix::StartDocPrinterA(printer, 1, reinterpret_cast<winapi::LPBYTE>(&info)), 0u);
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_INVALID_HANDLE);
}

// A printer's defaults are its current ones: a change of its configuration
// shows in the next DEVMODE and device context, even one made just before.
TEST_F(SpoolerTest, APrinterConfigurationChangedBetweenOpeningsIsSeen) {
  PrivateCups cups;
  ASSERT_TRUE(cups.Start());
  ASSERT_TRUE(cups.AddRawQueue("Receipts", true));
  UseServer(cups);
  struct Seen {
    int dpi = -1;
    winapi::SHORT paper = 0;
  };
  auto anOpening = [] {
    Seen seen;
    HANDLE printer = Open("Receipts");
    char name[] = "Receipts";
    winapi::DEVMODEA mode{};
    EXPECT_EQ(
        dkposix::DocumentPropertiesA(nullptr, printer, name, &mode, nullptr, winapi::DM_OUT_BUFFER),
        1);
    if (mode.dmFields & winapi::DM_PAPERSIZE) seen.paper = mode.dmPaperSize;
    winapi::HDC dc = dkposix::CreateDCA("", name, nullptr, nullptr);
    if (dc != nullptr) seen.dpi = dkposix::GetDeviceCaps(dc, winapi::LOGPIXELSX);
    EXPECT_TRUE(dkposix::DeleteDC(dc));
    EXPECT_TRUE(dkposix::ClosePrinter(printer));
    return seen;
  };
  Seen first = anOpening();
  EXPECT_EQ(first.dpi, dkposix::kFallbackDpi);  // a raw queue reports neither
  EXPECT_EQ(first.paper, 0);
  struct Change {
    int dpi;
    const char *media;
    winapi::SHORT paper;
  };
  for (const Change &change : {Change{300, "iso_a4_210x297mm", winapi::DMPAPER_A4},
                               Change{600, "na_letter_8.5x11in", winapi::DMPAPER_LETTER},
                               Change{180, "iso_a5_148x210mm", winapi::DMPAPER_A5}}) {
    ASSERT_TRUE(cups.Admin("-p Receipts -o printer-resolution-default=" +
                           std::to_string(change.dpi) + "dpi -o media-default=" + change.media));
    for (int opening = 0; opening < 2; ++opening) {
      Seen seen = anOpening();
      EXPECT_EQ(seen.dpi, change.dpi) << change.media;
      EXPECT_EQ(seen.paper, change.paper) << change.media;
    }
  }
}

// Without a default, and with the scheduler stopped, the calls fail at once
// with the errors a Windows program expects.
TEST_F(SpoolerTest, NoDefaultAndStoppedSchedulerFailQuickly) {
  PrivateCups noDefault;
  ASSERT_TRUE(noDefault.Start());
  ASSERT_TRUE(noDefault.AddRawQueue("Receipts", false));
  UseServer(noDefault);
  DWORD size = 0;
  EXPECT_FALSE(dkposix::GetDefaultPrinterA(nullptr, &size));
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_FILE_NOT_FOUND);

  ASSERT_TRUE(noDefault.Stop());
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(dkposix::GetDefaultPrinterA(nullptr, &size));
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_FILE_NOT_FOUND);
  HANDLE printer = nullptr;
  char name[] = "Receipts";
  EXPECT_FALSE(dkposix::OpenPrinterA(name, &printer, nullptr));
  EXPECT_EQ(dkposix::CreateDCA("", name, nullptr, nullptr), nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(1000));
}

}  // namespace

namespace {

// One cycle as the program makes it: the default printer's name in two
// calls, that printer opened, its device context made. The resolution the
// context reports, or -1 when a step fails.
int DefaultCycleDpi() {
  DWORD size = 0;
  dkposix::GetDefaultPrinterA(nullptr, &size);
  std::string name(size, '\0');
  if (size == 0 || !dkposix::GetDefaultPrinterA(name.data(), &size)) return -1;
  HANDLE printer = nullptr;
  if (!dkposix::OpenPrinterA(name.data(), &printer, nullptr)) return -1;
  int dpi = -1;
  if (winapi::HDC dc = dkposix::CreateDCA("", name.c_str(), nullptr, nullptr)) {
    dpi = dkposix::GetDeviceCaps(dc, winapi::LOGPIXELSX);
    dkposix::DeleteDC(dc);
  }
  dkposix::ClosePrinter(printer);
  return dpi;
}

}  // namespace

// The device context of the default printer takes its resolution from the
// answer that named the default: changed just before a cycle, it is seen;
// the user's lpoptions and LPDEST still decide what they decide.
TEST_F(SpoolerTest, TheDefaultsAnswerGivesTheCurrentResolution) {
  PrivateCups cups;
  ASSERT_TRUE(cups.Start());
  ASSERT_TRUE(cups.AddRawQueue("Receipts", true));
  ASSERT_TRUE(cups.AddRawQueue("Kitchen", false));
  UseServer(cups);
  ASSERT_TRUE(cups.Admin("-p Kitchen -o printer-resolution-default=360dpi"));
  std::filesystem::create_directories(cups.Folder() + "/.cups");
  const std::string lpoptions = cups.Folder() + "/.cups/lpoptions";
  struct Case {
    const char *lpoptions;  // the user's file, if any
    const char *lpdest;     // LPDEST, if set
    int dpi;                // Receipts' default before the cycle
    int expected;
  };
  for (const Case &c :
       {Case{nullptr, nullptr, 300, 300}, Case{nullptr, nullptr, 600, 600},
        Case{nullptr, nullptr, 180, 180},
        Case{"Dest Receipts printer-resolution=200dpi\n", nullptr, 600, 200},
        Case{"Dest Kitchen printer-resolution=200dpi\n", nullptr, 600, 600},
        Case{"Default Kitchen\n", nullptr, 600, 360}, Case{nullptr, "Kitchen", 600, 360}}) {
    std::filesystem::remove(lpoptions);
    if (c.lpoptions != nullptr) std::ofstream(lpoptions) << c.lpoptions;
    if (c.lpdest != nullptr) setenv("LPDEST", c.lpdest, 1);
    ASSERT_TRUE(
        cups.Admin("-p Receipts -o printer-resolution-default=" + std::to_string(c.dpi) + "dpi"));
    // libcups reads HOME once per thread: each case on a thread of its own.
    int dpi = 0;
    std::thread([&] { dpi = DefaultCycleDpi(); }).join();
    EXPECT_EQ(dpi, c.expected) << (c.lpoptions ? c.lpoptions : "") << (c.lpdest ? c.lpdest : "")
                               << c.dpi;
    unsetenv("LPDEST");
  }
  std::filesystem::remove(lpoptions);
}
