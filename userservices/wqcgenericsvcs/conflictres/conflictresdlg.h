// CConflictResDlg: the modal, resizable dialog over the project-updates model. Five
// property pages in a tab control show the open conflicts and the parent's updates of
// cases, objects, attributes, datasheets and diagrams; every choice the user makes goes
// into the model at once, and a line under the pages counts what is still open. OK hands
// the model to the cases page, which sends every chosen resolution in one request.
#pragma once

#include <window.h>
#include <wqcomexception.h>

#include <memory>

#include "WQOutside.h"
#include "dlgresizer.h"
#include "projectupdates.h"
#include "resources/resource.h"
#include "tabctrlex.h"

class CConflictPage;
class CConflictCasesPage;
class CConflictObjectsPage;
class CConflictAttributesPage;
class CConflictDatasheetsPage;
class CConflictDiagramsPage;

// The conflicts of an item without a resolution, its nested items' included.
int OpenConflictCount(const ConflictItemRecord& item);
// The count under the pages: every open conflict, except that a datasheet with open
// conflicts counts once; 0 without a model.
long CountRemainingConflicts(const CProjectUpdates* model);

class CConflictResDlg : public plat::DialogImpl<CConflictResDlg> {
 public:
  static constexpr UINT IDD = IDD_CONFLICTRES;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{
        plat::OnMessage(WM_INITDIALOG, &CConflictResDlg::OnInitDialog),
        plat::OnMessage(WM_DESTROY, &CConflictResDlg::OnDestroy),
        plat::Chain(&CConflictResDlg::resizer_),
        plat::OnMessage(WM_SIZE, &CConflictResDlg::OnSize),
        plat::OnMessage(WM_GETMINMAXINFO, &CConflictResDlg::OnGetMinMaxInfo),
        plat::OnCommand(IDOK, BN_CLICKED, &CConflictResDlg::OnOK),
        plat::OnCommand(IDCANCEL, BN_CLICKED, &CConflictResDlg::OnCancel),
        plat::OnNotify(IDC_CONFLICTTABS, TCN_SELCHANGE, &CConflictResDlg::OnSelChange),
        plat::OnNotify(IDC_CONFLICTTABS, TCN_SELCHANGING, &CConflictResDlg::OnSelChanging)};
  }

  // Neither the model nor the workspace is owned. Templates, bitmaps and menus come from
  // `resources`, else from the module.
  CConflictResDlg(CProjectUpdates* model, IWQWorkspace* workspace, HINSTANCE resources = nullptr);
  ~CConflictResDlg();

  // Ends with IDOK after a commit (also one that failed and was shown), else IDCANCEL. The
  // commit's IDOK stands whatever ends the dialog's loop after it.
  INT_PTR DoModal(HWND owner) { return DialogImpl::DoModal(owner, resources_); }
  // The commit's failure, with its error info; S_OK when it succeeded or did not run.
  WQComException& CommitFailure() { return commitFailure_; }
  // The server applied the commit, but its reply could not be read: the model is empty
  // and no longer tells what the project holds.
  bool ReplyUnread() const { return replyUnread_; }
  void SetReplyUnread() { replyUnread_ = true; }

  void UpdateConflictCount();
  // Every page lets go of the model records it shows: the model is about to be replaced.
  void ReleaseModelViews();

  CProjectUpdates* GetModel() const { return model_; }
  IWQWorkspace* GetWorkspace() const { return workspace_; }
  HINSTANCE GetResources() const;
  CTabCtrlEx& GetTabs() { return tabs_; }

 private:
  LRESULT OnInitDialog();
  void OnDestroy();
  void OnSize();
  LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool&);
  void OnOK();
  void OnCancel();
  LRESULT OnSelChange() { return tabs_.OnSelChange(); }
  LRESULT OnSelChanging() { return tabs_.OnSelChanging(); }

  // The pages in tab order.
  CConflictPage* Page(int index) const;
  void DestroyPages();

  CProjectUpdates* model_;
  IWQWorkspace* workspace_;
  HINSTANCE resources_;
  plat::unique_bstr registryKey_;
  CDlgResizer resizer_;
  CTabCtrlEx tabs_;
  std::unique_ptr<CConflictCasesPage> casesPage_;
  std::unique_ptr<CConflictObjectsPage> objectsPage_;
  std::unique_ptr<CConflictAttributesPage> attributesPage_;
  std::unique_ptr<CConflictDatasheetsPage> datasheetsPage_;
  std::unique_ptr<CConflictDiagramsPage> diagramsPage_;
  plat::Window count_, ok_, cancel_;
  LONG minWidth_ = 0, minHeight_ = 0;
  WQComException commitFailure_;
  bool replyUnread_ = false;
};
