#include "tabctrlex.h"

#include <algorithm>

HWND CTabCtrlEx::Create(HWND parent, const RECT& rect, const wchar_t* text, UINT id, DWORD style) {
  return WindowImpl::Create(WC_TABCONTROLW, parent, rect, text, style, 0, id);
}

CPropertyPage* CTabCtrlEx::GetPage(int index) const noexcept {
  TCITEMW item{};
  item.mask = TCIF_PARAM;
  if (!GetItem(index, item)) return nullptr;
  return reinterpret_cast<CPropertyPage*>(item.lParam);
}

void CTabCtrlEx::ShowPage(int index, bool show) const noexcept {
  if (const CPropertyPage* page = GetPage(index))
    ::ShowWindow(page->GetPageWindow(), show ? SW_SHOW : SW_HIDE);
}

int CTabCtrlEx::AddPage(CPropertyPage* page, const wchar_t* text, int image) {
  const int count = GetItemCount();
  TCITEMW item{};
  item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
  item.pszText = const_cast<wchar_t*>(text ? text : L"");
  item.iImage = image;
  item.lParam = reinterpret_cast<LPARAM>(page);
  const int index = InsertItem(count, item);
  if (index < 0 || !page) return index;
  const plat::Window window(page->GetPageWindow());
  window.SetWindowPos(nullptr, pageOrigin_.x, pageOrigin_.y, 0, 0,
                      SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  window.ShowWindow(count == 0 ? SW_SHOW : SW_HIDE);
  return index;
}

bool CTabCtrlEx::SelectPage(int index) {
  // The control would take an unknown index as "no selection" and leave no page showing.
  if (index < 0 || index >= GetItemCount()) return false;
  const int current = GetCurSel();
  if (index == current) return true;
  ShowPage(current, false);
  SetCurSel(index);
  ShowPage(index, true);
  return true;
}

int CTabCtrlEx::PageStep(WPARAM key) noexcept {
  if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0) return 0;
  switch (key) {
    case VK_TAB: return GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
    case VK_NEXT: return 1;
    case VK_PRIOR: return -1;
    default: return 0;
  }
}

bool CTabCtrlEx::NotifyParent(UINT code) const noexcept {
  NMHDR header{hwnd(), static_cast<UINT_PTR>(GetDlgCtrlID()), code};
  return ::SendMessageW(::GetParent(hwnd()), WM_NOTIFY, header.idFrom,
                        reinterpret_cast<LPARAM>(&header)) != 0;
}

bool CTabCtrlEx::StepPage(int step) {
  const int count = GetItemCount();
  const int current = GetCurSel();
  if (count < 2 || current < 0 || step % count == 0) return false;
  if (NotifyParent(TCN_SELCHANGING)) return false;  // the parent keeps the page
  const CPropertyPage* leaving = GetPage(current);
  const HWND focus = ::GetFocus();
  const bool focusLeaves = leaving && focus && ::IsChild(leaving->GetPageWindow(), focus);
  const int next = ((current + step) % count + count) % count;
  SetCurSel(next);
  NotifyParent(TCN_SELCHANGE);
  if (focusLeaves) FocusPage(next);
  return true;
}

// The dialog moves the focus, so that its default button follows; a page without a
// control that takes the focus leaves it on the tabs.
void CTabCtrlEx::FocusPage(int index) const noexcept {
  const CPropertyPage* page = GetPage(index);
  const HWND pageWindow = page ? page->GetPageWindow() : nullptr;
  HWND first = pageWindow ? ::GetNextDlgTabItem(pageWindow, nullptr, FALSE) : nullptr;
  if (!first || !::IsChild(pageWindow, first)) first = hwnd();
  ::SendMessageW(::GetParent(hwnd()), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
}

LRESULT CTabCtrlEx::OnKeyDown(UINT, WPARAM key, LPARAM, bool& handled) {
  const int step = PageStep(key);
  if (step)
    StepPage(step);
  else
    handled = false;  // the control's own keys
  return 0;
}

bool CTabCtrlEx::UpdateAllPages() {
  bool valid = true;
  const int count = GetItemCount();
  for (int i = 0; i < count; ++i) {
    if (CPropertyPage* page = GetPage(i)) valid = page->UpdateData() && valid;
  }
  return valid;
}

void CTabCtrlEx::CommitPages() {
  if (GetItemCount() == 0) return;
  if (CPropertyPage* first = GetPage(0)) first->OnCommit();
}

LRESULT CTabCtrlEx::OnSelChanging() {
  previousSelection_ = GetCurSel();
  return 0;
}

LRESULT CTabCtrlEx::OnSelChange() {
  ShowPage(previousSelection_, false);
  ShowPage(GetCurSel(), true);
  return 0;
}

LRESULT CTabCtrlEx::OnSize(UINT, WPARAM, LPARAM lParam, bool& handled) {
  const int width = std::max(LOWORD(lParam) - 12, 0);
  const int height = std::max(HIWORD(lParam) - 30, 0);
  const int count = GetItemCount();
  for (int i = 0; i < count; ++i) {
    if (const CPropertyPage* page = GetPage(i))
      plat::Window(page->GetPageWindow())
          .SetWindowPos(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
  }
  // The control lays its own tabs out for the new size as well.
  handled = false;
  return 0;
}
