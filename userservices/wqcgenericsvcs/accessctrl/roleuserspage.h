// CRoleUsersPage: the Users page of a role's tab dialog: the users that hold the role.
// Users are added from those of the workspace and removed from the list; OK hands on only
// the difference to the members the role had.
#pragma once

#include <typeahead.h>
#include <window.h>

#include <string>
#include <vector>

#include "accessui.h"
#include "propertypage.h"
#include "resources/resource.h"

struct RoleEditData;

class CRoleUsersPage : public plat::DialogImpl<CRoleUsersPage>, public CPropertyPage {
 public:
  static constexpr UINT IDD = IDD_ROLEUSERS;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{
        plat::Chain(&CRoleUsersPage::pageMessages_),
        plat::OnMessage(WM_INITDIALOG, &CRoleUsersPage::OnInitDialog),
        plat::OnCommand(IDC_ROLEUSERADD, BN_CLICKED, &CRoleUsersPage::OnClickedAdd),
        plat::OnCommand(IDC_ROLEUSERREMOVE, BN_CLICKED, &CRoleUsersPage::OnClickedRemove)};
  }

  CRoleUsersPage();

  // A user of the workspace, and whether it holds the role already.
  void AddUser(const wchar_t* name, bool member);

  bool UpdateData() override;

 private:
  LRESULT OnInitDialog();
  void OnClickedAdd();
  void OnClickedRemove();
  void InsertMembers();

  ModelessPageMessages pageMessages_;
  plat::ListTypeAhead list_;  // type-ahead by name
  plat::unique_himagelist images_;
  std::vector<std::wstring> allUsers_;
  std::vector<std::wstring> members_;
  std::vector<std::wstring> initialMembers_;
};
