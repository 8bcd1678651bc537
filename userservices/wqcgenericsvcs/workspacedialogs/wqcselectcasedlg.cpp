#include "wqcselectcasedlg.h"

#include "workspace/listcasesparser.h"
#include "workspace/dataservicerequest.h"

STDMETHODIMP WQCSelectCaseDlg::get_Selection(long iIndex, long* pOID) {
  WQ_BARE_METHOD();
  return GetSelected(Ids(), iIndex, pOID, OnFailure::Clear);
}

STDMETHODIMP WQCSelectCaseDlg::get_SelectionName(long lIndex, BSTR* pVal) try {
  WQ_BARE_METHOD();
  return GetSelected(items_.GetNames(), lIndex, pVal, OnFailure::Keep);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectCaseDlg::get_CaseCount(long* pVal) {
  WQ_BARE_METHOD();
  return GetItemCount(pVal);
}

STDMETHODIMP WQCSelectCaseDlg::get_Case(long lCase, BSTR* pVal) try {
  WQ_BARE_METHOD();
  return GetItem(items_.GetNames(), lCase, pVal);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectCaseDlg::get_CaseID(long lCase, long* pCID) {
  WQ_BARE_METHOD();
  return GetItem(Ids(), lCase, pCID);
}

STDMETHODIMP WQCSelectCaseDlg::put_RestrictedCases(VARIANT_BOOL newVal) {
  restrictedCases_ = newVal == VARIANT_TRUE;
  return S_OK;
}

STDMETHODIMP WQCSelectCaseDlg::SelectionAsXML(BSTR* bstrXMLSelection) try {
  WQ_BARE_METHOD();
  return GetSelectionXml(Ids(), bstrXMLSelection);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectCaseDlg::LoadCaseList(IDispatch* pWorkspace) try {
  WQ_BARE_METHOD();
  ListCasesParser parser([this](const wchar_t* name, LONG id) { items_.Add(name, id); });
  return LoadItems(
      pWorkspace, L"ListCases",
      [this](DataServiceRequest& request) {
        request.StartDocument();
        request.StartElement(L"ListCases");
        request.FlagAttribute(L"RestrictedCases", restrictedCases_);
        request.CloseStartTag();
        for (int i = 0; i < contextOids_.GetCount(); ++i)
          request.Element(L"ObjectId", contextOids_[i]);
        request.EndElement(L"ListCases");
      },
      parser);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectCaseDlg::AppendContext(long lOID) try {
  WQ_BARE_METHOD();
  contextOids_.Add(lOID);
  return S_OK;
}
PLAT_CATCH_RETURN()
