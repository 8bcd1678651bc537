#include "wqcclaimdlg.h"

#include <variantutil.h>
#include <wqcomexception.h>

#include <utility>

#include "claimdlg.h"
#include "claimsupport.h"
#include "dialogobject.h"
#include "workspace/dataservicerequest.h"
#include "workspace/requesttext.h"

namespace {

constexpr wchar_t kNotInitialized[] = L"WQCClaimDlg interface not initialized";
constexpr wchar_t kBadSetting[] = L"Could not infer claim setting from third argument";
constexpr int kTraceLevel = 1;

// The server's claim settings.
constexpr long kClaimShared = 2;
constexpr long kClaimExclusive = 3;

// Sends a claim: `method` with ObjectId and one setting attribute; the reply is not read.
void SendClaim(WQComException& error, IDispatch* workspace, const wchar_t* method, long oid,
               const wchar_t* settingName, const VARIANT& setting) {
  DataServiceRequest request;
  WQThrowIfFailed(error, request.Prepare(workspace, kServerProgId, method));
  WQThrowIfFailed(error, request.StartDocument());
  WQThrowIfFailed(error, request.StartElement(method));
  WQThrowIfFailed(error, request.Attribute(L"ObjectId", oid));
  WQThrowIfFailed(error, request.Attribute(settingName, setting));
  WQThrowIfFailed(error, request.EndElement(method));
  WQThrowIfFailed(error, request.Execute());
}

}  // namespace

STDMETHODIMP WQCClaimDlg::get_ObjectCount(long* piCount) {
  WQ_BARE_METHOD();
  if (!piCount) return E_POINTER;
  *piCount = parts_.GetCount();
  return S_OK;
}

STDMETHODIMP WQCClaimDlg::get_SelectedOID(long* piOID) {
  WQ_BARE_METHOD();
  if (!piOID) return E_POINTER;
  *piOID = selectedOid_;
  return S_OK;
}

STDMETHODIMP WQCClaimDlg::get_SelectedClaim(VARIANT_BOOL* pbIsExclusive) {
  WQ_BARE_METHOD();
  if (!pbIsExclusive) return E_POINTER;
  *pbIsExclusive = selectedExclusive_ ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

STDMETHODIMP WQCClaimDlg::Initialize(IDispatch* pWorkspace, long iOID, VARIANT vAttributeName) {
  WQ_METHOD_BEGIN(error, L"WQCClaimDlg::Initialize", kTraceLevel)
  CheckRequestTexts(error, {{L"vAttributeName", vAttributeName}});
  wqc::RequireWorkspace(error, pWorkspace);
  DataServiceRequest request;
  WQThrowIfFailed(error, request.Prepare(pWorkspace, kServerProgId, L"ListObjectParts"));
  WQThrowIfFailed(error, request.StartDocument());
  WQThrowIfFailed(error, request.StartElement(L"ListObjectParts"));
  WQThrowIfFailed(error, request.Attribute(L"OID", iOID));
  WQThrowIfFailed(error, request.Attribute(L"Attribute", vAttributeName));
  WQThrowIfFailed(error, request.EndElement(L"ListObjectParts"));
  WQThrowIfFailed(error, request.Execute());
  plat::unique_bstr reply;
  WQThrowIfFailed(error, request.GetResponse(reply.put()));

  // The parts are added behind those already held, all of them or, when the reply breaks
  // off, none: the parts read before the break would pass for the object's whole list.
  ObjectPartArray read;
  ListObjectPartsParser parser(read);
  WQThrowIfFailed(error, parser.ParseString(reply.get()));
  parts_.Reserve(parts_.GetCount() + read.GetCount());
  for (int i = 0; i < read.GetCount(); ++i) parts_.Add(std::exchange(read[i], nullptr));
  oid_ = iOID;
  initialized_ = true;
  WQ_METHOD_END(error)
}

STDMETHODIMP WQCClaimDlg::ShowDialog(LONGLONG lParentHWnd, VARIANT_BOOL* pbDialogOK) {
  WQ_METHOD_BEGIN(error, L"WQCClaimDlg::ShowDialog", kTraceLevel)
  error.CheckPointer(pbDialogOK);
  *pbDialogOK = VARIANT_FALSE;
  if (!initialized_) error.ThrowHrAt(WQ_HERE, E_FAIL, kNotInitialized);
  // The dialog takes the parts and frees them: the next dialog needs a new Initialize.
  CClaimDlg dialog(parts_);
  if (wqc::RunModalDialog(error, dialog, wqc::ParentWindow(lParentHWnd))) {
    selectedOid_ = dialog.GetChosenOID();
    selectedExclusive_ = dialog.IsExclusive();
    *pbDialogOK = VARIANT_TRUE;
  }
  WQ_METHOD_END(error)
}

long WQCClaimDlg::ClaimedObject(WQComException& error, const VARIANT& vOID) const {
  return wqc::ObjectIdOrFallback(error, vOID, initialized_ ? &selectedOid_ : nullptr,
                                 kNotInitialized);
}

STDMETHODIMP WQCClaimDlg::ClaimObject(IDispatch* pWorkspace, VARIANT vOID,
                                      VARIANT vClaimExclusive) {
  WQ_METHOD_BEGIN(error, L"WQCClaimDlg::ClaimObject", kTraceLevel)
  wqc::RequireWorkspace(error, pWorkspace);
  const long oid = ClaimedObject(error, vOID);
  const bool exclusive =
      wqc::ArgumentOrFallback<bool>(error, vClaimExclusive, VariantToBool, kBadSetting,
                                    initialized_ ? &selectedExclusive_ : nullptr, kNotInitialized);
  VARIANT setting;
  V_VT(&setting) = VT_BOOL;
  V_BOOL(&setting) = exclusive ? VARIANT_TRUE : VARIANT_FALSE;
  SendClaim(error, pWorkspace, L"ClaimObject", oid, L"ClaimExclusive", setting);
  WQ_METHOD_END(error)
}

STDMETHODIMP WQCClaimDlg::ClaimObjectEx(IDispatch* pWorkspace, VARIANT vOID,
                                        VARIANT vClaimSetting) {
  WQ_METHOD_BEGIN(error, L"WQCClaimDlg::ClaimObject", kTraceLevel)
  wqc::RequireWorkspace(error, pWorkspace);
  const long oid = ClaimedObject(error, vOID);
  const long chosen = selectedExclusive_ ? kClaimExclusive : kClaimShared;
  VARIANT setting;
  V_VT(&setting) = VT_I4;
  V_I4(&setting) = wqc::ArgumentOrFallback<long>(error, vClaimSetting, VariantToLong, kBadSetting,
                                                 initialized_ ? &chosen : nullptr, kNotInitialized);
  SendClaim(error, pWorkspace, L"ClaimObjectEx", oid, L"ClaimSetting", setting);
  WQ_METHOD_END(error)
}
