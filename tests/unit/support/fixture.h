// A fresh fake platform and a fresh core for each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/fake/fake_platform.h"

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

// The 89 bytes of one ticket.
std::string TicketBytes();
