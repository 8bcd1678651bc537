#include "wqcselectunitsetdlg.h"

#include "listunitsetsparser.h"

STDMETHODIMP WQCSelectUnitSetDlg::get_Selection(long iIndex, BSTR* UnitSet) try {
  WQ_BARE_METHOD();
  return GetSelected(items_.GetNames(), iIndex, UnitSet, OnFailure::Clear);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCSelectUnitSetDlg::get_OptionCount(long* Count) {
  WQ_BARE_METHOD();
  return GetItemCount(Count);
}

STDMETHODIMP WQCSelectUnitSetDlg::get_Option(long iIndex, BSTR* UnitSet) try {
  WQ_BARE_METHOD();
  return GetItem(items_.GetNames(), iIndex, UnitSet);
}
PLAT_CATCH_RETURN()

// The call takes no request document.
STDMETHODIMP WQCSelectUnitSetDlg::LoadOptions(IDispatch* pWorkspace) try {
  WQ_BARE_METHOD();
  ListUnitSetsParser parser([this](const wchar_t* name) { items_.Add(name); });
  return LoadItems(pWorkspace, L"ListUnitSets", nullptr, parser);
}
PLAT_CATCH_RETURN()
