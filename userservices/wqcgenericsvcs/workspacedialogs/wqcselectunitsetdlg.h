// WQCSelectUnitSetDlg: lets a client pick unit sets of the workspace by name.
#pragma once

#include "WQCGenericSvcs.h"
#include "selectionobject.h"

class WQCSelectUnitSetDlg
    : public SelectionObject<WQCSelectUnitSetDlg, IWQCSelectUnitSetDlg, SortedItems<>> {
 public:
  static constexpr auto kLoadItems = &IWQCSelectUnitSetDlg::LoadOptions;

  WQCSelectUnitSetDlg() : SelectionObject(L"Select Unit Set") {}

  STDMETHOD(get_Selection)(long iIndex, BSTR* UnitSet) override;
  STDMETHOD(get_OptionCount)(long* Count) override;
  STDMETHOD(get_Option)(long iIndex, BSTR* UnitSet) override;
  STDMETHOD(LoadOptions)(IDispatch* pWorkspace) override;

  HRESULT RunDialog(HWND owner, bool& chosen) { return RunNameDialog(owner, nullptr, chosen); }
};
