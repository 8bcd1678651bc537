#include "latebound.h"

#include <algorithm>
#include <vector>

namespace plat {

HRESULT GetDispId(IDispatch* object, const wchar_t* name, DISPID* id) noexcept {
  if (!object || !id) return E_POINTER;
  *id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
}

HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags,
                     std::initializer_list<VARIANT> args, VARIANT* result) noexcept try {
  if (result) ::VariantClear(result);
  DISPID id = DISPID_UNKNOWN;
  PLAT_RETURN_IF_FAILED(GetDispId(object, name, &id));
  // IDispatch takes the arguments last first.
  std::vector<VARIANT> reversed(args.begin(), args.end());
  std::reverse(reversed.begin(), reversed.end());
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  unique_variant ignored;
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                        result ? result : ignored.put(), nullptr, nullptr);
}
PLAT_CATCH_RETURN()

HRESULT PutProperty(IDispatch* object, const wchar_t* name, const VARIANT& value) noexcept {
  return InvokeByName(object, name, DISPATCH_PROPERTYPUT, {value}, nullptr);
}

HRESULT GetObjectProperty(IDispatch* object, const wchar_t* name, com_ptr<IDispatch>& value) noexcept {
  value.reset();
  unique_variant held;
  PLAT_RETURN_IF_FAILED(GetProperty(object, name, held.put()));
  if ((V_VT(&held) != VT_DISPATCH && V_VT(&held) != VT_UNKNOWN) || !V_UNKNOWN(&held))
    return E_NOINTERFACE;
  return V_UNKNOWN(&held)->QueryInterface(IID_IDispatch, value.put_void());
}

HRESULT GetPropertyAs(IDispatch* object, const wchar_t* name, VARTYPE type, VARIANT* value) noexcept {
  PLAT_RETURN_IF_FAILED(GetProperty(object, name, value));
  return ::VariantChangeType(value, value, 0, type);
}

}  // namespace plat
