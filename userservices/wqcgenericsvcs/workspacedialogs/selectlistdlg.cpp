#include "selectlistdlg.h"

#include <algorithm>
#include <string>

#include "selectlistlayout.h"

namespace {

// A flag or key beyond the end of its array counts as absent, so arrays shorter than the
// names never make the dialog read past them.
template <class T>
T ValueAt(const WQArray<T>* values, int i) {
  return values && i < values->GetCount() ? (*values)[i] : T{};
}

}  // namespace

// The widest text (+ 8) and the total height of the texts added to a list, measured as
// the list draws them: in its font, tabs expanded.
class ListTextMeasure {
 public:
  explicit ListTextMeasure(const plat::ListBox& list)
      : dc_(list), font_(dc_, list.GetFont()), itemHeight_(list.GetItemHeight(0)) {}

  void Add(const std::wstring& text) {
    const DWORD extent =
        GetTabbedTextExtentW(dc_, text.c_str(), static_cast<int>(text.size()), 0, nullptr);
    size_.cx = std::max(size_.cx, static_cast<LONG>(LOWORD(extent)) + 8);
    size_.cy += itemHeight_;
  }
  SIZE size() const { return size_; }

 private:
  plat::WindowDC dc_;
  plat::SelectObjectScope font_;
  int itemHeight_;
  SIZE size_{};
};

SelectListDlg::SelectListDlg(const Kind& kind, const WQBstrArray& names, const WQArray<LONG>* keys)
    : kind_(kind), names_(names), keys_(keys), title_(plat::unique_bstr::copy(L"Select")) {}

SelectListDlg::SelectListDlg(const Kind& kind, const WQBstrArray& names,
                             const WQArray<BYTE>& editable, const WQArray<BYTE>* isDatasheet,
                             const WQArray<BYTE>* isProjectSummary)
    : kind_(kind),
      names_(names),
      editable_(&editable),
      isDatasheet_(isDatasheet),
      isProjectSummary_(isProjectSummary),
      title_(plat::unique_bstr::copy(L"Select")) {}

void SelectListDlg::GetSelectedItems(WQArray<LONG>& items) const {
  items.Clear();
  items.Reserve(selectedItems_.GetCount());
  for (int i = 0; i < selectedItems_.GetCount(); ++i) items.Add(selectedItems_[i]);
}

bool SelectListDlg::IsShown(int item) const {
  if (!kind_.objectFilters) return true;
  if (onlyEditable_ && ValueAt(editable_, item) != 1) return false;
  return !isDatasheet_ || ValueAt(isDatasheet_, item) == 1 || !onlyProjectSummaries_ ||
         ValueAt(isProjectSummary_, item) == 1;
}

LRESULT SelectListDlg::OnInitDialog() {
  selection_.Clear();
  selectedItems_.Clear();
  SetWindowText(title_.c_str());
  find_ = GetDlgItem(IDC_FINDTEXT);
  list_ = GetDlgItem(kind_.listId);
  ok_ = GetDlgItem(IDOK);
  cancel_ = GetDlgItem(IDCANCEL);
  if (kind_.objectFilters) {
    onlyEditableBox_ = GetDlgItem(IDC_ONLYEDITABLE);
    onlySummariesBox_ = GetDlgItem(IDC_ONLYPROJECTSUMMARIES);
    if (!showSummaryBox_) onlySummariesBox_.ShowWindow(SW_HIDE);
    CheckDlgButton(IDC_ONLYEDITABLE, onlyEditable_);
    CheckDlgButton(IDC_ONLYPROJECTSUMMARIES, onlyProjectSummaries_);
  }

  SIZE text;
  {
    ListTextMeasure measure(list_);
    FillList(&measure);
    text = measure.size();
  }
  FitToItems(text);

  find_.SetFocus();
  ok_.EnableWindow(false);
  return FALSE;  // the focus is set
}

// A list told of every item repaints and resizes its scroll bars once per item, and grows
// its storage in small steps: the fill goes with redrawing off, the storage reserved once.
void SelectListDlg::FillList(ListTextMeasure* measure) {
  const plat::RedrawPause pause(list_);
  list_.ResetContent();
  shownItems_.Clear();
  size_t bytes = 0;
  for (int i = 0; i < names_.GetCount(); ++i)
    bytes += (SysStringLen(names_[i]) + 1) * sizeof(wchar_t);
  list_.InitStorage(names_.GetCount(), bytes);
  shownItems_.Reserve(names_.GetCount());
  std::wstring text;
  for (int i = 0; i < names_.GetCount(); ++i) {
    if (!IsShown(i)) continue;
    text = names_[i] ? names_[i] : L"";
    if (ValueAt(keys_, i) < 0) text += L" (restricted)";
    list_.AddString(text.c_str());
    shownItems_.Add(i);
    if (measure) measure->Add(text);
  }
}

void SelectListDlg::FitToItems(SIZE text) {
  SelectListLayoutInput in{};
  in.dialog = GetWindowRect();
  in.find = find_.GetWindowRect();
  in.list = list_.GetWindowRect();
  in.ok = ok_.GetWindowRect();
  in.cancel = cancel_.GetWindowRect();
  if (kind_.objectFilters) {
    in.onlyEditable = onlyEditableBox_.GetWindowRect();
    in.onlySummaries = onlySummariesBox_.GetWindowRect();
  }
  in.textWidth = text.cx;
  in.textHeight = text.cy;
  in.scrollBars = {GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL)};
  in.edges = {GetSystemMetrics(SM_CXEDGE), GetSystemMetrics(SM_CYEDGE)};
  in.screen = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  in.collapseSummaryRow = kind_.collapseHiddenSummary && !showSummaryBox_;
  const SelectListLayout out = ComputeSelectListLayout(in);

  list_.SetHorizontalExtent(out.horizontalExtent);
  list_.ResizeWindow(out.list.right - out.list.left, out.list.bottom - out.list.top);
  // The controls move in the dialog's client coordinates, taken before the dialog moves.
  find_.MoveWindow(ScreenToClient(out.find));
  ok_.MoveWindow(ScreenToClient(out.ok));
  cancel_.MoveWindow(ScreenToClient(out.cancel));
  if (kind_.objectFilters) {
    onlyEditableBox_.MoveWindow(ScreenToClient(out.onlyEditable));
    onlySummariesBox_.MoveWindow(ScreenToClient(out.onlySummaries));
  }
  SetWindowPos(nullptr, out.dialog.left, out.dialog.top, out.dialog.right - out.dialog.left,
               out.dialog.bottom - out.dialog.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void SelectListDlg::CollectSelection() {
  if (kind_.multi) {
    selection_.Clear();
    const std::vector<int> positions = list_.GetSelItems();
    selection_.Reserve(static_cast<int>(positions.size()));
    for (int position : positions) selection_.Add(position);
  } else {
    const int position = list_.GetCurSel();
    if (position != LB_ERR) selection_.Add(position);
  }
  selectedItems_.Clear();
  selectedItems_.Reserve(selection_.GetCount());
  for (int i = 0; i < selection_.GetCount(); ++i) {
    const LONG position = selection_[i];
    if (position >= 0 && position < shownItems_.GetCount())
      selectedItems_.Add(shownItems_[position]);
  }
}

void SelectListDlg::OnOK() {
  CollectSelection();
  EndDialog(IDOK);
}

void SelectListDlg::OnCancel() { EndDialog(IDCANCEL); }

void SelectListDlg::OnFindChanged() {
  const std::wstring text = find_.GetWindowText();
  const int position = text.empty() ? 0 : list_.FindString(text.c_str());
  if (position == LB_ERR) return;
  list_.SetTopIndex(position);
  if (kind_.multi)
    list_.SetCaretIndex(position);
  else
    list_.SetCurSel(position);
}

void SelectListDlg::OnListSelChange() {
  bool chosen;
  if (kind_.multi) {
    const int count = list_.GetSelCount();
    chosen = count != 0 && count != LB_ERR;
  } else {
    chosen = list_.GetCurSel() != LB_ERR;
  }
  ok_.EnableWindow(chosen);
}

void SelectListDlg::OnOnlyEditableClicked() {
  onlyEditable_ = !onlyEditable_;
  CheckDlgButton(IDC_ONLYEDITABLE, onlyEditable_);
  FillList(nullptr);
}

void SelectListDlg::OnOnlySummariesClicked() {
  onlyProjectSummaries_ = !onlyProjectSummaries_;
  CheckDlgButton(IDC_ONLYPROJECTSUMMARIES, onlyProjectSummaries_);
  FillList(nullptr);
}
