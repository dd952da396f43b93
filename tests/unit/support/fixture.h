// A fresh fake platform and a fresh core for each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/fake/fake_platform.h"

// Puts the core's process-wide records back to their state at process start
// (the DEVMODE cache freed).
void ResetCoreState();

class CoreTest : public ::testing::Test {
 protected:
  CoreTest() { ResetCoreState(); }
  ~CoreTest() override { ResetCoreState(); }
  fake::Platform fp;
};

// The 89 bytes of one ticket.
std::string TicketBytes();
