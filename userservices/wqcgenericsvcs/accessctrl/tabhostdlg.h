// CTabHostDlg: the modeless tab dialog in which a role or a user is added or edited. It
// hosts the pages in its tab control, owns them and the data they share, and frees them and
// itself in its final message, once its window has gone and no handler runs. OK asks every page for its data and, when all agree, has the
// first page commit; Cancel just closes.
#pragma once

#include <window.h>

#include <memory>
#include <utility>
#include <vector>

#include "resources/resource.h"
#include "tabctrlex.h"
#include "wqcomexception.h"

class CTabHostDlg : public plat::DialogImpl<CTabHostDlg> {
 public:
  static constexpr UINT IDD = IDD_TABHOST;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{
        plat::OnMessage(WM_INITDIALOG, &CTabHostDlg::OnInitDialog),
        plat::OnMessage(WM_DESTROY, &CTabHostDlg::OnDestroy),
        plat::OnCommand(IDOK, BN_CLICKED, &CTabHostDlg::OnOK),
        plat::OnCommand(IDCANCEL, BN_CLICKED, &CTabHostDlg::OnCancel),
        plat::OnNotify(IDC_TABCONTROL, TCN_SELCHANGING, &CTabHostDlg::OnSelChanging),
        plat::OnNotify(IDC_TABCONTROL, TCN_SELCHANGE, &CTabHostDlg::OnSelChange)};
  }

  // `kind` and `key` register the dialog among the modeless windows; `shared` is what the
  // pages share, kept until the dialog goes.
  CTabHostDlg(DWORD kind, const wchar_t* key, const wchar_t* caption, std::shared_ptr<void> shared);

  // Opens a tab dialog over `owner` with one tab per page, in order, the first selected.
  // From then on the dialog frees itself, its pages and `shared` when its window goes.
  template <class... Pages>
  static void Open(WQComException& error, HWND owner, DWORD kind, const wchar_t* caption,
                   std::shared_ptr<void> shared,
                   std::pair<const wchar_t*, std::unique_ptr<Pages>>... pages) {
    auto dialog = std::make_unique<CTabHostDlg>(kind, L"", caption, std::move(shared));
    // Until its window stands, `dialog` is the object's only owner: a window destroyed
    // while it is being made leaves the object to it. From then on the final message
    // frees it.
    dialog->CreateModeless(error, owner);
    CTabHostDlg& host = *dialog.release();
    host.freesItself_ = true;
    try {
      host.ShowWindow(SW_SHOW);
      (host.AddPage(error, std::move(pages.second), pages.first), ...);
      host.tabs_.SelectPage(0);
    } catch (...) {
      DestroyWindow(host.hwnd());
      throw;
    }
  }

  void OnFinalMessage(HWND) noexcept {
    if (freesItself_) delete this;
  }

 private:
  // Creates the dialog over `owner`; fails when its window did not survive being made.
  void CreateModeless(WQComException& error, HWND owner);
  // Creates the page as a child of the dialog and adds its tab; the dialog owns it.
  template <class Page>
  void AddPage(WQComException& error, std::unique_ptr<Page> page, const wchar_t* title) {
    if (!page->Create(hwnd()))
      error.ThrowHrAt(WQ_HERE, plat::hresult_from_last_error(), L"Could not create the page %ls",
                      title);
    Page& added = *page;
    pages_.push_back(std::move(page));
    tabs_.AddPage(&added, title, -1);
  }

  LRESULT OnInitDialog();
  void OnDestroy();
  void OnOK();
  void OnCancel();
  LRESULT OnSelChanging() { return tabs_.OnSelChanging(); }
  LRESULT OnSelChange() { return tabs_.OnSelChange(); }

  CTabCtrlEx tabs_;
  DWORD kind_;
  plat::unique_bstr key_;
  plat::unique_bstr caption_;
  std::shared_ptr<void> shared_;
  std::vector<std::unique_ptr<CPropertyPage>> pages_;
  bool freesItself_ = false;
};
