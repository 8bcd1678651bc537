#include "memberrolespage.h"

#include "accesseditdata.h"

LRESULT CMemberRolesPage::OnInitDialog() {
  RECT rect = GetClientRect();
  InflateRect(&rect, -5, -5);
  rect.bottom -= 15;
  if (SUCCEEDED(grid_.Create(hwnd(), rect, IDC_ROLEGRID))) {
    WQRunComMethod(L"CMemberRolesPage::SetUpGrid", [&](WQComException&) { SetUpGrid(); });
    SetErrorInfo(0, nullptr);
    plat::Window host(grid_.HostWindow());
    host.ShowWindow(SW_SHOW);
    host.SetFocus();
  }
  return TRUE;
}

void CMemberRolesPage::SetUpGrid() {
  const long count = static_cast<long>(roleNames_.size());
  grid_.SetRows(count + 1);
  grid_.SetCols(2);
  const long twips = AccessGrid::ListWidthTwips(grid_.HostWindow());
  grid_.SetColWidth(kCheckColumn, static_cast<long>(twips * 0.2));
  grid_.SetColWidth(kNameColumn, static_cast<long>(twips * 0.8));
  grid_.SetColDataType(kCheckColumn, AccessGrid::kTypeBoolean);
  grid_.SetColDataType(kNameColumn, AccessGrid::kTypeString);
  // Row 0 heads the list.
  grid_.SetListAppearance(1);
  grid_.SetTextMatrix(0, kNameColumn, L"Roles");
  grid_.SetAlignment(0, kCheckColumn, 0, kNameColumn, AccessGrid::kAlignCenterCenter);
  for (long i = 0; i < count; ++i) {
    const std::wstring& name = roleNames_[static_cast<size_t>(i)];
    grid_.SetTextMatrix(i + 1, kNameColumn, name.c_str());
    if (Contains(userRoles_, name)) grid_.SetCheckState(i + 1, kCheckColumn, AccessGrid::kChecked);
  }
}

bool CMemberRolesPage::UpdateData() {
  MemberEditData& data = *static_cast<MemberEditData*>(GetOwner());
  const HRESULT hr = WQRunComMethod(L"CMemberRolesPage::UpdateData", [&](WQComException& error) {
    NameSet roles;
    if (grid_.Exists()) {
      const long rows = grid_.Rows();
      for (long row = 1; row < rows; ++row)
        if (grid_.CheckState(row, kCheckColumn) == AccessGrid::kChecked)
          roles.insert(grid_.TextMatrix(row, kNameColumn));
    } else {
      // Without a grid to read, the user keeps the roles it has.
      roles.insert(userRoles_.begin(), userRoles_.end());
    }
    FillNameArray(error, data.roles, roles);
  });
  ShowIfFailed(hwnd(), hr);
  return SUCCEEDED(hr);
}
