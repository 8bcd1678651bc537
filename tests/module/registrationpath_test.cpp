// The server registered from a folder whose path holds a quote, in a prefix of its own
// (tests/module/registrationpath.sh): every class has exactly its keys and creates, and
// unregistration leaves none of them and the registry as it found it. The path registered
// is in WQ_REGISTERED_MODULE, the file of the registry as it was before in
// WQ_REGISTRY_BEFORE.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "comtest.h"
#include "serverclasses.h"

namespace {

using wqtest::RegistryKeyExists;
using wqtest::RegistrySubkeys;

std::wstring RegisteredModule() {
  const wchar_t* path = _wgetenv(L"WQ_REGISTERED_MODULE");
  return path ? path : L"";
}

std::wstring Value(const std::wstring& path, const wchar_t* name = nullptr) {
  std::wstring value;
  return wqtest::ReadRegistryString(HKEY_CLASSES_ROOT, path, name, &value) ? value : L"<missing>";
}

// The module's own library, read through the short form of its path: this platform reads
// no library from a path longer than MAX_PATH.
plat::com_ptr<ITypeLib> ModuleLibrary() {
  const std::wstring path = RegisteredModule();
  std::wstring shortPath(path.size() + 1, L'\0');
  const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), path.size() + 1);
  shortPath.resize(length <= path.size() ? length : 0);
  plat::com_ptr<ITypeLib> lib;
  LoadTypeLibEx(shortPath.empty() ? path.c_str() : shortPath.c_str(), REGKIND_NONE, lib.put());
  return lib;
}

// The classes the module's own library describes: it stays readable after unregistration.
std::vector<ServerClass> ModuleClasses() {
  const plat::com_ptr<ITypeLib> lib = ModuleLibrary();
  std::vector<ServerClass> classes = ServerClassesOf(lib.get());
  EXPECT_FALSE(classes.empty());
  return classes;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  return names;
}

// The toolbox bitmap of a format control, 0 for the other classes.
int ToolboxBitmap(const std::wstring& name) {
  if (name == L"WQCBoolFormatCtl") return 220;
  if (name == L"WQCDateFormatCtl") return 222;
  if (name == L"WQCIntegerFormatCtl") return 223;
  if (name == L"WQCRealFormatCtl") return 224;
  return 0;
}

// What registration touches: the library's keys, its interfaces' and its classes' keys and
// ProgIDs (the classes' names come from the library, which registration does not change).
std::vector<std::wstring> KeysOfTheModule() {
  std::vector<std::wstring> keys = {L"TypeLib\\" + wqtest::GuidText(kLibId)};
  const plat::com_ptr<ITypeLib> lib = ModuleLibrary();
  for (UINT i = 0; lib && i < lib->GetTypeInfoCount(); ++i) {
    plat::com_ptr<ITypeInfo> info;
    TYPEATTR* attr = nullptr;
    if (FAILED(lib->GetTypeInfo(i, info.put())) || FAILED(info->GetTypeAttr(&attr))) continue;
    const std::wstring guid = wqtest::GuidText(attr->guid);
    const TYPEKIND kind = attr->typekind;
    info->ReleaseTypeAttr(attr);
    plat::unique_bstr name;
    info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
    if (kind == TKIND_INTERFACE || kind == TKIND_DISPATCH)
      keys.insert(keys.end(), {L"Interface\\" + guid, L"Wow6432Node\\Interface\\" + guid});
    if (kind == TKIND_COCLASS) {
      const std::wstring progId = L"WQCGenericSvcs." + std::wstring(name ? name.get() : L"");
      keys.insert(keys.end(), {L"CLSID\\" + guid, progId, progId + L".380"});
    }
  }
  return keys;
}

std::wstring RegistryOfTheModule() {
  std::wstring out;
  for (const std::wstring& key : KeysOfTheModule())
    out += wqtest::RegistryDump(HKEY_CLASSES_ROOT, key);
  return out;
}

// When each of those keys was last written: a registration refused before it writes leaves
// them untouched, not written over with what they held.
std::wstring LastWrites() {
  std::wstring out;
  for (const std::wstring& path : KeysOfTheModule()) {
    plat::unique_hkey key;
    FILETIME written{};
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
      RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, &written);
    out += path + L" " + std::to_wstring(written.dwHighDateTime) + L"." +
           std::to_wstring(written.dwLowDateTime) + L"\n";
  }
  return out;
}

// Every key of the classes root, the 32-bit view's node below it included.
std::wstring WholeClassesRoot() {
  std::wstring out;
  for (const std::wstring& key : Sorted(RegistrySubkeys(HKEY_CLASSES_ROOT, L"")))
    out += wqtest::RegistryDump(HKEY_CLASSES_ROOT, key);
  return out;
}

std::wstring BeforeFile() {
  const wchar_t* path = _wgetenv(L"WQ_REGISTRY_BEFORE");
  return path ? path : L"";
}

void WriteText(const std::wstring& path, const std::wstring& text) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(f, nullptr) << path;
  fwrite(text.data(), sizeof(wchar_t), text.size(), f);
  fclose(f);
}

std::wstring ReadText(const std::wstring& path) {
  std::wstring text;
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return L"<not kept>";
  wchar_t buffer[4096];
  size_t n;
  while ((n = fread(buffer, sizeof(wchar_t), 4096, f)) > 0) text.append(buffer, n);
  fclose(f);
  return text;
}

// Run before registration: keeps the registry as it is, and when its keys were written, for
// the checks after unregistration or after a registration that failed.
TEST(Before, KeepTheRegistry) {
  if (RegisteredModule().empty() || BeforeFile().empty())
    GTEST_SKIP() << "run by registrationpath.sh";
  WriteText(BeforeFile(), RegistryOfTheModule());
  WriteText(BeforeFile() + L".written", LastWrites());
  WriteText(BeforeFile() + L".whole", WholeClassesRoot());
}

// The neutral locale's key of the library's version made volatile: the entry that
// registration writes there, after the library itself was registered, cannot be made.
TEST(LateFailure, PrepareALocaleKeyThatTakesNoEntry) {
  if (RegisteredModule().empty()) GTEST_SKIP() << "run by registrationpath.sh";
  const std::wstring version = L"TypeLib\\" + wqtest::GuidText(kLibId) + L"\\17c.0";
  plat::unique_hkey key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, version.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  plat::unique_hkey locale;
  ASSERT_EQ(RegCreateKeyExW(key.get(), L"0", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, locale.put(), nullptr),
            ERROR_SUCCESS);
}

// Run after a registration that failed once the library was registered: what it wrote is
// gone and what it wrote over is back, in the whole classes root, both views.
TEST(LateFailure, TheWholeRegistryIsAsItWas) {
  if (RegisteredModule().empty() || BeforeFile().empty())
    GTEST_SKIP() << "run by registrationpath.sh";
  EXPECT_TRUE(WholeClassesRoot() == ReadText(BeforeFile() + L".whole"));
}

TEST(Registered, EveryClassHasExactlyItsKeysAndCreates) {
  const std::wstring module = RegisteredModule();
  if (module.empty()) GTEST_SKIP() << "run by registrationpath.sh";
  for (const ServerClass& c : ModuleClasses()) {
    const std::wstring name = c.name;
    const std::wstring key = L"CLSID\\" + wqtest::GuidText(c.clsid);
    const int bitmap = ToolboxBitmap(name);
    std::vector<std::wstring> expected = {L"InprocServer32", L"ProgID", L"Programmable", L"TypeLib",
                                          L"VersionIndependentProgID"};
    if (bitmap) {
      expected.insert(expected.end(),
                      {L"Control", L"Insertable", L"MiscStatus", L"ToolboxBitmap32", L"Version"});
    }
    EXPECT_EQ(Sorted(RegistrySubkeys(HKEY_CLASSES_ROOT, key)), Sorted(expected)) << name;
    EXPECT_EQ(Value(key), (name == L"Main" ? L"WQCGenericSvcs " : L"") + name + L" Class");
    EXPECT_EQ(Value(key + L"\\InprocServer32"), module) << name;
    EXPECT_EQ(Value(key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment") << name;
    if (bitmap) {
      EXPECT_EQ(Value(key + L"\\ToolboxBitmap32"), module + L", " + std::to_wstring(bitmap));
    }
    EXPECT_EQ(Value(L"WQCGenericSvcs." + name + L"\\CurVer"), L"WQCGenericSvcs." + name + L".380");

    plat::com_ptr<IUnknown> object;
    EXPECT_EQ(
        CoCreateInstance(c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void()),
        S_OK)
        << name;
  }
}

TEST(Unregistered, NoKeyOfAnyClassIsLeft) {
  if (RegisteredModule().empty()) GTEST_SKIP() << "run by registrationpath.sh";
  for (const ServerClass& c : ModuleClasses()) {
    const std::wstring progId = L"WQCGenericSvcs." + c.name;
    EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, progId)) << progId;
    EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, progId + L".380")) << progId;
    EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + wqtest::GuidText(c.clsid)))
        << c.name;
  }
  EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
}

TEST(Registered, TheLibraryIsRegisteredForTheNeutralLocale) {
  if (RegisteredModule().empty()) GTEST_SKIP() << "run by registrationpath.sh";
  EXPECT_EQ(Value(L"TypeLib\\" + wqtest::GuidText(kLibId) + L"\\17c.0\\0\\win64"),
            RegisteredModule());
}

// The library's keys included, under every locale it was registered for.
TEST(Unregistered, TheRegistryIsAsItWas) {
  if (RegisteredModule().empty() || BeforeFile().empty())
    GTEST_SKIP() << "run by registrationpath.sh";
  EXPECT_EQ(RegistryOfTheModule(), ReadText(BeforeFile()));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + wqtest::GuidText(kLibId)));
}

// Run after a registration refused on the module itself (its path): it left every key as
// it found it, those of a registration from another folder included, and wrote none.
TEST(Unchanged, TheRegistryIsAsItWas) {
  if (RegisteredModule().empty() || BeforeFile().empty())
    GTEST_SKIP() << "run by registrationpath.sh";
  EXPECT_EQ(RegistryOfTheModule(), ReadText(BeforeFile()));
  EXPECT_EQ(LastWrites(), ReadText(BeforeFile() + L".written"));
}

// Run after registering and unregistering over a 32-bit registration of the same library
// version: its entries stay as they were, this module's are gone.
TEST(ThirtyTwoBit, ItsEntriesStay) {
  if (RegisteredModule().empty()) GTEST_SKIP() << "run by registrationpath.sh";
  const std::wstring version = L"TypeLib\\" + wqtest::GuidText(kLibId) + L"\\17c.0";
  for (const wchar_t* locale : {L"\\0", L"\\409"}) {
    EXPECT_EQ(Value(version + locale + L"\\win32"), L"C:\\x86\\WQCGenericSvcs.dll") << locale;
    EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, version + locale + L"\\win64")) << locale;
  }
}

}  // namespace
