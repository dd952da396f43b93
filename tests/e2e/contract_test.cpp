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

// One server for every case; started on first use, stopped at exit.
PrivateCups *Server() {
  static std::unique_ptr<PrivateCups> server = [] {
    auto cups = std::make_unique<PrivateCups>();
    if (!cups->Start() || !cups->AddRawQueue(kQueue, false)) cups.reset();
    return cups;
  }();
  return server.get();
}

class CupsScope : public ContractScope {
 public:
  CupsScope() {
    if (geteuid() != 0) {
      unavailable_ = "the private cupsd needs root";
      return;
    }
    PrivateCups *cups = Server();
    if (cups == nullptr) {
      unavailable_ = "the private cupsd did not start";
      return;
    }
    setenv("CUPS_SERVER", cups->Socket().c_str(), 1);
    setenv("CUPS_SERVERROOT", cups->Folder().c_str(), 1);  // no lpoptions of the machine's
    setenv("HOME", cups->Folder().c_str(), 1);
    cupsSetServer(nullptr);  // read CUPS_SERVER again
    previous_ = Platform_Install(PosixCalls());
    installed_ = true;
  }
  ~CupsScope() override {
    if (installed_) Platform_Install(previous_);
  }
  std::string FileName(const std::string &leaf) const override { return leaf; }
  std::string PrinterName() const override { return kQueue; }
  std::string Unavailable() const override { return unavailable_; }

 private:
  const PlatformApi *previous_ = nullptr;
  bool installed_ = false;
  std::string unavailable_;
};

const ContractTarget kCups = {"posix_cups",
                              [] { return std::unique_ptr<ContractScope>(new CupsScope); }};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Cups, GdiContract, ::testing::Values(kCups), ContractTargetName);
INSTANTIATE_TEST_SUITE_P(Cups, SpoolerContract, ::testing::Values(kCups), ContractTargetName);
