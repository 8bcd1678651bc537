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
           guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
           guid.Data4[6], guid.Data4[7]);
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

HRESULT Module::RegisterServer(bool registerTypeLib) noexcept {
  PLAT_RETURN_IF_FAILED(RegisterEntries(true));
  if (!registerTypeLib) return S_OK;
  com_ptr<ITypeLib> typeLib;
  PLAT_RETURN_IF_FAILED(::LoadTypeLibEx(modulePath_, REGKIND_NONE, typeLib.put()));
  return ::RegisterTypeLib(typeLib.get(), modulePath_, nullptr);
}

HRESULT Module::UnregisterServer(bool unregisterTypeLib) noexcept {
  PLAT_RETURN_IF_FAILED(RegisterEntries(false));
  if (!unregisterTypeLib) return S_OK;
  com_ptr<ITypeLib> typeLib;
  PLAT_RETURN_IF_FAILED(::LoadTypeLibEx(modulePath_, REGKIND_NONE, typeLib.put()));
  TLIBATTR* attr = nullptr;
  PLAT_RETURN_IF_FAILED(typeLib->GetLibAttr(&attr));
  const HRESULT hr =
      ::UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                          attr->syskind);
  typeLib->ReleaseTLibAttr(attr);
  return hr;
}

HRESULT Module::UpdateRegistryFromResource(UINT id, bool doRegister,
                                           const Replacement* replacements,
                                           size_t count) noexcept try {
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
