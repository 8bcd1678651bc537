// What the four generic selection dialogs share: the list filled from the selection
// object's arrays and fitted to its texts, the find box, the two filter boxes of the
// object dialogs, and the chosen positions handed back after OK.
#pragma once

#include <window.h>

#include <wqarray.h>

#include "resources/resource.h"

class ListTextMeasure;

class SelectListDlg : public plat::DialogWindow {
 public:
  SelectListDlg(const SelectListDlg&) = delete;
  SelectListDlg& operator=(const SelectListDlg&) = delete;

  void SetTitle(const wchar_t* title) { title_ = plat::unique_bstr::copy(title ? title : L""); }
  const wchar_t* GetTitle() const { return title_.c_str(); }

  // After OK: the chosen positions among the items that the list showed last.
  const WQArray<LONG>& GetSelection() const { return selection_; }
  // After OK: the same choice as positions in the names array, resolved with the
  // filters that were in force when the user chose.
  void GetSelectedItems(WQArray<LONG>& items) const;

 protected:
  struct Kind {
    WORD listId;
    bool multi;
    bool objectFilters;
    bool collapseHiddenSummary;  // give the hidden project-summary row back
  };

  // Name lists; a negative key marks a restricted entry.
  SelectListDlg(const Kind& kind, const WQBstrArray& names, const WQArray<LONG>* keys);
  // Object lists with their flags (1 = yes).
  SelectListDlg(const Kind& kind, const WQBstrArray& names, const WQArray<BYTE>& editable,
                const WQArray<BYTE>* isDatasheet, const WQArray<BYTE>* isProjectSummary);

  static constexpr auto MakeMessageMap(WORD listId) {
    return plat::MessageMap{
        plat::OnMessage(WM_INITDIALOG, &SelectListDlg::OnInitDialog),
        plat::OnCommand(IDOK, BN_CLICKED, &SelectListDlg::OnOK),
        plat::OnCommand(IDCANCEL, BN_CLICKED, &SelectListDlg::OnCancel),
        plat::OnCommand(IDC_FINDTEXT, EN_CHANGE, &SelectListDlg::OnFindChanged),
        plat::OnCommand(listId, LBN_DBLCLK, &SelectListDlg::OnOK),
        plat::OnCommand(listId, LBN_SELCHANGE, &SelectListDlg::OnListSelChange),
        plat::OnCommand(IDC_ONLYEDITABLE, BN_CLICKED, &SelectListDlg::OnOnlyEditableClicked),
        plat::OnCommand(IDC_ONLYPROJECTSUMMARIES, BN_CLICKED,
                        &SelectListDlg::OnOnlySummariesClicked)};
  }

  // The object dialogs' filters: set before the dialog runs, read after OK.
  bool onlyEditable_ = false;
  bool showSummaryBox_ = false;
  bool onlyProjectSummaries_ = true;

 private:
  LRESULT OnInitDialog();
  void OnOK();
  void OnCancel();
  void OnFindChanged();
  void OnListSelChange();
  void OnOnlyEditableClicked();
  void OnOnlySummariesClicked();

  bool IsShown(int item) const;
  // Fills the list with the shown items, measuring each text when asked to.
  void FillList(ListTextMeasure* measure);
  void CollectSelection();
  void FitToItems(SIZE text);

  const Kind kind_;
  const WQBstrArray& names_;
  const WQArray<LONG>* keys_ = nullptr;
  const WQArray<BYTE>* editable_ = nullptr;
  const WQArray<BYTE>* isDatasheet_ = nullptr;
  const WQArray<BYTE>* isProjectSummary_ = nullptr;

  plat::unique_bstr title_;
  WQArray<LONG> selection_;
  WQArray<LONG> shownItems_;     // the names position of each list entry
  WQArray<LONG> selectedItems_;  // the choice resolved to names positions

  plat::Edit find_;
  plat::ListBox list_;
  plat::Window ok_, cancel_, onlyEditableBox_, onlySummariesBox_;
};
