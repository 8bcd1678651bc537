// DlgControlRoles: the modal "Roles" dialog: the workspace's roles with their descriptions;
// Add and Edit open a role's tab dialog (General, Privileges, Users), Remove deletes the
// selected role at once.
#pragma once

#include "accesslistdlg.h"

class DlgControlRoles : public plat::DialogImpl<DlgControlRoles, AccessListDlg> {
 public:
  static constexpr UINT IDD = IDD_ROLES;
  static constexpr auto GetMessageMap() { return ListMessageMap<DlgControlRoles>(); }

  explicit DlgControlRoles(IWQWorkspace* workspace) : DialogImpl(workspace) {}

  // Lists the model's roles; with `reload`, reads the model from the node first.
  void FillControlList(bool reload) override;

 private:
  friend class AccessListDlg;
  LRESULT OnInitDialog();
  void OnClickedAdd();
  void OnClickedRemove();
  void OnClickedEdit();
  // Opens the tab dialog for the role at `index`, or for a new role (-1).
  void OpenRole(WQComException& error, int index);
};
