// WQCKBDialogRequest: shows a KB dialog description that the client already holds and, when
// the user confirms it, carries on the KB conversation on the object it was given (a rule
// for object 0).
#pragma once

#include <dispatch.h>

#include "WQCGenericSvcs.h"
#include "kbrunner.h"

class WQCKBDialogRequest
    : public plat::DualImplements<WQCKBDialogRequest, IWQCKBDialogRequest,
                                  plat::ProvideClassInfo2<WQCKBDialogRequest>> {
 public:
  STDMETHOD(get_OID)(long* pOID) override;
  STDMETHOD(RunDialog)(IDispatch* pWorkspace, LONGLONG lParentHWnd) override;
  STDMETHOD(Initialise)(BSTR strXML, long lOID) override;

 private:
  // Holds the description and the object between the calls; after a confirmed dialog,
  // the results of the last one in place of the description.
  KBRunner runner_;
  bool initialised_ = false;
};
