#include "latebound.h"

#include <memory>

namespace plat {

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

HRESULT LateBound::IdOf(const wchar_t* name, DISPID* id) {
  for (const auto& [known, dispid] : ids_) {
    if (known == name) {
      *id = dispid;
      return S_OK;
    }
  }
  if (!object_) return E_POINTER;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  PLAT_RETURN_IF_FAILED(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id));
  ids_.emplace_back(name, *id);
  return S_OK;
}

HRESULT LateBound::Invoke(const wchar_t* name, WORD flags, std::initializer_list<Arg> args,
                          const Arg* value, VARIANT* result) {
  try {
    DISPID id = DISPID_UNKNOWN;
    PLAT_RETURN_IF_FAILED(IdOf(name, &id));
    // DISPPARAMS takes the arguments last first; a put's value comes last of all and goes
    // first, under the name DISPID_PROPERTYPUT.
    const size_t count = args.size() + (value ? 1 : 0);
    std::unique_ptr<VARIANTARG[]> reversed(new VARIANTARG[count ? count : 1]);
    size_t slot = 0;
    if (value) reversed[slot++] = value->get();
    for (auto it = std::rbegin(args); it != std::rend(args); ++it) reversed[slot++] = it->get();
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.get(), value ? &named : nullptr, static_cast<UINT>(count),
                      value ? 1u : 0u};
    EXCEPINFO exception{};
    UINT argError = 0;
    const HRESULT hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                       result, &exception, &argError);
    if (hr != DISP_E_EXCEPTION) return hr;
    return RaiseException(exception);
  }
  PLAT_CATCH_RETURN()
}

HRESULT LateBound::Get(const wchar_t* name, VARIANT* result, std::initializer_list<Arg> indices) {
  if (!result) return E_POINTER;
  ::VariantClear(result);
  return Invoke(name, DISPATCH_PROPERTYGET, indices, nullptr, result);
}

HRESULT LateBound::PutIndexed(const wchar_t* name, std::initializer_list<Arg> indices,
                              const Arg& value) {
  return Invoke(name, DISPATCH_PROPERTYPUT, indices, &value, nullptr);
}

HRESULT LateBound::Call(const wchar_t* name, VARIANT* result, std::initializer_list<Arg> args) {
  if (result) ::VariantClear(result);
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
  if (FAILED(::VariantChangeType(&converted, const_cast<VARIANT*>(arg), 0, VT_I4))) return fallback;
  return V_I4(&converted);
}

}  // namespace plat
