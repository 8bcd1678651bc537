// CConflictCasesPage: the first page of the conflict-resolution dialog. It shows the open
// case conflicts and the parent's case updates, and it commits for the whole dialog: the
// resolutions chosen on all five pages go to the server in one request whose reply
// replaces the model.
#pragma once

#include "conflicttreepage.h"

class CConflictCasesPage : public plat::DialogImpl<CConflictCasesPage, CConflictTreePage> {
 public:
  static constexpr UINT IDD = IDD_CONFLICTCASES;
  static constexpr auto GetMessageMap() { return MakeMessageMap(IDC_CASETREE); }

  explicit CConflictCasesPage(CConflictResDlg* owner);

  // Sends every chosen resolution; a failure is shown to the user over the page.
  void OnCommit() override;
};
