// CConflictObjectsPage: the second page of the conflict-resolution dialog: the open object
// conflicts and the parent's object updates, objects nested in their parents.
#pragma once

#include "conflicttreepage.h"

class CConflictObjectsPage : public plat::DialogImpl<CConflictObjectsPage, CConflictTreePage> {
 public:
  static constexpr UINT IDD = IDD_CONFLICTOBJECTS;
  static constexpr auto GetMessageMap() { return MakeMessageMap(IDC_OBJECTTREE); }

  explicit CConflictObjectsPage(CConflictResDlg* owner);
};
