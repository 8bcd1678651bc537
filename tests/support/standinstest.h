// Shared by the stand-ins' tests: texts as std::wstring, and a check that every object
// the stand-ins made is gone when a test ends.
#pragma once

#include <gtest/gtest.h>

#include <standinsclient.h>

#include <string>

#include "comtest.h"

namespace standinstest {

using wqtest::Bstr;

inline std::wstring Take(plat::unique_bstr& text) { return text.c_str(); }

// Fails the test when the stand-ins DLL still holds objects (a leak) at the end.
class NoLeaks : public wqtest::NoLeaks {
 protected:
  NoLeaks() : wqtest::NoLeaks(L"WQStandins.dll") {}
};

}  // namespace standinstest
