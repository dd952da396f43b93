// Rules every table of the seam must keep, written once and run against each
// table: the fake and the posix backend on the host, the Win32 backend under
// Wine, where the real API answers. A model that drifts from the others, or
// from Windows, fails here.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "platform/seam.h"

// One table installed for the time of a case, and a folder of the case's own.
class ContractScope {
 public:
  virtual ~ContractScope() = default;
  // A name, in the case's folder, of a file that does not exist yet.
  virtual std::string FileName(const std::string &leaf) const = 0;
  // A printer that takes RAW documents, or "" where the target has none.
  virtual std::string PrinterName() const { return ""; }
  // Why the target cannot run here, or "" when it can.
  virtual std::string Unavailable() const { return ""; }
};

struct ContractTarget {
  const char *label;
  // Installs the table; the one installed before comes back when the scope
  // goes.
  std::function<std::unique_ptr<ContractScope>()> open;
};

inline void PrintTo(const ContractTarget &target, std::ostream *out) {
  *out << target.label;
}

class PlatformContract : public ::testing::TestWithParam<ContractTarget> {
 protected:
  void SetUp() override {
    scope_ = GetParam().open();
    const std::string reason = scope_->Unavailable();
    if (!reason.empty()) GTEST_SKIP() << GetParam().label << ": " << reason;
  }
  void TearDown() override { scope_.reset(); }
  std::string FileName(const std::string &leaf) const { return scope_->FileName(leaf); }
  std::string PrinterName() const { return scope_->PrinterName(); }

 private:
  std::unique_ptr<ContractScope> scope_;
};

// The suites of cases; each build instantiates them with its targets.
class FileContract : public PlatformContract {};
class GdiContract : public PlatformContract {};
class SpoolerContract : public PlatformContract {};

// Names a test for its target.
inline std::string ContractTargetName(const ::testing::TestParamInfo<ContractTarget> &info) {
  return info.param.label;
}
