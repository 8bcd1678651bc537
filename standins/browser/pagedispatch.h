// IDispatch by member name for the page objects of the browser stand-in. The module and
// page scripts reach them late-bound, as they reach the real browser's document object
// model; names are compared without regard to case, as the browser compares them.
#pragma once

#include <handles.h>

#include <cwchar>
#include <string>

namespace standins {

struct PageMember {
  const wchar_t* name;
  DISPID id;
};

// Positional arguments in their natural order, and the value of a property put.
class PageArgs {
 public:
  PageArgs(WORD flags, const DISPPARAMS* params) : flags_(flags), params_(params) {}
  bool IsPut() const { return (flags_ & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
  UINT Count() const { return params_ ? params_->cArgs : 0; }
  const VARIANT* At(UINT index) const {
    return index < Count() ? &params_->rgvarg[params_->cArgs - 1 - index] : nullptr;
  }
  HRESULT Text(UINT index, std::wstring& text) const;
  HRESULT Long(UINT index, long& value) const;
  HRESULT Bool(UINT index, bool& value) const;

 private:
  WORD flags_;
  const DISPPARAMS* params_;
};

HRESULT ResultText(VARIANT* result, const std::wstring& text);
HRESULT ResultLong(VARIANT* result, long value);
HRESULT ResultBool(VARIANT* result, bool value);
// An object result, or VT_NULL for none.
HRESULT ResultObject(VARIANT* result, IDispatch* object);

// T lists its members in `static const PageMember kMembers[]` and answers
// `HRESULT InvokeMember(DISPID, const PageArgs&, VARIANT* result)`.
template <class T>
class PageDispatch : public IDispatch {
 public:
  using com_interface = IDispatch;

  STDMETHOD(GetTypeInfoCount)(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (!names || !ids) return E_POINTER;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (count == 0) return S_OK;
    for (const PageMember& member : T::kMembers) {
      if (_wcsicmp(member.name, names[0]) == 0) {
        ids[0] = member.id;
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
      }
    }
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHOD(Invoke)
  (DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
   UINT*) override {
    plat::unique_variant ignored;
    try {
      return static_cast<T*>(this)->InvokeMember(member, PageArgs(flags, params),
                                                 result ? result : ignored.put());
    }
    PLAT_CATCH_RETURN()
  }
};

}  // namespace standins
