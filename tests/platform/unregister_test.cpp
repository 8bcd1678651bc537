// Unregistration, then registration again so later tests find the server in place.
#include <gtest/gtest.h>

#include "WQTestServer.h"
#include "comtest.h"

namespace {

TEST(Unregister, RemovesProgIdsAndClassKeysButNotClsid) {
  plat::unique_hmodule dll(
      LoadLibraryW((wqtest::ExecutableDirectory() + L"\\..\\comframe\\WQTestServer.dll").c_str()));
  ASSERT_TRUE(dll);
  auto unregister = reinterpret_cast<HRESULT(WINAPI*)()>(
      reinterpret_cast<void*>(GetProcAddress(dll.get(), "DllUnregisterServer")));
  auto reregister = reinterpret_cast<HRESULT(WINAPI*)()>(
      reinterpret_cast<void*>(GetProcAddress(dll.get(), "DllRegisterServer")));
  ASSERT_TRUE(unregister && reregister);

  const std::wstring widget = L"CLSID\\" + wqtest::GuidText(__uuidof(TestWidget));
  const std::wstring control = L"CLSID\\" + wqtest::GuidText(__uuidof(TestControl));
  ASSERT_EQ(unregister(), S_OK);
  EXPECT_FALSE(wqtest::RegistryKeyExists(HKEY_CLASSES_ROOT, L"WQTestServer.TestWidget"));
  EXPECT_FALSE(wqtest::RegistryKeyExists(HKEY_CLASSES_ROOT, L"WQTestServer.TestWidget.380"));
  EXPECT_FALSE(wqtest::RegistryKeyExists(HKEY_CLASSES_ROOT, L"WQTestServer.TestControl"));
  EXPECT_FALSE(wqtest::RegistryKeyExists(HKEY_CLASSES_ROOT, widget));
  EXPECT_FALSE(wqtest::RegistryKeyExists(HKEY_CLASSES_ROOT, control));
  EXPECT_TRUE(wqtest::RegistryKeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
  EXPECT_FALSE(wqtest::RegistryKeyExists(
      HKEY_CLASSES_ROOT, L"TypeLib\\{5A1E0000-7C2B-4E55-9B1D-2F0C7A6E4D11}\\17c.0"));

  ASSERT_EQ(reregister(), S_OK);
  EXPECT_TRUE(wqtest::RegistryKeyExists(HKEY_CLASSES_ROOT, widget));
}

}  // namespace
