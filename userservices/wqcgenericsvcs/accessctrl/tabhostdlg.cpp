#include "tabhostdlg.h"

#include "modelessregistry.h"

CTabHostDlg::CTabHostDlg(DWORD kind, const wchar_t* key, const wchar_t* caption,
                         std::shared_ptr<void> shared)
    : kind_(kind),
      key_(plat::unique_bstr::copy(key ? key : L"")),
      caption_(plat::unique_bstr::copy(caption ? caption : L"")),
      shared_(std::move(shared)) {}

void CTabHostDlg::CreateModeless(WQComException& error, HWND owner) {
  if (!Create(owner) || !hwnd())
    error.ThrowHrAt(WQ_HERE, plat::hresult_from_last_error(), L"Could not create the tab dialog");
}

LRESULT CTabHostDlg::OnInitDialog() {
  RegisterModelessWindow(hwnd(), kind_, key_.get());
  RECT rect = GetClientRect();
  rect.left += 5;
  rect.top += 5;
  rect.right -= 5;
  rect.bottom -= 35;
  tabs_.Create(hwnd(), rect, L"TabControl", IDC_TABCONTROL);
  tabs_.SetFont(GetFont());
  SetWindowText(caption_.c_str());
  return TRUE;
}

void CTabHostDlg::OnDestroy() { UnregisterModelessWindow(hwnd()); }

void CTabHostDlg::OnOK() {
  // The commit's own outcome is the first page's to show; the dialog closes either way.
  if (!tabs_.UpdateAllPages()) return;
  tabs_.CommitPages();
  DestroyWindow(hwnd());
}

void CTabHostDlg::OnCancel() { DestroyWindow(hwnd()); }
