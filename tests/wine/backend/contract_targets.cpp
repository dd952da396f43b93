// The contract's cases against the Win32 backend, where the real API (here
// Wine's) answers: the models of the fake and the posix backend are held to
// what it does.
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "tests/contract/contract.h"

namespace {

class Win32Scope : public ContractScope {
 public:
  Win32Scope() : previous_(Platform_Install(Platform_Native())) {
    std::random_device random;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("dk-contract-" + std::to_string(random()));
    std::error_code failed;
    if (std::filesystem::create_directory(folder, failed)) folder_ = folder.string();
  }
  ~Win32Scope() override {
    Platform_Install(previous_);
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
  }
  std::string FileName(const std::string &leaf) const override {
    EXPECT_FALSE(folder_.empty()) << "no scratch folder could be made";
    return folder_ + "\\" + leaf;
  }

 private:
  const PlatformApi *previous_;
  std::string folder_;
};

const ContractTarget kWin32Targets[] = {
    {"win32", [] { return std::unique_ptr<ContractScope>(new Win32Scope); }},
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Windows, FileContract, ::testing::ValuesIn(kWin32Targets),
                         ContractTargetName);
