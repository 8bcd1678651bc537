#include "wqcselectclassdlg.h"

#include "listclassesparser.h"
#include "workspace/dataservicerequest.h"
#include "workspace/requesttext.h"

namespace {

// Compared as the user's locale compares; a null text is empty.
bool IsEmptyText(BSTR text) {
  return !text || CompareStringW(LOCALE_USER_DEFAULT, 0, text, -1, L"", -1) == CSTR_EQUAL;
}

}  // namespace

STDMETHODIMP WQCSelectClassDlg::put_BaseClass(BSTR newVal) try {
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(
      RefuseNulTexts(L"WQCSelectClassDlg::put_BaseClass", {{L"BaseClass", newVal}}));
  baseClass_ = plat::unique_bstr::copy(newVal);
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectClassDlg::put_ClassView(BSTR newVal) try {
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(
      RefuseNulTexts(L"WQCSelectClassDlg::put_ClassView", {{L"ClassView", newVal}}));
  classView_ = plat::unique_bstr::copy(newVal);
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectClassDlg::get_ClassCount(long* Count) {
  WQ_BARE_METHOD();
  return GetItemCount(Count);
}

STDMETHODIMP WQCSelectClassDlg::get_Class(long iIndex, BSTR* bstrClass) try {
  WQ_BARE_METHOD();
  return GetItem(ClassNames(), iIndex, bstrClass);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectClassDlg::get_Selection(long iIndex, BSTR* bstrClass) try {
  WQ_BARE_METHOD();
  return GetSelected(ClassNames(), iIndex, bstrClass, OnFailure::Clear);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectClassDlg::put_ClassesMappedToField(BSTR newVal) try {
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(RefuseNulTexts(L"WQCSelectClassDlg::put_ClassesMappedToField",
                                       {{L"ClassesMappedToField", newVal}}));
  if (!newVal) return E_POINTER;
  classesMappedToField_ = plat::unique_bstr::copy(newVal);
  return S_OK;
}
PLAT_CATCH_RETURN()

// Classes mapped to a field are asked for as the classes derived from it; the base class
// and view filters are then left out.
STDMETHODIMP WQCSelectClassDlg::LoadClassList(IDispatch* pWorkspace) try {
  WQ_BARE_METHOD();
  ListClassesParser parser(
      [this](const wchar_t* displayName, const wchar_t* name) { items_.Add(displayName, name); });
  return LoadItems(
      pWorkspace, L"ListClasses",
      [this](DataServiceRequest& request) {
        request.StartDocument();
        request.StartElement(L"ListClasses");
        if (IsEmptyText(classesMappedToField_.get())) {
          if (baseClass_) request.Attribute(L"BaseClass", baseClass_.c_str());
          if (classView_) request.Attribute(L"ClassView", classView_.c_str());
        } else {
          request.Attribute(L"BaseClass", classesMappedToField_.c_str());
        }
        request.EndElement(L"ListClasses");
      },
      parser);
}
PLAT_CATCH_RETURN()
