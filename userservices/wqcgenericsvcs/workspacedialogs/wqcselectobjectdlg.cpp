#include "wqcselectobjectdlg.h"

#include "listobjectsparser.h"
#include "workspace/dataservicerequest.h"
#include "workspace/requesttext.h"

namespace {

// Case-sensitive, as the user's locale compares.
bool TextEquals(const wchar_t* a, const wchar_t* b) {
  return CompareStringW(LOCALE_USER_DEFAULT, 0, a, -1, b, -1) == CSTR_EQUAL;
}

}  // namespace

STDMETHODIMP WQCSelectObjectDlg::put_FilterClass(BSTR newVal) try {
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(
      RefuseNulTexts(L"WQCSelectObjectDlg::put_FilterClass", {{L"FilterClass", newVal}}));
  filterClass_ = plat::unique_bstr::copy(newVal);
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectObjectDlg::put_FilterClassView(BSTR newVal) try {
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(
      RefuseNulTexts(L"WQCSelectObjectDlg::put_FilterClassView", {{L"FilterClassView", newVal}}));
  filterClassView_ = plat::unique_bstr::copy(newVal);
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectObjectDlg::put_FilterRule(BSTR newVal) try {
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(
      RefuseNulTexts(L"WQCSelectObjectDlg::put_FilterRule", {{L"FilterRule", newVal}}));
  filterRule_ = plat::unique_bstr::copy(newVal);
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectObjectDlg::get_Selection(long iIndex, long* pOID) {
  WQ_BARE_METHOD();
  return GetSelected(Oids(), iIndex, pOID, OnFailure::Clear);
}

STDMETHODIMP WQCSelectObjectDlg::get_ObjectCount(long* Count) {
  WQ_BARE_METHOD();
  return GetItemCount(Count);
}

STDMETHODIMP WQCSelectObjectDlg::get_ObjectID(long iIndex, long* pOID) {
  WQ_BARE_METHOD();
  return GetItem(Oids(), iIndex, pOID);
}

STDMETHODIMP WQCSelectObjectDlg::get_ObjectName(long iIndex, BSTR* bstrObjectName) try {
  WQ_BARE_METHOD();
  return GetItem(items_.GetNames(), iIndex, bstrObjectName);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectObjectDlg::get_ObjectEditable(long iIndex, VARIANT_BOOL* pbEditable) {
  WQ_BARE_METHOD();
  return GetItemFlag(Editable(), iIndex, pbEditable);
}

STDMETHODIMP WQCSelectObjectDlg::put_HideNonEditable(VARIANT_BOOL newVal) {
  filters_.onlyEditable = newVal;
  return S_OK;
}

STDMETHODIMP WQCSelectObjectDlg::SelectionAsXML(BSTR* bstrXMLSelection) try {
  WQ_BARE_METHOD();
  return GetSelectionXml(Oids(), bstrXMLSelection);
}
PLAT_CATCH_RETURN()

// At most one filter goes with the request: the class before the view before the rule.
STDMETHODIMP WQCSelectObjectDlg::LoadObjectList(IDispatch* pWorkspace) try {
  WQ_BARE_METHOD();
  ListObjectsParser parser([this](const ListedObject& object) {
    items_.Add(object.name.c_str(), object.editable ? 1 : 0, object.oid);
  });
  return LoadItems(
      pWorkspace, L"ListObjects",
      [this](DataServiceRequest& request) {
        request.StartDocument();
        request.StartElement(L"ListObjects");
        if (filterClass_.length())
          request.Attribute(L"FilterClass", filterClass_.c_str());
        else if (filterClassView_.length())
          request.Attribute(L"FilterView", filterClassView_.c_str());
        else if (filterRule_.length())
          request.Attribute(L"FilterRule", filterRule_.c_str());
        if (parentless_ == VARIANT_TRUE) request.FlagAttribute(L"Parentless", true);
        if (readWriteMode_.length()) request.Attribute(L"ReadWriteMode", readWriteMode_.c_str());
        request.EndElement(L"ListObjects");
      },
      parser);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectObjectDlg::put_Parentless(VARIANT_BOOL newVal) {
  parentless_ = newVal;
  return S_OK;
}

STDMETHODIMP WQCSelectObjectDlg::put_ReadWriteMode(BSTR newVal) try {
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(
      RefuseNulTexts(L"WQCSelectObjectDlg::put_ReadWriteMode", {{L"ReadWriteMode", newVal}}));
  readWriteMode_ = plat::unique_bstr::copy(newVal);
  return S_OK;
}
PLAT_CATCH_RETURN()

// The multiple dialog names what a datasheet or diagram filter lists.
HRESULT WQCSelectObjectDlg::RunDialog(HWND owner, bool& chosen) {
  const wchar_t* multiTitle = title_.c_str();
  if (TextEquals(filterClass_.c_str(), L"DATASHEET"))
    multiTitle = L"Select Datasheet";
  else if (TextEquals(filterClass_.c_str(), L"Diagram"))
    multiTitle = L"Select Diagram";
  return RunObjectDialog(owner, multiTitle, ObjectFlags{Editable()}, filters_, chosen);
}
