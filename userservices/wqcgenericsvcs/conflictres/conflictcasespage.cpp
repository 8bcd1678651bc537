#include "conflictcasespage.h"

#include <wqcomexception.h>

#include "conflictresdlg.h"
#include "resolutioncommit.h"

namespace {

constexpr TreeConflictType kCaseConflicts[] = {
    {1, L"Parent Case Deleted",
     L"Case '%s' has been used in the project but has been deleted from its parent.",
     TreeText::kItemName,
     L"Delete Case in Project (This will result in loss of all data for the case in the project)",
     TreeText::kNone, 3, L"Reinstate Case in Parent", TreeText::kNone, 5, false},
    {2, L"Project Case Deleted",
     L"Case '%s' has been deleted in the project but has been values modified in the parent.",
     TreeText::kItemName, L"Reinstate Case in Project", TreeText::kNone, 6,
     L"Delete Case in Parent (This will result in loss of all data for the case in the parent)",
     TreeText::kNone, 4, false},
    {3, L"Duplicate Case Name",
     L"Cases with the same name '%s' have been created in both the parent and in the project.",
     TreeText::kItemName, L"Rename Case in Project", TreeText::kNone, 7, L"Merge Cases",
     TreeText::kNone, 8, true},
    {4, L"Case Rename", L"A case has been renamed in both the project and the parent.",
     TreeText::kNone, L"Keep Case Name from Project '%s'", TreeText::kItemName, 2,
     L"Keep Case Name from Parent '%s'", TreeText::kParentData, 1, false},
};

constexpr TreeUpdateType kCaseUpdates[] = {
    {1,
     L"Case Created in Parent",
     L"Case '%s' has been created in the parent and will be created in the project.",
     {TreeText::kItemName}},
    {2,
     L"Case Deleted in Parent",
     L"Case '%s' has been deleted from the parent and will be deleted from the project.",
     {TreeText::kItemName}},
    {3,
     L"Case Renamed in Parent",
     L"Case '%s' will be renamed in the project to '%s'.",
     {TreeText::kItemName, TreeText::kParentData}},
};

constexpr TreePageKind kCasesPage{IDC_CASETREE, kCaseItems, kImageCaseConflicts, kImageCaseUpdates,
                                  kImageCase,   false,      kCaseConflicts,      kCaseUpdates};

}  // namespace

CConflictCasesPage::CConflictCasesPage(CConflictResDlg* owner) : DialogImpl(owner, kCasesPage) {}

void CConflictCasesPage::OnCommit() {
  // The user sees the failure now; the dialog's caller learns of it when the dialog ends.
  WQComException& failure = owner_->CommitFailure();
  failure.Reset();
  CommitOutcome outcome = CommitOutcome::kApplied;
  WQRunShowingErrors(WQ_HERE, hwnd(), failure, [&](WQComException& error) {
    outcome = SendResolutions(error, Model(), owner_->GetWorkspace(),
                              [this] { owner_->ReleaseModelViews(); });
  });
  // An unread reply has been shown; the resolutions themselves were applied.
  if (outcome == CommitOutcome::kReplyUnread) {
    failure.Reset();
    owner_->SetReplyUnread();
  }
}
