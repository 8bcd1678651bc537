#include "main.h"

#include <wqcomexception.h>

#include "workspace/dataservicerequest.h"
#include "workspace/objectid.h"

namespace {

bool IsEmptyText(BSTR text) { return !text || !*text; }

// Elements of a one-dimensional array of 16-bit or 32-bit integers or VARIANTs, read as
// longs; `each` gets every element that could be read.
template <class Each>
HRESULT ForEachObjectId(SAFEARRAY* array, Each each) {
  if (!array) return E_POINTER;
  VARTYPE vt = VT_EMPTY;
  if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetVartype(array, &vt)) ||
      (vt != VT_I2 && vt != VT_I4 && vt != VT_VARIANT))
    return E_INVALIDARG;
  LONG lower = 0, upper = -1;
  SafeArrayGetLBound(array, 1, &lower);
  SafeArrayGetUBound(array, 1, &upper);
  for (LONG i = lower; i <= upper; ++i) {
    long value = 0;
    HRESULT hr = E_FAIL;
    if (vt == VT_I2) {
      SHORT element = 0;
      hr = SafeArrayGetElement(array, &i, &element);
      value = element;
    } else if (vt == VT_I4) {
      LONG element = 0;
      hr = SafeArrayGetElement(array, &i, &element);
      value = element;
    } else {
      plat::unique_variant element;
      hr = SafeArrayGetElement(array, &i, element.put());
      if (SUCCEEDED(hr)) hr = VariantChangeType(&element, &element, 0, VT_I4);
      if (SUCCEEDED(hr)) value = V_I4(&element);
    }
    if (SUCCEEDED(hr)) PLAT_RETURN_IF_FAILED(each(value));
  }
  return S_OK;
}

// A direct-HRESULT method's own failure, described for the client.
HRESULT Fail(HRESULT hr, const wchar_t* method, const wchar_t* message) {
  WQComException error;
  error.EnterMethod(method, 0);
  error.SetErrorHr(hr, L"%ls", message);
  return error.ReturnHResult();
}

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
  *value = ReplyToLong(reply.get());
  return S_OK;
}

STDMETHODIMP Main::CreateObject(IDispatch* pWorkspace, BSTR bstrClass, BSTR bstrKnownName,
                                long* OID) try {
  WQ_BARE_METHOD();
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
  DataServiceRequest request;
  PLAT_RETURN_IF_FAILED(request.Prepare(pWorkspace, serverProgId_.c_str(), L"DeleteObjects"));
  if (FAILED(CheckObjectIds(saOID))) return RefuseObjectIds(kMethod);
  PLAT_RETURN_IF_FAILED(request.StartDocument());
  PLAT_RETURN_IF_FAILED(request.StartElement(L"DeleteObjects"));
  PLAT_RETURN_IF_FAILED(request.CloseStartTag());

  auto writeObject = [&](long oid) -> HRESULT {
    if (oid == 0) return S_OK;
    PLAT_RETURN_IF_FAILED(request.StartElement(L"Object"));
    PLAT_RETURN_IF_FAILED(request.Attribute(L"OID", oid));
    return request.EndElement(L"Object");
  };
  const VARIANT* ids = &saOID;
  while (V_VT(ids) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(ids)) ids = V_VARIANTREF(ids);
  if (V_VT(ids) & VT_ARRAY) {
    SAFEARRAY* array =
        (V_VT(ids) & VT_BYREF) ? (V_ARRAYREF(ids) ? *V_ARRAYREF(ids) : nullptr) : V_ARRAY(ids);
    // An array that cannot be read sends nothing rather than an empty delete.
    const HRESULT hr = ForEachObjectId(array, writeObject);
    if (hr == E_POINTER) return Fail(hr, kMethod, L"The object list array is null");
    if (hr == E_INVALIDARG)
      return Fail(hr, kMethod,
                  L"The object list must be a one-dimensional array of 16-bit or 32-bit "
                  L"integers or VARIANTs");
    PLAT_RETURN_IF_FAILED(hr);
  } else {
    plat::unique_variant id;
    if (SUCCEEDED(VariantChangeType(&id, const_cast<VARIANT*>(ids), 0, VT_I4)))
      PLAT_RETURN_IF_FAILED(writeObject(V_I4(&id)));
  }
  PLAT_RETURN_IF_FAILED(request.EndElement(L"DeleteObjects"));

  const HRESULT executed = request.Execute();
  if (FAILED(executed)) return executed;
  plat::unique_bstr reply;
  if (SUCCEEDED(request.GetResponse(reply.put())) && reply.length() &&
      wcsstr(reply.get(), L"<CompactPipe "))
    CompactPipes(pWorkspace, reply.get());
  // The deletion succeeded whatever became of the reply or the compaction: their errors
  // must not describe a later failure of the client's.
  SetErrorInfo(0, nullptr);
  return executed;
}
PLAT_CATCH_RETURN()

STDMETHODIMP Main::SpawnExecution(IDispatch*, BSTR, long) { return S_OK; }
