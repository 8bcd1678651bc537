// WQCSelectClassDlg: lets a client pick workspace classes, optionally only those derived
// from a base class, supporting a class view, or mapped to a field. Users see the
// display names; clients get the internal class names.
#pragma once

#include "WQCGenericSvcs.h"
#include "selectionobject.h"

// The names are the display names, the column the internal class names.
class WQCSelectClassDlg
    : public SelectionObject<WQCSelectClassDlg, IWQCSelectClassDlg, SortedItems<BSTR>> {
 public:
  static constexpr auto kLoadItems = &IWQCSelectClassDlg::LoadClassList;

  WQCSelectClassDlg() : SelectionObject(L"Select Class") {}

  STDMETHOD(put_BaseClass)(BSTR newVal) override;
  STDMETHOD(put_ClassView)(BSTR newVal) override;
  STDMETHOD(get_ClassCount)(long* Count) override;
  STDMETHOD(get_Class)(long iIndex, BSTR* bstrClass) override;
  STDMETHOD(get_Selection)(long iIndex, BSTR* bstrClass) override;
  STDMETHOD(LoadClassList)(IDispatch* pWorkspace) override;
  STDMETHOD(put_ClassesMappedToField)(BSTR newVal) override;

  HRESULT RunDialog(HWND owner, bool& chosen) { return RunNameDialog(owner, nullptr, chosen); }

 private:
  const WQBstrArray& ClassNames() const { return items_.GetColumn<0>(); }

  // Null until set; a set value may be empty.
  plat::unique_bstr baseClass_;
  plat::unique_bstr classView_;
  plat::unique_bstr classesMappedToField_;
};
