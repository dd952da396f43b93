// A fresh fake platform and a fresh core for each test.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/fake/fake_platform.h"
#include "platform/seam.h"
#include "tests/support/ticket.h"

// Puts the core's process-wide records back to their state at process start
// (the DEVMODE cache freed).
void ResetCoreState();

// Fails the running test for each script or failure rule the fake refused
// because its name is no call: such a rule never acts, and a test built on it
// proves nothing.
void ExpectNoRefusedNames(const fake::Platform &platform);

class CoreTest : public ::testing::Test {
 protected:
  CoreTest() { ResetCoreState(); }
  ~CoreTest() override { ResetCoreState(); }
  void TearDown() override { ExpectNoRefusedNames(fp); }
  fake::Platform fp;
};

// A copy of the fake's table with the entries override replaces, installed
// while this lives; the table it replaced is installed again when it goes.
// Declare it after the fake it forwards to, so that it goes first.
class OverriddenPlatform {
 public:
  explicit OverriddenPlatform(const std::function<void(PlatformApi &)> &override);
  ~OverriddenPlatform();
  OverriddenPlatform(const OverriddenPlatform &) = delete;
  OverriddenPlatform &operator=(const OverriddenPlatform &) = delete;

 private:
  PlatformApi table_;
  const PlatformApi *previous_;
};
