#include "wqcseldsbytypedlg.h"

#include "dialogobject.h"

STDMETHODIMP WQCSelDsByTypeDlg::AddDatasheetTemplate(BSTR templateName) {
  return WQRunComMethod(L"WQCSelDsByTypeDlg::AddDatasheetTemplate",
                        [&](WQComException&) { dialog_.AddTemplateName(templateName); });
}

STDMETHODIMP WQCSelDsByTypeDlg::ShowDialog(VARIANT_BOOL* pbDialogOK) {
  return WQRunComMethod(L"WQCSelDsByTypeDlg::ShowDialog", [&](WQComException& error) {
    error.CheckPointer(pbDialogOK);
    *pbDialogOK = VARIANT_FALSE;
    if (wqc::RunModalDialog(error, dialog_, GetActiveWindow())) *pbDialogOK = VARIANT_TRUE;
  });
}

STDMETHODIMP WQCSelDsByTypeDlg::GetSelectedDatasheetTemplateIndexes(SAFEARRAY** templateNamesIdx) {
  return WQRunComMethod(
      L"WQCSelDsByTypeDlg::GetSelectedDatasheetTemplateIndexes", [&](WQComException& error) {
        error.CheckPointer(templateNamesIdx);
        *templateNamesIdx = nullptr;
        *templateNamesIdx =
            wqc::NewIntegerArray(error, VT_UI4, dialog_.GetChosenIndexes()).release();
      });
}
