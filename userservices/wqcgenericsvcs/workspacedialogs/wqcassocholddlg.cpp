#include "wqcassocholddlg.h"

#include <variantutil.h>
#include <wqcomexception.h>

#include "assocholddlg.h"
#include "claimsupport.h"
#include "dialogobject.h"
#include "workspace/dataservicerequest.h"
#include "workspace/requesttext.h"

namespace {

HRESULT CopyOut(const plat::unique_bstr& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!text) return S_OK;
  *out = SysAllocStringLen(text.get(), text.length());
  return *out ? S_OK : E_OUTOFMEMORY;
}

// The class a caller gave: a non-empty text, also one passed by reference. Anything else
// (omitted, empty, a flag, an object) sends no class.
bool ClassText(const VARIANT& value, plat::unique_variant& text) {
  return SUCCEEDED(VariantCopyValue(value, text.put())) && V_VT(&text) == VT_BSTR &&
         SysStringLen(V_BSTR(&text)) > 0;
}

}  // namespace

WQCAssocHoldDlg::WQCAssocHoldDlg() : title_(plat::unique_bstr::copy(L"Associate Hold")) {}

STDMETHODIMP WQCAssocHoldDlg::put_Title(BSTR newVal) try {
  WQ_BARE_METHOD();
  title_ = newVal ? plat::unique_bstr::copy(newVal, SysStringLen(newVal)) : plat::unique_bstr();
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCAssocHoldDlg::get_Create(VARIANT_BOOL* pbCreate) {
  WQ_BARE_METHOD();
  if (!pbCreate) return E_POINTER;
  *pbCreate = create_;
  return S_OK;
}

STDMETHODIMP WQCAssocHoldDlg::get_Reason(BSTR* bstrReason) {
  WQ_BARE_METHOD();
  return CopyOut(reason_, bstrReason);
}

STDMETHODIMP WQCAssocHoldDlg::get_Selection(long* pOID) {
  WQ_BARE_METHOD();
  if (!pOID) return E_POINTER;
  *pOID = selection_;
  return S_OK;
}

STDMETHODIMP WQCAssocHoldDlg::get_Name(BSTR* bstrName) {
  WQ_BARE_METHOD();
  return CopyOut(name_, bstrName);
}

HRESULT WQCAssocHoldDlg::ListActiveHolds(IDispatch* pWorkspace, BSTR* pXML) try {
  if (!pXML) return E_POINTER;
  *pXML = nullptr;
  DataServiceRequest request;
  PLAT_RETURN_IF_FAILED(request.Prepare(pWorkspace, kServerProgId, L"ListActiveHolds"));
  PLAT_RETURN_IF_FAILED(request.Execute());
  // A reply that cannot be read is a failure, not an empty list of holds.
  return request.GetResponse(pXML);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCAssocHoldDlg::ShowDialog(IDispatch* pWorkspace, LONGLONG lParentHWnd,
                                         VARIANT_BOOL* pbDialogOK) {
  WQ_BARE_METHOD();
  if (!pbDialogOK) return E_POINTER;
  *pbDialogOK = VARIANT_FALSE;
  WQ_METHOD_BEGIN(error, nullptr, 0)
  plat::unique_bstr holds;
  WQThrowIfFailed(error, ListActiveHolds(pWorkspace, holds.put()));

  AssocHoldDlg dialog;
  dialog.SetTitle(title_.get());
  dialog.SetHoldsXml(holds.get());
  const bool confirmed = wqc::RunModalDialog(error, dialog, wqc::ParentWindow(lParentHWnd));
  // Holds that cannot be read are reported, so a client never takes them for a Cancel.
  if (dialog.Error().Failed()) throw dialog.Error();
  if (confirmed) {
    plat::unique_bstr reason = plat::unique_bstr::copy(dialog.GetReason().c_str());
    plat::unique_bstr name = plat::unique_bstr::copy(dialog.GetName().c_str());
    selection_ = dialog.GetSelection();
    create_ = dialog.GetCreate() ? VARIANT_TRUE : VARIANT_FALSE;
    reason_ = std::move(reason);
    name_ = std::move(name);
    *pbDialogOK = VARIANT_TRUE;
  }
  WQ_METHOD_END(error)
}

STDMETHODIMP WQCAssocHoldDlg::CreateHold(IDispatch* pWorkspace, BSTR bstrName, BSTR bstrReason,
                                         VARIANT bstrClass, long* plOID) try {
  WQ_BARE_METHOD();
  if (!plOID) return E_POINTER;
  *plOID = 0;
  PLAT_RETURN_IF_FAILED(RefuseNulTexts(
      L"WQCAssocHoldDlg::CreateHold",
      {{L"bstrName", bstrName}, {L"bstrReason", bstrReason}, {L"bstrClass", bstrClass}}));
  DataServiceRequest request;
  PLAT_RETURN_IF_FAILED(request.Prepare(pWorkspace, kServerProgId, L"CreateHoldObject"));
  PLAT_RETURN_IF_FAILED(request.StartDocument());
  PLAT_RETURN_IF_FAILED(request.StartElement(L"CreateHoldObject"));
  PLAT_RETURN_IF_FAILED(request.Attribute(L"KnownName", bstrName));
  plat::unique_variant className;
  if (ClassText(bstrClass, className))
    PLAT_RETURN_IF_FAILED(request.Attribute(L"Class", className));
  PLAT_RETURN_IF_FAILED(request.get()->WriteText(bstrReason));
  PLAT_RETURN_IF_FAILED(request.EndElement(L"CreateHoldObject"));
  PLAT_RETURN_IF_FAILED(request.Execute());
  plat::unique_bstr reply;
  PLAT_RETURN_IF_FAILED(request.GetResponse(reply.put()));
  return ReadNumberReply(L"CreateHoldObject", reply, plOID);
}
PLAT_CATCH_RETURN()
