// What the five pages of the conflict-resolution dialog share: their owner dialog and
// model, their resizer and the image strip, their place in the modeless-window registry,
// and the rule that Enter and Escape inside a page neither close it nor reach the dialog.
#pragma once

#include <window.h>

#include "dlgresizer.h"
#include "projectupdates.h"
#include "propertypage.h"

class CConflictResDlg;

using unique_himagelist = plat::unique_any<plat::handle_traits<HIMAGELIST, ImageList_Destroy>>;

// The images of the strip (bitmap 251) that the pages use by meaning.
enum ConflictImage : int {
  kImageUpdate = 0,
  kImageOpenConflict = 1,
  kImageResolved = 2,
  kImageChosenSide = 3,
  kImageOtherSide = 4,
  kImageCase = 5,
  kImageCaseUpdates = 6,
  kImageCaseConflicts = 7,
  kImageObject = 9,
  kImageObjectUpdates = 10,
  kImageObjectConflicts = 11,
  kImageAttributeUpdates = 14,
  kImageAttributeConflicts = 15,
  kImageDatasheet = 17,
  kImageDatasheetUpdates = 18,
  kImageDatasheetConflicts = 19,
  kImageDiagram = 21,
  kImageDiagramUpdates = 22,
  kImageDiagramConflicts = 23,
};

// Answers WM_GETMINMAXINFO for a resizable dialog that may not get smaller than a size.
inline LRESULT KeepMinimumSize(LPARAM minMaxInfo, LONG width, LONG height) {
  auto* info = reinterpret_cast<MINMAXINFO*>(minMaxInfo);
  info->ptMinTrackSize.x = width;
  info->ptMinTrackSize.y = height;
  return 0;
}

class CConflictPage : public plat::DialogWindow, public CPropertyPage {
 public:
  CConflictPage(const CConflictPage&) = delete;
  CConflictPage& operator=(const CConflictPage&) = delete;

  // Every choice is written into the model when it is made: nothing is left to collect.
  bool UpdateData() override { return true; }
  // Forgets every model record the page shows, with the rows or nodes that show them.
  virtual void ReleaseRecords() = 0;

 protected:
  explicit CConflictPage(CConflictResDlg* owner);

  CProjectUpdates* Model() const { return static_cast<CProjectUpdates*>(GetOwner()); }
  // A page fills itself from the model the first time it shows, so that a large reply
  // costs the user only the pages they look at.
  LRESULT OnShowWindow(UINT, WPARAM shown, LPARAM, bool& handled);
  virtual void Fill() = 0;
  // After this the page no longer fills itself: its records are gone from the model.
  void CancelFill() { fillDue_ = false; }
  // Registers the page so that the keyboard works inside it, and loads the image strip.
  void InitPage();
  void UnregisterPage();
  // Enter and Escape inside a page, and the commands a page has no use for.
  void Ignore() {}

  CConflictResDlg* owner_;
  CDlgResizer resizer_;
  unique_himagelist images_;

 private:
  bool fillDue_ = true;
};
