#include "membergeneralpage.h"

#include "accesseditdata.h"
#include "accountpicker.h"
#include "waitcursor.h"
#include "workspacenode.h"

void CMemberGeneralPage::SetUser(const WQSecurityPrincipal& account, const wchar_t* displayName) {
  principal_ = account;
  displayNameText_ = displayName ? displayName : L"";
  edit_ = true;
}

MemberEditData& CMemberGeneralPage::Data() const {
  return *static_cast<MemberEditData*>(GetOwner());
}

void CMemberGeneralPage::ShowAccount(const wchar_t* accountName) {
  const AccountParts parts = SplitAccountName(accountName);
  account_.SetWindowText(parts.user.c_str());
  domain_.SetWindowText(parts.domain.c_str());
}

LRESULT CMemberGeneralPage::OnInitDialog() {
  account_ = GetDlgItem(IDC_MEMBERACCOUNT);
  domain_ = GetDlgItem(IDC_MEMBERDOMAIN);
  displayName_ = GetDlgItem(IDC_MEMBERDISPLAYNAME);
  browse_ = GetDlgItem(IDC_MEMBERBROWSE);
  ShowAccount(principal_.GetName());
  displayName_.SetWindowText(displayNameText_.c_str());
  displayName_.SendMessage(EM_SETREADONLY, FALSE);
  if (edit_) {
    // An existing user keeps its account.
    account_.SendMessage(EM_SETREADONLY, TRUE);
    domain_.SendMessage(EM_SETREADONLY, TRUE);
    browse_.ShowWindow(SW_HIDE);
  }
  return TRUE;
}

void CMemberGeneralPage::OnClickedBrowse() {
  AccountPicker picker;
  if (!picker.IsCreated()) return;
  if (picker.Run(hwnd()) != S_OK || FAILED(picker.ReadSelection())) return;
  ShowAccount(picker.GetAccount().GetName());
  displayName_.SetWindowText(L"");
}

bool CMemberGeneralPage::UpdateData() {
  const std::wstring account = account_.GetWindowText();
  const std::wstring domain = domain_.GetWindowText();
  // An account that does not resolve goes to the server as the resolution left it.
  if (FAILED(principal_.Resolve(account.c_str(), domain.empty() ? nullptr : domain.c_str())))
    SetErrorInfo(0, nullptr);
  displayNameText_ = displayName_.GetWindowText();
  MemberEditData& data = Data();
  data.account = principal_;
  data.displayName = plat::unique_bstr::copy(displayNameText_.c_str());
  return true;
}

void CMemberGeneralPage::OnCommit() {
  CWaitCursor wait;
  MemberEditData& data = Data();
  WorkspaceNodeClient& client = *data.client;
  ShowIfFailed(hwnd(),
               edit_ ? client.ModifyUser(data.account, data.displayName.get(), data.roles.Get())
                     : client.AddUser(data.account, data.displayName.get(), data.roles.Get()));
}
