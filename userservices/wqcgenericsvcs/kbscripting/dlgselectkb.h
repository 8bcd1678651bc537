// The KB method and rule selection dialog: a type-ahead filter over the rules or methods,
// the case to run in (the workspace's cases, loaded when the first entry that offers a
// choice is picked) and, in the extended form for KB dialog editors, a document OID and
// the parameters of the call.
#pragma once

#include <window.h>

#include <string>
#include <utility>
#include <vector>

#include "WQOutside.h"
#include "listkbparser.h"
#include "resources/resource.h"

// One token of the parameter text as a value: empty is VT_EMPTY; a whole number that begins
// with a digit or a minus sign, read as an id is read, a VT_I4; "TRUE" or "FALSE" in any case
// a VT_BOOL; any other text ("12ab" too) a VT_BSTR of the token as it is.
void ParseKBParameter(const std::wstring& token, VARIANT* value);

// The parameter text split at every comma (nothing trimmed, empty tokens kept): VT_EMPTY
// for an empty text, the one token's value, or for several a VT_ARRAY | VT_VARIANT from
// index 1 holding the values in order. `parameters` is cleared first.
HRESULT ParseKBParameters(const wchar_t* text, VARIANT* parameters);

class DlgSelectKB : public plat::DialogImpl<DlgSelectKB> {
 public:
  static constexpr UINT IDD = IDD_SELECTKB;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{
        plat::OnMessage(WM_INITDIALOG, &DlgSelectKB::OnInitDialog),
        plat::OnCommand(IDOK, BN_CLICKED, &DlgSelectKB::OnRun),
        plat::OnCommand(IDCANCEL, BN_CLICKED, &DlgSelectKB::OnCancel),
        plat::OnCommand(IDC_KBFILTER, EN_CHANGE, &DlgSelectKB::OnFilterChange),
        plat::OnCommand(IDC_KBLIST, LBN_DBLCLK, &DlgSelectKB::OnRun),
        plat::OnCommand(IDC_KBLIST, LBN_SELCHANGE, &DlgSelectKB::OnListSelChange),
        plat::OnCommand(IDC_KBCASE, CBN_SELCHANGE, &DlgSelectKB::OnCaseSelChange)};
  }

  // `caseId` is the owner's case, preselected when the workspace lists it. A workspace
  // without IWQWorkspace shows no cases ("Workspace not available" when one is needed).
  DlgSelectKB(const std::vector<KBEntry>& entries, IDispatch* workspace, bool extended, long caseId,
              bool allowCaseSel);

  void SetTitle(const wchar_t* title) { title_ = title ? title : L""; }

  // The results of a dialog ended with IDOK. The case is the owner's unless the user could
  // choose one; 0 for an entry that runs in a fixed case.
  int Selection() const { return selection_; }
  long ChosenCaseId() const { return chosenCaseId_; }
  long DocumentOid() const { return documentOid_; }
  plat::unique_variant TakeParameters() { return std::move(parameters_); }

 private:
  LRESULT OnInitDialog();
  void OnRun();
  void OnCancel();
  void OnFilterChange();
  void OnListSelChange();
  void OnCaseSelChange();
  // The workspace's cases into the case list, once; a failure is shown to the user.
  HRESULT LoadCases();

  const std::vector<KBEntry>& entries_;
  plat::com_ptr<IWQWorkspace> workspace_;
  bool extended_;
  long ownerCaseId_;
  bool allowCaseSel_;
  std::wstring title_;

  int selection_ = LB_ERR;
  long chosenCaseId_;
  long documentOid_ = 0;
  plat::unique_variant parameters_;
  std::vector<std::pair<std::wstring, LONG>> cases_;  // names and IDs, in reply order
  bool showingSelection_ = false;  // the filter edit is being given the picked entry's text

  plat::Edit filter_;
  plat::ListBox list_;
  plat::Window run_;
  plat::ComboBox caseCombo_;
};
