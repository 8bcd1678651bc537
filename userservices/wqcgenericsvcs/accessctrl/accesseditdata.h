// What the pages of one role or user tab dialog collect for its commit. The tab dialog
// owns it; the pages fill it in UpdateData and the General page applies it.
#pragma once

#include <handles.h>

#include <string>
#include <vector>

#include "variantutil.h"
#include "wqsecurityutils.h"

class WorkspaceNodeClient;

struct RoleEditData {
  plat::unique_bstr Name;
  plat::unique_bstr Description;
  WQBstrSafeArray grantedPrivileges;
  WQBstrSafeArray deniedPrivileges;
  std::vector<std::wstring> usersAdded;
  std::vector<std::wstring> usersRemoved;
  WorkspaceNodeClient* client = nullptr;
};

struct MemberEditData {
  WQSecurityPrincipal account;
  plat::unique_bstr displayName;
  WQBstrSafeArray roles;
  WorkspaceNodeClient* client = nullptr;
};
