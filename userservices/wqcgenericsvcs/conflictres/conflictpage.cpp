#include "conflictpage.h"

#include "conflictresdlg.h"
#include "modelessregistry.h"

CConflictPage::CConflictPage(CConflictResDlg* owner) : CPropertyPage(this), owner_(owner) {}

void CConflictPage::InitPage() {
  const plat::unique_bstr key = plat::unique_bstr::copy(L"");
  RegisterModelessWindow(hwnd(), 0, key.get());
  images_.reset(ImageList_LoadImageW(owner_->GetResources(), MAKEINTRESOURCEW(IDB_CONFLICTIMAGES),
                                     16, 0, RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION));
}

LRESULT CConflictPage::OnShowWindow(UINT, WPARAM shown, LPARAM, bool& handled) {
  handled = false;
  if (shown && fillDue_) {
    fillDue_ = false;
    Fill();
  }
  return 0;
}

void CConflictPage::UnregisterPage() { UnregisterModelessWindow(hwnd()); }
