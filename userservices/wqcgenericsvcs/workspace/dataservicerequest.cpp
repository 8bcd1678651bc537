#include "dataservicerequest.h"

#include <cwchar>
#include <string>

#include <saxschemaparser.h>
#include <variantutil.h>
#include <wqcomexception.h>

namespace {

// Scripting hosts pass their variables by reference: the call is given the values.
template <class Write>
HRESULT WriteValue(const VARIANT& value, Write write) {
  if (!(V_VT(&value) & VT_BYREF)) return write(value);
  plat::unique_variant referent;
  PLAT_RETURN_IF_FAILED(VariantCopyValue(value, &referent));
  return write(referent);
}

// The call object takes BSTRs; a temporary copy keeps the caller's text a plain string.
plat::unique_bstr Text(const wchar_t* text) { return plat::unique_bstr::copy(text ? text : L""); }

plat::unique_variant TextVariant(const wchar_t* text) {
  plat::unique_variant v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = Text(text).release();
  return v;
}

VARIANT LongVariant(long value) {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

}  // namespace

HRESULT DataServiceRequest::Prepare(IDispatch* workspace, const wchar_t* serverProgId,
                                    const wchar_t* method) {
  call_.reset();
  plat::com_ptr<IWQWorkspace> wq;
  PLAT_RETURN_IF_FAILED(QueryWorkspace(workspace, wq));
  return Prepare(wq.get(), serverProgId, method);
}

HRESULT QueryWorkspace(IDispatch* workspace, plat::com_ptr<IWQWorkspace>& wq) {
  wq.reset();
  if (!workspace || FAILED(workspace->QueryInterface(__uuidof(IWQWorkspace), wq.put_void())) ||
      !wq) {
    wq.reset();
    // The refusal is the caller's own, with no text: none from before may describe it.
    ::SetErrorInfo(0, nullptr);
    return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT DataServiceRequest::Prepare(IWQWorkspace* workspace, const wchar_t* serverProgId,
                                    const wchar_t* method) {
  call_.reset();
  firstFailure_ = S_OK;
  firstError_.reset();
  if (!workspace) return E_INVALIDARG;
  const HRESULT hr = workspace->CreateDataServiceCall(call_.put());
  if (FAILED(hr)) {
    call_.reset();
    return hr;
  }
  if (!call_) return E_POINTER;
  call_->put_Flags(0);
  PLAT_RETURN_IF_FAILED(Write([&] { return call_->put_ServerProgID(Text(serverProgId).get()); }));
  if (method) PLAT_RETURN_IF_FAILED(SetMethodName(method));
  return hr;
}

HRESULT DataServiceRequest::SetMethodName(const wchar_t* method) {
  return Write([&] { return call_->put_MethodName(Text(method).get()); });
}

HRESULT DataServiceRequest::Refusal() const {
  ::SetErrorInfo(0, firstError_.get());
  return firstFailure_;
}

HRESULT DataServiceRequest::StartDocument() {
  return Write([&] { return call_->StartDocument(); });
}

HRESULT DataServiceRequest::StartElement(const wchar_t* name) {
  return Write([&] { return call_->StartElement(Text(name).get()); });
}

HRESULT DataServiceRequest::Attribute(const wchar_t* name, long value) {
  return Attribute(name, LongVariant(value));
}

HRESULT DataServiceRequest::Attribute(const wchar_t* name, const wchar_t* text) {
  return Attribute(name, TextVariant(text));
}

HRESULT DataServiceRequest::FlagAttribute(const wchar_t* name, bool value) {
  VARIANT v;
  V_VT(&v) = VT_BOOL;
  V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return Attribute(name, v);
}

HRESULT DataServiceRequest::Attribute(const wchar_t* name, const VARIANT& value) {
  return Write([&] {
    return WriteValue(
        value, [&](const VARIANT& v) { return call_->WriteVariantAttribute(Text(name).get(), v); });
  });
}

HRESULT DataServiceRequest::CloseStartTag() {
  return Write([&] { return call_->CloseStartTag(); });
}

HRESULT DataServiceRequest::EndElement(const wchar_t* name) {
  return Write([&] { return call_->EndElement(Text(name).get()); });
}

HRESULT DataServiceRequest::Element(const wchar_t* name, const VARIANT& value) {
  return Write([&] {
    return WriteValue(
        value, [&](const VARIANT& v) { return call_->WriteVariantElement(Text(name).get(), v); });
  });
}

HRESULT DataServiceRequest::Element(const wchar_t* name, long value) {
  return Element(name, LongVariant(value));
}

HRESULT DataServiceRequest::Element(const wchar_t* name, const wchar_t* text) {
  return Element(name, TextVariant(text));
}

HRESULT DataServiceRequest::WriteText(const wchar_t* text) {
  return Write([&] { return call_->WriteText(Text(text).get()); });
}

HRESULT DataServiceRequest::PutInput(const wchar_t* input) {
  return Write([&] { return call_->put_Input(Text(input).get()); });
}

HRESULT DataServiceRequest::Execute() {
  if (FAILED(firstFailure_)) return Refusal();
  if (!call_) return E_UNEXPECTED;
  return call_->Execute(0);
}

HRESULT DataServiceRequest::GetResponse(BSTR* reply) {
  if (!reply) return E_POINTER;
  *reply = nullptr;
  return call_->get_Response(reply);
}

HRESULT ReadNumberReply(const wchar_t* request, const plat::unique_bstr& reply, long* value) {
  return ReadNumberReply(request, std::wstring_view(reply.c_str(), reply.length()), value);
}

HRESULT ReadNumberReply(const wchar_t* request, std::wstring_view reply, long* value) {
  if (!value) return E_POINTER;
  SAXSchemaValue number;
  const HRESULT hr =
      SAXSchemaValue::FromText(reply.data(), reply.size(), SAXSchemaValue::kInteger, number);
  if (SUCCEEDED(hr)) {
    *value = number.integer;  // 0 for an empty reply
    return S_OK;
  }
  // The quote shows a null inside the reply as \0: cut there, it would read as a number.
  std::wstring quoted;
  for (const wchar_t c : reply.substr(0, 64)) {
    if (c)
      quoted += c;
    else
      quoted += L"\\0";
  }
  WQComException error;
  if (hr == DISP_E_OVERFLOW)
    error.SetErrorHr(hr, L"The reply to %ls is not a number from -2147483648 to 2147483647: '%ls'",
                     request, quoted.c_str());
  else
    error.SetErrorHr(hr, L"The reply to %ls is not a whole number: '%ls'", request, quoted.c_str());
  return error.ReturnHResult();
}
