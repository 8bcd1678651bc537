// WQCSelectCaseDlg: lets a client pick cases of the workspace (global ones, and on
// request restricted cases and the local cases of context objects) in the single- or
// multi-selection dialog, and returns their IDs, names or the selection XML.
#pragma once

#include "WQCGenericSvcs.h"
#include "selectionobject.h"

class WQCSelectCaseDlg
    : public SelectionObject<WQCSelectCaseDlg, IWQCSelectCaseDlg, SortedItems<LONG>> {
 public:
  static constexpr auto kLoadItems = &IWQCSelectCaseDlg::LoadCaseList;

  WQCSelectCaseDlg() : SelectionObject(L"Select Case") {}

  STDMETHOD(get_Selection)(long iIndex, long* pOID) override;
  STDMETHOD(get_SelectionName)(long lIndex, BSTR* pVal) override;
  STDMETHOD(get_CaseCount)(long* pVal) override;
  STDMETHOD(get_Case)(long lCase, BSTR* pVal) override;
  STDMETHOD(get_CaseID)(long lCase, long* pCID) override;
  STDMETHOD(put_RestrictedCases)(VARIANT_BOOL newVal) override;
  STDMETHOD(SelectionAsXML)(BSTR* bstrXMLSelection) override;
  STDMETHOD(LoadCaseList)(IDispatch* pWorkspace) override;
  STDMETHOD(AppendContext)(long lOID) override;

  // The dialog marks the restricted cases (negative IDs).
  HRESULT RunDialog(HWND owner, bool& chosen) { return RunNameDialog(owner, &Ids(), chosen); }

 private:
  const WQArray<LONG>& Ids() const { return items_.GetColumn<0>(); }

  bool restrictedCases_ = true;
  WQArray<LONG> contextOids_;
};
