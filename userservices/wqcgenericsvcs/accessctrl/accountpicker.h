// AccountPicker: the Windows directory object picker, set up to choose one user or group of
// the computer or its domains, and the account it was given back.
#pragma once

#include <handles.h>
#include <sysuuids.h>

#include "wqsecurityutils.h"

class AccountPicker {
 public:
  // Creates the picker and initialises it; IsCreated says whether that worked.
  AccountPicker();
  AccountPicker(const AccountPicker&) = delete;
  AccountPicker& operator=(const AccountPicker&) = delete;

  bool IsCreated() const { return static_cast<bool>(picker_); }
  // Shows the picker over `parent`: S_OK chosen, S_FALSE cancelled, else its failure.
  HRESULT Run(HWND parent);
  // Takes the first chosen account that resolves to a name and a SID; E_FAIL when the
  // selection cannot be read. Without such an account the selected one stays empty.
  HRESULT ReadSelection();
  const WQSecurityPrincipal& GetAccount() const { return account_; }

 private:
  WQSecurityPrincipal account_;
  plat::com_ptr<IDsObjectPicker> picker_;
  plat::com_ptr<IDataObject> selection_;
};
