// The four generic selection dialogs, one class template over their resource templates:
// - SingleSelectDlg and MultiSelectDlg list names (cases, classes, unit sets), marking
//   restricted entries;
// - SelectObjectDlg and SelectObjectsDlg list objects or datasheets under two filter
//   boxes. Without the project-summary box, SelectObjectsDlg gives its row back and
//   SelectObjectDlg keeps the gap.
#pragma once

#include "selectlistdlg.h"

template <UINT Template, WORD ListId, bool Multi, bool Objects>
class SelectionDlg
    : public plat::DialogImpl<SelectionDlg<Template, ListId, Multi, Objects>, SelectListDlg> {
 public:
  static constexpr UINT IDD = Template;
  static constexpr auto GetMessageMap() { return SelectListDlg::MakeMessageMap(ListId); }

  // With keys, an entry whose key is negative is shown as restricted.
  explicit SelectionDlg(const WQBstrArray& names,
                        const WQArray<LONG>* keys = nullptr) requires(!Objects)
      : SelectionDlg::DialogImpl(SelectListDlg::Kind{ListId, Multi, false, false}, names, keys) {}

  // Flags are 1 for yes. Without is-datasheet flags the project-summary filter passes all.
  SelectionDlg(const WQBstrArray& names, const WQArray<BYTE>& editable,
               const WQArray<BYTE>* isDatasheet = nullptr,
               const WQArray<BYTE>* isProjectSummary = nullptr) requires Objects
      : SelectionDlg::DialogImpl(SelectListDlg::Kind{ListId, Multi, true, Multi}, names, editable,
                                 isDatasheet, isProjectSummary) {}

  // Before the dialog runs: the initial filter states, and whether the project-summary
  // box shows.
  void SetOnlyEditable(bool on) requires Objects { this->onlyEditable_ = on; }
  void SetOnlyProjectSummaries(bool on) requires Objects { this->onlyProjectSummaries_ = on; }
  void SetShowProjectSummaryBox(bool show) requires Objects { this->showSummaryBox_ = show; }

  // After OK: the final states of the two boxes.
  bool GetOnlyEditable() const requires Objects { return this->onlyEditable_; }
  bool GetOnlyProjectSummaries() const requires Objects { return this->onlyProjectSummaries_; }
};

using SingleSelectDlg = SelectionDlg<IDD_SINGLESELECT, IDC_SINGLESELECTLIST, false, false>;
using MultiSelectDlg = SelectionDlg<IDD_MULTISELECT, IDC_MULTISELECTLIST, true, false>;
using SelectObjectDlg = SelectionDlg<IDD_SELECTOBJECT, IDC_SINGLESELECTLIST, false, true>;
using SelectObjectsDlg = SelectionDlg<IDD_SELECTOBJECTS, IDC_MULTISELECTLIST, true, true>;
