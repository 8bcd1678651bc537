#include "wqcselectdatasheetdlg.h"

#include "listobjectsparser.h"
#include "workspace/dataservicerequest.h"

STDMETHODIMP WQCSelectDatasheetDlg::get_Selection(long iIndex, long* pOID) {
  WQ_BARE_METHOD();
  return GetSelected(Oids(), iIndex, pOID, OnFailure::Clear);
}

STDMETHODIMP WQCSelectDatasheetDlg::get_DatasheetCount(long* Count) {
  WQ_BARE_METHOD();
  return GetItemCount(Count);
}

STDMETHODIMP WQCSelectDatasheetDlg::get_DatasheetID(long iIndex, long* pOID) {
  WQ_BARE_METHOD();
  return GetItem(Oids(), iIndex, pOID);
}

STDMETHODIMP WQCSelectDatasheetDlg::get_DatasheetName(long iIndex, BSTR* bstrDatasheetName) try {
  WQ_BARE_METHOD();
  return GetItem(items_.GetNames(), iIndex, bstrDatasheetName);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectDatasheetDlg::get_DatasheetEditable(long iIndex, VARIANT_BOOL* pbEditable) {
  WQ_BARE_METHOD();
  return GetItemFlag(Editable(), iIndex, pbEditable);
}

STDMETHODIMP WQCSelectDatasheetDlg::get_IsProjectSummaryDatasheet(long iIndex,
                                                                  VARIANT_BOOL* pbIsSummary) {
  WQ_BARE_METHOD();
  return GetItemFlag(IsSummary(), iIndex, pbIsSummary);
}

STDMETHODIMP WQCSelectDatasheetDlg::put_HideNonEditable(VARIANT_BOOL newVal) {
  filters_.onlyEditable = newVal;
  return S_OK;
}

STDMETHODIMP WQCSelectDatasheetDlg::put_HideNonProjectSummaryDatasheets(VARIANT_BOOL newVal) {
  filters_.onlyProjectSummaries = newVal;
  return S_OK;
}

STDMETHODIMP WQCSelectDatasheetDlg::SelectionAsXML(BSTR* bstrXMLSelection) try {
  WQ_BARE_METHOD();
  return GetSelectionXml(Oids(), bstrXMLSelection);
}
PLAT_CATCH_RETURN()

// The request is a "ListDatasheets" element holding an empty text.
STDMETHODIMP WQCSelectDatasheetDlg::LoadDatasheetList(IDispatch* pWorkspace) try {
  WQ_BARE_METHOD();
  ListDatasheetsParser parser([this](const ListedObject& sheet) {
    items_.Add(sheet.name.c_str(), sheet.editable ? 1 : 0, sheet.isDatasheet ? 1 : 0,
               sheet.isProjectSummary ? 1 : 0, sheet.oid);
  });
  return LoadItems(
      pWorkspace, L"ListDatasheets",
      [](DataServiceRequest& request) {
        request.StartDocument();
        request.Element(L"ListDatasheets", L"");
      },
      parser);
}
PLAT_CATCH_RETURN()
