#include "roleuserspage.h"

#include <unordered_set>

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
  list_.SubclassWindow(GetDlgItem(IDC_ROLEUSERLIST));
  list_.SetSmallImageList(images_.get());
  list_.InsertColumn(0, L"Name", 200);
  InsertMembers();
  return TRUE;
}

void CRoleUsersPage::InsertMembers() { InsertNames(list_, members_); }

// A role may have as many members as the workspace has users: names are looked up in sets.
void CRoleUsersPage::OnClickedAdd() {
  const NameSet members(members_.begin(), members_.end());
  std::vector<std::wstring> candidates;
  for (const std::wstring& name : allUsers_)
    if (!members.contains(name)) candidates.push_back(name);
  CCMemberSelection selection(std::move(candidates));
  if (selection.DoModal(GetActiveWindow()) != IDOK) return;
  const std::vector<std::wstring>& chosen = selection.GetChosen();
  members_.insert(members_.end(), chosen.begin(), chosen.end());
  InsertNames(list_, chosen);
}

void CRoleUsersPage::OnClickedRemove() {
  std::unordered_set<std::wstring> removed;
  for (int item : list_.GetSelectedItems()) removed.insert(list_.GetItemText(item, 0));
  std::erase_if(members_, [&](const std::wstring& name) { return removed.contains(name); });
  list_.DeleteAllItems();
  InsertMembers();
}

bool CRoleUsersPage::UpdateData() {
  RoleEditData& data = *static_cast<RoleEditData*>(GetOwner());
  std::vector<std::wstring> shown;
  for (int i = 0; i < list_.GetItemCount(); ++i) shown.push_back(list_.GetItemText(i, 0));
  data.usersAdded.clear();
  data.usersRemoved.clear();
  const NameSet initial(initialMembers_.begin(), initialMembers_.end());
  const NameSet current(shown.begin(), shown.end());
  for (const std::wstring& name : shown)
    if (!initial.contains(name)) data.usersAdded.push_back(name);
  for (const std::wstring& name : initialMembers_)
    if (!current.contains(name)) data.usersRemoved.push_back(name);
  return true;
}
