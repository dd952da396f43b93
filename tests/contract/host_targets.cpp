// The tables the contract runs against on the host: the fake, and the posix
// backend as the program installs it.
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/fake/fake_platform.h"
#include "tests/contract/contract.h"

namespace {

class FakeScope : public ContractScope {
 public:
  FakeScope() { platform_.AddPrinter("Receipt"); }
  // The fake installs itself for its lifetime; its files live in memory.
  std::string FileName(const std::string &leaf) const override { return leaf; }
  std::string PrinterName() const override { return "Receipt"; }

 private:
  fake::Platform platform_;
};

class PosixScope : public ContractScope {
 public:
  PosixScope() : previous_(Platform_Install(Platform_Native())) {
    std::string pattern = (std::filesystem::temp_directory_path() / "dk-contract-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) folder_ = pattern;
  }
  ~PosixScope() override {
    Platform_Install(previous_);
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }
  std::string FileName(const std::string &leaf) const override {
    EXPECT_FALSE(folder_.empty()) << "no scratch folder could be made";
    return folder_ + "/" + leaf;
  }

 private:
  const PlatformApi *previous_;
  std::string folder_;
};

const ContractTarget kFake = {"fake", [] { return std::unique_ptr<ContractScope>(new FakeScope); }};
const ContractTarget kPosix = {"posix",
                               [] { return std::unique_ptr<ContractScope>(new PosixScope); }};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Host, FileContract, ::testing::Values(kFake, kPosix), ContractTargetName);
// The posix backend's printers are CUPS destinations: its drawing and
// spooler cases run with a private cupsd, in the end-to-end tests.
INSTANTIATE_TEST_SUITE_P(Host, GdiContract, ::testing::Values(kFake), ContractTargetName);
INSTANTIATE_TEST_SUITE_P(Host, SpoolerContract, ::testing::Values(kFake), ContractTargetName);
