// Finding GetDefaultPrinterA the way a Windows program does.
#include "platform/posix/module_calls.h"

#include <gtest/gtest.h>

#include "platform/posix/last_error.h"
#include "platform/posix/spooler_calls.h"

namespace {

TEST(ModuleCalls, SpoolerModuleGivesGetDefaultPrinterA) {
  for (const char *name : {"WINSPOOL.DRV", "winspool.drv", "C:\\Windows\\System32\\WinSpool.Drv"}) {
    winapi::HMODULE module = dkposix::LoadLibraryA(name);
    ASSERT_NE(module, nullptr) << name;
    winapi::FARPROC proc = dkposix::GetProcAddress(module, "GetDefaultPrinterA");
    EXPECT_EQ(reinterpret_cast<void *>(proc),
              reinterpret_cast<void *>(&dkposix::GetDefaultPrinterA));
    EXPECT_TRUE(dkposix::FreeLibrary(module));
  }
}

TEST(ModuleCalls, OtherModulesAndNamesAreNotFound) {
  EXPECT_EQ(dkposix::LoadLibraryA("KERNEL32.DLL"), nullptr);
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(dkposix::LoadLibraryA("WINSPOOL"), nullptr);  // Windows would look for WINSPOOL.DLL

  winapi::HMODULE module = dkposix::LoadLibraryA("winspool.drv");
  EXPECT_EQ(dkposix::GetProcAddress(module, "GetDefaultPrinterW"), nullptr);
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_PROC_NOT_FOUND);
  EXPECT_EQ(dkposix::GetProcAddress(module, "getdefaultprintera"), nullptr);  // names are exact
  EXPECT_EQ(dkposix::GetProcAddress(module, reinterpret_cast<const char *>(2)), nullptr);
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_PROC_NOT_FOUND);
  EXPECT_EQ(dkposix::GetProcAddress(nullptr, "GetDefaultPrinterA"), nullptr);
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_MOD_NOT_FOUND);
  EXPECT_TRUE(dkposix::FreeLibrary(module));
}

TEST(ModuleCalls, ModuleIsGoneAfterItsLastFree) {
  winapi::HMODULE first = dkposix::LoadLibraryA("WINSPOOL.DRV");
  winapi::HMODULE second = dkposix::LoadLibraryA("WINSPOOL.DRV");
  EXPECT_TRUE(dkposix::FreeLibrary(first));
  EXPECT_NE(dkposix::GetProcAddress(second, "GetDefaultPrinterA"), nullptr);
  EXPECT_TRUE(dkposix::FreeLibrary(second));
  EXPECT_EQ(dkposix::GetProcAddress(second, "GetDefaultPrinterA"), nullptr);
  EXPECT_FALSE(dkposix::FreeLibrary(second));
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_INVALID_HANDLE);
}

}  // namespace
