#include "memberselection.h"

#include "accessui.h"

CCMemberSelection::CCMemberSelection(std::vector<std::wstring> candidates)
    : candidates_(std::move(candidates)), images_(CreateUserImageList()) {}

LRESULT CCMemberSelection::OnInitDialog() {
  list_.SubclassWindow(GetDlgItem(IDC_MEMBERCANDIDATES));
  list_.SetSmallImageList(images_.get());
  list_.InsertColumn(0, L"Name", 210);
  InsertNames(list_, candidates_);
  return TRUE;
}

void CCMemberSelection::OnOK() {
  // Read whole: a name cut short would give the role to another account, or to none.
  chosen_.clear();
  for (int item : list_.GetSelectedItems()) chosen_.push_back(list_.GetItemText(item, 0));
  EndDialog(IDOK);
}
