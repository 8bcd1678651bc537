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

size_t AssocHoldDlg::AddText(const wchar_t* text, size_t length) {
  const size_t at = texts_.size();
  if (text) texts_.append(text, length);
  texts_.push_back(L'\0');
  return at;
}

size_t AssocHoldDlg::DateText(double date) {
  const auto [known, added] = dateTexts_.try_emplace(date, 0);
  if (added) {
    const std::wstring text = ShortDate(date);
    known->second = AddText(text.c_str(), text.size());
  }
  return known->second;
}

void AssocHoldDlg::AddHold(const ActiveHold& hold) {
  Row row{hold.OID, 0, 0, 0};
  row.name = AddText(hold.Name.GetString(), hold.Name.GetLength());
  row.date = DateText(hold.Date);
  row.reason = AddText(hold.Reason.GetString(), hold.Reason.GetLength());
  rows_.push_back(row);
}

const wchar_t* AssocHoldDlg::RowText(int row, int column) const {
  if (fittingDate_) return row == 0 && column == 1 ? fittingDate_ : L"";
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return L"";
  const Row& hold = rows_[static_cast<size_t>(row)];
  switch (column) {
    case 0: return texts_.c_str() + hold.name;
    case 1: return texts_.c_str() + hold.date;
    case 2: return texts_.c_str() + hold.reason;
    default: return L"";
  }
}

LRESULT AssocHoldDlg::OnGetDispInfo(int, NMHDR* header, bool&) {
  LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0)
    lstrcpynW(item.pszText, RowText(item.iItem, item.iSubItem), item.cchTextMax);
  return 0;
}

LRESULT AssocHoldDlg::OnInitDialog() {
  SetWindowText(title_.c_str());
  ok_ = GetDlgItem(IDOK);
  list_.SubclassWindow(GetDlgItem(IDC_HOLDLIST));
  list_.SetRowText([this](int row) { return RowText(row, 0); });
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
  rows_.clear();
  texts_.clear();
  dateTexts_.clear();
  ActiveHoldsParser parser([this](const ActiveHold& hold) { AddHold(hold); });
  error_ = parser.ParseString(holdsXml_);
  if (error_.Failed()) {
    rows_.clear();
    EndDialog(kHoldsUnreadable);
    return TRUE;
  }
  FitDateColumn();
  list_.SendMessage(LVM_SETITEMCOUNT, rows_.size(), LVSICF_NOINVALIDATEALL);

  list_.EnableWindow(false);
  reasonEdit_.SetWindowText(L"");
  nameEdit_.SetWindowText(L"");
  nameEdit_.SetFocus();
  // Rows inserted above may have told of item changes; only the user's choices count.
  initialized_ = true;
  return FALSE;  // the focus is set
}

// 50 pixels cut the locale's short date: the column grows to its widest text, header
// included, and never shrinks below its first width. The list sizes the column to the
// widest of the distinct date texts alone, so the fit costs nothing per row.
void AssocHoldDlg::FitDateColumn() {
  const int width = list_.GetColumnWidth(1);
  const wchar_t* widest = nullptr;
  int widestWidth = -1;
  for (const auto& [date, text] : dateTexts_) {
    const wchar_t* candidate = texts_.c_str() + text;
    const int candidateWidth = list_.GetStringWidth(candidate);
    if (candidateWidth > widestWidth) {
      widest = candidate;
      widestWidth = candidateWidth;
    }
  }
  if (widest) {
    fittingDate_ = widest;
    list_.SendMessage(LVM_SETITEMCOUNT, 1, LVSICF_NOINVALIDATEALL);
  }
  list_.SetColumnWidth(1, LVSCW_AUTOSIZE_USEHEADER);
  list_.SendMessage(LVM_SETITEMCOUNT, 0, LVSICF_NOINVALIDATEALL);
  fittingDate_ = nullptr;
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
    if (row >= 0 && static_cast<size_t>(row) < rows_.size()) {
      selection_ = rows_[static_cast<size_t>(row)].oid;
      reason_ = list_.GetItemText(row, 2);
    }
  }
  EndDialog(IDOK);
}

void AssocHoldDlg::OnCancel() {
  ResetResults();
  EndDialog(IDCANCEL);
}
