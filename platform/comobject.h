// COM objects, class objects and the in-process server module.
//
//   class Widget : public plat::Implements<Widget, plat::Dispatch<IWidget>,
//                                          plat::SupportErrorInfo<IWidget>> { ... };
//
// Implements<> answers QueryInterface for every listed interface (and IDispatch for the
// first dual one; a mixin may carry several, see interface_list); ComObject<T> is the
// concrete, reference-counted and optionally aggregated object. Objects are made only
// through make<T>() or the class factory. Module holds the object map, the lock count
// and the type library's identity, and carries the four DLL exports.
#pragma once

#include "handles.h"

#include <atomic>
#include <memory>
#include <string>
#include <type_traits>

namespace plat {

// ---------------------------------------------------------------- module lock count

class Module;
Module& module() noexcept;

// ---------------------------------------------------------------- interface lists

namespace details {

// A mixin names the interface it implements through `com_interface`; a plain
// interface stands for itself.
template <class B, class = void>
struct interface_of {
  using type = B;
};
template <class B>
struct interface_of<B, std::void_t<typename B::com_interface>> {
  using type = typename B::com_interface;
};
template <class B>
using interface_of_t = typename interface_of<B>::type;

}  // namespace details

// A mixin that implements several interfaces lists them instead of naming one:
//   using com_interfaces = interface_list<IOleObject, interface_as<IOleWindow, IOleInPlaceObject>>;
// interface_as<I, Via> answers I through the base Via, for an interface the mixin inherits
// more than once.
template <class... Is>
struct interface_list {};
template <class I, class Via>
struct interface_as {};

namespace details {

template <class B, class = void>
struct has_interface_list : std::false_type {};
template <class B>
struct has_interface_list<B, std::void_t<typename B::com_interfaces>> : std::true_type {};

template <class I>
struct list_entry {
  template <class B>
  static void* Match(B* self, REFIID riid) noexcept {
    return riid == __uuidof(I) ? static_cast<I*>(self) : nullptr;
  }
};
template <class I, class Via>
struct list_entry<interface_as<I, Via>> {
  template <class B>
  static void* Match(B* self, REFIID riid) noexcept {
    return riid == __uuidof(I) ? static_cast<I*>(static_cast<Via*>(self)) : nullptr;
  }
};

template <class B, class... Is>
void* MatchList(B* self, REFIID riid, interface_list<Is...>) noexcept {
  void* found = nullptr;
  ((found = found ? found : list_entry<Is>::Match(self, riid)), ...);
  return found;
}

template <class... Bases>
struct first_dispatch;
template <>
struct first_dispatch<> {
  using type = void;
};
template <class B, class... Rest>
struct first_dispatch<B, Rest...> {
  using type = std::conditional_t<std::is_base_of_v<IDispatch, interface_of_t<B>>, B,
                                  typename first_dispatch<Rest...>::type>;
};

}  // namespace details

// Base of every COM class. Lists its interfaces (or mixins) once.
template <class Derived, class... Bases>
class Implements : public Bases... {
 public:
  // One declaration overrides the IUnknown methods of every base, so the class has
  // a single identity; ComObject supplies the bodies.
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override = 0;
  STDMETHOD_(ULONG, AddRef)() override = 0;
  STDMETHOD_(ULONG, Release)() override = 0;

  // The non-delegating lookup over the listed interfaces; IUnknown is ComObject's.
  void* FindInterface(REFIID riid) noexcept {
    void* found = nullptr;
    ((found = found ? found : Match<Bases>(riid)), ...);
    if (!found && riid == IID_IDispatch) {
      using dispatch_base = typename details::first_dispatch<Bases...>::type;
      if constexpr (!std::is_void_v<dispatch_base>) {
        found = static_cast<IDispatch*>(static_cast<details::interface_of_t<dispatch_base>*>(
            static_cast<dispatch_base*>(this)));
      }
    }
    return found;
  }

  // Optional second construction step of the class; failure ends the creation.
  HRESULT FinalConstruct() noexcept { return S_OK; }

 protected:
  Implements() = default;
  virtual ~Implements() = default;

 private:
  template <class B>
  void* Match(REFIID riid) noexcept {
    if constexpr (details::has_interface_list<B>::value) {
      return details::MatchList(static_cast<B*>(this), riid, typename B::com_interfaces{});
    } else {
      using I = details::interface_of_t<B>;
      if (riid == __uuidof(I)) return static_cast<I*>(static_cast<B*>(this));
      return nullptr;
    }
  }
};

// The concrete object. When created inside an aggregate, every interface delegates
// IUnknown to the outer object and only the inner unknown answers for identity.
template <class T>
class ComObject final : public T {
 public:
  template <class... Args>
  explicit ComObject(IUnknown* outer, Args&&... args)
      : T(std::forward<Args>(args)...), inner_(this), controlling_(outer ? outer : &inner_) {
    LockModule();
  }
  ~ComObject() override { UnlockModule(); }

  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    return controlling_->QueryInterface(riid, ppv);
  }
  STDMETHOD_(ULONG, AddRef)() override { return controlling_->AddRef(); }
  STDMETHOD_(ULONG, Release)() override { return controlling_->Release(); }

  IUnknown* InnerUnknown() noexcept { return &inner_; }

 private:
  static void LockModule() noexcept;
  static void UnlockModule() noexcept;

  struct Inner final : IUnknown {
    explicit Inner(ComObject* owner) : owner(owner) {}
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
      if (!ppv) return E_POINTER;
      *ppv = nullptr;
      void* found =
          riid == IID_IUnknown ? static_cast<IUnknown*>(this) : owner->FindInterface(riid);
      if (!found) return E_NOINTERFACE;
      static_cast<IUnknown*>(found)->AddRef();
      *ppv = found;
      return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
    STDMETHOD_(ULONG, Release)() override {
      const ULONG left = --refs;
      if (left == 0) delete owner;
      return left;
    }
    ComObject* owner;
    std::atomic<ULONG> refs{0};
  };

  Inner inner_;
  IUnknown* controlling_;
};

// Creates an instance for a class factory: plain, or aggregated when an outer object is
// given (which may then ask only for IUnknown).
template <class T>
HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
  ComObject<T>* object = nullptr;
  try {
    // Constructors copy their defaults, and may find no memory for them.
    object = new ComObject<T>(outer);
  } catch (...) {
    return to_hresult();
  }
  IUnknown* inner = object->InnerUnknown();
  inner->AddRef();
  HRESULT hr = object->FinalConstruct();
  if (SUCCEEDED(hr)) hr = inner->QueryInterface(riid, ppv);
  inner->Release();
  return hr;
}

// Makes an object inside the module; returns it through its first interface.
template <class T, class... Args>
com_ptr<T> make(Args&&... args) {
  auto* object = new ComObject<T>(nullptr, std::forward<Args>(args)...);
  com_ptr<T> result(object);
  throw_if_failed(object->FinalConstruct());
  return result;
}

// ---------------------------------------------------------------- object map

using CreateInstanceFn = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv) noexcept;

struct ObjectEntry {
  const CLSID* clsid;
  UINT registryResource;  // "REGISTRY" resource with the class's script
  CreateInstanceFn create;
  com_ptr<IUnknown> classObject;  // made on first request, kept for the module's life
};

template <class T>
ObjectEntry MakeObjectEntry(UINT registryResource) noexcept {
  return ObjectEntry{&__uuidof(T), registryResource, &CreateInstance<T>, nullptr};
}

// ---------------------------------------------------------------- module

// One name=value pair of a registry script's replacement map.
struct Replacement {
  const wchar_t* name;
  const wchar_t* value;
};

class Module {
 public:
  struct TypeLibId {
    GUID libid;
    WORD major;
    WORD minor;
    LCID lcid = 0;  // the locale the type library is registered under
  };

  // Called from DllMain on process attach and detach.
  void Init(ObjectEntry* entries, size_t count, HINSTANCE instance, const TypeLibId& typeLib);
  void Term() noexcept;

  LONG Lock() noexcept { return ++locks_; }
  LONG Unlock() noexcept { return --locks_; }
  LONG GetLockCount() const noexcept { return locks_; }

  HINSTANCE GetInstance() const noexcept { return instance_; }
  const TypeLibId& GetTypeLib() const noexcept { return typeLib_; }
  // The full path of the DLL (registry "%MODULE%"), whatever its length; empty when it
  // could not be read.
  const wchar_t* GetModulePath() const noexcept { return modulePath_.c_str(); }

  // The bodies of the four exports.
  HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) noexcept;
  HRESULT CanUnloadNow() const noexcept { return locks_ == 0 ? S_OK : S_FALSE; }
  // Runs every entry's registration, then registers (or unregisters) the type library
  // held as resource "TYPELIB" 1 of this module. A registration reads the library before
  // it writes anything, and one that fails at any step puts back what was there before it
  // (a registration from another folder stays whole); removing what is not there succeeds.
  HRESULT RegisterServer(bool registerTypeLib = true) noexcept;
  HRESULT UnregisterServer(bool unregisterTypeLib = true) noexcept;

  // Runs the "REGISTRY" resource `id` through the registrar with the map (MODULE added).
  HRESULT UpdateRegistryFromResource(UINT id, bool doRegister, const Replacement* replacements,
                                     size_t count) noexcept;

  // The hook through which the server builds its replacement map and runs one script.
  using RegisterEntryFn = HRESULT (*)(UINT resourceId, bool doRegister) noexcept;
  void SetRegisterEntry(RegisterEntryFn fn) noexcept { registerEntry_ = fn; }

  // A look at the arguments of a late-bound call before the type library coerces them,
  // for values that coercion would turn into others than the caller meant. A failure
  // (with its own error info) refuses the call.
  class ArgumentCheck {
   public:
    virtual ~ArgumentCheck() = default;
    virtual HRESULT Check(DISPID member, WORD flags, const DISPPARAMS* params) const noexcept = 0;
  };
  // Prepares the check of one interface from its type information, once per interface;
  // calls only read it, without a lock. Null for an interface that needs none; none is made
  // unless the server sets this.
  using MakeArgumentCheckFn = std::unique_ptr<ArgumentCheck> (*)(REFIID iid, ITypeInfo* info);
  void SetArgumentCheck(MakeArgumentCheckFn fn) noexcept { makeArgumentCheck_ = fn; }
  MakeArgumentCheckFn GetArgumentCheck() const noexcept { return makeArgumentCheck_; }

  ObjectEntry* begin() const noexcept { return entries_; }
  ObjectEntry* end() const noexcept { return entries_ + count_; }

 private:
  HRESULT RegisterEntries(bool doRegister) noexcept;
  HRESULT RegisterTypeLibrary(ITypeLib* typeLib) noexcept;
  HRESULT UnregisterTypeLibrary() noexcept;

  ObjectEntry* entries_ = nullptr;
  size_t count_ = 0;
  HINSTANCE instance_ = nullptr;
  TypeLibId typeLib_{};
  std::wstring modulePath_;
  std::atomic<LONG> locks_{0};
  critical_section objectLock_;
  RegisterEntryFn registerEntry_ = nullptr;
  MakeArgumentCheckFn makeArgumentCheck_ = nullptr;
};

template <class T>
void ComObject<T>::LockModule() noexcept {
  module().Lock();
}
template <class T>
void ComObject<T>::UnlockModule() noexcept {
  module().Unlock();
}

// Formats a GUID as registry text: braces and upper-case hexadecimal.
void GuidToRegistryText(REFGUID guid, wchar_t (&text)[39]) noexcept;

}  // namespace plat
