// CMemberRolesPage: the Roles page of a user's tab dialog: a grid with a check box for each
// role of the workspace, checked for the roles the user holds.
#pragma once

#include <window.h>

#include <string>
#include <vector>

#include "accessgrid.h"
#include "accessui.h"
#include "propertypage.h"
#include "resources/resource.h"

struct MemberEditData;

class CMemberRolesPage : public plat::DialogImpl<CMemberRolesPage>,
                         public CPropertyPage,
                         private AccessGrid::Events {
 public:
  static constexpr UINT IDD = IDD_MEMBERROLES;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{plat::Chain(&CMemberRolesPage::pageMessages_),
                            plat::OnMessage(WM_INITDIALOG, &CMemberRolesPage::OnInitDialog),
                            plat::OnMessage(WM_DESTROY, &CMemberRolesPage::OnDestroy)};
  }

  CMemberRolesPage() : CPropertyPage(this) {}

  void AddRoleName(const wchar_t* name) { roleNames_.emplace_back(name ? name : L""); }
  // A role of the edited user.
  void AddUserRole(const wchar_t* name) { userRoles_.emplace_back(name ? name : L""); }

  bool UpdateData() override;

 private:
  enum : long { kCheckColumn = 0, kNameColumn = 1 };

  LRESULT OnInitDialog();
  void OnDestroy() { grid_.Destroy(); }
  void SetUpGrid();
  void OnBeforeEdit(long row, long col, bool& cancel) override { cancel = col == kNameColumn; }
  void OnAfterEdit(long, long) override {}

  ModelessPageMessages pageMessages_;
  AccessGrid grid_{this};
  std::vector<std::wstring> roleNames_;
  std::vector<std::wstring> userRoles_;
};
