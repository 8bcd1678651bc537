#include "dlgcontrolroles.h"

#include "accesseditdata.h"
#include "accessui.h"
#include "rolegeneralpage.h"
#include "roleprivilegespage.h"
#include "roleuserspage.h"
#include "tabhostdlg.h"

namespace {

// The registry kind of the roles' tab dialogs.
constexpr DWORD kRoleTabDialog = 2;

}  // namespace

LRESULT DlgControlRoles::OnInitDialog() {
  InitControls(false, {{L"Role", 120}, {L"Description", 0}});
  FillControlList(true);
  return TRUE;
}

void DlgControlRoles::FillControlList(bool reload) {
  HRESULT hr = S_OK;
  FillQuietly([&] {
    hr = WQRunComMethod(L"DlgControlRoles::FillControlList", [&](WQComException& error) {
      if (reload) Reload(error);
      list_.DeleteAllItems();
      const WQArray<AccessRole>& roles = client_.GetModel().Roles();
      for (int i = 0; i < roles.GetCount(); ++i) {
        const int item = list_.InsertItem(i, roles[i].Name.c_str());
        if (item < 0) continue;
        list_.SetItemText(item, 1, roles[i].Description.c_str());
        list_.SetItemData(item, i);
      }
    });
  });
  // Traced, not shown: the list shows what could be read.
  if (FAILED(hr)) SetErrorInfo(0, nullptr);
}

void DlgControlRoles::OnClickedRemove() {
  const int index = SelectedIndex(client_.GetModel().Roles().GetCount());
  if (index < 0) return;
  RunShowingErrors(L"DlgControlRoles::OnClickedRemove", hwnd(), [&](WQComException& error) {
    // The model's copy of the name goes with the role.
    const plat::unique_bstr name =
        plat::unique_bstr::copy(client_.GetModel().Roles()[index].Name.c_str());
    error = client_.DeleteRole(name.get());
    if (error.Failed()) error.ThrowAt(WQ_HERE, L"Unable to delete role");
  });
}

void DlgControlRoles::OnClickedAdd() {
  RunShowingErrors(L"DlgControlRoles::OnClickedAdd", hwnd(),
                   [&](WQComException& error) { OpenRole(error, -1); });
}

void DlgControlRoles::OnClickedEdit() {
  const int index = SelectedIndex(client_.GetModel().Roles().GetCount());
  if (index < 0) return;
  RunShowingErrors(L"DlgControlRoles::OnClickedEdit", hwnd(),
                   [&](WQComException& error) { OpenRole(error, index); });
}

void DlgControlRoles::OpenRole(WQComException& error, int index) {
  const CAccessControl& model = client_.GetModel();
  const AccessRole* role = index >= 0 ? &model.Roles()[index] : nullptr;
  auto data = std::make_shared<RoleEditData>();
  data->client = &client_;

  auto general = std::make_unique<CRoleGeneralPage>();
  auto privileges = std::make_unique<CRolePrivilegesPage>(model, index);
  auto users = std::make_unique<CRoleUsersPage>();
  general->SetOwner(data.get());
  privileges->SetOwner(data.get());
  users->SetOwner(data.get());
  if (role) general->SetRole(role->Name.c_str(), role->Description.c_str());
  const WQArray<AccessUser>& accounts = model.Users();
  for (int i = 0; i < accounts.GetCount(); ++i)
    users->AddUser(accounts[i].GetName(), role && accounts[i].HasRole(role->Name.c_str()));

  std::wstring caption = L"New Role";
  if (role) caption = std::wstring(L"Properties for Role ") + role->Name.c_str();
  CTabHostDlg::Open(error, hwnd(), kRoleTabDialog, caption.c_str(), std::move(data),
                    std::pair{L"General", std::move(general)},
                    std::pair{L"Privileges", std::move(privileges)},
                    std::pair{L"Users", std::move(users)});
}
