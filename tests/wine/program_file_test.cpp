// The shipped Windows program file itself: a 32-bit GUI-subsystem program
// that needs no DLL beyond those of Windows, with its version resource and a
// manifest declaring the Windows versions it supports, small enough to carry.
// These checks read the file and need no Wine, so they hold on every host,
// also where only the 64-bit build can be run.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "harness/pe_image.h"
#include "harness/version_resource.h"

namespace wine_harness {
namespace {

constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kSubsystemWindowsGui = 2;
constexpr uint32_t kResourceVersion = 16;
constexpr uint32_t kResourceManifest = 24;
// Today about 0.8 MiB with both runtimes linked in; twice that would mean
// something unwanted came in (a debug build, an unstripped library).
constexpr off_t kMaximumSize = 2 * 1024 * 1024;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

class WindowsProgramFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    image_ = ReadPeImage(DK_SHIPPED_PROGRAM, error);
    ASSERT_TRUE(image_.has_value()) << error;
  }
  std::optional<PeImage> image_;
};

TEST_F(WindowsProgramFile, IsA32BitGuiProgram) {
  EXPECT_EQ(image_->machine, kMachineI386);
  EXPECT_EQ(image_->optionalMagic, 0x010B);
  EXPECT_EQ(image_->subsystem, kSubsystemWindowsGui);
}

TEST_F(WindowsProgramFile, IsSmallEnoughToCarry) {
  struct stat info {};
  ASSERT_EQ(stat(DK_SHIPPED_PROGRAM, &info), 0);
  RecordProperty("bytes", std::to_string(info.st_size));
  EXPECT_GT(info.st_size, 0);
  EXPECT_LE(info.st_size, kMaximumSize) << info.st_size << " bytes";
}

TEST_F(WindowsProgramFile, ImportsOnlyDllsOfWindowsItself) {
  // The C and C++ runtimes and winpthread are linked in; a MinGW DLL here
  // (libstdc++-6, libgcc_s_dw2-1, libwinpthread-1) would be missing on a bare
  // Windows.
  const std::set<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll", "winspool.drv",
                                        "msvcrt.dll"};
  std::set<std::string> imported;
  for (const std::string &dll : image_->importedDlls) imported.insert(Lower(dll));
  for (const std::string &dll : imported) EXPECT_TRUE(system.count(dll)) << dll;
  for (const char *needed : {"kernel32.dll", "user32.dll", "gdi32.dll", "winspool.drv"})
    EXPECT_TRUE(imported.count(needed)) << needed << " is not imported";
}

TEST_F(WindowsProgramFile, CarriesItsVersion) {
  const std::optional<std::string> resource = image_->Resource(kResourceVersion);
  ASSERT_TRUE(resource.has_value()) << "no version resource";
  const std::optional<VersionInfo> version = ReadVersionInfo(*resource);
  ASSERT_TRUE(version.has_value()) << "malformed version resource";
  // The four numbers and the text of the build's version (cmake/Version.cmake).
  const uint32_t ms = (uint32_t{DK_VERSION_MAJOR} << 16) | DK_VERSION_MINOR;
  const uint32_t ls = (uint32_t{DK_VERSION_PATCH} << 16) | DK_VERSION_BUILD;
  EXPECT_EQ(version->fileVersionMs, ms);
  EXPECT_EQ(version->fileVersionLs, ls);
  EXPECT_EQ(version->productVersionMs, ms);
  EXPECT_EQ(version->productVersionLs, ls);
  EXPECT_EQ(version->fileType, 1u) << "not marked as an application";
  EXPECT_EQ(version->strings.at("ProductName"), "drawer-kick-test");
  EXPECT_EQ(version->strings.at("FileVersion"), DK_VERSION);
  EXPECT_EQ(version->strings.at("ProductVersion"), DK_VERSION);
  EXPECT_FALSE(version->strings.at("FileDescription").empty());
}

TEST_F(WindowsProgramFile, DeclaresSupportedWindowsUpTo10) {
  const std::optional<std::string> manifest = image_->Resource(kResourceManifest);
  ASSERT_TRUE(manifest.has_value()) << "no application manifest";
  // Without the Windows 10 entry, GetVersionEx reports 6.2 on Windows 8.1 and later.
  for (const char *id : {"e2011457-1546-43c5-a5fe-008deee3d3f0",     // Vista
                         "35138b9a-5d96-4fbd-8e2d-a2440225f93a",     // 7
                         "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",     // 8
                         "1f676c76-80e1-4239-95bb-83d0f6d0da78",     // 8.1
                         "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {  // 10 and 11
    EXPECT_NE(Lower(*manifest).find(std::string("<supportedos id=\"{") + id + "}\"/>"),
              std::string::npos)
        << id;
  }
  EXPECT_NE(manifest->find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest->find("processorArchitecture=\"x86\""), std::string::npos);
}

// The program the end-to-end tests run under Wine: the shipped one itself, or,
// on a host without 32-bit Wine, its 64-bit build. That build must be the
// same program in all a test can see: subsystem, DLLs, version, and a
// manifest that names its own architecture (Windows refuses one that does not).
TEST(WindowsProgramRunUnderWine, IsTheShippedProgramOrItsOwn64BitBuild) {
  std::string error;
  const std::optional<PeImage> shipped = ReadPeImage(DK_SHIPPED_PROGRAM, error);
  ASSERT_TRUE(shipped.has_value()) << error;
  const std::optional<PeImage> run = ReadPeImage(DK_WINDOWS_PROGRAM, error);
  ASSERT_TRUE(run.has_value()) << error;

  const bool is64 = run->machine == kMachineAmd64;
  ASSERT_TRUE(run->machine == kMachineI386 || is64) << std::hex << run->machine;
  EXPECT_EQ(run->optionalMagic, is64 ? 0x020B : 0x010B);
  EXPECT_EQ(run->subsystem, kSubsystemWindowsGui);

  auto dlls = [](const PeImage &image) {
    std::set<std::string> names;
    for (const std::string &dll : image.importedDlls) names.insert(Lower(dll));
    return names;
  };
  EXPECT_EQ(dlls(*run), dlls(*shipped));

  const std::optional<std::string> runVersion = run->Resource(kResourceVersion);
  const std::optional<std::string> shippedVersion = shipped->Resource(kResourceVersion);
  ASSERT_TRUE(runVersion.has_value() && shippedVersion.has_value());
  EXPECT_EQ(*runVersion, *shippedVersion);

  const std::optional<std::string> manifest = run->Resource(kResourceManifest);
  ASSERT_TRUE(manifest.has_value());
  const std::string architecture =
      std::string("processorArchitecture=\"") + (is64 ? "amd64" : "x86") + "\"";
  EXPECT_NE(manifest->find(architecture), std::string::npos) << *manifest;
}

}  // namespace
}  // namespace wine_harness
