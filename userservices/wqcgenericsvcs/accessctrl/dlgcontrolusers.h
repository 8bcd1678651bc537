// DlgControlUsers: the modal "Users" dialog: the workspace's users with their display names
// and roles; Add and Edit open a user's tab dialog (General, Roles), Remove deletes the
// selected user at once.
#pragma once

#include "accesslistdlg.h"

class DlgControlUsers : public plat::DialogImpl<DlgControlUsers, AccessListDlg> {
 public:
  static constexpr UINT IDD = IDD_USERS;
  static constexpr auto GetMessageMap() { return ListMessageMap<DlgControlUsers>(); }

  explicit DlgControlUsers(IWQWorkspace* workspace) : DialogImpl(workspace) {}

  // Lists the model's users; with `reload`, reads the model from the node first.
  void FillControlList(bool reload) override;

 private:
  friend class AccessListDlg;
  LRESULT OnInitDialog();
  void OnClickedAdd();
  void OnClickedRemove();
  void OnClickedEdit();
  // Opens the tab dialog for the user at `index`, or for a new user (-1).
  void OpenUser(WQComException& error, int index);
};
