// Shared by the stand-ins' tests: texts as std::wstring, and a check that every object
// the stand-ins made is gone when a test ends.
#pragma once

#include <gtest/gtest.h>

#include <standinsclient.h>

#include <string>

#include "comtest.h"

namespace standinstest {

inline plat::unique_bstr Bstr(const wchar_t* text) { return plat::unique_bstr::copy(text); }

inline std::wstring Take(plat::unique_bstr& text) { return text.c_str(); }

// Fails the test when the stand-ins DLL still holds objects (a leak) at the end.
class NoLeaks : public testing::Test {
 protected:
  void TearDown() override {
    HMODULE dll = GetModuleHandleW(L"WQStandins.dll");
    if (!dll) return;
    auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    ASSERT_TRUE(canUnload);
    EXPECT_EQ(canUnload(), S_OK) << "an object of the stand-ins is still alive";
  }
};

}  // namespace standinstest
