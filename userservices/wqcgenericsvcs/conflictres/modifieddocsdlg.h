// CModifiedDocsDlg: lists the documents that the conflict resolution modified (the
// model's modifications list) and opens the one the user picks in its application through
// the client tools' globals object. It has no OK button: it ends only with Close. The list
// holds no rows of its own: it is told how many documents there are and asks for the
// name and picture of those it shows, and for the one a user reaches by typing.
#pragma once

#include <typeahead.h>
#include <window.h>

#include "WQOutside.h"
#include "conflictpage.h"
#include "dlgresizer.h"
#include "projectupdates.h"
#include "resources/resource.h"

class CModifiedDocsDlg : public plat::DialogImpl<CModifiedDocsDlg> {
 public:
  static constexpr UINT IDD = IDD_MODIFIEDDOCS;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{
        plat::OnMessage(WM_INITDIALOG, &CModifiedDocsDlg::OnInitDialog),
        plat::Chain(&CModifiedDocsDlg::resizer_),
        plat::OnMessage(WM_SIZE, &CModifiedDocsDlg::OnSize),
        plat::OnMessage(WM_GETMINMAXINFO, &CModifiedDocsDlg::OnGetMinMaxInfo),
        plat::OnCommand(IDC_OPENDOCUMENT, BN_CLICKED, &CModifiedDocsDlg::OnOpen),
        plat::OnCommand(IDCANCEL, BN_CLICKED, &CModifiedDocsDlg::OnClose),
        plat::OnNotify(IDC_MODIFIEDLIST, LVN_ITEMCHANGED, &CModifiedDocsDlg::OnItemChanged),
        plat::OnNotify(IDC_MODIFIEDLIST, NM_DBLCLK, &CModifiedDocsDlg::OnDblClk),
        plat::OnNotify(IDC_MODIFIEDLIST, LVN_GETDISPINFOW, &CModifiedDocsDlg::OnGetDispInfo),
        plat::OnNotify(IDC_MODIFIEDLIST, LVN_ODFINDITEMW, &CModifiedDocsDlg::OnFindItem)};
  }

  // Neither the model nor the workspace is owned. Templates and bitmaps come from
  // `resources`, else from the module.
  CModifiedDocsDlg(CProjectUpdates* model, IWQWorkspace* workspace, HINSTANCE resources = nullptr)
      : workspace_(workspace), model_(model), resources_(resources) {}

  INT_PTR DoModal(HWND owner) { return DialogImpl::DoModal(owner, resources_); }

 private:
  LRESULT OnInitDialog();
  void OnSize();
  LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool&);
  void OnOpen();
  void OnClose() { EndDialog(IDCANCEL); }
  LRESULT OnItemChanged(int, NMHDR* header, bool&);
  LRESULT OnDblClk(int, NMHDR* header, bool&);
  LRESULT OnGetDispInfo(int, NMHDR* header, bool&);
  LRESULT OnFindItem(int, NMHDR* header, bool&) {
    return list_.Find(*reinterpret_cast<NMLVFINDITEMW*>(header));
  }
  void OpenSelectedDocument(const ModificationRecord& record);
  const ModificationRecord* RecordAt(int index) const;
  void SizeColumnsToWidestName();

  plat::Window open_;
  plat::ListTypeAhead list_;  // type-ahead by document name
  unique_himagelist images_;
  IWQWorkspace* workspace_;
  CProjectUpdates* model_;
  HINSTANCE resources_;
  CDlgResizer resizer_;
  // While the list sizes its columns: the record its only row shows.
  const ModificationRecord* sizingRecord_ = nullptr;
};
