// Unregistration, then registration again so later tests find the server in place; and a
// registration that fails part way.
#include <gtest/gtest.h>

#include <comobject.h>
#include <registrar.h>

#include <array>

#include "WQTestServer.h"
#include "comtest.h"

namespace {

const wchar_t kVersionKey[] = L"TypeLib\\{5A1E0000-7C2B-4E55-9B1D-2F0C7A6E4D11}\\17c.0";

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
  EXPECT_FALSE(wqtest::RegistryKeyExists(HKEY_CLASSES_ROOT, kVersionKey));
  EXPECT_EQ(unregister(), S_OK) << "what is gone already";

  // A 32-bit registration of the same version keeps its entry and the keys that hold it.
  const std::wstring win32 = std::wstring(kVersionKey) + L"\\0\\win32";
  ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, win32.c_str(), REG_SZ, L"C:\\x86\\WQTestServer.dll", 0),
            ERROR_SUCCESS);
  ASSERT_EQ(reregister(), S_OK);
  ASSERT_EQ(unregister(), S_OK);
  std::wstring value;
  EXPECT_TRUE(wqtest::ReadRegistryString(HKEY_CLASSES_ROOT, win32, nullptr, &value));
  EXPECT_EQ(value, L"C:\\x86\\WQTestServer.dll");
  EXPECT_FALSE(
      wqtest::RegistryKeyExists(HKEY_CLASSES_ROOT, std::wstring(kVersionKey) + L"\\0\\win64"));
  EXPECT_EQ(unregister(), S_OK);
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"TypeLib\\{5A1E0000-7C2B-4E55-9B1D-2F0C7A6E4D11}");
  RegDeleteKeyW(HKEY_CLASSES_ROOT, L"TypeLib\\{5A1E0000-7C2B-4E55-9B1D-2F0C7A6E4D11}");

  ASSERT_EQ(reregister(), S_OK);
  EXPECT_TRUE(wqtest::RegistryKeyExists(HKEY_CLASSES_ROOT, widget));
}

// This executable's own module, with entries that write under HKCU and one that fails after
// writing: a registration that fails at any step, an entry's or the library's (this
// executable holds none), leaves the registry as it found it, what it wrote over included,
// and keeps its failure's error info.
const wchar_t kEntriesKey[] = L"Software\\WQModuleRegistrationTest";
UINT failingEntry = 0;

HRESULT RegisterTestEntry(UINT id, bool doRegister) noexcept {
  const std::wstring script = L"HKCU { NoRemove Software { WQModuleRegistrationTest { Entry" +
                              std::to_wstring(id) + L" = s 'x' } } }";
  const HRESULT hr = plat::RunRegistryScript(script.c_str(), nullptr, 0, doRegister);
  if (FAILED(hr) || !doRegister || id != failingEntry) return hr;
  plat::com_ptr<ICreateErrorInfo> create;
  CreateErrorInfo(create.put());
  create->SetDescription(const_cast<LPOLESTR>(L"entry refused"));
  plat::com_ptr<IErrorInfo> info;
  create.query_to(info);
  SetErrorInfo(0, info.get());
  return E_ACCESSDENIED;
}

TEST(Register, AFailedStepLeavesNothingBehind) {
  static const GUID kClass = {
      0x5A1E02FF, 0x7C2B, 0x4E55, {0x9B, 0x1D, 0x2F, 0x0C, 0x7A, 0x6E, 0x4D, 0x11}};
  std::array<plat::ObjectEntry, 3> entries = {plat::ObjectEntry{&kClass, 1, nullptr, nullptr},
                                              plat::ObjectEntry{&kClass, 2, nullptr, nullptr},
                                              plat::ObjectEntry{&kClass, 3, nullptr, nullptr}};
  plat::Module& module = plat::module();
  module.Init(entries.data(), entries.size(), GetModuleHandleW(nullptr), {kClass, 1, 0});
  module.SetRegisterEntry(&RegisterTestEntry);

  for (UINT failing : {1u, 3u, 0u}) {
    failingEntry = failing;
    const HRESULT hr = module.RegisterServer(failing == 0);
    if (failing)
      EXPECT_EQ(hr, E_ACCESSDENIED) << failing;
    else
      EXPECT_TRUE(FAILED(hr)) << "no library to register";
    EXPECT_FALSE(wqtest::RegistryKeyExists(HKEY_CURRENT_USER, kEntriesKey)) << failing;
    if (failing) {
      plat::com_ptr<IErrorInfo> info;
      ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
      plat::unique_bstr description;
      info->GetDescription(description.put());
      EXPECT_STREQ(description.get(), L"entry refused");
    }
  }

  // Another registration's entries, overwritten by the failed one, come back as they were;
  // what it added goes.
  const std::wstring entry = std::wstring(kEntriesKey) + L"\\Entry1";
  ASSERT_EQ(RegSetValueW(HKEY_CURRENT_USER, entry.c_str(), REG_SZ, L"other", 0), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueW(HKEY_CURRENT_USER, (entry + L"\\Kept").c_str(), REG_SZ, L"kept", 0),
            ERROR_SUCCESS);
  const DWORD named = 7;
  ASSERT_EQ(
      RegSetKeyValueW(HKEY_CURRENT_USER, entry.c_str(), L"Named", REG_DWORD, &named, sizeof named),
      ERROR_SUCCESS);
  const std::wstring before = wqtest::RegistryDump(HKEY_CURRENT_USER, kEntriesKey);
  for (UINT failing : {3u, 0u}) {
    failingEntry = failing;
    EXPECT_TRUE(FAILED(module.RegisterServer(failing == 0))) << failing;
    EXPECT_EQ(wqtest::RegistryDump(HKEY_CURRENT_USER, kEntriesKey), before) << failing;
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, kEntriesKey);
  RegDeleteKeyW(HKEY_CURRENT_USER, kEntriesKey);

  failingEntry = 0;
  EXPECT_EQ(module.RegisterServer(false), S_OK);
  EXPECT_EQ(wqtest::RegistrySubkeys(HKEY_CURRENT_USER, kEntriesKey).size(), 3u);
  EXPECT_EQ(module.UnregisterServer(false), S_OK);
  EXPECT_EQ(module.UnregisterServer(), S_OK) << "what is gone already";
  EXPECT_FALSE(wqtest::RegistryKeyExists(HKEY_CURRENT_USER, kEntriesKey));
  module.SetRegisterEntry(nullptr);
}

}  // namespace
