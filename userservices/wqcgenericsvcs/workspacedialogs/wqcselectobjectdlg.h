// WQCSelectObjectDlg: lets a client pick workspace objects filtered by class, class view
// or a KB filter rule, optionally only parentless ones, under the dialog's "only editable"
// filter, and returns their OIDs.
#pragma once

#include "WQCGenericSvcs.h"
#include "selectionobject.h"

// Columns: the editable flags (1 = editable) and the OIDs.
class WQCSelectObjectDlg
    : public SelectionObject<WQCSelectObjectDlg, IWQCSelectObjectDlg, SortedItems<BYTE, LONG>> {
 public:
  static constexpr auto kLoadItems = &IWQCSelectObjectDlg::LoadObjectList;

  WQCSelectObjectDlg() : SelectionObject(L"Select Object") {}

  STDMETHOD(put_FilterClass)(BSTR newVal) override;
  STDMETHOD(put_FilterClassView)(BSTR newVal) override;
  STDMETHOD(put_FilterRule)(BSTR newVal) override;
  STDMETHOD(get_Selection)(long iIndex, long* pOID) override;
  STDMETHOD(get_ObjectCount)(long* Count) override;
  STDMETHOD(get_ObjectID)(long iIndex, long* pOID) override;
  STDMETHOD(get_ObjectName)(long iIndex, BSTR* bstrObjectName) override;
  STDMETHOD(get_ObjectEditable)(long iIndex, VARIANT_BOOL* pbEditable) override;
  STDMETHOD(put_HideNonEditable)(VARIANT_BOOL newVal) override;
  STDMETHOD(SelectionAsXML)(BSTR* bstrXMLSelection) override;
  STDMETHOD(LoadObjectList)(IDispatch* pWorkspace) override;
  STDMETHOD(put_Parentless)(VARIANT_BOOL newVal) override;
  STDMETHOD(put_ReadWriteMode)(BSTR newVal) override;

  HRESULT RunDialog(HWND owner, bool& chosen);

 private:
  const WQArray<BYTE>& Editable() const { return items_.GetColumn<0>(); }
  const WQArray<LONG>& Oids() const { return items_.GetColumn<1>(); }

  ObjectFilters filters_;
  VARIANT_BOOL parentless_ = VARIANT_FALSE;
  plat::unique_bstr filterClass_;
  plat::unique_bstr filterClassView_;
  plat::unique_bstr filterRule_;
  plat::unique_bstr readWriteMode_;
};
