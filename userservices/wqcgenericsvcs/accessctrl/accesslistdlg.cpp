#include "accesslistdlg.h"

void AccessListDlg::InitControls(bool users, const Column* columns, size_t count) {
  const HRESULT hr = client_.Connect();
  if (FAILED(hr)) {
    error_ = hr;
    error_.SetErrorAt(WQ_HERE, hr, L"Failed to create workspace node interfaces");
  }
  if (users)
    client_.SetUsersDialog(this);
  else
    client_.SetRolesDialog(this);
  list_.SubclassWindow(GetDlgItem(IDC_ACCESSLIST));
  add_ = GetDlgItem(IDC_ACCESSADD);
  remove_ = GetDlgItem(IDC_ACCESSREMOVE);
  edit_ = GetDlgItem(IDC_ACCESSEDIT);
  remove_.EnableWindow(false);
  edit_.EnableWindow(false);
  const RECT client = list_.GetClientRect();
  int used = 0;
  for (size_t i = 0; i < count; ++i) {
    const int width = columns[i].width ? columns[i].width : client.right - client.left - used;
    list_.InsertColumn(static_cast<int>(i), columns[i].title, width);
    used += width;
  }
}

void AccessListDlg::Reload(WQComException& error) {
  plat::unique_bstr xml;
  error = client_.GetAccessControl(xml.put());
  if (error.Failed()) error.ThrowAt(WQ_HERE, L"Could not retrieve access control information");
  error = client_.GetModel().Parse(xml.c_str());
  if (error.Failed()) error.ThrowAt(WQ_HERE, L"Could not parse access control information");
}

int AccessListDlg::SelectedIndex(int count) const {
  const int item = list_.GetNextItem(-1, LVNI_SELECTED);
  if (item < 0) return -1;
  // A list without items of its own has the model's order: a row is its index.
  const bool rowIsIndex = (list_.GetStyle() & LVS_OWNERDATA) != 0;
  const int index = rowIsIndex ? item : static_cast<int>(list_.GetItemData(item));
  return index < count ? index : -1;
}

void AccessListDlg::OnItemChanged() {
  if (filling_) return;
  const bool selected = list_.GetNextItem(-1, LVNI_SELECTED) >= 0;
  // A disabled window keeps no focus: the one a button had goes to the list, through the
  // dialog, which then shows its default button again.
  const HWND focus = ::GetFocus();
  if (!selected && (focus == remove_ || focus == edit_))
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list_.hwnd()), TRUE);
  remove_.EnableWindow(selected);
  edit_.EnableWindow(selected);
}
