#include "dataservicecall.h"

using standins::CopyToBstr;
using standins::Quoted;
using standins::Text;
using standins::TypedValue;

namespace {

std::wstring Number(LONG value) { return std::to_wstring(value); }

}  // namespace

HRESULT DataServiceCall::Check(const std::wstring& problem) {
  return problem.empty() ? S_OK
                         : standins::RaiseError(E_UNEXPECTED, problem, standins::kCallSource);
}

HRESULT DataServiceCall::GetText(const wchar_t* step, const std::wstring& text, BSTR* out) {
  return Run(step, L"", [&] {
    if (!out) return E_POINTER;
    return CopyToBstr(text, out);
  });
}

HRESULT DataServiceCall::PutText(const wchar_t* step, BSTR value, std::wstring& target) {
  return Run(step, L"(" + Quoted(value) + L")", [&] {
    target = Text(value);
    return S_OK;
  });
}

STDMETHODIMP DataServiceCall::get_ServerProgID(BSTR* progId) try {
  return GetText(L"get_ServerProgID", request_->server, progId);
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::put_ServerProgID(BSTR progId) try {
  return PutText(L"put_ServerProgID", progId, request_->server);
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::get_MethodName(BSTR* name) try {
  return GetText(L"get_MethodName", request_->method, name);
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::put_MethodName(BSTR name) try {
  return PutText(L"put_MethodName", name, request_->method);
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::get_Input(BSTR* input) try {
  return GetText(L"get_Input", request_->Xml(false), input);
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::put_Input(BSTR input) try {
  return Run(L"put_Input", L"(" + Quoted(input) + L")",
             [&] { return Check(request_->PutInput(Text(input))); });
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::get_Response(BSTR* response) try {
  if (response) *response = nullptr;
  return Run(L"get_Response", L"", [&] {
    if (!response) return E_POINTER;
    if (!request_->response) return Check(L"get_Response before Execute succeeded");
    // An empty reply is a null BSTR, as COM allows.
    if (request_->response->empty()) return S_OK;
    return CopyToBstr(*request_->response, response);
  });
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::get_Flags(LONG* flags) try {
  return Run(L"get_Flags", L"", [&] {
    if (!flags) return E_POINTER;
    *flags = request_->flags;
    return S_OK;
  });
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::put_Flags(LONG flags) try {
  return Run(L"put_Flags", L"(" + Number(flags) + L")", [&] {
    request_->flags = flags;
    return S_OK;
  });
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::Execute(LONG options) try {
  return Run(L"Execute", L"(" + Number(options) + L")", [&] {
    request_->response.reset();
    PLAT_RETURN_IF_FAILED(Check(request_->Incomplete()));
    auto reply = script_->TakeReply(request_->server, request_->method);
    if (!reply)
      return standins::RaiseError(E_FAIL,
                                  L"No reply is scripted for the method \"" + request_->method +
                                      L"\" of \"" + request_->server + L"\"",
                                  standins::kCallSource);
    request_->response = std::move(reply);
    return S_OK;
  });
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::StartDocument() try {
  return Run(L"StartDocument", L"()", [&] { return Check(request_->StartDocument()); });
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::StartElement(BSTR name) try {
  return Run(L"StartElement", L"(" + Quoted(name) + L")",
             [&] { return Check(request_->StartElement(Text(name))); });
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::WriteVariantAttribute(BSTR name, VARIANT value) try {
  return Run(L"WriteVariantAttribute", L"(" + Quoted(name) + L", " + TypedValue(value) + L")",
             [&] { return Check(request_->WriteAttribute(Text(name), value)); });
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::CloseStartTag() try {
  return Run(L"CloseStartTag", L"()", [&] { return Check(request_->CloseStartTag()); });
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::WriteText(BSTR text) try {
  return Run(L"WriteText", L"(" + Quoted(text) + L")",
             [&] { return Check(request_->WriteText(Text(text))); });
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::EndElement(BSTR name) try {
  return Run(L"EndElement", L"(" + Quoted(name) + L")",
             [&] { return Check(request_->EndElement(Text(name))); });
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::WriteVariantElement(BSTR name, VARIANT value) try {
  return Run(L"WriteVariantElement", L"(" + Quoted(name) + L", " + TypedValue(value) + L")",
             [&] { return Check(request_->WriteElement(Text(name), value)); });
}
PLAT_CATCH_RETURN()

STDMETHODIMP DataServiceCall::WriteRaw(BSTR xml) try {
  return Run(L"WriteRaw", L"(" + Quoted(xml) + L")",
             [&] { return Check(request_->WriteRaw(Text(xml))); });
}
PLAT_CATCH_RETURN()
