// Dual-interface dispatch from the module's registered type library, and the small
// standard interfaces every class answers: ISupportErrorInfo and IProvideClassInfo2.
//
// Dispatch<I> implements IDispatch for the dual interface I with the type information
// of the module's type library at its registered version; the ITypeInfo of each
// interface is loaded once and shared by every object of the module.
#pragma once

#include "comobject.h"

#include <ocidl.h>

#include <atomic>
#include <memory>

namespace plat {

// The type information of `guid` (an interface or class) in the module's type library,
// loaded with LoadRegTypeLib on first use and kept until the module ends.
HRESULT GetModuleTypeInfo(REFGUID guid, ITypeInfo** typeInfo) noexcept;

// What the late-bound calls of one interface need: its type information and the server's
// argument check prepared from it. Made once and never changed, so that every call of every
// object reads it without a lock.
struct DispatchInfo {
  com_ptr<ITypeInfo> typeInfo;
  std::unique_ptr<Module::ArgumentCheck> check;  // null: the interface's arguments need none
};

// The dispatch information of interface `iid`, made on first use. `slot` is the caller's
// own place for it: set here, read by the caller from then on without a lock, and cleared
// when the module ends.
HRESULT GetDispatchInfo(REFIID iid, std::atomic<const DispatchInfo*>& slot,
                        const DispatchInfo** dispatch) noexcept;

// Releases the cached type information (module termination).
void ReleaseTypeInfoCache() noexcept;

// Whether the type information can read a late-bound call's `params` at all; an argument check
// leaves what it cannot read to it, which refuses the call.
bool ReadableArguments(const DISPPARAMS* params) noexcept;

// The one mapping of a late-bound call's arguments to the parameters of the member called, as
// the type information hands them on, so that every argument check looks at the value the
// parameter will get: a parameter takes the first argument named by its position (the last
// one also an argument named DISPID_PROPERTYPUT, a put's value); the parameters named by none
// take the positional arguments in turn, from the left (the last of rgvarg first).
// `visit(parameter, argument)` runs for each of the `count` parameters that gets one, in order;
// the first failure it answers ends the walk and is answered. `params` is readable.
template <class Visit>
HRESULT ForEachParameterArgument(const DISPPARAMS& params, UINT count, Visit&& visit) {
  const UINT positional = params.cArgs - params.cNamedArgs;
  UINT handedOut = 0;
  for (UINT parameter = 0; parameter < count; ++parameter) {
    const VARIANT* argument = nullptr;
    for (UINT n = 0; n < params.cNamedArgs && !argument; ++n) {
      const DISPID name = params.rgdispidNamedArgs[n];
      if (name == static_cast<DISPID>(parameter) ||
          (name == DISPID_PROPERTYPUT && parameter + 1 == count))
        argument = &params.rgvarg[n];
    }
    if (!argument && handedOut < positional)
      argument = &params.rgvarg[params.cArgs - 1 - handedOut++];
    if (!argument) continue;
    const HRESULT hr = visit(parameter, *argument);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

// A call refused before it reached the object, reported as the type library reports a
// failing method: the failure and the thread's error info in `excepInfo`, and
// DISP_E_EXCEPTION (the bare failure when there is no `excepInfo`).
HRESULT ReportException(HRESULT failure, EXCEPINFO* excepInfo) noexcept;

template <class I>
class Dispatch : public I {
 public:
  using com_interface = I;

  // Each member fails with its own code only: an older error info on the thread would be
  // read as this failure's by a client that asks, since the interface supports error info.
  STDMETHOD(GetTypeInfoCount)(UINT* count) override {
    ::SetErrorInfo(0, nullptr);
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHOD(GetTypeInfo)(UINT index, LCID, ITypeInfo** typeInfo) override {
    ::SetErrorInfo(0, nullptr);
    if (!typeInfo) return E_POINTER;
    *typeInfo = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    const DispatchInfo* dispatch = nullptr;
    PLAT_RETURN_IF_FAILED(Info(&dispatch));
    *typeInfo = com_ptr<ITypeInfo>(dispatch->typeInfo).detach();
    return S_OK;
  }
  STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    ::SetErrorInfo(0, nullptr);
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    const DispatchInfo* dispatch = nullptr;
    PLAT_RETURN_IF_FAILED(Info(&dispatch));
    return dispatch->typeInfo->GetIDsOfNames(names, count, ids);
  }
  STDMETHOD(Invoke)
  (DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
   EXCEPINFO* excepInfo, UINT* argErr) override {
    // The invocation describes a failure by the thread's error info: only the call's own.
    ::SetErrorInfo(0, nullptr);
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    const DispatchInfo* dispatch = nullptr;
    PLAT_RETURN_IF_FAILED(Info(&dispatch));
    if (dispatch->check) {
      const HRESULT hr = dispatch->check->Check(member, flags, params);
      if (FAILED(hr)) return ReportException(hr, excepInfo);
    }
    return dispatch->typeInfo->Invoke(static_cast<I*>(this), member, flags, params, result,
                                      excepInfo, argErr);
  }

 private:
  // Every call of the interface goes through here: after the first, one atomic read.
  static HRESULT Info(const DispatchInfo** dispatch) noexcept {
    static std::atomic<const DispatchInfo*> slot{nullptr};
    *dispatch = slot.load(std::memory_order_acquire);
    return *dispatch ? S_OK : GetDispatchInfo(__uuidof(I), slot, dispatch);
  }
};

// ISupportErrorInfo for the listed interfaces (normally the class's default one).
template <class... Is>
class SupportErrorInfo : public ISupportErrorInfo {
 public:
  using com_interface = ISupportErrorInfo;
  STDMETHOD(InterfaceSupportsErrorInfo)(REFIID riid) override {
    return ((riid == __uuidof(Is)) || ...) ? S_OK : S_FALSE;
  }
};

// The base of a dual class: interface I dispatched from the type library, with error info
// for I; further interfaces and mixins follow it.
//   class Widget : public plat::DualImplements<Widget, IWidget, IOther> { ... };
template <class Self, class I, class... More>
using DualImplements = Implements<Self, Dispatch<I>, SupportErrorInfo<I>, More...>;

// IProvideClassInfo2 for class `Class` (a coclass of the type library); `SourceIid`
// names its default event interface, when it has one.
template <class Class, const IID* SourceIid = nullptr>
class ProvideClassInfo2 : public IProvideClassInfo2 {
 public:
  using com_interface = IProvideClassInfo2;
  static constexpr bool kHasSource = SourceIid != nullptr;
  STDMETHOD(GetClassInfo)(ITypeInfo** typeInfo) override {
    if (!typeInfo) return E_POINTER;
    *typeInfo = nullptr;
    return GetModuleTypeInfo(__uuidof(Class), typeInfo);
  }
  STDMETHOD(GetGUID)(DWORD kind, GUID* guid) override {
    if (!guid) return E_POINTER;
    *guid = GUID_NULL;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    if constexpr (kHasSource) {
      *guid = *SourceIid;
      return S_OK;
    } else {
      return E_FAIL;
    }
  }
};

}  // namespace plat
