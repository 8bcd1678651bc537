#include "main.h"

#include <variantutil.h>
#include <wqcomexception.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "workspace/dataservicerequest.h"
#include "workspace/objectid.h"
#include "workspace/requesttext.h"

namespace {

bool IsEmptyText(BSTR text) { return !text || !*text; }

}  // namespace

Main::Main() : serverProgId_(plat::unique_bstr::copy(kServerProgId)) {}

HRESULT Main::Request(IDispatch* pWorkspace, const wchar_t* method,
                      const WriteAttributes& writeAttributes, BSTR* reply) {
  DataServiceRequest request;
  PLAT_RETURN_IF_FAILED(request.Prepare(pWorkspace, serverProgId_.c_str(), method));
  PLAT_RETURN_IF_FAILED(request.StartDocument());
  PLAT_RETURN_IF_FAILED(request.StartElement(method));
  PLAT_RETURN_IF_FAILED(writeAttributes(request));
  PLAT_RETURN_IF_FAILED(request.EndElement(method));
  PLAT_RETURN_IF_FAILED(request.Execute());
  return reply ? request.GetResponse(reply) : S_OK;
}

HRESULT Main::RequestNumber(IDispatch* pWorkspace, const wchar_t* method,
                            const WriteAttributes& writeAttributes, long* value) {
  if (!value) return E_POINTER;
  plat::unique_bstr reply;
  PLAT_RETURN_IF_FAILED(Request(pWorkspace, method, writeAttributes, reply.put()));
  return ReadNumberReply(method, reply, value);
}

STDMETHODIMP Main::CreateObject(IDispatch* pWorkspace, BSTR bstrClass, BSTR bstrKnownName,
                                long* OID) try {
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(RefuseNulTexts(
      L"Main::CreateObject", {{L"bstrClass", bstrClass}, {L"bstrKnownName", bstrKnownName}}));
  return RequestNumber(
      pWorkspace, L"CreateObject",
      [&](DataServiceRequest& r) {
        PLAT_RETURN_IF_FAILED(r.Attribute(L"Class", bstrClass));
        return IsEmptyText(bstrKnownName) ? S_OK : r.Attribute(L"KnownName", bstrKnownName);
      },
      OID);
}
PLAT_CATCH_RETURN()

STDMETHODIMP Main::CloneObject(IDispatch* pWorkspace, long lOID, long* lCloneOID) try {
  WQ_BARE_METHOD();
  return RequestNumber(
      pWorkspace, L"CloneObject", [&](DataServiceRequest& r) { return r.Attribute(L"OID", lOID); },
      lCloneOID);
}
PLAT_CATCH_RETURN()

STDMETHODIMP Main::CopyObject(IDispatch* pWorkspace, long lOID, long* lCopyOID) try {
  WQ_BARE_METHOD();
  return RequestNumber(
      pWorkspace, L"CopyObject", [&](DataServiceRequest& r) { return r.Attribute(L"OID", lOID); },
      lCopyOID);
}
PLAT_CATCH_RETURN()

STDMETHODIMP Main::ObjectDisplayName(IDispatch* pWorkspace, long lOID, BSTR* pName) try {
  WQ_BARE_METHOD();
  if (!pName) return E_POINTER;
  *pName = nullptr;
  return Request(
      pWorkspace, L"ObjectName", [&](DataServiceRequest& r) { return r.Attribute(L"OID", lOID); },
      pName);
}
PLAT_CATCH_RETURN()

STDMETHODIMP Main::ObjectClass(IDispatch* pWorkspace, long lOID, BSTR* pClassName) try {
  WQ_BARE_METHOD();
  if (!pClassName) return E_POINTER;
  *pClassName = nullptr;
  return Request(
      pWorkspace, L"ObjectClass", [&](DataServiceRequest& r) { return r.Attribute(L"OID", lOID); },
      pClassName);
}
PLAT_CATCH_RETURN()

HRESULT Main::CompareObjects(IDispatch* pWorkspace, long OID1, long OID2, BSTR* result) try {
  if (!result) return E_POINTER;
  *result = nullptr;
  DataServiceRequest request;
  PLAT_RETURN_IF_FAILED(request.Prepare(pWorkspace, serverProgId_.c_str(), L"CompareObjects"));
  PLAT_RETURN_IF_FAILED(request.StartDocument());
  PLAT_RETURN_IF_FAILED(request.StartElement(L"CompareObjects"));
  PLAT_RETURN_IF_FAILED(request.Attribute(L"OID1", OID1));
  PLAT_RETURN_IF_FAILED(request.Attribute(L"OID2", OID2));
  PLAT_RETURN_IF_FAILED(request.EndElement(L"CompareObjects"));
  const HRESULT hr = request.Execute();
  if (SUCCEEDED(hr)) request.GetResponse(result);
  return hr;
}
PLAT_CATCH_RETURN()

STDMETHODIMP Main::DeleteObjects(IDispatch* pWorkspace, VARIANT saOID) try {
  WQ_BARE_METHOD();
  constexpr wchar_t kMethod[] = L"Main::DeleteObjects";
  // The list is read whole before the call is made: a refused one leaves no call behind.
  std::vector<long> oids;
  const HRESULT read = ReadObjectIds(saOID, oids);
  if (FAILED(read)) return RefuseObjectIds(kMethod, read);
  // Id 0 is no object.
  oids.erase(std::remove(oids.begin(), oids.end(), 0L), oids.end());

  DataServiceRequest request;
  PLAT_RETURN_IF_FAILED(request.Prepare(pWorkspace, serverProgId_.c_str(), L"DeleteObjects"));
  PLAT_RETURN_IF_FAILED(request.StartDocument());
  PLAT_RETURN_IF_FAILED(request.StartElement(L"DeleteObjects"));
  PLAT_RETURN_IF_FAILED(request.CloseStartTag());
  for (long oid : oids) {
    PLAT_RETURN_IF_FAILED(request.StartElement(L"Object"));
    PLAT_RETURN_IF_FAILED(request.Attribute(L"OID", oid));
    PLAT_RETURN_IF_FAILED(request.EndElement(L"Object"));
  }
  PLAT_RETURN_IF_FAILED(request.EndElement(L"DeleteObjects"));

  const HRESULT executed = request.Execute();
  if (FAILED(executed)) return executed;
  plat::unique_bstr reply;
  if (SUCCEEDED(request.GetResponse(reply.put())) &&
      std::wstring_view(reply.c_str(), reply.length()).find(L"<CompactPipe ") !=
          std::wstring_view::npos)
    CompactPipes(pWorkspace, reply.get());
  // The deletion succeeded whatever became of the reply or the compaction: their errors
  // must not describe a later failure of the client's.
  SetErrorInfo(0, nullptr);
  return executed;
}
PLAT_CATCH_RETURN()

STDMETHODIMP Main::SpawnExecution(IDispatch*, BSTR, long) { return S_OK; }
