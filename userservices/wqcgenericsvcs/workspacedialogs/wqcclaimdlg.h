// WQCClaimDlg: claims a workspace object, or one of its parts, for editing. Initialize
// loads the object's claimable parts; ShowDialog lets the user pick a part and a claim
// setting; ClaimObject and ClaimObjectEx send the claim, for that choice or for an object
// and setting the caller names.
#pragma once

#include <dispatch.h>

#include "WQCGenericSvcs.h"
#include "listobjectpartsparser.h"

class WQComException;

class WQCClaimDlg : public plat::DualImplements<WQCClaimDlg, IWQCClaimDlg> {
 public:
  STDMETHOD(get_ObjectCount)(long* piCount) override;
  STDMETHOD(get_SelectedOID)(long* piOID) override;
  STDMETHOD(get_SelectedClaim)(VARIANT_BOOL* pbIsExclusive) override;
  STDMETHOD(Initialize)(IDispatch* pWorkspace, long iOID, VARIANT vAttributeName) override;
  STDMETHOD(ShowDialog)(LONGLONG lParentHWnd, VARIANT_BOOL* pbDialogOK) override;
  STDMETHOD(ClaimObject)(IDispatch* pWorkspace, VARIANT vOID, VARIANT vClaimExclusive) override;
  STDMETHOD(ClaimObjectEx)(IDispatch* pWorkspace, VARIANT vOID, VARIANT vClaimSetting) override;

 private:
  // The object of a claim: the one given, else the part chosen in the dialog.
  long ClaimedObject(WQComException& error, const VARIANT& vOID) const;

  bool initialized_ = false;
  long oid_ = -1;
  long selectedOid_ = -1;
  bool selectedExclusive_ = false;
  ObjectPartArray parts_;  // of the Initialize calls since the last dialog
};
