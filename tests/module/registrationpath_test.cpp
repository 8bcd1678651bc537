// The server registered from a folder whose path holds a quote, in a prefix of its own
// (tests/module/registrationpath.sh): every class has exactly its keys and creates, and
// unregistration leaves none of them. The path registered is in WQ_REGISTERED_MODULE.
#include <gtest/gtest.h>

#include <algorithm>
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

// The classes the module's own library describes: it stays readable after unregistration.
std::vector<ServerClass> ModuleClasses() {
  plat::com_ptr<ITypeLib> lib;
  LoadTypeLibEx(RegisteredModule().c_str(), REGKIND_NONE, lib.put());
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

}  // namespace
