// WQCRenameCaseDlg: asks the user which case to rename and its new name, and hands both to
// the client, which does the renaming.
#pragma once

#include <dispatch.h>
#include <handles.h>

#include "WQCGenericSvcs.h"
#include "selectionitems.h"

class WQCRenameCaseDlg : public plat::DualImplements<WQCRenameCaseDlg, IWQCRenameCaseDlg> {
 public:
  WQCRenameCaseDlg() : title_(plat::unique_bstr::copy(L"Rename Case")) {}

  STDMETHOD(get_SelectionCase)(BSTR* pVal) override;
  STDMETHOD(get_SelectionName)(BSTR* pVal) override;
  STDMETHOD(put_Title)(BSTR newVal) override;
  STDMETHOD(ShowDialog)
  (IDispatch* pWorkspace, LONGLONG lParentHWnd, VARIANT_BOOL* pbDialogOK) override;

 private:
  // Adds the workspace's cases, restricted ones included, to the list.
  HRESULT LoadCaseList(IDispatch* workspace);

  plat::unique_bstr title_;
  SortedItems<LONG> cases_;  // names and case IDs
  // Null until the first OK.
  plat::unique_bstr existingName_;
  plat::unique_bstr newName_;
};
