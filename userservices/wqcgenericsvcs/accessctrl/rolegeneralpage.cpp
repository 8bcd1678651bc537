#include "rolegeneralpage.h"

#include "accesseditdata.h"
#include "workspacenode.h"

void CRoleGeneralPage::SetRole(const wchar_t* name, const wchar_t* description) {
  nameText_ = name ? name : L"";
  descriptionText_ = description ? description : L"";
  edit_ = true;
}

RoleEditData& CRoleGeneralPage::Data() const { return *static_cast<RoleEditData*>(GetOwner()); }

LRESULT CRoleGeneralPage::OnInitDialog() {
  name_ = GetDlgItem(IDC_ROLENAME);
  description_ = GetDlgItem(IDC_ROLEDESCRIPTION);
  name_.SetWindowText(nameText_.c_str());
  description_.SetWindowText(descriptionText_.c_str());
  // A role keeps its name.
  if (edit_) name_.EnableWindow(false);
  return TRUE;
}

bool CRoleGeneralPage::UpdateData() {
  nameText_ = name_.GetWindowText();
  descriptionText_ = description_.GetWindowText();
  RoleEditData& data = Data();
  data.Name = plat::unique_bstr::copy(nameText_.c_str());
  data.Description = plat::unique_bstr::copy(descriptionText_.c_str());
  return true;
}

void CRoleGeneralPage::OnCommit() {
  RunShowingErrors(L"CRoleGeneralPage::OnCommit", hwnd(), [&](WQComException& error) {
    RoleEditData& data = Data();
    WorkspaceNodeClient& client = *data.client;
    // The client takes the privilege lists over.
    SAFEARRAY* granted = data.grantedPrivileges.Detach();
    SAFEARRAY* denied = data.deniedPrivileges.Detach();
    WQThrowIfFailed(
        error, edit_ ? client.ModifyRole(data.Name.get(), data.Description.get(), granted, denied)
                     : client.AddRole(data.Name.get(), data.Description.get(), granted, denied));
    // What is applied stays applied: the first failure ends the rest.
    for (const std::wstring& name : data.usersAdded) {
      const WQSecurityPrincipal account(name.c_str());
      WQThrowIfFailed(error, client.AddRoleToUser(account, data.Name.get()));
    }
    for (const std::wstring& name : data.usersRemoved) {
      const WQSecurityPrincipal account(name.c_str());
      WQThrowIfFailed(error, client.RemoveRoleFromUser(account, data.Name.get()));
    }
  });
}
