// WQCAssocHoldDlg: lets a user ask for a new hold or pick one of the workspace's active
// holds, and creates hold objects. It associates nothing itself: the client reads Create,
// Selection, Name and Reason and acts on them.
#pragma once

#include <dispatch.h>

#include "WQCGenericSvcs.h"

class WQCAssocHoldDlg : public plat::DualImplements<WQCAssocHoldDlg, IWQCAssocHoldDlg> {
 public:
  WQCAssocHoldDlg();

  STDMETHOD(put_Title)(BSTR newVal) override;
  STDMETHOD(get_Create)(VARIANT_BOOL* pbCreate) override;
  STDMETHOD(get_Reason)(BSTR* bstrReason) override;
  STDMETHOD(get_Selection)(long* pOID) override;
  STDMETHOD(get_Name)(BSTR* bstrName) override;
  STDMETHOD(ShowDialog)
  (IDispatch* pWorkspace, LONGLONG lParentHWnd, VARIANT_BOOL* pbDialogOK) override;
  STDMETHOD(CreateHold)
  (IDispatch* pWorkspace, BSTR bstrName, BSTR bstrReason, VARIANT bstrClass, long* plOID) override;

  // The "ActiveHolds" reply of the workspace, as text.
  virtual HRESULT ListActiveHolds(IDispatch* pWorkspace, BSTR* pXML);

 private:
  plat::unique_bstr title_;
  VARIANT_BOOL create_ = VARIANT_TRUE;
  plat::unique_bstr reason_;
  plat::unique_bstr name_;
  long selection_ = -1;
};
