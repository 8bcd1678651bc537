// A tab control whose tabs carry property pages and which shows the page of the selected
// tab. The pages are modeless child dialogs of the hosting dialog, placed over the tab
// control's display area; the hosting dialog creates and destroys them, the tab control
// only refers to them. The dialog frees the page objects with itself, not when its window
// goes: a commit that shows an error may come back to them after the client destroyed the
// dialog's owner.
//
//   tabs_.Create(hwnd(), rect, L"TabControl", 1001);   // or SubclassWindow(template's)
//   tabs_.AddPage(&general_, L"General", 0);
//   ...forward TCN_SELCHANGING / TCN_SELCHANGE to OnSelChanging / OnSelChange;
//   on OK: if (tabs_.UpdateAllPages()) tabs_.CommitPages();
#pragma once

#include <window.h>

#include "propertypage.h"

class CTabCtrlEx : public plat::WindowImpl<CTabCtrlEx, plat::TabCtrl> {
 public:
  static constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

  static constexpr auto GetMessageMap() {
    return plat::MessageMap{plat::OnNotifyCode(TCN_SELCHANGE, &CTabCtrlEx::OnSelChange),
                            plat::OnNotifyCode(TCN_SELCHANGING, &CTabCtrlEx::OnSelChanging),
                            // The control's hover tracking and its timer stay off.
                            plat::OnMessage(WM_MOUSEMOVE, &CTabCtrlEx::Swallow),
                            plat::OnMessage(WM_TIMER, &CTabCtrlEx::Swallow),
                            plat::OnMessage(WM_SIZE, &CTabCtrlEx::OnSize),
                            plat::OnMessage(WM_KEYDOWN, &CTabCtrlEx::OnKeyDown)};
  }

  // How many tabs a key pressed now turns: Ctrl+Tab and Ctrl+PageDown one on, Ctrl+Shift+Tab
  // and Ctrl+PageUp one back; 0 for any other key.
  static int PageStep(WPARAM key) noexcept;

  // Creates the tab control over `rect` of `parent` and subclasses it.
  HWND Create(HWND parent, const RECT& rect, const wchar_t* text, UINT id, DWORD style = kStyle);

  // Adds a tab for `page` at the end; the page is placed at the page origin and shown
  // only when it is the first. Returns the tab's position, or -1.
  int AddPage(CPropertyPage* page, const wchar_t* text, int image);
  // Shows the page of tab `index` in place of the current one; false for no such tab.
  bool SelectPage(int index);
  // Turns `step` tabs on (back when negative), round the ends, as a click on that tab does:
  // the parent is asked and told (TCN_SELCHANGING, TCN_SELCHANGE) and may refuse. A focus
  // on the page that goes moves to the new page's first control. False when nothing turned.
  bool StepPage(int step);
  // Asks every page for its data, also after one refused; true when all agreed.
  bool UpdateAllPages();
  // The first page commits for the whole dialog.
  void CommitPages();

  LRESULT OnSelChanging();
  LRESULT OnSelChange();

  // The page of tab `index`, or null.
  CPropertyPage* GetPage(int index) const noexcept;

 private:
  void Swallow() {}
  LRESULT OnSize(UINT, WPARAM, LPARAM lParam, bool& handled);
  LRESULT OnKeyDown(UINT, WPARAM key, LPARAM, bool& handled);
  bool NotifyParent(UINT code) const noexcept;
  void FocusPage(int index) const noexcept;
  void ShowPage(int index, bool show) const noexcept;

  int previousSelection_ = 0;
  POINT pageOrigin_{8, 28};
};
