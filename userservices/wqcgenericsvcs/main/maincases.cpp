// The case and governing-case operations of Main.
#include <variantutil.h>
#include <wqcomexception.h>

#include "main.h"
#include "workspace/dataservicerequest.h"
#include "workspace/objectid.h"
#include "workspace/requesttext.h"

STDMETHODIMP Main::get_GoverningCase(IDispatch* pWorkspace, VARIANT iObjectID, long* pCaseID) try {
  WQ_BARE_METHOD();
  long objectId = -1;
  const HRESULT read = ReadObjectId(iObjectID, &objectId);
  if (FAILED(read)) return RefuseObjectIds(L"Main::GoverningCase", read);
  // An empty value reads as 0, as a conversion to a long reads it; the others that hold none
  // (an omitted id among them) leave -1.
  if (read == S_FALSE && V_VT(VariantReferent(iObjectID)) == VT_EMPTY) objectId = 0;
  return RequestNumber(
      pWorkspace, L"GetGoverningCase",
      [&](DataServiceRequest& r) { return r.Attribute(L"OID", objectId); }, pCaseID);
}
PLAT_CATCH_RETURN()

STDMETHODIMP Main::DeleteCase(IDispatch* pWorkspace, BSTR bstrCaseName) try {
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(RefuseNulTexts(L"Main::DeleteCase", {{L"bstrCaseName", bstrCaseName}}));
  return Request(
      pWorkspace, L"DeleteCase",
      [&](DataServiceRequest& r) { return r.Attribute(L"CaseName", bstrCaseName); }, nullptr);
}
PLAT_CATCH_RETURN()

STDMETHODIMP Main::RenameCase(IDispatch* pWorkspace, BSTR bstrOldCaseName, BSTR bstrNewName) try {
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(RefuseNulTexts(
      L"Main::RenameCase", {{L"bstrOldCaseName", bstrOldCaseName}, {L"bstrNewName", bstrNewName}}));
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
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(
      RefuseNulTexts(L"Main::CopyObjectCase", {{L"bstrMultipleOIDs", bstrMultipleOIDs},
                                               {L"bstrFromCaseName", bstrFromCaseName},
                                               {L"bstrToCaseName", bstrToCaseName}}));
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
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(
      RefuseNulTexts(L"Main::RemoveObjectCase", {{L"bstrCaseName", bstrCaseName}}));
  return Request(pWorkspace, L"RemoveObjectCase", ObjectAndCase(lOID, bstrCaseName), nullptr);
}
PLAT_CATCH_RETURN()

STDMETHODIMP Main::AssignObjectCase(IDispatch* pWorkspace, long lOID, BSTR bstrCaseName) try {
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(
      RefuseNulTexts(L"Main::AssignObjectCase", {{L"bstrCaseName", bstrCaseName}}));
  return Request(pWorkspace, L"AssignObjectCase", ObjectAndCase(lOID, bstrCaseName), nullptr);
}
PLAT_CATCH_RETURN()

// The server's list of valid objects is not read: the out value is always a null BSTR.
STDMETHODIMP Main::CheckForCopyObjectCase(IDispatch* pWorkspace, BSTR bstrMultipleOIDs,
                                          BSTR bstrFromCaseName, BSTR bstrToCaseName,
                                          BSTR* bstrListOfValidOIDs) try {
  WQ_BARE_METHOD();
  if (!bstrListOfValidOIDs) return E_POINTER;
  *bstrListOfValidOIDs = nullptr;
  PLAT_RETURN_IF_FAILED(
      RefuseNulTexts(L"Main::CheckForCopyObjectCase", {{L"bstrMultipleOIDs", bstrMultipleOIDs},
                                                       {L"bstrFromCaseName", bstrFromCaseName},
                                                       {L"bstrToCaseName", bstrToCaseName}}));
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

HRESULT Main::CaseRequest(const CaseRequestShape& shape, IDispatch* pWorkspace, BSTR caseName,
                          const VARIANT* objects, long* caseId) {
  WQ_METHOD_BEGIN(error, shape.methodName, 0)
  if (shape.readsCaseId) error.CheckPointer(caseId);
  if (shape.withCaseName) CheckRequestTexts(error, {{L"bstrCaseName", caseName}});
  // The ids are read whole before the call is made, and what is sent is what was read.
  const std::vector<long> ids = objects ? ReadListedIds(error, *objects) : std::vector<long>();
  DataServiceRequest request;
  WQThrowIfFailed(error, request.Prepare(pWorkspace, serverProgId_.c_str(), shape.method));
  WQThrowIfFailed(error, request.StartDocument());
  WQThrowIfFailed(error, request.StartElement(shape.method));
  if (shape.global != Global::None)
    WQThrowIfFailed(error, request.FlagAttribute(L"Global", shape.global == Global::Yes));
  if (shape.withCaseName) WQThrowIfFailed(error, request.Attribute(L"CaseName", caseName));
  for (long id : ids) WQThrowIfFailed(error, request.Element(L"OID", id));
  WQThrowIfFailed(error, request.EndElement(shape.method));
  WQThrowIfFailed(error, request.Execute());
  if (shape.readsCaseId) {
    plat::unique_bstr reply;
    WQThrowIfFailed(error, request.GetResponse(reply.put()));
    WQThrowIfFailed(error, ReadNumberReply(shape.method, reply, caseId));
  }
  WQ_METHOD_END(error)
}

STDMETHODIMP Main::CreateGlobalCase(IDispatch* pWorkspace, BSTR bstrCaseName, long* pCaseID) {
  static constexpr CaseRequestShape kShape{L"WQCGenericSvcs::CreateGlobalCase", L"CreateCase",
                                           Global::Yes, true, true};
  return CaseRequest(kShape, pWorkspace, bstrCaseName, nullptr, pCaseID);
}

STDMETHODIMP Main::CreateRestrictedCase(IDispatch* pWorkspace, BSTR bstrCaseName, VARIANT Objects,
                                        long* pCaseID) {
  static constexpr CaseRequestShape kShape{L"WQCGenericSvcs::CreateResrictedCase", L"CreateCase",
                                           Global::No, true, true};
  return CaseRequest(kShape, pWorkspace, bstrCaseName, &Objects, pCaseID);
}

STDMETHODIMP Main::SetObjectGoverningCase(IDispatch* pWorkspace, BSTR bstrCaseName,
                                          VARIANT Objects) {
  static constexpr CaseRequestShape kShape{L"WQCGenericSvcs::SetObjectGoverningCase",
                                           L"SetGoverningCase", Global::None, true, false};
  return CaseRequest(kShape, pWorkspace, bstrCaseName, &Objects, nullptr);
}

STDMETHODIMP Main::ResetObjectGoverningCase(IDispatch* pWorkspace, VARIANT Objects) {
  static constexpr CaseRequestShape kShape{L"WQCGenericSvcs::ResetObjectGoverningCase",
                                           L"SetGoverningCase", Global::None, false, false};
  return CaseRequest(kShape, pWorkspace, nullptr, &Objects, nullptr);
}

STDMETHODIMP Main::SetDefaultGlobalGoverningCase(IDispatch* pWorkspace, BSTR bstrCaseName) {
  static constexpr CaseRequestShape kShape{L"WQCGenericSvcs::SetDefaultGlobalGoverningCase",
                                           L"SetGoverningCase", Global::Yes, true, false};
  return CaseRequest(kShape, pWorkspace, bstrCaseName, nullptr, nullptr);
}
