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

class CoreTest : public ::testing::Test {
 protected:
  CoreTest() { ResetCoreState(); }
  ~CoreTest() override { ResetCoreState(); }
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
