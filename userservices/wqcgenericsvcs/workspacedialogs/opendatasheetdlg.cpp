#include "opendatasheetdlg.h"

#include <algorithm>

namespace {

constexpr int kTextPadding = 6;
constexpr const wchar_t* kTabNames[COpenDatasheetDlg::kTabCount] = {
    L"New", L"Current", L"Submitted", L"Checked", L"Issued"};
constexpr const wchar_t* kColumnNames[4] = {L"Name", L"Diagram", L"Case", L"Revision"};

// The list's own notifications while the dialog fills it are not the user's choices.
class FillingScope {
 public:
  explicit FillingScope(bool& filling) : filling_(filling) { filling_ = true; }
  FillingScope(const FillingScope&) = delete;
  FillingScope& operator=(const FillingScope&) = delete;
  ~FillingScope() { filling_ = false; }

 private:
  bool& filling_;
};

}  // namespace

DocumentColumnsFit FitDocumentColumns(int listWidth, const std::array<int, 4>& columns,
                                      const std::vector<DocumentTextWidths>& texts, int edge,
                                      int verticalScrollBar, int screenWidth) noexcept {
  DocumentColumnsFit fit{columns, 0};
  int start = listWidth;
  for (const DocumentTextWidths& text : texts) {
    const int title = text.title + kTextPadding;
    if (!text.existing) {
      start = std::max(start, title);
      continue;
    }
    fit.columns[0] = std::max(fit.columns[0], title);
    fit.columns[1] = std::max(fit.columns[1], text.diagramClass + kTextPadding);
    fit.columns[2] = std::max(fit.columns[2], text.caseName + kTextPadding);
    fit.columns[3] = std::max(fit.columns[3], text.revision + kTextPadding);
  }
  const int others = fit.columns[1] + fit.columns[2] + fit.columns[3];
  const int total = std::max(fit.columns[0] + others, start);
  fit.columns[0] = total - others;

  const int wanted = std::min(total + 2 * edge + verticalScrollBar, screenWidth * 2 / 5);
  const int delta = wanted - listWidth;
  if (delta >= 1)
    fit.grow = delta;
  else
    fit.columns[0] -= delta;
  return fit;
}

bool COpenDatasheetDlg::IsListed(const DocumentEntry& entry) const noexcept {
  if (currentTab_ == kNewTab) return true;
  if (editableOnly_ && !entry.scoped) return false;
  return !projectSummariesOnly_ || entry.docType == 0 || entry.docType == 3;
}

int COpenDatasheetDlg::FindShownDocument(int row) const noexcept {
  if (row < 0) return -1;
  const auto shownThere = [&](const DocumentEntry& entry) {
    return entry.status == currentTab_ && entry.row == row && IsListed(entry);
  };
  if (static_cast<size_t>(row) < rowDocuments_.size() && shownThere(documents_[rowDocuments_[row]]))
    return rowDocuments_[row];
  // The tab was changed since the last fill (a document added between showings).
  for (size_t i = 0; i < documents_.size(); ++i)
    if (shownThere(documents_[i])) return static_cast<int>(i);
  return -1;
}

LRESULT COpenDatasheetDlg::OnInitDialog() {
  if (!title_.empty()) SetWindowText(title_.c_str());
  open_ = GetDlgItem(IDC_OPENDOCUMENTS);
  list_.SubclassWindow(GetDlgItem(IDC_DOCUMENTLIST));
  tabs_ = GetDlgItem(IDC_DOCUMENTTABS);
  editableBox_ = GetDlgItem(IDC_ONLYEDITABLEDOCUMENTS);
  summariesBox_ = GetDlgItem(IDC_ONLYSUMMARYDOCUMENTS);
  asBuiltBox_ = GetDlgItem(IDC_CREATEASBUILT);

  for (int tab = 0; tab < kTabCount; ++tab) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(kTabNames[tab]);
    tabs_.InsertItem(tab, item);
  }
  list_.AddExtendedStyle(LVS_EX_FULLROWSELECT);

  ShowCheckBoxes();
  asBuiltBox_.SetCheck(createAsBuilt_);
  summariesBox_.SetCheck(projectSummariesOnly_);
  editableBox_.SetCheck(editableOnly_);

  SizeToContents();
  Refill();
  tabs_.SetCurSel(currentTab_);
  tabs_.SetFocus();
  return FALSE;  // the focus is set
}

void COpenDatasheetDlg::ShowCheckBoxes() {
  const bool newTab = currentTab_ == kNewTab;
  asBuiltBox_.ShowWindow(newTab ? SW_SHOW : SW_HIDE);
  editableBox_.ShowWindow(newTab ? SW_HIDE : SW_SHOW);
  summariesBox_.ShowWindow(newTab ? SW_HIDE : SW_SHOW);
}

void COpenDatasheetDlg::SizeToContents() {
  std::vector<DocumentTextWidths> texts;
  texts.reserve(documents_.size());
  for (const DocumentEntry& entry : documents_) {
    texts.push_back({entry.status != 0, list_.GetStringWidth(entry.title.c_str()),
                     list_.GetStringWidth(entry.diagramClass.c_str()),
                     list_.GetStringWidth(entry.caseName.c_str()),
                     list_.GetStringWidth(entry.revision.c_str())});
  }
  const RECT listRect = list_.GetWindowRect();
  const DocumentColumnsFit fit = FitDocumentColumns(
      listRect.right - listRect.left, columnWidths_, texts, GetSystemMetrics(SM_CXEDGE),
      GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CXSCREEN));
  columnWidths_ = fit.columns;

  if (fit.grow > 0) {
    for (const plat::Window control :
         {plat::Window(*this), plat::Window(tabs_), plat::Window(list_)}) {
      const RECT r = control.GetWindowRect();
      control.ResizeWindow(r.right - r.left + fit.grow, r.bottom - r.top);
    }
    for (const plat::Window button : {open_, GetDlgItem(IDCANCEL)}) {
      RECT r = ScreenToClient(button.GetWindowRect());
      OffsetRect(&r, fit.grow, 0);
      button.MoveWindow(r);
    }
  }
  CenterWindow();
}

void COpenDatasheetDlg::Refill() {
  FillingScope filling(filling_);
  const plat::RedrawPause pause(list_);
  list_.DeleteAllItems();
  selectedCount_ = selectedCandidates_ = 0;
  const bool rebuild = currentTab_ == kNewTab || list_.GetColumnCount() < 3;
  if (rebuild) {
    while (list_.GetColumnCount() > 0 && list_.DeleteColumn(0)) {
    }
    if (currentTab_ == kNewTab) {
      const RECT client = list_.GetClientRect();
      list_.InsertColumn(0, kColumnNames[0],
                         client.right - client.left - GetSystemMetrics(SM_CXVSCROLL));
    } else {
      for (int column = 0; column < 4; ++column)
        list_.InsertColumn(column, kColumnNames[column], columnWidths_[column]);
    }
  }
  open_.EnableWindow(false);

  rowDocuments_.clear();
  for (size_t position = 0; position < documents_.size(); ++position) {
    DocumentEntry& entry = documents_[position];
    if (entry.status != currentTab_ || !IsListed(entry)) continue;
    const int rows = static_cast<int>(rowDocuments_.size());
    entry.row = list_.InsertItem(rows, entry.title.c_str());
    if (entry.row < 0) continue;
    // The list is not sorted: each row goes in at the end.
    rowDocuments_.push_back(static_cast<int>(position));
    if (currentTab_ != kNewTab) {
      list_.SetItemText(entry.row, 1, entry.diagramClass.c_str());
      list_.SetItemText(entry.row, 2, entry.caseName.c_str());
      list_.SetItemText(entry.row, 3, entry.revision.c_str());
    }
  }
  // Without a vertical scroll bar its room goes to the first column.
  if (rebuild && documents_.size() <= static_cast<size_t>(std::max(list_.GetCountPerPage(), 0)))
    list_.SetColumnWidth(0, list_.GetColumnWidth(0) + GetSystemMetrics(SM_CXVSCROLL));
}

int COpenDatasheetDlg::CollectSelection() {
  selectedRows_ = list_.GetSelectedItems();
  return static_cast<int>(selectedRows_.size());
}

bool COpenDatasheetDlg::IsAsBuiltCandidate(int row) const noexcept {
  const int position = FindShownDocument(row);
  return position >= 0 && documents_[position].docType == 2;
}

bool COpenDatasheetDlg::AnyAsBuiltCandidate(const std::vector<int>& rows) const noexcept {
  return std::any_of(rows.begin(), rows.end(), [this](int row) { return IsAsBuiltCandidate(row); });
}

void COpenDatasheetDlg::CountSelection(const std::vector<int>& rows) {
  selectedCount_ = static_cast<int>(rows.size());
  selectedCandidates_ = static_cast<int>(
      std::count_if(rows.begin(), rows.end(), [this](int row) { return IsAsBuiltCandidate(row); }));
}

void COpenDatasheetDlg::UpdateChoiceButtons() {
  open_.EnableWindow(selectedCount_ > 0);
  asBuiltBox_.EnableWindow(currentTab_ == kNewTab && selectedCandidates_ > 0);
}

void COpenDatasheetDlg::OnListClick() {
  CollectSelection();
  CountSelection(selectedRows_);
  UpdateChoiceButtons();
}

// A selection changed by keyboard sends no click: the buttons follow it all the same. Each
// change of a row is counted as it comes; asking the list for its whole selection every
// time made choosing thousands of rows take the square of their number.
LRESULT COpenDatasheetDlg::OnListItemChanged(int, NMHDR* header, bool&) {
  const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
  if (filling_ || !(change->uChanged & LVIF_STATE) ||
      !((change->uOldState ^ change->uNewState) & LVIS_SELECTED))
    return 0;
  const int step = (change->uNewState & LVIS_SELECTED) ? 1 : -1;
  if (change->iItem < 0) {
    // Every row at once.
    CountSelection(list_.GetSelectedItems());
  } else {
    selectedCount_ = std::max(0, selectedCount_ + step);
    if (IsAsBuiltCandidate(change->iItem))
      selectedCandidates_ = std::max(0, selectedCandidates_ + step);
  }
  UpdateChoiceButtons();
  return 0;
}

void COpenDatasheetDlg::OnListDoubleClick() { OnOpen(); }

// What is reported is what the list shows selected now; a double-click beside the rows
// chooses nothing and so opens nothing.
void COpenDatasheetDlg::OnOpen() {
  if (CollectSelection() == 0) return;
  if (currentTab_ != kNewTab) {
    function_ = L"OpenDocuments";
  } else {
    function_ = L"CreateDocuments";
    createAsBuilt_ = createAsBuilt_ && AnyAsBuiltCandidate(selectedRows_);
  }
  EndDialog(IDC_OPENDOCUMENTS);
}

void COpenDatasheetDlg::OnCancel() { EndDialog(IDCANCEL); }

void COpenDatasheetDlg::OnCreateAsBuiltClicked() { createAsBuilt_ = asBuiltBox_.GetCheck(); }

void COpenDatasheetDlg::OnOnlyEditableClicked() {
  editableOnly_ = editableBox_.GetCheck();
  Refill();
}

void COpenDatasheetDlg::OnOnlySummariesClicked() {
  projectSummariesOnly_ = summariesBox_.GetCheck();
  Refill();
}

void COpenDatasheetDlg::OnTabChanged() {
  const int tab = tabs_.GetCurSel();
  if (tab < 0) return;
  currentTab_ = tab;
  ShowCheckBoxes();
  Refill();
}
