#include "comobject.h"
#include "dispatch.h"
#include "registrar.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace plat {

Module& module() noexcept {
  static Module instance;
  return instance;
}

HRESULT hresult_from_last_error() noexcept {
  const DWORD error = ::GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

void throw_hresult(HRESULT hr) { throw hresult_error{hr}; }

HRESULT to_hresult() noexcept {
  try {
    throw;
  } catch (const hresult_error& e) {
    return e.code;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

void GuidToRegistryText(REFGUID guid, wchar_t (&text)[39]) noexcept {
  swprintf(text, 39, L"{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
           static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
           guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6],
           guid.Data4[7]);
}

namespace {

// The class object of one entry. It is kept by the module for its whole life; only
// references beyond the module's own count as locks on the module.
class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(CreateInstanceFn create) : create_(create) {}

  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override {
    const ULONG refs = ++refs_;
    if (refs == 2) module().Lock();
    return refs;
  }
  STDMETHOD_(ULONG, Release)() override {
    const ULONG refs = --refs_;
    if (refs == 1) module().Unlock();
    if (refs == 0) delete this;
    return refs;
  }
  STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppv) override {
    return create_(outer, riid, ppv);
  }
  STDMETHOD(LockServer)(BOOL lock) override {
    if (lock)
      module().Lock();
    else
      module().Unlock();
    return S_OK;
  }

 private:
  CreateInstanceFn create_;
  std::atomic<ULONG> refs_{0};
};

// The longest path the system takes, in characters.
constexpr size_t kLongestPath = 32767;

// The module's path read whole: one cut at MAX_PATH would be registered pointing nowhere.
// Empty when it cannot be read.
std::wstring ModuleFileName(HINSTANCE instance) {
  std::wstring path(MAX_PATH + 1, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(instance, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() > kLongestPath) return {};
    path.resize(path.size() * 2);
  }
}

}  // namespace

void Module::Init(ObjectEntry* entries, size_t count, HINSTANCE instance,
                  const TypeLibId& typeLib) {
  entries_ = entries;
  count_ = count;
  instance_ = instance;
  typeLib_ = typeLib;
  try {
    modulePath_ = ModuleFileName(instance);
  } catch (const std::bad_alloc&) {
    modulePath_.clear();  // registration refuses a module without a path
  }
}

void Module::Term() noexcept {
  for (ObjectEntry& entry : *this) entry.classObject.reset();
  ReleaseTypeInfoCache();
}

HRESULT Module::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  for (ObjectEntry& entry : *this) {
    if (*entry.clsid != clsid) continue;
    objectLock_.lock();
    if (!entry.classObject) {
      auto* factory = new (std::nothrow) ClassFactory(entry.create);
      if (factory) entry.classObject = com_ptr<IUnknown>(factory);
    }
    const com_ptr<IUnknown> classObject = entry.classObject;
    objectLock_.unlock();
    if (!classObject) return E_OUTOFMEMORY;
    return classObject->QueryInterface(riid, ppv);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

// Registration stops at the first failure; unregistration removes what it can and
// reports the first failure.
HRESULT Module::RegisterEntries(bool doRegister) noexcept {
  if (!registerEntry_) return S_OK;
  HRESULT result = S_OK;
  for (const ObjectEntry& entry : *this) {
    const HRESULT hr = registerEntry_(entry.registryResource, doRegister);
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    if (FAILED(result) && doRegister) break;
  }
  return result;
}

namespace {

// The keys of one version of a type library: "TypeLib\{libid}\major.minor" (hexadecimal
// numbers), its locale keys "<lcid>" and their platform entries ("win32", "win64").
std::wstring VersionKey(REFGUID libid, WORD major, WORD minor) {
  wchar_t guid[39] = {};
  GuidToRegistryText(libid, guid);
  wchar_t key[96];
  std::swprintf(key, 96, L"TypeLib\\%ls\\%x.%x", guid, major, minor);
  return key;
}

std::wstring LocaleKey(const std::wstring& version, LCID lcid) {
  wchar_t locale[16];
  std::swprintf(locale, 16, L"\\%lx", static_cast<unsigned long>(lcid));
  return version + locale;
}

const wchar_t* PlatformName(SYSKIND syskind) { return syskind == SYS_WIN32 ? L"win32" : L"win64"; }

// The platform this module registers its library for.
constexpr SYSKIND kOwnPlatform = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

bool KeyExists(const std::wstring& path) {
  unique_hkey key;
  return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// The subkeys of a key; empty when it does not exist.
std::vector<std::wstring> Subkeys(const std::wstring& path) {
  std::vector<std::wstring> names;
  unique_hkey key;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return names;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    if (::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  return names;
}

// Deletes a key that has no subkeys; one that is gone already, or still holds others' keys,
// is no failure.
HRESULT DeleteKeyIfEmpty(const std::wstring& path) {
  if (!Subkeys(path).empty()) return S_OK;
  const LSTATUS status = ::RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK
                                                                   : HRESULT_FROM_WIN32(status);
}

// "TypeLib\{libid}\major.minor\0": the library under the neutral locale, beside the
// locale it was built for. Clients and the type-library marshaler ask for LOCALE_NEUTRAL
// (or their own locale, which falls back to it), so a library registered only for its
// own locale cannot be found by them.
HRESULT RegisterNeutralLocale(const TLIBATTR& attr, const wchar_t* path) noexcept try {
  if (attr.lcid == LOCALE_NEUTRAL) return S_OK;
  const std::wstring key =
      LocaleKey(VersionKey(attr.guid, attr.wMajorVerNum, attr.wMinorVerNum), LOCALE_NEUTRAL) +
      L"\\" + PlatformName(attr.syskind);
  unique_hkey opened;
  LSTATUS status = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE,
                                     nullptr, opened.put(), nullptr);
  if (status == ERROR_SUCCESS)
    status = ::RegSetValueExW(opened.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                              static_cast<DWORD>((wcslen(path) + 1) * sizeof(wchar_t)));
  return HRESULT_FROM_WIN32(status);
}
PLAT_CATCH_RETURN()

// The views registering a library writes in: the system's own registration of a library
// also writes its interfaces for 32-bit clients, under the 32-bit view's node.
constexpr const wchar_t* kTypeLibraryViews[] = {L"", L"Wow6432Node\\"};

// Keeps the trees that registering a library writes: the library's own and its interfaces',
// in both views.
HRESULT KeepTypeLibraryKeys(ITypeLib* typeLib, RegistrySnapshot& keep) noexcept try {
  const auto keepInViews = [&keep](const wchar_t* kind, const wchar_t* guid) {
    for (const wchar_t* view : kTypeLibraryViews)
      PLAT_RETURN_IF_FAILED(keep.Keep(HKEY_CLASSES_ROOT, std::wstring(view) + kind + guid));
    return S_OK;
  };
  TLIBATTR* libAttr = nullptr;
  PLAT_RETURN_IF_FAILED(typeLib->GetLibAttr(&libAttr));
  wchar_t guid[39] = {};
  GuidToRegistryText(libAttr->guid, guid);
  typeLib->ReleaseTLibAttr(libAttr);
  PLAT_RETURN_IF_FAILED(keepInViews(L"TypeLib\\", guid));
  for (UINT i = 0; i < typeLib->GetTypeInfoCount(); ++i) {
    TYPEKIND kind = TKIND_MAX;
    if (FAILED(typeLib->GetTypeInfoType(i, &kind)) ||
        (kind != TKIND_INTERFACE && kind != TKIND_DISPATCH))
      continue;
    com_ptr<ITypeInfo> info;
    TYPEATTR* attr = nullptr;
    PLAT_RETURN_IF_FAILED(typeLib->GetTypeInfo(i, info.put()));
    PLAT_RETURN_IF_FAILED(info->GetTypeAttr(&attr));
    GuidToRegistryText(attr->guid, guid);
    info->ReleaseTypeAttr(attr);
    PLAT_RETURN_IF_FAILED(keepInViews(L"Interface\\", guid));
  }
  return S_OK;
}
PLAT_CATCH_RETURN()

}  // namespace

HRESULT Module::RegisterTypeLibrary(ITypeLib* typeLib) noexcept {
  wchar_t* path = modulePath_.data();
  PLAT_RETURN_IF_FAILED(::RegisterTypeLib(typeLib, path, nullptr));
  TLIBATTR* attr = nullptr;
  PLAT_RETURN_IF_FAILED(typeLib->GetLibAttr(&attr));
  const HRESULT hr = RegisterNeutralLocale(*attr, path);
  typeLib->ReleaseTLibAttr(attr);
  return hr;
}

// Removes only what registering wrote: this platform's entries under the library's locale
// and the neutral one, the interfaces (through the system's unregistration, which runs
// only while this module's entry is there), then the locale, version and library keys
// that are left empty. Another platform's registration of the same version keeps its
// entries and the keys that hold them; what is gone already is no failure.
HRESULT Module::UnregisterTypeLibrary() noexcept try {
  const TypeLibId& id = typeLib_;
  const std::wstring version = VersionKey(id.libid, id.major, id.minor);
  const std::wstring platform = std::wstring(L"\\") + PlatformName(kOwnPlatform);
  HRESULT hr = S_OK;
  if (id.lcid != LOCALE_NEUTRAL) {
    const std::wstring neutral = LocaleKey(version, LOCALE_NEUTRAL);
    const LSTATUS status = ::RegDeleteKeyW(HKEY_CLASSES_ROOT, (neutral + platform).c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) hr = HRESULT_FROM_WIN32(status);
    if (SUCCEEDED(hr)) hr = DeleteKeyIfEmpty(neutral);
  }
  const std::wstring own = LocaleKey(version, id.lcid);
  if (SUCCEEDED(hr) && KeyExists(own + platform))
    hr = ::UnRegisterTypeLib(id.libid, id.major, id.minor, id.lcid, kOwnPlatform);
  if (FAILED(hr)) return hr;
  PLAT_RETURN_IF_FAILED(DeleteKeyIfEmpty(own));
  // What the library's registration wrote beside the locales goes with the last of them.
  const std::vector<std::wstring> left = Subkeys(version);
  if (std::any_of(left.begin(), left.end(), [](const std::wstring& name) {
        return _wcsicmp(name.c_str(), L"FLAGS") != 0 && _wcsicmp(name.c_str(), L"HELPDIR") != 0;
      }))
    return S_OK;
  for (const wchar_t* shared : {L"FLAGS", L"HELPDIR"})
    ::RegDeleteKeyW(HKEY_CLASSES_ROOT, (version + L"\\" + shared).c_str());
  PLAT_RETURN_IF_FAILED(DeleteKeyIfEmpty(version));
  return DeleteKeyIfEmpty(version.substr(0, version.rfind(L'\\')));
}
PLAT_CATCH_RETURN()

HRESULT Module::RegisterServer(bool registerTypeLib) noexcept try {
  // What can fail on the module itself fails before anything is written: a path that could
  // not be read whole, a library that cannot be read from it (this platform reads none
  // from a path longer than MAX_PATH).
  if (modulePath_.empty()) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  RegistrySnapshot before;
  com_ptr<ITypeLib> typeLib;
  if (registerTypeLib) {
    PLAT_RETURN_IF_FAILED(::LoadTypeLibEx(modulePath_.c_str(), REGKIND_NONE, typeLib.put()));
    PLAT_RETURN_IF_FAILED(KeepTypeLibraryKeys(typeLib.get(), before));
  }
  HRESULT hr = S_OK;
  {
    const RegistrySnapshot::Recording recording(before);
    hr = RegisterEntries(true);
  }
  if (SUCCEEDED(hr) && typeLib) hr = RegisterTypeLibrary(typeLib.get());
  if (SUCCEEDED(hr)) return hr;
  // A failed registration puts back what it wrote over (another folder's registration of
  // the same classes stays whole) and keeps its failure's own error info.
  com_ptr<IErrorInfo> info;
  ::GetErrorInfo(0, info.put());
  before.Restore();
  ::SetErrorInfo(0, info.get());
  return hr;
}
PLAT_CATCH_RETURN()

HRESULT Module::UnregisterServer(bool unregisterTypeLib) noexcept {
  HRESULT hr = RegisterEntries(false);
  if (unregisterTypeLib) {
    const HRESULT typeLib = UnregisterTypeLibrary();
    if (SUCCEEDED(hr)) hr = typeLib;
  }
  return hr;
}

HRESULT Module::UpdateRegistryFromResource(UINT id, bool doRegister,
                                           const Replacement* replacements, size_t count) noexcept
    try {
  HRSRC resource = ::FindResourceW(instance_, MAKEINTRESOURCEW(id), L"REGISTRY");
  if (!resource) return hresult_from_last_error();
  HGLOBAL loaded = ::LoadResource(instance_, resource);
  const DWORD size = ::SizeofResource(instance_, resource);
  const char* bytes = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
  if (!bytes) return hresult_from_last_error();

  std::wstring script(size, L'\0');
  const int chars = size ? ::MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size),
                                                 script.data(), static_cast<int>(size))
                         : 0;
  script.resize(chars > 0 ? chars : 0);

  std::vector<Replacement> map(replacements, replacements + count);
  map.push_back({L"MODULE", modulePath_.c_str()});
  return RunRegistryScript(script.c_str(), map.data(), map.size(), doRegister);
}
PLAT_CATCH_RETURN()

}  // namespace plat
