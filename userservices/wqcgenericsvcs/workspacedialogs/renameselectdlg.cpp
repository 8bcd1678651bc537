#include "renameselectdlg.h"

#include <string>

LRESULT RenameSelectDlg::OnInitDialog() {
  SetWindowText(title_.c_str());
  cases_ = GetDlgItem(IDC_EXISTINGCASE);
  newNameEdit_ = GetDlgItem(IDC_NEWCASENAME);
  ok_ = GetDlgItem(IDOK);
  // Each case at its own position: the list keeps the object's order, not the control's.
  // The item data leads back to the name without its mark.
  std::wstring text;
  for (int i = 0; i < names_.GetCount(); ++i) {
    text = names_[i] ? names_[i] : L"";
    if (i < ids_.GetCount() && ids_[i] < 0) text += L" (restricted)";
    const int position = cases_.InsertString(i, text.c_str());
    if (position >= 0) cases_.SetItemData(position, i);
  }
  ok_.EnableWindow(false);
  cases_.SetCurSel(0);
  cases_.SetFocus();
  return FALSE;  // the focus is set
}

void RenameSelectDlg::OnNewNameChanged() {
  // Without a case, an OK would ask to rename one that does not exist.
  ok_.EnableWindow(newNameEdit_.GetWindowTextLength() > 0 && cases_.GetCurSel() != CB_ERR);
}

void RenameSelectDlg::OnOK() {
  const int selected = cases_.GetCurSel();
  const LRESULT item = selected == CB_ERR ? CB_ERR : cases_.GetItemData(selected);
  existingName_ = plat::unique_bstr::copy(
      item >= 0 && item < names_.GetCount() && names_[item] ? names_[item] : L"");
  newName_ = plat::unique_bstr::copy(newNameEdit_.GetWindowText().c_str());
  EndDialog(IDOK);
}

void RenameSelectDlg::OnCancel() { EndDialog(IDCANCEL); }
