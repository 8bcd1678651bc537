#include "roleprivilegespage.h"

#include "accesseditdata.h"

CRolePrivilegesPage::CRolePrivilegesPage(const CAccessControl& model, int roleIndex)
    : CPropertyPage(this), model_(model), roleIndex_(roleIndex) {
  if (roleIndex_ < 0) return;
  const WQArray<PrivilegeRightRecord>& rights = model_.Roles()[roleIndex_].Rights;
  for (int i = 0; i < rights.GetCount(); ++i) {
    if (rights[i].Granted == PrivilegeRightRecord::kGranted)
      currentGranted_.insert(rights[i].Name.c_str());
    else if (rights[i].Granted == PrivilegeRightRecord::kDenied)
      currentDenied_.insert(rights[i].Name.c_str());
  }
}

RoleEditData& CRolePrivilegesPage::Data() const { return *static_cast<RoleEditData*>(GetOwner()); }

LRESULT CRolePrivilegesPage::OnInitDialog() {
  RECT rect = GetClientRect();
  InflateRect(&rect, -5, -5);
  rect.top += 10;
  if (SUCCEEDED(grid_.Create(hwnd(), rect, IDC_PRIVILEGEGRID))) {
    WQRunComMethod(L"CRolePrivilegesPage::SetUpGrid", [&](WQComException&) { SetUpGrid(); });
    SetErrorInfo(0, nullptr);
  }
  return TRUE;
}

void CRolePrivilegesPage::SetUpGrid() {
  // The control starts with rows of its own: one is kept to set the columns, then removed,
  // so that the first category lands on row 0. No heading row: the page's labels head the
  // columns, and the row removed is a plain one.
  grid_.SetRows(1);
  grid_.SetCols(3);
  grid_.SetListAppearance(0);
  grid_.RemoveItem(0);
  const long twips = AccessGrid::ListWidthTwips(grid_.HostWindow());
  grid_.SetColWidth(kNameColumn, static_cast<long>(twips * 0.8));
  grid_.SetColWidth(kGrantColumn, static_cast<long>(twips * 0.1));
  grid_.SetColWidth(kDenyColumn, static_cast<long>(twips * 0.1));
  grid_.SetColDataType(kNameColumn, AccessGrid::kTypeString);
  grid_.SetColDataType(kGrantColumn, AccessGrid::kTypeBoolean);
  grid_.SetColDataType(kDenyColumn, AccessGrid::kTypeBoolean);

  const AccessRole* role = roleIndex_ >= 0 ? &model_.Roles()[roleIndex_] : nullptr;
  const WQArray<PrivilegeCategoryRecord>& categories = model_.Categories();
  long row = 0;
  for (int c = 0; c < categories.GetCount(); ++c) {
    grid_.AddItem(categories[c].Name.c_str());
    grid_.SetCellBold(row, kNameColumn);
    grid_.SetIsSubtotal(row);
    ++row;
    const WQArray<PrivilegeRecord>& privileges = categories[c].Privileges;
    for (int p = 0; p < privileges.GetCount(); ++p, ++row) {
      grid_.AddItem(privileges[p].Name.c_str());
      grid_.SetRowOutlineLevel(row, 2);
      if (!role) continue;
      for (int r = 0; r < role->Rights.GetCount(); ++r) {
        const PrivilegeRightRecord& right = role->Rights[r];
        if (!SameAccessName(right.Name.c_str(), privileges[p].Name.c_str())) continue;
        switch (right.Granted) {
          case PrivilegeRightRecord::kGranted:
            grid_.SetCheckState(row, kGrantColumn, AccessGrid::kChecked);
            grid_.SetCheckState(row, kDenyColumn, AccessGrid::kUnchecked);
            break;
          case PrivilegeRightRecord::kDenied:
            grid_.SetCheckState(row, kGrantColumn, AccessGrid::kUnchecked);
            grid_.SetCheckState(row, kDenyColumn, AccessGrid::kChecked);
            break;
          case PrivilegeRightRecord::kNeither:
            grid_.SetCheckState(row, kGrantColumn, AccessGrid::kUnchecked);
            grid_.SetCheckState(row, kDenyColumn, AccessGrid::kUnchecked);
            break;
          default: break;
        }
      }
    }
  }
}

void CRolePrivilegesPage::OnBeforeEdit(long row, long col, bool& cancel) {
  // Names and category rows are not for editing; the check boxes of privileges are.
  if (col == kNameColumn) {
    cancel = true;
    return;
  }
  WQRunComMethod(L"CRolePrivilegesPage::OnBeforeEdit",
                 [&](WQComException&) { cancel = grid_.RowOutlineLevel(row) == 0; });
}

void CRolePrivilegesPage::OnAfterEdit(long row, long col) {
  if (row < 1 || (col != kGrantColumn && col != kDenyColumn)) return;
  WQRunComMethod(L"CRolePrivilegesPage::OnAfterEdit", [&](WQComException&) {
    if (grid_.CheckState(row, col) != AccessGrid::kChecked) return;
    const long other = col == kGrantColumn ? kDenyColumn : kGrantColumn;
    grid_.SetCheckState(row, other, AccessGrid::kUnchecked);
  });
}

bool CRolePrivilegesPage::UpdateData() {
  RoleEditData& data = Data();
  const HRESULT hr = WQRunComMethod(L"CRolePrivilegesPage::UpdateData", [&](WQComException& error) {
    NameSet granted;
    NameSet denied;
    if (grid_.Exists()) {
      const long rows = grid_.Rows();
      for (long row = 1; row < rows; ++row) {
        const std::wstring name = grid_.TextMatrix(row, kNameColumn);
        const long grant = grid_.CheckState(row, kGrantColumn);
        if (grant == AccessGrid::kChecked)
          granted.insert(name);
        else if (grant != AccessGrid::kNoCheckbox &&
                 grid_.CheckState(row, kDenyColumn) == AccessGrid::kChecked)
          denied.insert(name);
      }
    } else {
      granted = currentGranted_;
      denied = currentDenied_;
    }
    FillNameArray(error, data.grantedPrivileges, granted);
    FillNameArray(error, data.deniedPrivileges, denied);
  });
  // A grid that cannot be read must not send a role without its rights.
  ShowIfFailed(hwnd(), hr);
  return SUCCEEDED(hr);
}
