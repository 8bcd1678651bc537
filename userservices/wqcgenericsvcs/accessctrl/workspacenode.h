// WorkspaceNodeClient: the module's side of the server's workspace-node object. One lives
// in each roles and users dialog: it applies every add, modify and delete of a user or a
// role through the node and, once the server accepted a change, patches the
// access-control model it owns and has the dialog redraw its list from the model.
//
// Every operation returns an HRESULT with its "WQError" chain installed; a failing node
// call passes on the node's own error and leaves the model as it was.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <iads.h>

#include <handles.h>

#include "WQOutside.h"
#include "accessctrl.h"

class WQComException;
class WQStringBuffer;

// What the users and roles dialogs offer the client: the fill of their list, here always
// from the model (reload false).
class AccessControlListView {
 public:
  virtual void FillControlList(bool reload) = 0;

 protected:
  ~AccessControlListView() = default;
};

class WorkspaceNodeClient {
 public:
  explicit WorkspaceNodeClient(IWQWorkspace* workspace);
  WorkspaceNodeClient(const WorkspaceNodeClient&) = delete;
  WorkspaceNodeClient& operator=(const WorkspaceNodeClient&) = delete;

  // Creates the node object; on failure the client stays without one and every node
  // operation fails with E_UNEXPECTED.
  HRESULT Connect();
  bool IsConnected() const { return static_cast<bool>(node_); }

  // The dialogs that redraw after a change; null for none.
  void SetUsersDialog(AccessControlListView* dialog) { usersDialog_ = dialog; }
  void SetRolesDialog(AccessControlListView* dialog) { rolesDialog_ = dialog; }

  CAccessControl& GetModel() { return model_; }
  const CAccessControl& GetModel() const { return model_; }

  // The "AccessControl" XML of the workspace, for the dialogs' list fill.
  HRESULT GetAccessControl(BSTR* xml);

  // The caller keeps `roleNames`. An empty display name of a new user is filled with the
  // account's full name from the directory, when it has one.
  HRESULT AddUser(const WQSecurityPrincipal& account, BSTR displayName, SAFEARRAY* roleNames);
  HRESULT ModifyUser(const WQSecurityPrincipal& account, BSTR displayName, SAFEARRAY* roleNames);
  HRESULT DeleteUser(const WQSecurityPrincipal& account);

  // The client takes over `granted` and `denied` and destroys them, whatever the outcome.
  // A privilege named in both ends denied.
  HRESULT AddRole(BSTR name, BSTR description, SAFEARRAY* granted, SAFEARRAY* denied);
  HRESULT ModifyRole(BSTR name, BSTR description, SAFEARRAY* granted, SAFEARRAY* denied);
  HRESULT DeleteRole(BSTR name);

  // One role more or less for a user of the model, sent as the user's whole role list.
  // Nothing is sent when the user already has (or has not) the role.
  HRESULT AddRoleToUser(const WQSecurityPrincipal& account, BSTR roleName);
  HRESULT RemoveRoleFromUser(const WQSecurityPrincipal& account, BSTR roleName);

  // Directory look-ups of a Windows account (domain\account) through its "WinNT://" path.
  static HRESULT GetADsUser(const wchar_t* accountName, IADsUser** user);
  // Either out-pointer may be null; those given are null unless their value was read.
  static HRESULT GetAccountDetails(const wchar_t* accountName, BSTR* fullName, BSTR* description);
  // "WinNT://" and the account name with every '\' made a '/'.
  static void MakeWinNTPath(const wchar_t* accountName, WQStringBuffer& path);

 private:
  IWQWorkspaceNode* Node(WQComException& error) const;
  void ApplyRoleRights(AccessRole& role, const WQBstrArray& granted, const WQBstrArray& denied,
                       bool newRole);
  HRESULT ChangeUserRole(const WQSecurityPrincipal& account, BSTR roleName, bool add);
  HRESULT ChangeRole(BSTR name, BSTR description, SAFEARRAY* granted, SAFEARRAY* denied, bool add);
  void Redraw(AccessControlListView* dialog);

  plat::com_ptr<IWQWorkspaceNode> node_;
  plat::com_ptr<IWQWorkspace> workspace_;
  CAccessControl model_;
  AccessControlListView* usersDialog_ = nullptr;
  AccessControlListView* rolesDialog_ = nullptr;
};
