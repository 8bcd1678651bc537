#include "roleuserspage.h"

#include "accesseditdata.h"
#include "memberselection.h"

CRoleUsersPage::CRoleUsersPage() : CPropertyPage(this), images_(CreateUserImageList()) {}

void CRoleUsersPage::AddUser(const wchar_t* name, bool member) {
  allUsers_.emplace_back(name ? name : L"");
  if (!member) return;
  members_.push_back(allUsers_.back());
  initialMembers_.push_back(allUsers_.back());
}

LRESULT CRoleUsersPage::OnInitDialog() {
  list_ = GetDlgItem(IDC_ROLEUSERLIST);
  list_.SetSmallImageList(images_.get());
  list_.InsertColumn(0, L"Name", 200);
  InsertMembers();
  return TRUE;
}

void CRoleUsersPage::InsertMembers() {
  for (const std::wstring& name : members_) list_.InsertItem(list_.GetItemCount(), name.c_str(), 0);
}

void CRoleUsersPage::OnClickedAdd() {
  std::vector<std::wstring> candidates;
  for (const std::wstring& name : allUsers_)
    if (!Contains(members_, name)) candidates.push_back(name);
  CCMemberSelection selection(std::move(candidates));
  if (selection.DoModal(GetActiveWindow()) != IDOK) return;
  for (const std::wstring& name : selection.GetChosen()) {
    members_.push_back(name);
    list_.InsertItem(list_.GetItemCount(), name.c_str(), 0);
  }
}

void CRoleUsersPage::OnClickedRemove() {
  for (int item : list_.GetSelectedItems()) {
    const std::wstring name = list_.GetItemText(item, 0);
    std::erase(members_, name);
  }
  list_.DeleteAllItems();
  InsertMembers();
}

bool CRoleUsersPage::UpdateData() {
  RoleEditData& data = *static_cast<RoleEditData*>(GetOwner());
  std::vector<std::wstring> shown;
  for (int i = 0; i < list_.GetItemCount(); ++i) shown.push_back(list_.GetItemText(i, 0));
  data.usersAdded.clear();
  data.usersRemoved.clear();
  for (const std::wstring& name : shown)
    if (!Contains(initialMembers_, name)) data.usersAdded.push_back(name);
  for (const std::wstring& name : initialMembers_)
    if (!Contains(shown, name)) data.usersRemoved.push_back(name);
  return true;
}
