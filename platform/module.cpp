#include "comobject.h"
#include "dispatch.h"
#include "registrar.h"

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

}  // namespace

void Module::Init(ObjectEntry* entries, size_t count, HINSTANCE instance,
                  const TypeLibId& typeLib) {
  entries_ = entries;
  count_ = count;
  instance_ = instance;
  typeLib_ = typeLib;
  const DWORD length = ::GetModuleFileNameW(instance, modulePath_, MAX_PATH);
  modulePath_[length < MAX_PATH ? length : MAX_PATH] = L'\0';
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

HRESULT Module::RegisterEntries(bool doRegister) noexcept {
  if (!registerEntry_) return S_OK;
  for (const ObjectEntry& entry : *this)
    PLAT_RETURN_IF_FAILED(registerEntry_(entry.registryResource, doRegister));
  return S_OK;
}

namespace {

// "TypeLib\{libid}\major.minor\0": the library under the neutral locale, beside the
// locale it was built for. Clients and the type-library marshaler ask for LOCALE_NEUTRAL
// (or their own locale, which falls back to it), so a library registered only for its
// own locale cannot be found by them.
std::wstring NeutralLocaleKey(const TLIBATTR& attr) {
  wchar_t guid[39] = {};
  ::StringFromGUID2(attr.guid, guid, 39);
  wchar_t key[96];
  std::swprintf(key, 96, L"TypeLib\\%ls\\%x.%x\\0", guid, attr.wMajorVerNum, attr.wMinorVerNum);
  return key;
}

HRESULT RegisterNeutralLocale(const TLIBATTR& attr, const wchar_t* path) noexcept try {
  if (attr.lcid == LOCALE_NEUTRAL) return S_OK;
  const std::wstring key =
      NeutralLocaleKey(attr) + (attr.syskind == SYS_WIN32 ? L"\\win32" : L"\\win64");
  unique_hkey opened;
  LSTATUS status = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE,
                                     nullptr, opened.put(), nullptr);
  if (status == ERROR_SUCCESS)
    status = ::RegSetValueExW(opened.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                              static_cast<DWORD>((wcslen(path) + 1) * sizeof(wchar_t)));
  return HRESULT_FROM_WIN32(status);
}
PLAT_CATCH_RETURN()

HRESULT UnregisterNeutralLocale(const TLIBATTR& attr) noexcept try {
  if (attr.lcid == LOCALE_NEUTRAL) return S_OK;
  const LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, NeutralLocaleKey(attr).c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK
                                                                   : HRESULT_FROM_WIN32(status);
}
PLAT_CATCH_RETURN()

}  // namespace

HRESULT Module::RegisterServer(bool registerTypeLib) noexcept {
  PLAT_RETURN_IF_FAILED(RegisterEntries(true));
  if (!registerTypeLib) return S_OK;
  com_ptr<ITypeLib> typeLib;
  PLAT_RETURN_IF_FAILED(::LoadTypeLibEx(modulePath_, REGKIND_NONE, typeLib.put()));
  PLAT_RETURN_IF_FAILED(::RegisterTypeLib(typeLib.get(), modulePath_, nullptr));
  TLIBATTR* attr = nullptr;
  PLAT_RETURN_IF_FAILED(typeLib->GetLibAttr(&attr));
  const HRESULT hr = RegisterNeutralLocale(*attr, modulePath_);
  typeLib->ReleaseTLibAttr(attr);
  return hr;
}

HRESULT Module::UnregisterServer(bool unregisterTypeLib) noexcept {
  PLAT_RETURN_IF_FAILED(RegisterEntries(false));
  if (!unregisterTypeLib) return S_OK;
  com_ptr<ITypeLib> typeLib;
  PLAT_RETURN_IF_FAILED(::LoadTypeLibEx(modulePath_, REGKIND_NONE, typeLib.put()));
  TLIBATTR* attr = nullptr;
  PLAT_RETURN_IF_FAILED(typeLib->GetLibAttr(&attr));
  // The neutral key goes first: the library's own unregistration removes the version key
  // only when no locale is left under it.
  HRESULT hr = UnregisterNeutralLocale(*attr);
  if (SUCCEEDED(hr))
    hr = ::UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                             attr->syskind);
  typeLib->ReleaseTLibAttr(attr);
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
  map.push_back({L"MODULE", modulePath_});
  return RunRegistryScript(script.c_str(), map.data(), map.size(), doRegister);
}
PLAT_CATCH_RETURN()

}  // namespace plat
