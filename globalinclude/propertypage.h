// The base of every tab page, beside the page's dialog class:
//
//   class CGeneralPage : public plat::DialogImpl<CGeneralPage>, public CPropertyPage {
//    public:
//     CGeneralPage() : CPropertyPage(this) {}
//     bool UpdateData() override;   // copy the controls into the owner object
//     void OnCommit() override;     // only the first page's is ever called
//   };
//
// The pages of one dialog share an owner object: each gives it its state in UpdateData,
// and the first page commits it for them all (CTabCtrlEx::CommitPages).
#pragma once

#include <window.h>

class CPropertyPage {
 public:
  explicit CPropertyPage(plat::Window* window) noexcept : window_(window) {}
  virtual ~CPropertyPage() = default;
  CPropertyPage(const CPropertyPage&) = delete;
  CPropertyPage& operator=(const CPropertyPage&) = delete;

  // Copies the page's controls into the owner; false keeps the dialog open (the page has
  // told the user why).
  virtual bool UpdateData() = 0;
  // Applies what the pages collected. Only a first page is asked, and it must override
  // this: the base tells the developer so.
  virtual void OnCommit();

  void SetOwner(void* owner) noexcept { owner_ = owner; }
  void* GetOwner() const noexcept { return owner_; }
  HWND GetPageWindow() const noexcept { return window_ ? window_->hwnd() : nullptr; }

 private:
  plat::Window* window_;
  void* owner_ = nullptr;
};
