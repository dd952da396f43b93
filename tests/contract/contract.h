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
  void SetUp() override { scope_ = GetParam().open(); }
  void TearDown() override { scope_.reset(); }
  std::string FileName(const std::string &leaf) const { return scope_->FileName(leaf); }

 private:
  std::unique_ptr<ContractScope> scope_;
};

// The suites of cases; each build instantiates them with its targets.
class FileContract : public PlatformContract {};

// Names a test for its target.
inline std::string ContractTargetName(const ::testing::TestParamInfo<ContractTarget> &info) {
  return info.param.label;
}
