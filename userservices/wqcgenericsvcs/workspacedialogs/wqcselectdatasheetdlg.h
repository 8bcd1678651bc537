// WQCSelectDatasheetDlg: lets a client pick datasheets of the workspace under two filters
// the user can change in the dialog, only editable ones and only project summaries, and
// returns their OIDs.
#pragma once

#include "WQCGenericSvcs.h"
#include "selectionobject.h"

// Columns: the editable, is-datasheet and is-project-summary flags (1 = yes) and the OIDs.
class WQCSelectDatasheetDlg : public SelectionObject<WQCSelectDatasheetDlg, IWQCSelectDatasheetDlg,
                                                     SortedItems<BYTE, BYTE, BYTE, LONG>> {
 public:
  static constexpr auto kLoadItems = &IWQCSelectDatasheetDlg::LoadDatasheetList;

  WQCSelectDatasheetDlg() : SelectionObject(L"Select Datasheet") {}

  STDMETHOD(get_Selection)(long iIndex, long* pOID) override;
  STDMETHOD(get_DatasheetCount)(long* Count) override;
  STDMETHOD(get_DatasheetID)(long iIndex, long* pOID) override;
  STDMETHOD(get_DatasheetName)(long iIndex, BSTR* bstrDatasheetName) override;
  STDMETHOD(get_DatasheetEditable)(long iIndex, VARIANT_BOOL* pbEditable) override;
  STDMETHOD(get_IsProjectSummaryDatasheet)(long iIndex, VARIANT_BOOL* pbIsSummary) override;
  STDMETHOD(put_HideNonEditable)(VARIANT_BOOL newVal) override;
  STDMETHOD(put_HideNonProjectSummaryDatasheets)(VARIANT_BOOL newVal) override;
  STDMETHOD(SelectionAsXML)(BSTR* bstrXMLSelection) override;
  STDMETHOD(LoadDatasheetList)(IDispatch* pWorkspace) override;

  HRESULT RunDialog(HWND owner, bool& chosen) {
    return RunObjectDialog(owner, title_.get(),
                           ObjectFlags{Editable(), &items_.GetColumn<1>(), &IsSummary()}, filters_,
                           chosen);
  }

 private:
  const WQArray<BYTE>& Editable() const { return items_.GetColumn<0>(); }
  const WQArray<BYTE>& IsSummary() const { return items_.GetColumn<2>(); }
  const WQArray<LONG>& Oids() const { return items_.GetColumn<3>(); }

  ObjectFilters filters_;
};
