// The case and governing-case operations of Main.
#include <variantutil.h>
#include <wqcomexception.h>

#include "main.h"
#include "workspace/dataservicerequest.h"

namespace {

const VARIANT& Dereference(const VARIANT& value) {
  const VARIANT* v = &value;
  while (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
  return *v;
}

// One "OID" child per object: the elements of a one-dimensional array, or the single value.
void WriteObjectList(WQComException& error, DataServiceRequest& request, const VARIANT& objects) {
  const VARIANT& value = Dereference(objects);
  if (!(V_VT(&value) & VT_ARRAY)) {
    if (VariantHasValue(value)) {
      error = request.Element(L"OID", value);
      if (error.Failed()) error.Throw();
    }
    return;
  }
  SAFEARRAY* psa =
      (V_VT(&value) & VT_BYREF) ? (V_ARRAYREF(&value) ? *V_ARRAYREF(&value) : nullptr) : V_ARRAY(&value);
  WQVariantSafeArray array;
  error = array.Attach(psa, false);
  if (error.Failed()) error.Throw();
  for (ULONG i = 0; i < array.GetCount(); ++i) {
    plat::unique_variant element;
    array.GetAt(static_cast<LONG>(i), &element);
    error = request.Element(L"OID", element);
    if (error.Failed()) error.Throw();
  }
}

// A step of a method that keeps an error object: a failure is raised with no message, so
// the description is the component's, else the system text.
void Check(WQComException& error, HRESULT hr) {
  if (FAILED(hr)) {
    error = hr;
    error.Throw();
  }
}

}  // namespace

STDMETHODIMP Main::get_GoverningCase(IDispatch* pWorkspace, VARIANT iObjectID, long* pCaseID) try {
  long objectId = -1;
  if (SUCCEEDED(VariantChangeType(&iObjectID, &iObjectID, 0, VT_I4))) objectId = V_I4(&iObjectID);
  return RequestNumber(
      pWorkspace, L"GetGoverningCase",
      [&](DataServiceRequest& r) { return r.Attribute(L"OID", objectId); }, pCaseID);
}
PLAT_CATCH_RETURN()

STDMETHODIMP Main::DeleteCase(IDispatch* pWorkspace, BSTR bstrCaseName) try {
  return Request(
      pWorkspace, L"DeleteCase",
      [&](DataServiceRequest& r) { return r.Attribute(L"CaseName", bstrCaseName); }, nullptr);
}
PLAT_CATCH_RETURN()

STDMETHODIMP Main::RenameCase(IDispatch* pWorkspace, BSTR bstrOldCaseName, BSTR bstrNewName) try {
  return Request(
      pWorkspace, L"RenameCase",
      [&](DataServiceRequest& r) {
        PLAT_RETURN_IF_FAILED(r.Attribute(L"CaseNameOld", bstrOldCaseName));
        return r.Attribute(L"CaseNameNew", bstrNewName);
      },
      nullptr);
}
PLAT_CATCH_RETURN()

STDMETHODIMP Main::CopyObjectCase(IDispatch* pWorkspace, long lOID, BSTR bstrMultipleOIDs,
                                  BSTR bstrFromCaseName, BSTR bstrToCaseName) try {
  return Request(
      pWorkspace, L"CopyObjectCase",
      [&](DataServiceRequest& r) {
        PLAT_RETURN_IF_FAILED(r.Attribute(L"ObjectID", lOID));
        PLAT_RETURN_IF_FAILED(r.Attribute(L"MultipleOIDs", bstrMultipleOIDs));
        PLAT_RETURN_IF_FAILED(r.Attribute(L"FromCaseName", bstrFromCaseName));
        return r.Attribute(L"ToCaseName", bstrToCaseName);
      },
      nullptr);
}
PLAT_CATCH_RETURN()

// "ObjectID" and "CaseName": a case given to or taken from one object.
static Main::WriteAttributes ObjectAndCase(long oid, BSTR caseName) {
  return [=](DataServiceRequest& r) {
    PLAT_RETURN_IF_FAILED(r.Attribute(L"ObjectID", oid));
    return r.Attribute(L"CaseName", caseName);
  };
}

STDMETHODIMP Main::RemoveObjectCase(IDispatch* pWorkspace, long lOID, BSTR bstrCaseName) try {
  return Request(pWorkspace, L"RemoveObjectCase", ObjectAndCase(lOID, bstrCaseName), nullptr);
}
PLAT_CATCH_RETURN()

STDMETHODIMP Main::AssignObjectCase(IDispatch* pWorkspace, long lOID, BSTR bstrCaseName) try {
  return Request(pWorkspace, L"AssignObjectCase", ObjectAndCase(lOID, bstrCaseName), nullptr);
}
PLAT_CATCH_RETURN()

// The server's list of valid objects is not read: the out value is always a null BSTR.
STDMETHODIMP Main::CheckForCopyObjectCase(IDispatch* pWorkspace, BSTR bstrMultipleOIDs,
                                          BSTR bstrFromCaseName, BSTR bstrToCaseName,
                                          BSTR* bstrListOfValidOIDs) try {
  if (!bstrListOfValidOIDs) return E_POINTER;
  *bstrListOfValidOIDs = nullptr;
  return Request(
      pWorkspace, L"CheckForCopyObjectCase",
      [&](DataServiceRequest& r) {
        PLAT_RETURN_IF_FAILED(r.Attribute(L"MultipleOIDs", bstrMultipleOIDs));
        PLAT_RETURN_IF_FAILED(r.Attribute(L"FromCaseName", bstrFromCaseName));
        return r.Attribute(L"ToCaseName", bstrToCaseName);
      },
      nullptr);
}
PLAT_CATCH_RETURN()

HRESULT Main::CaseRequest(const CaseRequestSpec& spec, IDispatch* pWorkspace, BSTR caseName,
                          const VARIANT* objects, long* caseId) {
  WQ_METHOD_BEGIN(error, spec.methodName, 0)
  if (spec.readsCaseId) error.CheckPointer(caseId);
  DataServiceRequest request;
  Check(error, request.Prepare(pWorkspace, serverProgId_.c_str(), spec.method));
  Check(error, request.StartDocument());
  Check(error, request.StartElement(spec.method));
  if (spec.global != Global::None)
    Check(error, request.FlagAttribute(L"Global", spec.global == Global::Yes));
  if (spec.withCaseName) Check(error, request.Attribute(L"CaseName", caseName));
  if (objects) WriteObjectList(error, request, *objects);
  Check(error, request.EndElement(spec.method));
  Check(error, request.Execute());
  if (spec.readsCaseId) {
    plat::unique_bstr reply;
    Check(error, request.GetResponse(reply.put()));
    *caseId = ReplyToLong(reply.get());
  }
  WQ_METHOD_END(error)
}

STDMETHODIMP Main::CreateGlobalCase(IDispatch* pWorkspace, BSTR bstrCaseName, long* pCaseID) {
  static constexpr CaseRequestSpec kSpec{L"WQCGenericSvcs::CreateGlobalCase", L"CreateCase",
                                         Global::Yes, true, true};
  return CaseRequest(kSpec, pWorkspace, bstrCaseName, nullptr, pCaseID);
}

STDMETHODIMP Main::CreateRestrictedCase(IDispatch* pWorkspace, BSTR bstrCaseName, VARIANT Objects,
                                        long* pCaseID) {
  static constexpr CaseRequestSpec kSpec{L"WQCGenericSvcs::CreateResrictedCase", L"CreateCase",
                                         Global::No, true, true};
  return CaseRequest(kSpec, pWorkspace, bstrCaseName, &Objects, pCaseID);
}

STDMETHODIMP Main::SetObjectGoverningCase(IDispatch* pWorkspace, BSTR bstrCaseName,
                                          VARIANT Objects) {
  static constexpr CaseRequestSpec kSpec{L"WQCGenericSvcs::SetObjectGoverningCase",
                                         L"SetGoverningCase", Global::None, true, false};
  return CaseRequest(kSpec, pWorkspace, bstrCaseName, &Objects, nullptr);
}

STDMETHODIMP Main::ResetObjectGoverningCase(IDispatch* pWorkspace, VARIANT Objects) {
  static constexpr CaseRequestSpec kSpec{L"WQCGenericSvcs::ResetObjectGoverningCase",
                                         L"SetGoverningCase", Global::None, false, false};
  return CaseRequest(kSpec, pWorkspace, nullptr, &Objects, nullptr);
}

STDMETHODIMP Main::SetDefaultGlobalGoverningCase(IDispatch* pWorkspace, BSTR bstrCaseName) {
  static constexpr CaseRequestSpec kSpec{L"WQCGenericSvcs::SetDefaultGlobalGoverningCase",
                                         L"SetGoverningCase", Global::Yes, true, false};
  return CaseRequest(kSpec, pWorkspace, bstrCaseName, nullptr, nullptr);
}
