#include "latebound.h"

#include "conversion.h"

#include <algorithm>
#include <vector>

namespace plat {

HRESULT GetDispId(IDispatch* object, const wchar_t* name, DISPID* id) noexcept {
  if (!object || !id) return E_POINTER;
  *id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
}

namespace {

// A member's exception becomes the thread's error info, as a vtable call would leave it.
HRESULT RaiseException(EXCEPINFO& exception) noexcept {
  if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
  unique_bstr source(exception.bstrSource);
  unique_bstr description(exception.bstrDescription);
  unique_bstr helpFile(exception.bstrHelpFile);
  com_ptr<ICreateErrorInfo> create;
  if (SUCCEEDED(::CreateErrorInfo(create.put()))) {
    create->SetSource(source.get());
    create->SetDescription(description.get());
    com_ptr<IErrorInfo> info;
    if (SUCCEEDED(create.query_to(info))) ::SetErrorInfo(0, info.get());
  }
  if (exception.scode) return exception.scode;
  return exception.wCode ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_DISPATCH, exception.wCode)
                         : DISP_E_EXCEPTION;
}

}  // namespace

HRESULT InvokeById(IDispatch* object, DISPID id, WORD flags, const VARIANT* args, size_t count,
                   VARIANT* result) noexcept try {
  if (!object) return E_POINTER;
  if (result) ::VariantClear(result);
  // IDispatch takes the arguments last first; a put's value, last of all, goes first under
  // the name DISPID_PROPERTYPUT.
  std::vector<VARIANT> reversed(args, args + count);
  std::reverse(reversed.begin(), reversed.end());
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  unique_variant ignored;
  EXCEPINFO exception{};
  const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                    result ? result : ignored.put(), &exception, nullptr);
  return hr == DISP_E_EXCEPTION ? RaiseException(exception) : hr;
}
PLAT_CATCH_RETURN()

HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags,
                     std::initializer_list<VARIANT> args, VARIANT* result) noexcept {
  if (result) ::VariantClear(result);
  DISPID id = DISPID_UNKNOWN;
  PLAT_RETURN_IF_FAILED(GetDispId(object, name, &id));
  return InvokeById(object, id, flags, args.begin(), args.size(), result);
}

HRESULT PutProperty(IDispatch* object, const wchar_t* name, const VARIANT& value) noexcept {
  return InvokeByName(object, name, DISPATCH_PROPERTYPUT, {value}, nullptr);
}

HRESULT GetObjectProperty(IDispatch* object, const wchar_t* name,
                          com_ptr<IDispatch>& value) noexcept {
  value.reset();
  unique_variant held;
  PLAT_RETURN_IF_FAILED(GetProperty(object, name, held.put()));
  if ((V_VT(&held) != VT_DISPATCH && V_VT(&held) != VT_UNKNOWN) || !V_UNKNOWN(&held))
    return E_NOINTERFACE;
  return V_UNKNOWN(&held)->QueryInterface(IID_IDispatch, value.put_void());
}

HRESULT GetPropertyAs(IDispatch* object, const wchar_t* name, VARTYPE type,
                      VARIANT* value) noexcept {
  PLAT_RETURN_IF_FAILED(GetProperty(object, name, value));
  return ChangeType(value, *value, type);
}

// ---------------------------------------------------------------- LateBound

Arg::Arg(long value) noexcept {
  V_VT(&value_) = VT_I4;
  V_I4(&value_) = value;
}

Arg::Arg(bool value) noexcept {
  V_VT(&value_) = VT_BOOL;
  V_BOOL(&value_) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

Arg::Arg(const wchar_t* text) {
  V_BSTR(&value_) = unique_bstr::copy(text ? text : L"").release();
  V_VT(&value_) = VT_BSTR;
}

Arg::Arg(const VARIANT& value) {
  throw_if_failed(::VariantCopy(&value_, const_cast<VARIANT*>(&value)));
}

HRESULT LateBound::IdOf(const wchar_t* name, DISPID* id) {
  for (const auto& [known, dispid] : ids_) {
    if (known == name) {
      *id = dispid;
      return S_OK;
    }
  }
  PLAT_RETURN_IF_FAILED(GetDispId(object_.get(), name, id));
  ids_.emplace_back(name, *id);
  return S_OK;
}

HRESULT LateBound::Invoke(const wchar_t* name, WORD flags, std::initializer_list<Arg> args,
                          const Arg* value, VARIANT* result) {
  try {
    DISPID id = DISPID_UNKNOWN;
    PLAT_RETURN_IF_FAILED(IdOf(name, &id));
    // Borrowed: the Args own their values until the call returns.
    std::vector<VARIANT> values;
    values.reserve(args.size() + 1);
    for (const Arg& arg : args) values.push_back(arg.get());
    if (value) values.push_back(value->get());
    return InvokeById(object_.get(), id, flags, values.data(), values.size(), result);
  }
  PLAT_CATCH_RETURN()
}

HRESULT LateBound::Get(const wchar_t* name, VARIANT* result, std::initializer_list<Arg> indices) {
  if (!result) return E_POINTER;
  return Invoke(name, DISPATCH_PROPERTYGET, indices, nullptr, result);
}

HRESULT LateBound::PutIndexed(const wchar_t* name, std::initializer_list<Arg> indices,
                              const Arg& value) {
  return Invoke(name, DISPATCH_PROPERTYPUT, indices, &value, nullptr);
}

HRESULT LateBound::Call(const wchar_t* name, VARIANT* result, std::initializer_list<Arg> args) {
  return Invoke(name, DISPATCH_METHOD, args, nullptr, result);
}

const VARIANT* ArgAt(const DISPPARAMS& params, UINT position) noexcept {
  if (!params.rgvarg || position >= params.cArgs) return nullptr;
  return &params.rgvarg[params.cArgs - 1 - position];
}

long LongArgAt(const DISPPARAMS& params, UINT position, long fallback) noexcept {
  const VARIANT* arg = ArgAt(params, position);
  if (!arg) return fallback;
  unique_variant converted;
  if (FAILED(ChangeType(&converted, *arg, VT_I4))) return fallback;
  return V_I4(&converted);
}

}  // namespace plat
