// Late-bound calls through IDispatch by member name, as a scripting client makes them.
// Used where a large platform interface is reached only for a few members, so that the
// code works alike with the real component and a small stand-in.
#pragma once

#include "handles.h"

#include <initializer_list>

namespace plat {

HRESULT GetDispId(IDispatch* object, const wchar_t* name, DISPID* id) noexcept;

// Invokes `name` with `flags` and the arguments in their natural order; `result` may be
// null. Fails with E_POINTER for a null object.
HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags,
                     std::initializer_list<VARIANT> args, VARIANT* result) noexcept;

inline HRESULT GetProperty(IDispatch* object, const wchar_t* name, VARIANT* result) noexcept {
  return InvokeByName(object, name, DISPATCH_PROPERTYGET, {}, result);
}
HRESULT PutProperty(IDispatch* object, const wchar_t* name, const VARIANT& value) noexcept;
inline HRESULT CallMethod(IDispatch* object, const wchar_t* name,
                          std::initializer_list<VARIANT> args, VARIANT* result = nullptr) noexcept {
  return InvokeByName(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, result);
}

// A property that holds an object; E_NOINTERFACE when it holds none.
HRESULT GetObjectProperty(IDispatch* object, const wchar_t* name, com_ptr<IDispatch>& value) noexcept;
// A property converted to a type with VariantChangeType.
HRESULT GetPropertyAs(IDispatch* object, const wchar_t* name, VARTYPE type, VARIANT* value) noexcept;

// Argument values that borrow their data for one call.
inline VARIANT ArgLong(long value) noexcept {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}
// The text must outlive the call; BSTR callers may rely on its length prefix only when it
// is a real BSTR, so pass one (unique_bstr::get()).
inline VARIANT ArgText(BSTR text) noexcept {
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = text;
  return v;
}

}  // namespace plat
