#include "assocholddlg.h"

#include "activeholdsparser.h"

namespace {

// The hold's date as the user's locale writes a short date; empty when it has none.
std::wstring ShortDate(double date) {
  VARIANT value;
  V_VT(&value) = VT_DATE;
  V_DATE(&value) = date;
  plat::unique_bstr text;
  if (FAILED(VarFormatDateTime(&value, 2, 0, text.put()))) return std::wstring();
  return text.c_str();
}

}  // namespace

void AssocHoldDlg::AddHold(const ActiveHold& hold) {
  const wchar_t* name = hold.Name.GetString();
  const wchar_t* reason = hold.Reason.GetString();
  const int row = list_.InsertItem(list_.GetItemCount(), name ? name : L"");
  if (row < 0) return;
  list_.SetItemText(row, 1, ShortDate(hold.Date).c_str());
  list_.SetItemText(row, 2, reason ? reason : L"");
  holdOids_.InsertAt(row, hold.OID);
}

LRESULT AssocHoldDlg::OnInitDialog() {
  SetWindowText(title_.c_str());
  ok_ = GetDlgItem(IDOK);
  list_ = GetDlgItem(IDC_HOLDLIST);
  nameEdit_ = GetDlgItem(IDC_HOLDNAME);
  reasonEdit_ = GetDlgItem(IDC_HOLDREASON);
  createButton_ = GetDlgItem(IDC_CREATEHOLD);
  associateButton_ = GetDlgItem(IDC_ASSOCHOLD);

  createButton_.SetCheck(true);
  associateButton_.SetCheck(false);

  list_.InsertColumn(0, L"Hold", 50);
  list_.InsertColumn(1, L"Date", 50);
  list_.InsertColumn(2, L"Reason", 200);

  error_.Clear();
  holdOids_.Clear();
  ActiveHoldsParser parser([this](const ActiveHold& hold) { AddHold(hold); });
  // Without redrawing, each row costs the list the same whatever the list holds.
  list_.SendMessage(WM_SETREDRAW, FALSE);
  error_ = parser.ParseString(holdsXml_);
  list_.SendMessage(WM_SETREDRAW, TRUE);
  ::InvalidateRect(list_.hwnd(), nullptr, TRUE);
  if (error_.Failed()) {
    EndDialog(kHoldsUnreadable);
    return TRUE;
  }
  FitDateColumn();

  list_.EnableWindow(false);
  reasonEdit_.SetWindowText(L"");
  nameEdit_.SetWindowText(L"");
  nameEdit_.SetFocus();
  // Rows inserted above may have told of item changes; only the user's choices count.
  initialized_ = true;
  return FALSE;  // the focus is set
}

// 50 pixels cut the locale's short date: the column grows to its widest text, header
// included, and never shrinks below its first width.
void AssocHoldDlg::FitDateColumn() {
  const int width = list_.GetColumnWidth(1);
  list_.SetColumnWidth(1, LVSCW_AUTOSIZE_USEHEADER);
  if (list_.GetColumnWidth(1) < width) list_.SetColumnWidth(1, width);
}

void AssocHoldDlg::SetCreate(bool create) {
  createButton_.SetCheck(create);
  associateButton_.SetCheck(!create);
  list_.EnableWindow(!create);
  reasonEdit_.EnableWindow(create);
  nameEdit_.EnableWindow(create);
  ok_.EnableWindow(create || list_.GetNextItem(-1, LVNI_SELECTED) >= 0);
}

void AssocHoldDlg::OnCreateClicked() {
  SetCreate(true);
  nameEdit_.SetFocus();
}

void AssocHoldDlg::OnAssociateClicked() {
  SetCreate(false);
  list_.SetFocus();
}

void AssocHoldDlg::OnListActivity() {
  if (initialized_) SetCreate(false);
}

void AssocHoldDlg::ResetResults() {
  create_ = true;
  name_.clear();
  reason_.clear();
  selection_ = -1;
}

void AssocHoldDlg::OnOK() {
  // Return in a field reaches here even while OK is disabled: there is no choice yet.
  if (!ok_.IsWindowEnabled()) return;
  ResetResults();
  if (!associateButton_.GetCheck()) {
    if (nameEdit_.GetWindowTextLength() > 0) name_ = nameEdit_.GetWindowText();
    if (reasonEdit_.GetWindowTextLength() > 0) reason_ = reasonEdit_.GetWindowText();
  } else {
    create_ = false;
    const int row = list_.GetNextItem(-1, LVNI_SELECTED);
    if (row >= 0 && row < holdOids_.GetCount()) {
      selection_ = holdOids_[row];
      reason_ = list_.GetItemText(row, 2);
    }
  }
  EndDialog(IDOK);
}

void AssocHoldDlg::OnCancel() {
  ResetResults();
  EndDialog(IDCANCEL);
}
