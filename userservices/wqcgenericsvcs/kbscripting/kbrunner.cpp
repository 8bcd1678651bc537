#include "kbrunner.h"

#include <variantxml.h>
#include <wqcomexception.h>
#include <xmlwriterabstract.h>

#include <cwchar>

#include "workspace/dataservicerequest.h"
#include "workspace/drawingeditor.h"
#include "workspace/pipereplyparser.h"
#include "xmldialog.h"

using plat::com_ptr;
using plat::unique_bstr;
using plat::unique_variant;

namespace {

bool Contains(const wchar_t* text, const wchar_t* what) {
  return text && wcsstr(text, what) != nullptr;
}

// The pipe of a "(PipeHighlight)" reply: the number after the first "value=" that
// follows the marker and one quote character; false when the reply gives none.
bool PipeFromMarkedReply(const wchar_t* reply, LONG& oid) {
  const wchar_t* marker = wcsstr(reply, L"(PipeHighlight)");
  const wchar_t* value = marker ? wcsstr(marker, L"value=") : nullptr;
  // "value=" and its quote: the number starts seven characters in, inside the text.
  if (!value || wcsnlen(value, 7) < 7) return false;
  oid = _wtoi(value + 7);
  return true;
}

}  // namespace

KBRunner::KBRunner()
    : returnTo_(unique_bstr::copy(L"")),
      from_(unique_bstr::copy(L"")),
      xml_(unique_bstr::copy(L"")) {}

void KBRunner::Initialise(const wchar_t* xml, long oid) {
  xml_ = unique_bstr::copy(xml ? xml : L"");
  oid_ = oid;
}

// ---------------------------------------------------------------- one call

HRESULT KBRunner::CallKB(const wchar_t* serverMethod, BSTR name, BSTR raw, long oid,
                         IWQWorkspace* workspace, long caseId, long activeDocOid,
                         VARIANT* parameters, BSTR* reply) {
  WQ_METHOD_BEGIN(error, nullptr, 0)
  error.CheckPointer(workspace);
  com_ptr<IWQDataServiceCall> call;
  if ((error = workspace->CreateDataServiceCall(call.put())).Failed() || !call)
    error.ThrowHrAt(WQ_HERE, E_FAIL);
  call->put_Flags(0);
  call->put_ServerProgID(unique_bstr::copy(kServerProgId).get());
  call->put_MethodName(unique_bstr::copy(serverMethod).get());

  // A request the call did not take whole is not sent: a server could run the KB with
  // what part of it arrived.
  const wchar_t* nameText = name ? name : L"";
  const auto written = [&](HRESULT hr) {
    if (FAILED(hr))
      error.ThrowHrAt(WQ_HERE, hr, L"The request to run %ls could not be written", nameText);
  };
  IWQDataServiceCallXMLWriter writer(call.get());
  written(writer.StartDocument());
  // The map orders the attributes: ActiveDocOid, CaseID, name, oid.
  XMLAttributeMap attributes;
  written(attributes.AddString(L"name", nameText, static_cast<UINT>(wcslen(nameText))));
  if (oid != 0) written(attributes.AddLong(L"oid", oid));
  written(attributes.AddLong(L"CaseID", caseId));
  written(attributes.AddLong(L"ActiveDocOid", activeDocOid));
  written(writer.StartElementWithAttributes(L"KBDescriptor", attributes));
  written(writer.CloseStartTag());
  if (raw) written(writer.WriteRaw(raw));
  if (parameters) {
    written(writer.StartElement(L"UserParameters"));
    written(writer.CloseStartTag());
    const HRESULT hr = VariantWriter<SimpleVariantSchema>().Write(writer, parameters);
    if (hr == DISP_E_BADVARTYPE)
      error.ThrowHrAt(
          WQ_HERE, E_INVALIDARG,
          L"The parameters of %ls hold a value of type %d, which a request cannot carry", nameText,
          parameters->vt);
    if (FAILED(hr))
      error.ThrowHrAt(WQ_HERE, hr, L"The parameter UserParameters of %ls could not be written",
                      nameText);
    written(writer.EndElement(L"UserParameters"));
  }
  written(writer.EndElement(L"KBDescriptor"));
  if ((error = call->Execute(0)).Failed()) error.ThrowHrAt(WQ_HERE, E_FAIL);
  if ((error = call->get_Response(reply)).Failed()) error.ThrowAt(WQ_HERE);
  WQ_METHOD_END(error)
}

// ---------------------------------------------------------------- runs

HRESULT KBRunner::RunRule(BSTR name, BSTR raw, IWQWorkspace* workspace, LONGLONG parentWindow,
                          VARIANT_BOOL, VARIANT* result, long caseId, long activeDocOid,
                          VARIANT* parameters) {
  return Run(Target{L"KBRunner::RunRule", L"RunRule", L"rule", 0}, name, raw, workspace,
             parentWindow, result, caseId, activeDocOid, parameters);
}

HRESULT KBRunner::RunMethod(BSTR name, BSTR raw, long oid, IWQWorkspace* workspace,
                            LONGLONG parentWindow, VARIANT_BOOL, VARIANT* result, long caseId,
                            long activeDocOid, VARIANT* parameters) {
  return Run(Target{L"KBRunner::RunMethod", L"RunMethod", L"method", oid}, name, raw, workspace,
             parentWindow, result, caseId, activeDocOid, parameters);
}

HRESULT KBRunner::Run(const Target& target, BSTR name, BSTR raw, IWQWorkspace* workspace,
                      LONGLONG parentWindow, VARIANT* result, long caseId, long activeDocOid,
                      VARIANT* parameters) {
  WQ_METHOD_BEGIN(error, target.methodName, 0)
  error.CheckPointer(result);
  unique_bstr reply;
  if ((error = CallKB(target.serverMethod, name, raw, target.oid, workspace, caseId, activeDocOid,
                      parameters, reply.put()))
          .Failed())
    error.ThrowHrAt(WQ_HERE, E_FAIL, L"Failure running %ls %ls", target.kind, name ? name : L"");
  if ((error = ParseResponse(target, reply.get(), workspace, parentWindow, result)).Failed())
    error.ThrowHrAt(WQ_HERE, E_FAIL);
  error = S_OK;
  WQ_METHOD_END(error)
}

HRESULT KBRunner::ParseResponse(const Target& target, BSTR reply, IWQWorkspace* workspace,
                                LONGLONG parentWindow, VARIANT* result) {
  WQ_METHOD_BEGIN(error, nullptr, 0)
  if (!reply) return S_OK;
  error = HandleResponse(workspace, reply, parentWindow, result);
  if (error.Failed()) error.ThrowAt(WQ_HERE);
  if (error.GetHResult() == S_FALSE) {
    error.Clear();
    return S_OK;
  }
  // A confirmed dialog: its ReturnTo runs, on the same object, with its results.
  unique_bstr returnTo = unique_bstr::copy(returnTo_.c_str());
  unique_bstr results = unique_bstr::copy(xml_.c_str());
  if ((error = Run(target, returnTo.get(), results.get(), workspace, parentWindow, result,
                   activeCaseId_, activeDocOid_, nullptr))
          .Failed())
    error.ThrowHrAt(WQ_HERE, E_FAIL, L"Failure parsing %ls response", target.kind);
  WQ_METHOD_END(error)
}

HRESULT KBRunner::HandleResponse(IWQWorkspace* workspace, BSTR reply, LONGLONG parentWindow,
                                 VARIANT* result) {
  if (Contains(reply, L"<PipeHighlight ") || Contains(reply, L"(PipeHighlight)")) {
    // The client tools take the workspace as the client holds it.
    com_ptr<IDispatch> client;
    if (workspace) workspace->QueryInterface(IID_IDispatch, client.put_void());
    PipeHighlight(client.get(), reply);
  }
  if (Contains(reply, L"<!--SimpleResponse-->")) {
    ::VariantClear(result);
    VariantHandler handler;
    // A reply the reader cannot read leaves the result empty.
    if (SUCCEEDED(handler.ParseString(reply))) *result = handler.Detach();
    return S_FALSE;
  }
  bool confirmed = false;
  const HRESULT hr = ShowDialog(reply, parentWindow, confirmed);
  if (FAILED(hr) || !confirmed) {
    ::VariantClear(result);
    return FAILED(hr) ? hr : S_FALSE;
  }
  return S_OK;
}

HRESULT KBRunner::ShowDialog(const wchar_t* description, LONGLONG parentWindow,
                             bool& confirmed) try {
  confirmed = false;
  com_ptr<WQCXMLDialog> dialog = plat::make<WQCXMLDialog>();
  VARIANT_BOOL accepted = VARIANT_FALSE;
  PLAT_RETURN_IF_FAILED(dialog->ShowDialog(unique_bstr::copy(description ? description : L"").get(),
                                           parentWindow, &accepted));
  if (accepted != VARIANT_TRUE) return S_OK;
  activeDocOid_ = activeCaseId_ = 0;
  dialog->GetResults(returnTo_.put(), from_.put(), xml_.put(), &activeDocOid_, &activeCaseId_);
  confirmed = true;
  return S_OK;
}
PLAT_CATCH_RETURN()

HRESULT KBRunner::RunDialog(IDispatch* workspace, LONGLONG parentWindow) {
  WQ_METHOD_BEGIN(error, L"KBRunner::RunDialog", 0)
  bool confirmed = false;
  if ((error = ShowDialog(xml_.c_str(), parentWindow, confirmed)).Failed()) error.ThrowAt(WQ_HERE);
  if (!confirmed) return S_OK;
  com_ptr<IWQWorkspace> wq;
  if (FAILED(QueryWorkspace(workspace, wq)))
    error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"The workspace does not support IWQWorkspace");
  unique_bstr returnTo = unique_bstr::copy(returnTo_.c_str());
  unique_bstr results = unique_bstr::copy(xml_.c_str());
  unique_variant discarded;
  if (oid_ != 0)
    error = RunMethod(returnTo.get(), results.get(), oid_, wq.get(), parentWindow, VARIANT_TRUE,
                      &discarded, activeCaseId_, activeDocOid_, nullptr);
  else
    error = RunRule(returnTo.get(), results.get(), wq.get(), parentWindow, VARIANT_TRUE, &discarded,
                    activeCaseId_, activeDocOid_, nullptr);
  if (error.Failed()) error.ThrowHrAt(WQ_HERE, E_FAIL, L"Failure whilst running dialog");
  WQ_METHOD_END(error)
}

// ---------------------------------------------------------------- the drawing editor

void KBRunner::PipeHighlight(IDispatch* workspace, BSTR reply) {
  // The highlight is a side show of the run: its failure is left as error info only.
  HighlightPipe(workspace, reply);
}

HRESULT KBRunner::HighlightPipe(IDispatch* workspace, BSTR reply) {
  WQ_METHOD_BEGIN(error, L"KBRunner::PipeHighlight", 1)
  LONG pipe = 0;
  if (Contains(reply, L"(PipeHighlight)")) {
    if (!PipeFromMarkedReply(reply, pipe))
      error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"The reply names no pipe to highlight");
  } else {
    PipeHighlightParser parser;
    if ((error = parser.ParseString(reply)).Failed()) error.ThrowAt(WQ_HERE);
    if (!parser.HasServerID())
      error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"The reply names no pipe to highlight");
    pipe = parser.ServerID();
  }
  com_ptr<IWQDrawingDBServer> database = OpenDrawingDBServer(error, workspace);
  if ((error = database->HighlightPipe(pipe)).Failed()) error.ThrowAt(WQ_HERE);
  WQ_METHOD_END(error)
}

// ---------------------------------------------------------------- reload

HRESULT ReloadKBModule(const wchar_t* moduleName, const wchar_t* fileName, IDispatch* workspace,
                       VARIANT_BOOL* reloaded, const wchar_t* xml) try {
  if (!reloaded) return E_POINTER;
  com_ptr<IWQWorkspace> wq;
  PLAT_RETURN_IF_FAILED(QueryWorkspace(workspace, wq));
  com_ptr<IWQDataServiceCall> call;
  PLAT_RETURN_IF_FAILED(wq->CreateDataServiceCall(call.put()));
  call->put_Flags(0);
  call->put_ServerProgID(unique_bstr::copy(kServerProgId).get());
  // A request the call did not take whole is not sent.
  PLAT_RETURN_IF_FAILED(call->StartDocument());
  PLAT_RETURN_IF_FAILED(call->StartElement(unique_bstr::copy(L"ReloadKB").get()));
  const auto writeText = [&](const wchar_t* attribute, const wchar_t* text) {
    unique_variant value;
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = unique_bstr::copy(text).release();
    return call->WriteVariantAttribute(unique_bstr::copy(attribute).get(), value);
  };
  if (moduleName && *moduleName) PLAT_RETURN_IF_FAILED(writeText(L"ModuleName", moduleName));
  if (fileName && *fileName) PLAT_RETURN_IF_FAILED(writeText(L"KBFileName", fileName));
  if (xml && *xml) {
    PLAT_RETURN_IF_FAILED(call->WriteText(unique_bstr::copy(xml).get()));
    call->put_MethodName(unique_bstr::copy(L"ReloadKBModuleFromXML").get());
  } else {
    call->put_MethodName(unique_bstr::copy(L"ReloadKBModule").get());
  }
  PLAT_RETURN_IF_FAILED(call->EndElement(unique_bstr::copy(L"ReloadKB").get()));
  const HRESULT hr = call->Execute(0);
  if (FAILED(hr)) return hr;
  unique_bstr reply;
  call->get_Response(reply.put());
  *reloaded = reply.length() > 0 && Contains(reply.get(), L"<ReloadKBSchema/>") ? VARIANT_TRUE
                                                                                : VARIANT_FALSE;
  return hr;
}
PLAT_CATCH_RETURN()
