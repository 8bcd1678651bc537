// WQCAccessControl: the creatable class through which a client opens the access-control
// administration: it is handed the workspace once, then shows the roles or the users
// dialog modally over one of the client's windows.
#pragma once

#include <dispatch.h>

#include "WQCGenericSvcs.h"
#include "WQOutside.h"

class WQComException;

class WQCAccessControl : public plat::DualImplements<WQCAccessControl, IWQCAccessControl> {
 public:
  STDMETHOD(Initialize)(IDispatch* pWorkspace) override;
  STDMETHOD(ShowRoles)(LONGLONG lParentHWnd) override;
  STDMETHOD(ShowUsers)(LONGLONG lParentHWnd) override;

 private:
  // Runs `Dialog` modally over the client's window (the desktop for 0), which stays
  // disabled meanwhile.
  template <class Dialog>
  HRESULT Show(const wchar_t* method, LONGLONG parent);

  bool initialized_ = false;
  plat::com_ptr<IWQWorkspace> workspace_;
};
