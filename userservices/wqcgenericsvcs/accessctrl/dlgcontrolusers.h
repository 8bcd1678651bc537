// DlgControlUsers: the modal "Users" dialog: the workspace's users with their display names
// and roles; Add and Edit open a user's tab dialog (General, Roles), Remove deletes the
// selected user at once.
#pragma once

#include <string>

#include "accesslistdlg.h"

class DlgControlUsers : public plat::DialogImpl<DlgControlUsers, AccessListDlg> {
 public:
  static constexpr UINT IDD = IDD_USERS;
  // The list holds no texts of its own: each row is the model's user of that index, its
  // texts asked for when shown (thousands of users fill at once).
  static constexpr auto GetMessageMap() {
    return ListMessageMap<DlgControlUsers>(
        plat::OnNotify(IDC_ACCESSLIST, LVN_GETDISPINFOW, &DlgControlUsers::OnGetDispInfo),
        plat::OnNotify(IDC_ACCESSLIST, LVN_ODFINDITEMW, &DlgControlUsers::OnFindItem));
  }

  explicit DlgControlUsers(IWQWorkspace* workspace) : DialogImpl(workspace) {}

  // Lists the model's users; with `reload`, reads the model from the node first.
  void FillControlList(bool reload) override;

 private:
  friend class AccessListDlg;
  LRESULT OnInitDialog();
  void OnClickedAdd();
  void OnClickedRemove();
  void OnClickedEdit();
  LRESULT OnGetDispInfo(int id, NMHDR* header, bool& handled);
  // Finding a row by account name.
  LRESULT OnFindItem(int, NMHDR* header, bool&) {
    return list_.Find(*reinterpret_cast<NMLVFINDITEMW*>(header));
  }
  // The text of a row's column.
  std::wstring ItemText(int row, int column) const;
  // Opens the tab dialog for the user at `index`, or for a new user (-1).
  void OpenUser(WQComException& error, int index);

  // The text last handed to the list when it gave no buffer of its own.
  std::wstring shown_;
};
