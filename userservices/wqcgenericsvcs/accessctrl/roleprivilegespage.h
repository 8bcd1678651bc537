// CRolePrivilegesPage: the Privileges page of a role's tab dialog: a grid with one group
// row per category of the catalogue and one row per privilege, whose Grant and Deny check
// boxes exclude each other.
#pragma once

#include <window.h>

#include "accessctrl.h"
#include "accessgrid.h"
#include "accessui.h"
#include "propertypage.h"
#include "resources/resource.h"

struct RoleEditData;

class CRolePrivilegesPage : public plat::DialogImpl<CRolePrivilegesPage>,
                            public CPropertyPage,
                            private AccessGrid::Events {
 public:
  static constexpr UINT IDD = IDD_ROLEPRIVILEGES;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{plat::Chain(&CRolePrivilegesPage::pageMessages_),
                            plat::OnMessage(WM_INITDIALOG, &CRolePrivilegesPage::OnInitDialog),
                            plat::OnMessage(WM_DESTROY, &CRolePrivilegesPage::OnDestroy)};
  }

  // The role at `roleIndex` of the model, or a new role (-1).
  CRolePrivilegesPage(const CAccessControl& model, int roleIndex);

  bool UpdateData() override;

 private:
  enum : long { kNameColumn = 0, kGrantColumn = 1, kDenyColumn = 2 };

  LRESULT OnInitDialog();
  void OnDestroy() { grid_.Destroy(); }
  void SetUpGrid();
  void OnBeforeEdit(long row, long col, bool& cancel) override;
  void OnAfterEdit(long row, long col) override;
  RoleEditData& Data() const;

  ModelessPageMessages pageMessages_;
  AccessGrid grid_{this};
  const CAccessControl& model_;
  int roleIndex_;
  // The edited role's rights as they were: sent unchanged when there is no grid to read.
  NameSet currentGranted_;
  NameSet currentDenied_;
};
