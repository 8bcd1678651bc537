#include "seldsbytypedlg.h"

#include <algorithm>

namespace {

constexpr int kTextPadding = 8;

RECT At(int x, int y, int width, int height) { return RECT{x, y, x + width, y + height}; }

}  // namespace

SIZE FitTemplateList(SIZE text, SIZE button, SIZE scrollBars, SIZE edges, SIZE screen) noexcept {
  const int width = static_cast<int>(text.cx + scrollBars.cx + 2 * edges.cx);
  const int height = static_cast<int>(text.cy + scrollBars.cy + 2 * edges.cy);
  const int minWidth = static_cast<int>(2.5 * button.cx);
  const int minHeight = static_cast<int>(6 * button.cy);
  return SIZE{std::min(std::max(width, minWidth), static_cast<int>(screen.cx / 3)),
              std::min(std::max(height, minHeight), static_cast<int>(screen.cy / 3))};
}

LRESULT CSelectDatasheetByTypeDlg::OnInitDialog() {
  find_ = GetDlgItem(IDC_TEMPLATEFINDTEXT);
  list_ = GetDlgItem(IDC_TEMPLATELIST);
  ok_ = GetDlgItem(IDOK);
  cancel_ = GetDlgItem(IDCANCEL);
  const HFONT font = GetFont();
  list_.SetFont(font);

  TEXTMETRICW metrics{};
  SIZE text{};
  {
    plat::WindowDC dc(list_);
    plat::SelectObjectScope selected(dc, font);
    GetTextMetricsW(dc, &metrics);
    const int itemHeight = list_.GetItemHeight(0);
    for (const std::wstring& name : names_) {
      list_.AddString(name.c_str());
      const DWORD extent =
          GetTabbedTextExtentW(dc, name.c_str(), static_cast<int>(name.size()), 0, nullptr);
      text.cx = std::max<LONG>(text.cx, LOWORD(extent) + kTextPadding);
      text.cy += itemHeight;
    }
  }
  const int cw = metrics.tmAveCharWidth;
  const int lh = metrics.tmHeight + metrics.tmExternalLeading;
  const RECT okRect = ok_.GetWindowRect();
  const SIZE button{okRect.right - okRect.left, okRect.bottom - okRect.top};
  const SIZE list = FitTemplateList(
      text, button, {GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL)},
      {GetSystemMetrics(SM_CXEDGE), GetSystemMetrics(SM_CYEDGE)},
      {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
  // Without names there is nothing to scroll to: the extent stays 0 rather than -8.
  list_.SetHorizontalExtent(std::max<int>(text.cx - kTextPadding, 0));

  const RECT editRect = find_.GetWindowRect();
  const int editHeight = editRect.bottom - editRect.top;
  find_.MoveWindow(At(2 * cw, lh, list.cx, editHeight));
  list_.MoveWindow(At(2 * cw, lh + editHeight, list.cx, list.cy));
  // The list keeps whole rows: the buttons go below the height it took.
  const RECT listRect = list_.GetWindowRect();
  const int buttonTop = lh + editHeight + (listRect.bottom - listRect.top) + lh;
  const int dialogWidth = 2 * cw + list.cx + 2 * cw + 2 * GetSystemMetrics(SM_CXDLGFRAME);
  const int half = dialogWidth / 2;
  ok_.MoveWindow(At(half - 2 * cw - button.cx, buttonTop, button.cx, button.cy));
  cancel_.MoveWindow(At(half + 2 * cw, buttonTop, button.cx, button.cy));

  const int dialogHeight =
      buttonTop + button.cy + lh + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYDLGFRAME);
  SetWindowPos(nullptr, (GetSystemMetrics(SM_CXSCREEN) - dialogWidth) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - dialogHeight) / 2, dialogWidth, dialogHeight,
               SWP_NOZORDER | SWP_NOACTIVATE);
  CenterWindow();

  ok_.EnableWindow(false);
  find_.SetFocus();
  return FALSE;  // the focus is set
}

int CSelectDatasheetByTypeDlg::ChosenCount() const noexcept {
  const int count = list_.GetSelCount();
  return count == LB_ERR ? 0 : count;
}

void CSelectDatasheetByTypeDlg::OnSelectionChanged() { ok_.EnableWindow(ChosenCount() != 0); }

void CSelectDatasheetByTypeDlg::OnFindText() {
  const std::wstring text = find_.GetWindowText();
  const int item = text.empty() ? 0 : list_.FindString(text.c_str());
  if (item == LB_ERR || item >= list_.GetCount()) return;
  list_.SetTopIndex(item);
  list_.SetCaretIndex(item);
}

// A double-click beside the names chooses nothing, and so does not confirm the dialog.
LRESULT CSelectDatasheetByTypeDlg::OnOK(WORD, WORD id, HWND, bool&) {
  if (ChosenCount() <= 0) return 0;
  for (int item : list_.GetSelItems()) chosen_.push_back(item);
  EndDialog(id);
  return 0;
}

void CSelectDatasheetByTypeDlg::OnCancel() { EndDialog(IDCANCEL); }
