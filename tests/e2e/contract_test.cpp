// The seam's drawing and spooler contract against the posix backend, whose
// printers are CUPS destinations: a private cupsd with one RAW queue.
#include "tests/contract/contract.h"

#include <cups/cups.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "harness/private_cups.h"
#include "platform/posix/native_table.h"

namespace {

constexpr char kQueue[] = "Contract";

// The backend's calls as its native table has them. Platform_Native() is not
// used here: it blocks the control signals in this process, and the other
// tests' children would inherit that.
const PlatformApi *PosixCalls() {
  return dkposix::CallTable();
}

class CupsScope : public ContractScope {
 public:
  CupsScope() {
    if (geteuid() != 0) {
      unavailable_ = "the private cupsd needs root";
      return;
    }
    // A server of the case's own, stopped with it: the end of the test
    // process checks that no server is left running.
    cups_ = std::make_unique<PrivateCups>();
    if (!cups_->Start() || !cups_->AddRawQueue(kQueue, false)) {
      ADD_FAILURE() << "the private cupsd did not start";  // a fault, not a host without it
      unavailable_ = "the private cupsd did not start";
      return;
    }
    PrivateCups *cups = cups_.get();
    setenv("CUPS_SERVER", cups->Socket().c_str(), 1);
    setenv("CUPS_SERVERROOT", cups->Folder().c_str(), 1);  // no lpoptions of the machine's
    setenv("HOME", cups->Folder().c_str(), 1);
    cupsSetServer(nullptr);  // read CUPS_SERVER again
    previous_ = Platform_Install(PosixCalls());
    installed_ = true;
  }
  ~CupsScope() override {
    if (installed_) Platform_Install(previous_);
    cups_.reset();
  }
  std::string FileName(const std::string &leaf) const override { return leaf; }
  std::string PrinterName() const override { return kQueue; }
  std::string Unavailable() const override { return unavailable_; }

 private:
  std::unique_ptr<PrivateCups> cups_;
  const PlatformApi *previous_ = nullptr;
  bool installed_ = false;
  std::string unavailable_;
};

const ContractTarget kCups = {"posix_cups",
                              [] { return std::unique_ptr<ContractScope>(new CupsScope); }};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Cups, GdiContract, ::testing::Values(kCups), ContractTargetName);
INSTANTIATE_TEST_SUITE_P(Cups, SpoolerContract, ::testing::Values(kCups), ContractTargetName);
