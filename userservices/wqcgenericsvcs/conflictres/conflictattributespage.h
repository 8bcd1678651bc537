// CConflictAttributesPage: the third page of the conflict-resolution dialog. One row per
// open attribute conflict with the parent's and the project's value side by side; the
// user keeps a value by clicking it.
#pragma once

#include "conflictlistpage.h"
#include "resources/resource.h"

class CConflictAttributesPage
    : public plat::DialogImpl<CConflictAttributesPage, CConflictListPage> {
 public:
  static constexpr UINT IDD = IDD_CONFLICTATTRIBUTES;
  static constexpr auto GetMessageMap() { return MakeMessageMap(IDC_ATTRIBUTELIST); }

  explicit CConflictAttributesPage(CConflictResDlg* owner);

 private:
  void FillRows() override;
  void ExpandInitially() override;
  int ChosenSide(const CConflictListItem& row) const override;
  bool Choose(CConflictListItem& row, int side) override;
  // The row's menu; none of its commands does anything yet.
  LRESULT OnRightClick(int, NMHDR* header, bool&) override;

  void AddConflictItem(CConflictListItem& parent, ConflictItemRecord& item);
  void AddUpdateItem(CConflictListItem& parent, UpdateItemRecord& item);
};
