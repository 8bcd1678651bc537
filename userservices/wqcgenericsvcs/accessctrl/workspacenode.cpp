#include "workspacenode.h"

#include <adshlp.h>

#include "variantutil.h"
#include "wqcomexception.h"
#include "wqstring.h"

namespace {

// A failed call passes on its own error info, with no message of ours.
void RaiseIfFailed(WQComException& error, HRESULT hr) {
  if (SUCCEEDED(hr)) return;
  error = hr;
  error.Throw();
}

// The non-empty names of a list argument, in index order; a null array holds none.
void ReadNames(WQComException& error, SAFEARRAY* list, WQBstrArray& names) {
  if (!list) return;
  WQBstrSafeArray array;
  const HRESULT hr = array.Attach(list, false);
  if (FAILED(hr))
    error.ThrowHrAt(WQ_HERE, hr, L"A list of names must be a one-dimensional array of strings");
  for (ULONG i = 0; i < array.GetCount(); ++i) {
    plat::unique_variant element;
    RaiseIfFailed(error, array.GetAt(static_cast<LONG>(i), &element));
    if (V_VT(&element) == VT_EMPTY || V_VT(&element) == VT_NULL) continue;
    if (V_VT(&element) != VT_BSTR)
      error.ThrowHrAt(WQ_HERE, DISP_E_TYPEMISMATCH, L"A list of names holds strings only");
    if (SysStringLen(V_BSTR(&element))) names.Add(V_BSTR(&element));
  }
}

}  // namespace

WorkspaceNodeClient::WorkspaceNodeClient(IWQWorkspace* workspace) : workspace_(workspace) {}

HRESULT WorkspaceNodeClient::Connect() {
  return WQRunComMethod(nullptr, [&](WQComException& error) {
    node_.reset();
    // The node may be served out of process: it is made for IUnknown and started first.
    plat::com_ptr<IUnknown> unknown;
    RaiseIfFailed(error, CoCreateInstance(CLSID_WQWorkspaceNode, nullptr, CLSCTX_ALL, IID_IUnknown,
                                          unknown.put_void()));
    RaiseIfFailed(error, OleRun(unknown.get()));
    plat::com_ptr<IWQWorkspaceNode> node;
    RaiseIfFailed(error, unknown.query_to(node));
    node_ = std::move(node);
  });
}

IWQWorkspaceNode* WorkspaceNodeClient::Node(WQComException& error) const {
  if (!node_) error.ThrowHrAt(WQ_HERE, E_UNEXPECTED, L"The workspace node is not connected");
  return node_.get();
}

void WorkspaceNodeClient::Redraw(AccessControlListView* dialog) {
  if (dialog) dialog->FillControlList(false);
}

HRESULT WorkspaceNodeClient::GetAccessControl(BSTR* xml) {
  return WQRunComMethod(nullptr, [&](WQComException& error) {
    error.CheckPointer(xml);
    *xml = nullptr;
    RaiseIfFailed(error, Node(error)->GetAccessControl(workspace_.get(), xml));
  });
}

// ---------------------------------------------------------------- users

HRESULT WorkspaceNodeClient::AddUser(const WQSecurityPrincipal& account, BSTR displayName,
                                     SAFEARRAY* roleNames) {
  return WQRunComMethod(nullptr, [&](WQComException& error) {
    IWQWorkspaceNode* node = Node(error);
    if (model_.FindUserIndex(account.GetName()) >= 0)
      error.ThrowHrAt(WQ_HERE, E_FAIL,
                      L"The new user that you are trying to add already exists in this workspace");
    WQBstrArray roles;
    ReadNames(error, roleNames, roles);

    plat::unique_bstr fullName;
    if (!SysStringLen(displayName)) {
      // A user without a display name of its own is shown under the directory's; an
      // account the directory does not know keeps it empty.
      if (FAILED(GetAccountDetails(account.GetName(), fullName.put(), nullptr))) {
        fullName.reset();
        SetErrorInfo(0, nullptr);
      }
      if (fullName) displayName = fullName.get();
    }

    const plat::unique_bstr name = plat::unique_bstr::copy(account.GetName());
    RaiseIfFailed(error, node->AddUser(name.get(), displayName, roleNames, workspace_.get()));

    AccessUser user;
    user.Account = account;
    user.DisplayName = CopyableBstr(displayName);
    for (int i = 0; i < roles.GetCount(); ++i) user.RoleNames.Add(roles[i]);
    model_.Users().Add(user);
    Redraw(usersDialog_);
  });
}

HRESULT WorkspaceNodeClient::ModifyUser(const WQSecurityPrincipal& account, BSTR displayName,
                                        SAFEARRAY* roleNames) {
  return WQRunComMethod(nullptr, [&](WQComException& error) {
    IWQWorkspaceNode* node = Node(error);
    WQBstrArray roles;
    ReadNames(error, roleNames, roles);
    const plat::unique_bstr name = plat::unique_bstr::copy(account.GetName());
    RaiseIfFailed(error, node->ModifyUser(name.get(), displayName, roleNames, workspace_.get()));

    const int index = model_.FindUserIndex(account.GetName());
    if (index >= 0) {
      AccessUser& user = model_.Users()[index];
      user.DisplayName = CopyableBstr(displayName);
      user.RoleNames.RemoveAll();
      for (int i = 0; i < roles.GetCount(); ++i) user.RoleNames.Add(roles[i]);
    }
    Redraw(usersDialog_);
  });
}

HRESULT WorkspaceNodeClient::DeleteUser(const WQSecurityPrincipal& account) {
  return WQRunComMethod(nullptr, [&](WQComException& error) {
    IWQWorkspaceNode* node = Node(error);
    const plat::unique_bstr name = plat::unique_bstr::copy(account.GetName());
    RaiseIfFailed(error, node->DeleteUser(name.get(), workspace_.get()));
    const int index = model_.FindUserIndex(account.GetName());
    if (index >= 0) model_.Users().RemoveAt(index);
    Redraw(usersDialog_);
  });
}

HRESULT WorkspaceNodeClient::AddRoleToUser(const WQSecurityPrincipal& account, BSTR roleName) {
  return ChangeUserRole(account, roleName, true);
}

HRESULT WorkspaceNodeClient::RemoveRoleFromUser(const WQSecurityPrincipal& account, BSTR roleName) {
  return ChangeUserRole(account, roleName, false);
}

HRESULT WorkspaceNodeClient::ChangeUserRole(const WQSecurityPrincipal& account, BSTR roleName,
                                            bool add) {
  return WQRunComMethod(nullptr, [&](WQComException& error) {
    IWQWorkspaceNode* node = Node(error);
    // The node replaces the user's whole role list: without the user's current roles
    // the change would take every other role away.
    const int index = model_.FindUserIndex(account.GetName());
    if (index < 0)
      error.ThrowHrAt(WQ_HERE, E_FAIL,
                      L"The user %ls is not in the access control of this workspace",
                      account.GetName());
    AccessUser& user = model_.Users()[index];
    if (user.HasRole(roleName) == add) return;

    WQBstrArray roles;
    for (int i = 0; i < user.RoleNames.GetCount(); ++i)
      if (add || !SameAccessName(user.RoleNames[i], roleName)) roles.Add(user.RoleNames[i]);
    if (add) roles.Add(roleName);
    // Counted from 1, as the node takes a user's role list.
    WQBstrSafeArray array(static_cast<ULONG>(roles.GetCount()), 1, true);
    for (int i = 0; i < roles.GetCount(); ++i) RaiseIfFailed(error, array.SetAt(i, roles[i]));

    const plat::unique_bstr name = plat::unique_bstr::copy(user.GetName());
    RaiseIfFailed(
        error, node->ModifyUser(name.get(), user.DisplayName.get(), array.Get(), workspace_.get()));
    if (add) {
      user.AddRole(roleName);
    } else {
      // The server has none of them left.
      for (int i = user.RoleNames.GetCount() - 1; i >= 0; --i)
        if (SameAccessName(user.RoleNames[i], roleName)) user.RoleNames.RemoveAt(i);
    }
  });
}

// ---------------------------------------------------------------- roles

// A new role gets a right for every privilege of the catalogue and ignores other names;
// a modified one resets the catalogue's and appends the others.
void WorkspaceNodeClient::ApplyRoleRights(AccessRole& role, const WQBstrArray& granted,
                                          const WQBstrArray& denied, bool newRole) {
  const auto set = [&](BSTR name, LONG value) {
    if (!newRole) {
      role.SetPrivilegeRight(name, value);
    } else if (PrivilegeRightRecord* right = role.FindPrivilegeRight(name)) {
      right->Granted = value;
    }
  };
  const WQArray<PrivilegeCategoryRecord>& categories = model_.Categories();
  for (int c = 0; c < categories.GetCount(); ++c) {
    const WQArray<PrivilegeRecord>& privileges = categories[c].Privileges;
    for (int p = 0; p < privileges.GetCount(); ++p) {
      if (newRole) {
        PrivilegeRightRecord right;
        right.Name = privileges[p].Name;
        role.Rights.Add(right);
      } else {
        role.SetPrivilegeRight(privileges[p].Name.get(), PrivilegeRightRecord::kNeither);
      }
    }
  }
  for (int i = 0; i < granted.GetCount(); ++i) set(granted[i], PrivilegeRightRecord::kGranted);
  for (int i = 0; i < denied.GetCount(); ++i) set(denied[i], PrivilegeRightRecord::kDenied);
}

HRESULT WorkspaceNodeClient::AddRole(BSTR name, BSTR description, SAFEARRAY* granted,
                                     SAFEARRAY* denied) {
  return ChangeRole(name, description, granted, denied, true);
}

HRESULT WorkspaceNodeClient::ModifyRole(BSTR name, BSTR description, SAFEARRAY* granted,
                                        SAFEARRAY* denied) {
  return ChangeRole(name, description, granted, denied, false);
}

HRESULT WorkspaceNodeClient::ChangeRole(BSTR name, BSTR description, SAFEARRAY* granted,
                                        SAFEARRAY* denied, bool add) {
  // Ours from here on, whatever happens.
  plat::unique_safearray grantedOwner(granted);
  plat::unique_safearray deniedOwner(denied);
  return WQRunComMethod(nullptr, [&](WQComException& error) {
    IWQWorkspaceNode* node = Node(error);
    WQBstrArray grantedNames;
    WQBstrArray deniedNames;
    ReadNames(error, granted, grantedNames);
    ReadNames(error, denied, deniedNames);
    RaiseIfFailed(error,
                  add ? node->AddRole(name, description, granted, denied, workspace_.get())
                      : node->ModifyRole(name, description, granted, denied, workspace_.get()));
    if (add) {
      AccessRole role;
      role.Name = CopyableBstr(name);
      role.Description = CopyableBstr(description);
      ApplyRoleRights(role, grantedNames, deniedNames, true);
      model_.Roles().Add(role);
    } else if (AccessRole* role = model_.FindRole(name)) {
      role->Description = CopyableBstr(description);
      ApplyRoleRights(*role, grantedNames, deniedNames, false);
    }
    Redraw(rolesDialog_);
  });
}

HRESULT WorkspaceNodeClient::DeleteRole(BSTR name) {
  return WQRunComMethod(nullptr, [&](WQComException& error) {
    RaiseIfFailed(error, Node(error)->DeleteRole(name, workspace_.get()));
    const int index = model_.FindRoleIndex(name);
    if (index >= 0) model_.Roles().RemoveAt(index);
    Redraw(rolesDialog_);
  });
}

// ---------------------------------------------------------------- directory

void WorkspaceNodeClient::MakeWinNTPath(const wchar_t* accountName, WQStringBuffer& path) {
  path.Assign(L"WinNT://");
  for (const wchar_t* p = accountName ? accountName : L""; *p; ++p)
    path.AppendChar(*p == L'\\' ? L'/' : *p);
}

HRESULT WorkspaceNodeClient::GetADsUser(const wchar_t* accountName, IADsUser** user) {
  return WQRunComMethod(nullptr, [&](WQComException& error) {
    error.CheckPointer(user);
    *user = nullptr;
    if (!accountName || !*accountName)
      error.ThrowHrAt(WQ_HERE, E_FAIL, L"No account information provided");
    wchar_t storage[1024];
    WQStringBuffer path(storage);
    MakeWinNTPath(accountName, path);
    plat::com_ptr<IADsUser> found;
    RaiseIfFailed(error, ADsGetObject(path, IID_IADsUser, found.put_void()));
    *user = found.detach();
  });
}

HRESULT WorkspaceNodeClient::GetAccountDetails(const wchar_t* accountName, BSTR* fullName,
                                               BSTR* description) {
  if (fullName) *fullName = nullptr;
  if (description) *description = nullptr;
  plat::com_ptr<IADsUser> user;
  HRESULT hr = GetADsUser(accountName, user.put());
  if (SUCCEEDED(hr) && fullName) hr = user->get_FullName(fullName);
  if (SUCCEEDED(hr) && description) hr = user->get_Description(description);
  return hr;
}
