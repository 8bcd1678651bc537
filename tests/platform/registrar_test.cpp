#include <gtest/gtest.h>

#include <registrar.h>

#include "comtest.h"

namespace {

using wqtest::ReadRegistryString;
using wqtest::RegistryKeyExists;
using wqtest::RegistrySubkeys;

const wchar_t kBase[] = L"Software\\WQRegistrarTest";

class Registrar : public testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kBase); }
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kBase);
    RegDeleteKeyW(HKEY_CURRENT_USER, kBase);
  }
  static HRESULT Run(const wchar_t* script, bool doRegister) {
    const plat::Replacement map[] = {{L"NAME", L"Widget"},
                                     {L"MODULE", L"C:\\bin\\w.dll"},
                                     {L"CLSID_Widget", L"{5A1E0201-7C2B-4E55-9B1D-2F0C7A6E4D11}"}};
    return plat::RunRegistryScript(script, map, std::size(map), doRegister);
  }
  static std::wstring Value(const std::wstring& path, const wchar_t* name = nullptr) {
    std::wstring value;
    return ReadRegistryString(HKEY_CURRENT_USER, std::wstring(kBase) + path, name, &value)
               ? value
               : L"<missing>";
  }
};

const wchar_t kScript[] =
    L"HKCU\n{\n NoRemove Software\n {\n  WQRegistrarTest\n  {\n"
    L"   'Test.%NAME%' = s '%NAME% Class'\n   {\n    CLSID = s '%CLSID_Widget%'\n   }\n"
    L"   ForceRemove %CLSID_Widget% = s 'It''s 100%% %NAME%'\n   {\n"
    L"    ForceRemove Programmable\n"
    L"    InprocServer32 = s '%MODULE%'\n    {\n     val ThreadingModel = s 'Apartment'\n"
    L"     val Flags = d '0x20191'\n     val Raw = b '0A0B'\n    }\n"
    L"    MiscStatus = s '0' { '1' = s '131473' }\n   }\n  }\n }\n}\n";

TEST_F(Registrar, RegistersKeysValuesAndReplacements) {
  ASSERT_EQ(Run(kScript, true), S_OK);
  const std::wstring clsid = L"\\{5A1E0201-7C2B-4E55-9B1D-2F0C7A6E4D11}";
  EXPECT_EQ(Value(L"\\Test.Widget"), L"Widget Class");
  EXPECT_EQ(Value(L"\\Test.Widget\\CLSID"), L"{5A1E0201-7C2B-4E55-9B1D-2F0C7A6E4D11}");
  EXPECT_EQ(Value(clsid), L"It's 100% Widget");
  EXPECT_EQ(Value(clsid + L"\\InprocServer32"), L"C:\\bin\\w.dll");
  EXPECT_EQ(Value(clsid + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(Value(clsid + L"\\MiscStatus\\1"), L"131473");
  EXPECT_TRUE(
      RegistryKeyExists(HKEY_CURRENT_USER, std::wstring(kBase) + clsid + L"\\Programmable"));

  plat::unique_hkey key;
  ASSERT_EQ(
      RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kBase) + clsid + L"\\InprocServer32").c_str(),
                    0, KEY_READ, key.put()),
      ERROR_SUCCESS);
  DWORD flags = 0, size = sizeof flags, type = 0;
  ASSERT_EQ(
      RegQueryValueExW(key.get(), L"Flags", nullptr, &type, reinterpret_cast<BYTE*>(&flags), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(flags, 0x20191u);
  BYTE raw[4] = {};
  size = sizeof raw;
  ASSERT_EQ(RegQueryValueExW(key.get(), L"Raw", nullptr, &type, raw, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(raw[0], 0x0A);
  EXPECT_EQ(raw[1], 0x0B);
}

TEST_F(Registrar, ForceRemoveReplacesAStaleKey) {
  plat::unique_hkey stale;
  const std::wstring clsid = std::wstring(kBase) + L"\\{5A1E0201-7C2B-4E55-9B1D-2F0C7A6E4D11}";
  RegCreateKeyExW(HKEY_CURRENT_USER, (clsid + L"\\Stale").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                  nullptr, stale.put(), nullptr);
  stale.reset();
  ASSERT_EQ(Run(kScript, true), S_OK);
  EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, clsid + L"\\Stale"));
}

TEST_F(Registrar, UnregisterRemovesExactlyWhatItWrote) {
  ASSERT_EQ(Run(kScript, true), S_OK);
  // A key nobody's script wrote, inside a key that unregistration would otherwise remove.
  plat::unique_hkey foreign;
  RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kBase) + L"\\Other").c_str(), 0, nullptr, 0,
                  KEY_ALL_ACCESS, nullptr, foreign.put(), nullptr);
  foreign.reset();
  ASSERT_EQ(Run(kScript, false), S_OK);
  EXPECT_EQ(RegistrySubkeys(HKEY_CURRENT_USER, kBase), (std::vector<std::wstring>{L"Other"}));
  EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, L"Software"));
  RegDeleteKeyW(HKEY_CURRENT_USER, (std::wstring(kBase) + L"\\Other").c_str());
  ASSERT_EQ(Run(kScript, false), S_OK);
  EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, kBase)) << "a plain key goes once empty";
  EXPECT_EQ(Run(kScript, false), S_OK) << "keys already gone are no error";
}

TEST_F(Registrar, FaultyScriptsChangeNothing) {
  const wchar_t* faulty[] = {
      L"HKCU { NoRemove Software { WQRegistrarTest { A = s 'unterminated } } }",
      L"HKCU { NoRemove Software { WQRegistrarTest { B = s '%UNKNOWN%' } } }",
      L"HKCU { NoRemove Software { WQRegistrarTest { C = s 'x' } } ",
      L"HKXX { Software }",
      L"HKCU { NoRemove Software { WQRegistrarTest { D = q 'x' } } }",
      L"HKCU { NoRemove Software { WQRegistrarTest { E { val F = d 'abc' } } } }",
      L"HKCU { NoRemove Software { WQRegistrarTest { G = s '50% } } }",
  };
  for (const wchar_t* script : faulty) {
    EXPECT_TRUE(FAILED(Run(script, true))) << script;
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, kBase)) << script;
  }
  EXPECT_EQ(plat::RunRegistryScript(nullptr, nullptr, 0, true), E_POINTER);
}

TEST_F(Registrar, ReplacementsAreTakenAsTheyStand) {
  // A module path with a quote, a brace, an equals sign, blanks and a percent sign.
  const wchar_t kPath[] = L"C:\\it's here\\{x} = s 'y' 100% \\w.dll";
  const plat::Replacement map[] = {{L"MODULE", kPath}, {L"NAME", L"Wid get"}};
  ASSERT_EQ(plat::RunRegistryScript(
                L"HKCU { NoRemove Software { WQRegistrarTest { ForceRemove %NAME% = s '%NAME%' {"
                L" InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Apartment' }"
                L" Bitmap = s '%MODULE%, 220' } } } }",
                map, std::size(map), true),
            S_OK);
  EXPECT_EQ(RegistrySubkeys(HKEY_CURRENT_USER, kBase), (std::vector<std::wstring>{L"Wid get"}));
  EXPECT_EQ(RegistrySubkeys(HKEY_CURRENT_USER, std::wstring(kBase) + L"\\Wid get"),
            (std::vector<std::wstring>{L"Bitmap", L"InprocServer32"}));
  EXPECT_EQ(Value(L"\\Wid get"), L"Wid get");
  EXPECT_EQ(Value(L"\\Wid get\\InprocServer32"), kPath);
  EXPECT_EQ(Value(L"\\Wid get\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(Value(L"\\Wid get\\Bitmap"), std::wstring(kPath) + L", 220");
}

TEST_F(Registrar, AFaultIsReportedWithItsPlace) {
  const struct {
    const wchar_t* script;
    const wchar_t* description;
  } cases[] = {
      // A quote that ends a text early, as an unescaped value would.
      {L"HKCU\n{\n  NoRemove Software\n  {\n    A = s 'it's here'\n  }\n}",
       L"Registry script error at line 5, column 15: white space is expected after a text"},
      {L"HKCU { NoRemove Software { B = s x's } }",
       L"Registry script error at line 1, column 35: a quote inside a name"},
      {L"HKCU { NoRemove Software { C = s '%UNKNOWN%' } }",
       L"Registry script error at line 1, column 35: unknown replacement"},
      {L"HKCU { NoRemove Software { D = q 'x' } }",
       L"Registry script error at line 1, column 32: unknown value type"},
      {L"HKCU { NoRemove Software { E = s 'x' }",
       L"Registry script error at line 1, column 39: the script ends inside a block"},
  };
  for (const auto& c : cases) {
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(Run(c.script, true), HRESULT_FROM_WIN32(ERROR_INVALID_DATA)) << c.script;
    EXPECT_EQ(wqtest::TakeErrorDescription(), c.description) << c.script;
  }
}

TEST_F(Registrar, DeleteFlagRemovesOnRegistration) {
  ASSERT_EQ(Run(L"HKCU { NoRemove Software { WQRegistrarTest { Old { Inner = s 'x' } } } }", true),
            S_OK);
  ASSERT_EQ(Run(L"HKCU { NoRemove Software { NoRemove WQRegistrarTest { Delete Old } } }", true),
            S_OK);
  EXPECT_TRUE(RegistrySubkeys(HKEY_CURRENT_USER, kBase).empty());
}

}  // namespace
