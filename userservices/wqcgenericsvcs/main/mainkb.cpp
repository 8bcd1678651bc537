// Main's KB runs, the diagram submission after each diagram's "PreSubmit" KB method, the
// pipe compaction a deletion asks for, and the datasheet and diagram members that do
// nothing.
#include <conversion.h>
#include <variantutil.h>
#include <wqcomexception.h>
#include <wqmsxml.h>
#include <wqxmltext.h>

#include <cwchar>
#include <cwctype>
#include <vector>

#include "kbscripting/domutil.h"
#include "kbscripting/kbrunner.h"
#include "main.h"
#include "workspace/dataservicerequest.h"
#include "workspace/drawingeditor.h"
#include "workspace/pipereplyparser.h"
#include "workspace/requesttext.h"

using plat::com_ptr;
using plat::unique_bstr;

namespace {

constexpr wchar_t kDiagramServer[] = L"VIDIDIVIzoz.Main";

// The members that do nothing count nothing, and say so: a compiled client would otherwise
// read its own stale value.
HRESULT NothingDone(INT* count) {
  if (count) *count = 0;
  return S_OK;
}

// A step of the submission must answer S_OK: a failure is raised as it is, another success
// code (a document that did not load) as a failure, so that the client never takes a
// submission that stopped half-way for a success.
void RequireOk(WQComException& error, HRESULT hr, const wchar_t* step) {
  if (hr == S_OK) return;
  WQThrowIfFailed(error, hr);
  error.ThrowHrAt(WQ_HERE, E_FAIL, L"%ls answered 0x%08lx", step, static_cast<unsigned long>(hr));
}

std::vector<LONG> DiagramOids(WQComException& error, SAFEARRAY* diagrams) {
  VARTYPE vt = VT_EMPTY;
  if (!diagrams || SafeArrayGetDim(diagrams) != 1 || FAILED(SafeArrayGetVartype(diagrams, &vt)) ||
      vt != VT_I4)
    error.ThrowHrAt(WQ_HERE, E_INVALIDARG,
                    L"The diagrams must be a one-dimensional array of 32-bit integers");
  LONG lower = 0;
  ULONG count = 0;
  WQThrowIfFailed(error, SafeArrayExtent(diagrams, &lower, &count));
  std::vector<LONG> oids;
  for (ULONG n = 0; n < count; ++n) {
    LONG oid = 0;
    LONG i = SafeArrayIndex(lower, n);
    WQThrowIfFailed(error, SafeArrayGetElement(diagrams, &i, &oid));
    oids.push_back(oid);
  }
  return oids;
}

// The diagram server answers with the reply document itself or with where to load it from.
HRESULT LoadReply(IXMLDOMDocument* document, BSTR reply, VARIANT_BOOL* loaded) {
  const wchar_t* text = WQSkipByteOrderMark(reply ? reply : L"");
  while (iswspace(*text)) ++text;
  if (!*text) return S_FALSE;
  if (*text == L'<') return LoadXMLText(document, reply, loaded);
  return LoadXMLLocation(document, reply, loaded);
}

// Reads the reply's messages. S_FALSE when the last element of the reply is a "Message"
// without "MessageType". A question the server asks gets no answer here.
HRESULT ReadSubmissionReply(WQComException& error, BSTR reply, long oid) {
  com_ptr<IXMLDOMDocument> document;
  RequireOk(error, CreateDomDocument(__uuidof(DOMDocument60), document), L"Creating the document");
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const HRESULT hr = LoadReply(document.get(), reply, &loaded);
  if (hr == WQ_E_DOCUMENTTYPE)
    error.ThrowHrAt(WQ_HERE, hr,
                    L"The reply to the submission of diagram %ld declares a document type, "
                    L"which is not accepted",
                    oid);
  if (hr == S_FALSE || (SUCCEEDED(hr) && loaded != VARIANT_TRUE)) {
    unique_bstr reason = ReadParseError(document.get());
    error.ThrowHrAt(WQ_HERE, E_FAIL,
                    L"The reply to the submission of diagram %ld could not be read%ls%ls", oid,
                    reason.length() ? L": " : L"", reason.c_str());
  }
  RequireOk(error, hr, L"Loading the reply");
  com_ptr<IXMLDOMElement> root;
  RequireOk(error, document->get_documentElement(root.put()), L"The reply's document element");
  com_ptr<IXMLDOMNodeList> children;
  RequireOk(error, root->get_childNodes(children.put()), L"The reply's child nodes");
  // A walk from child to child: get_item(i) may count from the first child every time.
  HRESULT last = S_OK;
  for (;;) {
    com_ptr<IXMLDOMNode> child;
    if (children->nextNode(child.put()) != S_OK || !child) break;
    DOMNodeType type = NODE_INVALID;
    if (FAILED(child->get_nodeType(&type)) || type != NODE_ELEMENT) continue;
    last = S_OK;
    unique_bstr name;
    com_ptr<IXMLDOMElement> element;
    if (FAILED(child->get_baseName(name.put())) || wcscmp(name.c_str(), L"Message") != 0 ||
        FAILED(child.query_to(element)))
      continue;
    plat::unique_variant messageType;
    last = element->getAttribute(unique_bstr::copy(L"MessageType").get(), messageType.put());
    if (FAILED(last)) last = S_OK;
  }
  return last;
}

}  // namespace

// ---------------------------------------------------------------- KB runs

STDMETHODIMP Main::RunKBMethod(BSTR bstrName, long lOID, IDispatch* pWorkspace,
                               LONGLONG lParentHWnd, long lCaseID, long lDocOID, VARIANT vParams,
                               VARIANT* pvResult) try {
  WQ_BARE_METHOD();
  if (pvResult) VariantInit(pvResult);
  PLAT_RETURN_IF_FAILED(
      RefuseNulTexts(L"Main::RunKBMethod", {{L"bstrName", bstrName}, {L"vParams", vParams}}));
  com_ptr<IWQWorkspace> workspace;
  PLAT_RETURN_IF_FAILED(QueryWorkspace(pWorkspace, workspace));
  KBRunner runner;
  return runner.RunMethod(bstrName, nullptr, lOID, workspace.get(), lParentHWnd, VARIANT_TRUE,
                          pvResult, lCaseID, lDocOID, &vParams);
}
PLAT_CATCH_RETURN()

STDMETHODIMP Main::RunKBRule(BSTR bstrName, IDispatch* pWorkspace, LONGLONG lParentHWnd,
                             long lCaseID, long lDocOID, VARIANT vParams, VARIANT* pvResult) try {
  WQ_BARE_METHOD();
  if (pvResult) VariantInit(pvResult);
  PLAT_RETURN_IF_FAILED(
      RefuseNulTexts(L"Main::RunKBRule", {{L"bstrName", bstrName}, {L"vParams", vParams}}));
  com_ptr<IWQWorkspace> workspace;
  PLAT_RETURN_IF_FAILED(QueryWorkspace(pWorkspace, workspace));
  KBRunner runner;
  return runner.RunRule(bstrName, nullptr, workspace.get(), lParentHWnd, VARIANT_TRUE, pvResult,
                        lCaseID, lDocOID, &vParams);
}
PLAT_CATCH_RETURN()

// ---------------------------------------------------------------- diagram submission

bool Main::RunPreSubmit(WQComException& error, IDispatch* pWorkspace, const wchar_t* name, long oid,
                        LONGLONG parentWindow) {
  if (!selectKbDialog_ &&
      FAILED(CoCreateInstance(__uuidof(WQCSelectKBDlg), nullptr, CLSCTX_ALL,
                              __uuidof(IWQCSelectKBDlg), selectKbDialog_.put_void())))
    return false;
  // The object's own methods: each load replaces the list of the diagram before.
  selectKbDialog_->put_OID(oid);
  selectKbDialog_->LoadList(pWorkspace);
  long count = 0;
  selectKbDialog_->get_Count(&count);
  plat::unique_variant result;
  for (long i = 1; i <= count; ++i) {
    unique_bstr item;
    if (SUCCEEDED(selectKbDialog_->get_Item(i, item.put())) && wcscmp(item.c_str(), name) == 0) {
      selectKbDialog_->RunMethod(item.get(), oid, pWorkspace, parentWindow, VARIANT_TRUE,
                                 result.put());
      break;
    }
  }
  if (V_VT(&result) == VT_BOOL) return V_BOOL(&result) != VARIANT_FALSE;
  WQThrowIfFailed(error, plat::ChangeType(&result, result, VT_BOOL));
  return V_BOOL(&result) == VARIANT_TRUE;
}

STDMETHODIMP Main::SubmitDiagrams(IDispatch* pWorkspace, SAFEARRAY* saDiagrams, LONGLONG lParentHwd,
                                  INT* submitted) {
  WQ_BARE_METHOD();
  // The count is written on every path, so a caller knows how many diagrams went out
  // before a failure.
  if (submitted) *submitted = 0;
  com_ptr<IWQWorkspace> workspace;
  if (FAILED(QueryWorkspace(pWorkspace, workspace))) return E_INVALIDARG;
  WQ_METHOD_BEGIN(error, nullptr, 0)
  HRESULT last = S_OK;
  INT count = 0;
  for (LONG oid : DiagramOids(error, saDiagrams)) {
    // The method may stop the submission only by answering what is no boolean.
    RunPreSubmit(error, pWorkspace, L"PreSubmit", oid, lParentHwd);

    DataServiceRequest request;
    RequireOk(error,
              request.Prepare(workspace.get(), kDiagramServer, L"DwgManagement::SubmitDiagram"),
              L"CreateDataServiceCall");
    request.get()->put_Flags(0);
    // A request the call did not take whole is not sent.
    const auto written = [&](HRESULT hr) {
      if (FAILED(hr))
        error.ThrowHrAt(WQ_HERE, hr, L"The request to submit diagram %ld could not be written",
                        oid);
    };
    written(request.StartDocument());
    written(request.StartElement(L"Document"));
    written(request.Attribute(L"ServerReference", oid));
    written(request.Attribute(L"Status", L""));
    VARIANT force;
    V_VT(&force) = VT_I2;
    V_I2(&force) = -1;
    written(request.Attribute(L"Force", force));
    written(request.EndElement(L"Document"));
    RequireOk(error, request.Execute(), L"Execute");
    if (submitted) *submitted = ++count;
    unique_bstr reply;
    RequireOk(error, request.GetResponse(reply.put()), L"get_Response");
    last = ReadSubmissionReply(error, reply.get(), oid);
  }
  // What a PreSubmit run left on the thread is no part of a successful answer.
  error.Clear();
  error = last;
  WQ_METHOD_END(error)
}

// ---------------------------------------------------------------- pipe compaction

void Main::CompactPipes(IDispatch* pWorkspace, const wchar_t* reply) {
  WQRunComMethod(L"Main::CompactPipe", [&](WQComException& error) {
    CompactPipeParser parser;
    parser.ParseString(unique_bstr::copy(reply ? reply : L"").get());
    if (!parser.HasServerID())
      error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"The reply names no pipe to compact");
    com_ptr<IWQDrawingDBServer> database = OpenDrawingDBServer(error, pWorkspace);
    error = database->CompactPipe(parser.ServerID());
  });
}

// ---------------------------------------------------------------- members that do nothing

STDMETHODIMP Main::SubmitDatasheets(IDispatch*, SAFEARRAY*, LONGLONG, INT* submitted) {
  return NothingDone(submitted);
}
STDMETHODIMP Main::CheckDatasheets(IDispatch*, SAFEARRAY*, LONGLONG, INT* checked) {
  return NothingDone(checked);
}
STDMETHODIMP Main::IssueDatasheets(IDispatch*, SAFEARRAY*, LONGLONG, BSTR, BSTR, INT* issued) {
  return NothingDone(issued);
}
STDMETHODIMP Main::CheckDiagrams(IDispatch*, SAFEARRAY*, LONGLONG, INT* checked) {
  return NothingDone(checked);
}
STDMETHODIMP Main::IssueDiagrams(IDispatch*, SAFEARRAY*, LONGLONG, BSTR, BSTR, INT* issued) {
  return NothingDone(issued);
}
