// WQCUnClaimDlg: gives up the claim on a workspace object. Initialize asks the server what
// unclaiming would affect and tells whether the user needs to be asked; ShowDialog shows
// that report; UnClaimObject releases the claim.
#pragma once

#include <dispatch.h>

#include <string>

#include "WQCGenericSvcs.h"

class WQCUnClaimDlg : public plat::DualImplements<WQCUnClaimDlg, IWQCUnClaimDlg> {
 public:
  STDMETHOD(Initialize)(IDispatch* pWorkspace, long iOID, VARIANT_BOOL* pbShowDialog) override;
  STDMETHOD(ShowDialog)(LONGLONG lParentHWnd, VARIANT_BOOL* pbDialogOK) override;
  STDMETHOD(UnClaimObject)(IDispatch* pWorkspace, VARIANT vOID) override;

 private:
  bool initialized_ = false;
  long oid_ = -1;
  // The report of the last successful Initialize.
  std::wstring name_;
  long claimSetting_ = 0;  // 0: no need to ask the user
  std::wstring report_;
};
