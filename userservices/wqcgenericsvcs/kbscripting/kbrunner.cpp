#include "kbrunner.h"

#include <variantutil.h>
#include <variantxml.h>
#include <wqcomexception.h>
#include <xmlwriterabstract.h>

#include <cwchar>
#include <string>
#include <string_view>

#include "workspace/dataservicerequest.h"
#include "workspace/drawingeditor.h"
#include "workspace/pipereplyparser.h"
#include "scriptuipage.h"
#include "xmldialog.h"

using plat::com_ptr;
using plat::unique_bstr;
using plat::unique_variant;

namespace {

// A reply as the workspace gave it, with its length: a null inside is part of it.
std::wstring_view Whole(BSTR reply) { return {reply ? reply : L"", SysStringLen(reply)}; }

bool Contains(BSTR reply, const wchar_t* what) {
  return Whole(reply).find(what) != std::wstring_view::npos;
}

// The text of the pipe of a "(PipeHighlight)" reply: what follows the first "value=" after the
// marker and one quote character, up to the same quote; false when the reply gives none. The
// reply is read whole: a null inside it is part of the number, which is then none.
bool PipeFromMarkedReply(std::wstring_view reply, std::wstring& pipe) {
  const size_t marker = reply.find(L"(PipeHighlight)");
  const size_t value = marker == reply.npos ? reply.npos : reply.find(L"value=", marker);
  // "value=" and its quote: the number starts seven characters in, inside the text.
  if (value == reply.npos || reply.size() - value < 7) return false;
  const std::wstring_view number = reply.substr(value + 7);
  pipe.assign(number.substr(0, number.find(reply[value + 6])));
  return true;
}

// The newest text of the failure `error` holds, after ": ", for the text a user reads
// first; empty when there is none.
std::wstring ReasonSuffix(WQComException& error) {
  unique_bstr chain;
  unique_bstr newest;
  error.GetDescription(chain.put());
  ExtractErrorDescription(chain.c_str(), newest.put());
  return newest.length() ? std::wstring(L": ") + newest.c_str() : std::wstring();
}

// The type of the first value in `value` that a request cannot carry: the value a
// reference leads to, an element of an array of VARIANTs, and so on down; VT_EMPTY when
// no single value is to blame.
VARTYPE UncarriedType(const VARIANT& value, int depth = 0) {
  const VARIANT* referent = VariantReferent(value);
  if (!referent) return VT_EMPTY;
  const VARTYPE vt = V_VT(referent) & ~VT_BYREF;
  if (!IsEncodableVariantType(vt)) return vt;
  if (vt != (VT_ARRAY | VT_VARIANT) || depth >= VariantHandler::kMaxDepth) return VT_EMPTY;
  SAFEARRAY* array = (V_VT(referent) & VT_BYREF) ? *V_ARRAYREF(referent) : V_ARRAY(referent);
  plat::safearray_data<VARIANT> elements;
  if (!array || SafeArrayGetDim(array) != 1 || SafeArrayGetElemsize(array) != sizeof(VARIANT) ||
      FAILED(elements.access(array)))
    return VT_EMPTY;
  for (ULONG i = 0; i < array->rgsabound[0].cElements; ++i) {
    const VARTYPE inner = UncarriedType(elements.get()[i], depth + 1);
    if (inner != VT_EMPTY) return inner;
  }
  return VT_EMPTY;
}

// The kind of value `vt` holds, in words, for a text a person reads: "an object", "an array
// of objects".
std::wstring TypeInWords(VARTYPE vt) {
  static const struct {
    VARTYPE vt;
    const wchar_t* one;
    const wchar_t* many;
  } kKinds[] = {
      {VT_DISPATCH, L"an object", L"objects"},
      {VT_UNKNOWN, L"an object", L"objects"},
      {VT_RECORD, L"a record", L"records"},
      {VT_EMPTY, L"an empty value", L"empty values"},
      {VT_NULL, L"a null value", L"null values"},
      {VT_I1, L"a signed byte", L"signed bytes"},
      {VT_UI2, L"an unsigned 16-bit number", L"unsigned 16-bit numbers"},
      {VT_UI4, L"an unsigned 32-bit number", L"unsigned 32-bit numbers"},
      {VT_UINT, L"an unsigned 32-bit number", L"unsigned 32-bit numbers"},
      {VT_INT, L"a 32-bit number", L"32-bit numbers"},
      {VT_I8, L"a 64-bit number", L"64-bit numbers"},
      {VT_UI8, L"an unsigned 64-bit number", L"unsigned 64-bit numbers"},
  };
  const VARTYPE base = vt & VT_TYPEMASK;
  for (const auto& kind : kKinds) {
    if (kind.vt != base) continue;
    if (vt & VT_ARRAY) return std::wstring(L"an array of ") + kind.many;
    return kind.one;
  }
  return std::wstring(vt & VT_ARRAY ? L"an array of values of an unknown type ("
                                    : L"a value of an unknown type (") +
         std::to_wstring(base) + L")";
}

// The value of a simple response, and whether the reply held one whole "Variant".
class ReplyValueReader : public VariantHandler {
 public:
  HRESULT EndElement(ULONG id) override {
    const HRESULT hr = VariantHandler::EndElement(id);
    if (SUCCEEDED(hr)) complete_ = true;
    return hr;
  }
  bool Complete() const { return complete_; }

 private:
  bool complete_ = false;
};

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
  // A call whose server or method could not be set is not sent either.
  DataServiceRequest request;
  if ((error = request.Prepare(workspace, kServerProgId, serverMethod)).Failed())
    error.ThrowHrAt(WQ_HERE, E_FAIL);

  // A request the call did not take whole is not sent: a server could run the KB with
  // what part of it arrived.
  const wchar_t* nameText = name ? name : L"";
  const auto written = [&](HRESULT hr) {
    if (FAILED(hr))
      error.ThrowHrAt(WQ_HERE, hr, L"The request to run %ls could not be written", nameText);
  };
  IWQDataServiceCallXMLWriter writer(request.get());
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
    if (hr == DISP_E_BADVARTYPE) {
      const VARTYPE uncarried = UncarriedType(*parameters);
      error.ThrowHrAt(WQ_HERE, E_INVALIDARG,
                      L"The parameters of %ls hold %ls, which a request cannot carry", nameText,
                      TypeInWords(uncarried != VT_EMPTY ? uncarried : V_VT(parameters)).c_str());
    }
    if (FAILED(hr))
      error.ThrowHrAt(WQ_HERE, hr, L"The parameter UserParameters of %ls could not be written",
                      nameText);
    written(writer.EndElement(L"UserParameters"));
  }
  written(writer.EndElement(L"KBDescriptor"));
  if ((error = request.Execute()).Failed()) error.ThrowHrAt(WQ_HERE, E_FAIL);
  if ((error = request.GetResponse(reply)).Failed()) error.ThrowAt(WQ_HERE);
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
  if ((error = RunStep(target, name, raw, workspace, parentWindow, result, caseId, activeDocOid,
                       parameters))
          .Failed())
    error.ThrowAt(WQ_HERE);
  // Each confirmed dialog names the next step, on the same object, with its results. The
  // steps run one after another here, not one inside the other: the server decides how
  // long a conversation is, and each step's texts are let go as the next begins.
  unique_bstr stepName;
  unique_bstr stepRaw;
  while (error.GetHResult() == S_OK) {
    stepName = unique_bstr::copy(returnTo_.c_str());
    stepRaw = unique_bstr::copy(xml_.c_str());
    if ((error = RunStep(target, stepName.get(), stepRaw.get(), workspace, parentWindow, result,
                         activeCaseId_, activeDocOid_, nullptr))
            .Failed())
      error.ThrowHrAt(WQ_HERE, E_FAIL, L"Failure parsing %ls response%ls", target.kind,
                      ReasonSuffix(error).c_str());
  }
  error = S_OK;
  WQ_METHOD_END(error)
}

HRESULT KBRunner::RunStep(const Target& target, BSTR name, BSTR raw, IWQWorkspace* workspace,
                          LONGLONG parentWindow, VARIANT* result, long caseId, long activeDocOid,
                          VARIANT* parameters) {
  WQ_METHOD_BEGIN(error, nullptr, 0)
  const wchar_t* runName = name ? name : L"";
  unique_bstr reply;
  if ((error = CallKB(target.serverMethod, name, raw, target.oid, workspace, caseId, activeDocOid,
                      parameters, reply.put()))
          .Failed())
    error.ThrowHrAt(WQ_HERE, E_FAIL, L"Failure running %ls %ls%ls", target.kind, runName,
                    ReasonSuffix(error).c_str());
  // An empty reply, like none, ends the run.
  if (reply.length() == 0) return S_FALSE;
  if (HandleResponse(error, target, runName, workspace, reply.get(), parentWindow, result) == S_OK)
    return S_OK;
  // Finished: what the pipe highlighting left is no part of the answer.
  error.Clear();
  error = S_FALSE;
  WQ_METHOD_END(error)
}

HRESULT KBRunner::HandleResponse(WQComException& error, const Target& target,
                                 const wchar_t* runName, IWQWorkspace* workspace, BSTR reply,
                                 LONGLONG parentWindow, VARIANT* result) {
  if (Contains(reply, L"<PipeHighlight ") || Contains(reply, L"(PipeHighlight)")) {
    // The client tools take the workspace as the client holds it.
    com_ptr<IDispatch> client;
    if (workspace) workspace->QueryInterface(IID_IDispatch, client.put_void());
    PipeHighlight(client.get(), reply);
  }
  if (Contains(reply, L"<!--SimpleResponse-->")) {
    ::VariantClear(result);
    // A garbled value is a failure: the caller could not tell it from no value.
    ReplyValueReader reader;
    if ((error = reader.ParseString(reply)).Failed())
      error.ThrowHrAt(WQ_HERE, E_FAIL, L"The reply to %ls %ls could not be read%ls", target.kind,
                      runName, ReasonSuffix(error).c_str());
    if (!reader.Complete())
      error.ThrowHrAt(WQ_HERE, E_FAIL,
                      L"The reply to %ls %ls is a simple response that holds no Variant",
                      target.kind, runName);
    *result = reader.Detach();
    return S_FALSE;
  }
  // Anything else is a dialog description; a reply that is no XML document at all is
  // refused before any window shows.
  bool confirmed = false;
  if ((error = ShowDialog(reply, parentWindow, confirmed)).Failed()) {
    if (error.GetHResult() == WQ_E_NOTADESCRIPTION)
      error.ThrowHrAt(WQ_HERE, E_FAIL,
                      L"The reply to %ls %ls is neither a simple response nor a dialog "
                      L"description%ls",
                      target.kind, runName, ReasonSuffix(error).c_str());
    error.ThrowHrAt(WQ_HERE, E_FAIL, L"The dialog of %ls %ls could not be shown%ls", target.kind,
                    runName, ReasonSuffix(error).c_str());
  }
  if (!confirmed) {
    ::VariantClear(result);
    return S_FALSE;
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
  if (error.Failed())
    error.ThrowHrAt(WQ_HERE, E_FAIL, L"Failure whilst running dialog%ls",
                    ReasonSuffix(error).c_str());
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
    std::wstring text;
    if (!PipeFromMarkedReply(Whole(reply), text))
      error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"The reply names no pipe to highlight");
    WQThrowIfFailed(error, ReadNumberReply(L"PipeHighlight", text, &pipe));
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
  // The method is named only once the request says which of the two it is.
  DataServiceRequest request;
  PLAT_RETURN_IF_FAILED(request.Prepare(workspace, kServerProgId, nullptr));
  // A request the call did not take whole is not sent.
  PLAT_RETURN_IF_FAILED(request.StartDocument());
  PLAT_RETURN_IF_FAILED(request.StartElement(L"ReloadKB"));
  if (moduleName && *moduleName)
    PLAT_RETURN_IF_FAILED(request.Attribute(L"ModuleName", moduleName));
  if (fileName && *fileName) PLAT_RETURN_IF_FAILED(request.Attribute(L"KBFileName", fileName));
  if (xml && *xml) {
    PLAT_RETURN_IF_FAILED(request.WriteText(xml));
    PLAT_RETURN_IF_FAILED(request.SetMethodName(L"ReloadKBModuleFromXML"));
  } else {
    PLAT_RETURN_IF_FAILED(request.SetMethodName(L"ReloadKBModule"));
  }
  PLAT_RETURN_IF_FAILED(request.EndElement(L"ReloadKB"));
  const HRESULT hr = request.Execute();
  if (FAILED(hr)) return hr;
  unique_bstr reply;
  request.GetResponse(reply.put());
  *reloaded = reply.length() > 0 && Contains(reply.get(), L"<ReloadKBSchema/>") ? VARIANT_TRUE
                                                                                : VARIANT_FALSE;
  return hr;
}
PLAT_CATCH_RETURN()
