#include "wqcselectkbdlg.h"

#include <variantutil.h>

#include "dlgselectkb.h"
#include "workspace/dataservicerequest.h"
#include "workspace/selectionload.h"
#include "workspace/requesttext.h"

namespace {

plat::unique_bstr CopyText(const std::wstring& text) {
  return plat::unique_bstr::copy(text.c_str(), static_cast<UINT>(text.size()));
}

}  // namespace

WQCSelectKBDlg::WQCSelectKBDlg() : title_(plat::unique_bstr::copy(L"")) {}

STDMETHODIMP WQCSelectKBDlg::put_OID(long newVal) {
  oid_ = newVal;
  return S_OK;
}

STDMETHODIMP WQCSelectKBDlg::get_Count(long* pVal) {
  WQ_BARE_METHOD();
  if (!pVal) return E_POINTER;
  *pVal = static_cast<long>(kbList_.size());
  return S_OK;
}

STDMETHODIMP WQCSelectKBDlg::get_Item(long index, BSTR* pVal) try {
  WQ_BARE_METHOD();
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  if (index < 1 || index > static_cast<long>(kbList_.size())) return E_INVALIDARG;
  *pVal = CopyText(kbList_[index - 1].kbName).release();
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectKBDlg::get_Selection(BSTR* pVal) try {
  WQ_BARE_METHOD();
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  // Nothing picked yet, or the list was loaded again since: no name.
  if (selection_ >= 0 && selection_ < static_cast<int>(kbList_.size()))
    *pVal = CopyText(kbList_[selection_].kbName).release();
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectKBDlg::put_Title(BSTR newVal) try {
  WQ_BARE_METHOD();
  title_ = plat::unique_bstr::copy(newVal ? newVal : L"", ::SysStringLen(newVal));
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectKBDlg::get_CaseID(long* pVal) {
  WQ_BARE_METHOD();
  if (!pVal) return E_POINTER;
  *pVal = caseId_;
  return S_OK;
}

STDMETHODIMP WQCSelectKBDlg::put_CaseID(long newVal) {
  caseId_ = newVal;
  return S_OK;
}

STDMETHODIMP WQCSelectKBDlg::get_DocumentOID(long* pVal) {
  WQ_BARE_METHOD();
  if (!pVal) return E_POINTER;
  *pVal = documentOid_;
  return S_OK;
}

STDMETHODIMP WQCSelectKBDlg::put_DocumentOID(long newVal) {
  documentOid_ = newVal;
  return S_OK;
}

STDMETHODIMP WQCSelectKBDlg::get_Parameters(VARIANT* pVal) {
  WQ_BARE_METHOD();
  if (!pVal) return E_POINTER;
  VariantInit(pVal);
  return VariantCopy(pVal, &parameters_);
}

STDMETHODIMP WQCSelectKBDlg::put_Parameters(VARIANT newVal) {
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(
      RefuseNulTexts(L"WQCSelectKBDlg::put_Parameters", {{L"Parameters", newVal}}));
  plat::unique_variant copy;
  // A value passed by reference is kept as the value itself: the reference dies with the call.
  PLAT_RETURN_IF_FAILED(VariantCopyValue(newVal, &copy));
  parameters_ = std::move(copy);
  return S_OK;
}

STDMETHODIMP WQCSelectKBDlg::put_AllowCaseSel(VARIANT_BOOL newVal) {
  allowCaseSel_ = newVal == VARIANT_TRUE;
  return S_OK;
}

STDMETHODIMP WQCSelectKBDlg::get_AllowCaseSel(VARIANT_BOOL* pVal) {
  WQ_BARE_METHOD();
  if (!pVal) return E_POINTER;
  *pVal = allowCaseSel_ ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

STDMETHODIMP WQCSelectKBDlg::put_Extended(VARIANT_BOOL newVal) {
  extended_ = newVal == VARIANT_TRUE;
  return S_OK;
}

HRESULT WQCSelectKBDlg::SetIncludeDrawingItems(VARIANT_BOOL include) {
  excludeDrawingItems_ = include == 0;
  return S_OK;
}

HRESULT WQCSelectKBDlg::GetExcludeDrawingItems(VARIANT_BOOL* exclude) {
  if (!exclude) return E_POINTER;
  *exclude = excludeDrawingItems_ ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

// The list is the reply's: a second load, for this object or another, replaces it rather
// than listing the entries of both. A load that fails leaves the list as it was.
STDMETHODIMP WQCSelectKBDlg::LoadList(IDispatch* pWorkspace) try {
  WQ_BARE_METHOD();
  std::vector<KBEntry> entries;
  ListKBParser parser([&entries](KBEntry&& entry) { entries.push_back(std::move(entry)); });
  const HRESULT hr = RequestList(
      pWorkspace, L"ListKB",
      [this](DataServiceRequest& request) {
        request.StartDocument();
        request.StartElement(L"ListKB");
        request.Attribute(L"OID", oid_);
        request.FlagAttribute(L"ExcludeDrawingItems", excludeDrawingItems_);
        request.EndElement(L"ListKB");
      },
      parser);
  // The entries read before a failure would pass for the whole list.
  if (FAILED(hr)) return hr;
  kbList_ = std::move(entries);
  selection_ = -1;
  return hr;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectKBDlg::ShowDialog(IDispatch* pWorkspace, LONGLONG lParentHWnd,
                                        VARIANT_BOOL* pbDialogOK) try {
  WQ_BARE_METHOD();
  if (!pbDialogOK) return E_POINTER;
  *pbDialogOK = VARIANT_FALSE;
  HWND owner = nullptr;
  PLAT_RETURN_IF_FAILED(OwnerWindow(lParentHWnd, &owner));
  if (kbList_.empty()) PLAT_RETURN_IF_FAILED(LoadList(pWorkspace));
  if (title_.length() == 0)
    title_ = plat::unique_bstr::copy(oid_ != 0 ? L"Select Method" : L"Select Rule");

  DlgSelectKB dialog(kbList_, pWorkspace, extended_, caseId_, allowCaseSel_);
  dialog.SetTitle(title_.c_str());
  const INT_PTR result = dialog.DoModal(owner);
  if (result == -1) return DialogFailure(dialog.HandlerError());
  if (result != IDOK) return S_OK;
  selection_ = dialog.Selection();
  caseId_ = dialog.ChosenCaseId();
  if (extended_) {
    documentOid_ = dialog.DocumentOid();
    parameters_ = dialog.TakeParameters();
  }
  *pbDialogOK = VARIANT_TRUE;
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectKBDlg::RunRule(BSTR bstrName, IDispatch* pWorkspace, LONGLONG lParentHWnd,
                                     VARIANT_BOOL bInteractiveAllowed, VARIANT* pvResult) {
  WQ_BARE_METHOD();
  if (pvResult) VariantInit(pvResult);
  PLAT_RETURN_IF_FAILED(RefuseNulTexts(L"WQCSelectKBDlg::RunRule", {{L"bstrName", bstrName}}));
  plat::com_ptr<IWQWorkspace> workspace;
  PLAT_RETURN_IF_FAILED(QueryWorkspace(pWorkspace, workspace));
  return runner_.RunRule(bstrName, nullptr, workspace.get(), lParentHWnd, bInteractiveAllowed,
                         pvResult, caseId_, documentOid_, &parameters_);
}

STDMETHODIMP WQCSelectKBDlg::RunMethod(BSTR bstrName, long nOID, IDispatch* pWorkspace,
                                       LONGLONG lParentHWnd, VARIANT_BOOL bInteractiveAllowed,
                                       VARIANT* pvResult) {
  WQ_BARE_METHOD();
  if (pvResult) VariantInit(pvResult);
  PLAT_RETURN_IF_FAILED(RefuseNulTexts(L"WQCSelectKBDlg::RunMethod", {{L"bstrName", bstrName}}));
  plat::com_ptr<IWQWorkspace> workspace;
  PLAT_RETURN_IF_FAILED(QueryWorkspace(pWorkspace, workspace));
  return runner_.RunMethod(bstrName, nullptr, nOID, workspace.get(), lParentHWnd,
                           bInteractiveAllowed, pvResult, caseId_, documentOid_, &parameters_);
}

STDMETHODIMP WQCSelectKBDlg::ReloadKBModule(BSTR bstrModuleName, BSTR bstrFileName,
                                            IDispatch* pWorkspace, VARIANT_BOOL* pbReloadOK) {
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(
      RefuseNulTexts(L"WQCSelectKBDlg::ReloadKBModule",
                     {{L"bstrModuleName", bstrModuleName}, {L"bstrFileName", bstrFileName}}));
  return ::ReloadKBModule(bstrModuleName, bstrFileName, pWorkspace, pbReloadOK, L"");
}

STDMETHODIMP WQCSelectKBDlg::LoadKBModule(BSTR bstrFileName, IDispatch* pWorkspace,
                                          VARIANT_BOOL* pbReloadOK) {
  WQ_BARE_METHOD();
  return ReloadKBModule(nullptr, bstrFileName, pWorkspace, pbReloadOK);
}

STDMETHODIMP WQCSelectKBDlg::UnloadKBModule(BSTR bstrModuleName, IDispatch* pWorkspace,
                                            VARIANT_BOOL* pbReloadOK) {
  WQ_BARE_METHOD();
  return ReloadKBModule(bstrModuleName, nullptr, pWorkspace, pbReloadOK);
}

STDMETHODIMP WQCSelectKBDlg::LoadKBModuleFromXML(BSTR bstrModuleName, BSTR bstrXML,
                                                 IDispatch* pWorkspace, VARIANT_BOOL* pbReloadOK) {
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(
      RefuseNulTexts(L"WQCSelectKBDlg::LoadKBModuleFromXML",
                     {{L"bstrModuleName", bstrModuleName}, {L"bstrXML", bstrXML}}));
  return ::ReloadKBModule(bstrModuleName, L"", pWorkspace, pbReloadOK, bstrXML);
}
