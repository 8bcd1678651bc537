#include "wqcrenamecasedlg.h"

#include "workspace/listcasesparser.h"
#include "renameselectdlg.h"
#include "workspace/selectionload.h"
#include "workspace/dataservicerequest.h"

STDMETHODIMP WQCRenameCaseDlg::get_SelectionCase(BSTR* pVal) try {
  WQ_BARE_METHOD();
  if (!pVal) return E_POINTER;
  *pVal = plat::unique_bstr::copy(existingName_.get()).release();
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCRenameCaseDlg::get_SelectionName(BSTR* pVal) try {
  WQ_BARE_METHOD();
  if (!pVal) return E_POINTER;
  *pVal = plat::unique_bstr::copy(newName_.get()).release();
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCRenameCaseDlg::put_Title(BSTR newVal) try {
  WQ_BARE_METHOD();
  title_ = plat::unique_bstr::copy(newVal);
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCRenameCaseDlg::ShowDialog(IDispatch* pWorkspace, LONGLONG lParentHWnd,
                                          VARIANT_BOOL* pbDialogOK) try {
  WQ_BARE_METHOD();
  if (!pbDialogOK) return E_POINTER;
  *pbDialogOK = VARIANT_FALSE;
  HWND owner = nullptr;
  PLAT_RETURN_IF_FAILED(OwnerWindow(lParentHWnd, &owner));
  if (cases_.GetCount() == 0) PLAT_RETURN_IF_FAILED(LoadCaseList(pWorkspace));
  RenameSelectDlg dialog(cases_.GetNames(), cases_.GetColumn<0>());
  dialog.SetTitle(title_.get());
  const INT_PTR result = dialog.DoModal(owner);
  if (result == -1) return DialogFailure(dialog.HandlerError());
  if (result == IDOK) {
    existingName_ = dialog.TakeExistingName();
    newName_ = dialog.TakeNewName();
    *pbDialogOK = VARIANT_TRUE;
  }
  return S_OK;
}
PLAT_CATCH_RETURN()

// What the reply holds joins the list, all of it or, when the load fails, none.
HRESULT WQCRenameCaseDlg::LoadCaseList(IDispatch* workspace) {
  ListCasesParser parser([this](const wchar_t* name, LONG id) { cases_.Add(name, id); });
  return cases_.EndLoad(RequestList(
      workspace, L"ListCases",
      [](DataServiceRequest& request) {
        request.StartDocument();
        request.StartElement(L"ListCases");
        request.EndElement(L"ListCases");
      },
      parser));
}
