#include "dlgcontrolusers.h"

#include <new>

#include "accesseditdata.h"
#include "accessui.h"
#include "membergeneralpage.h"
#include "memberrolespage.h"
#include "tabhostdlg.h"

namespace {

// The registry kind of the users' tab dialogs.
constexpr DWORD kUserTabDialog = 1;

}  // namespace

LRESULT DlgControlUsers::OnInitDialog() {
  InitControls(true, {{L"Logon Account", 90}, {L"Display Name", 90}, {L"Roles", 110}});
  list_.SetRowText([this](int row) { return client_.GetModel().Users()[row].GetName(); });
  FillControlList(true);
  return TRUE;
}

void DlgControlUsers::FillControlList(bool reload) {
  HRESULT hr = S_OK;
  FillQuietly([&] {
    hr = WQRunComMethod(L"DlgControlUsers::FillControlList", [&](WQComException& error) {
      if (reload) Reload(error);
      list_.DeleteAllItems();
      list_.SendMessage(LVM_SETITEMCOUNT, client_.GetModel().Users().GetCount());
    });
  });
  // Traced, not shown: the list shows what could be read.
  if (FAILED(hr)) SetErrorInfo(0, nullptr);
}

std::wstring DlgControlUsers::ItemText(int row, int column) const {
  const WQArray<AccessUser>& users = client_.GetModel().Users();
  if (row < 0 || row >= users.GetCount()) return {};
  const AccessUser& user = users[row];
  switch (column) {
    case 0: return user.GetName();
    case 1: return user.DisplayName.c_str();
    case 2: {
      std::wstring roles;
      for (int r = 0; r < user.RoleNames.GetCount(); ++r) {
        if (r) roles += L", ";
        if (user.RoleNames[r]) roles += user.RoleNames[r];
      }
      return roles;
    }
    default: return {};
  }
}

LRESULT DlgControlUsers::OnGetDispInfo(int, NMHDR* header, bool&) {
  LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
  if (!(item.mask & LVIF_TEXT)) return 0;
  try {
    shown_ = ItemText(item.iItem, item.iSubItem);
  } catch (const std::bad_alloc&) {
    // Out of memory while painting: the cell stays blank rather than ending the dialog.
    shown_.clear();
  }
  if (item.pszText && item.cchTextMax > 0)
    lstrcpynW(item.pszText, shown_.c_str(), item.cchTextMax);
  else
    item.pszText = shown_.data();
  return 0;
}

void DlgControlUsers::OnClickedRemove() {
  const int index = SelectedIndex(client_.GetModel().Users().GetCount());
  if (index < 0) return;
  // A copy: the model's user goes with the deletion.
  const WQSecurityPrincipal account = client_.GetModel().Users()[index].Account;
  ShowIfFailed(hwnd(), client_.DeleteUser(account));
}

void DlgControlUsers::OnClickedAdd() {
  RunShowingErrors(L"DlgControlUsers::OnClickedAdd", hwnd(),
                   [&](WQComException& error) { OpenUser(error, -1); });
}

void DlgControlUsers::OnClickedEdit() {
  const int index = SelectedIndex(client_.GetModel().Users().GetCount());
  if (index < 0) return;
  RunShowingErrors(L"DlgControlUsers::OnClickedEdit", hwnd(),
                   [&](WQComException& error) { OpenUser(error, index); });
}

void DlgControlUsers::OpenUser(WQComException& error, int index) {
  const CAccessControl& model = client_.GetModel();
  const AccessUser* user = index >= 0 ? &model.Users()[index] : nullptr;
  auto data = std::make_shared<MemberEditData>();
  data->client = &client_;

  auto general = std::make_unique<CMemberGeneralPage>();
  auto roles = std::make_unique<CMemberRolesPage>();
  general->SetOwner(data.get());
  roles->SetOwner(data.get());
  const WQArray<AccessRole>& modelRoles = model.Roles();
  for (int i = 0; i < modelRoles.GetCount(); ++i) roles->AddRoleName(modelRoles[i].Name.c_str());
  if (user) {
    general->SetUser(user->Account, user->DisplayName.c_str());
    for (int i = 0; i < user->RoleNames.GetCount(); ++i) roles->AddUserRole(user->RoleNames[i]);
  }

  std::wstring caption = L"New User";
  if (user) caption = std::wstring(L"Properties for User ") + user->GetName();
  CTabHostDlg::Open(error, hwnd(), kUserTabDialog, caption.c_str(), std::move(data),
                    std::pair{L"General", std::move(general)},
                    std::pair{L"Roles", std::move(roles)});
}
