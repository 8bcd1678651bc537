#include "dlgselectkb.h"

#include <wqcomexception.h>

#include <cwchar>
#include <cwctype>

#include "workspace/dataservicerequest.h"
#include "workspace/listcasesparser.h"
#include "workspace/objectid.h"

// ---------------------------------------------------------------- parameters

namespace {

// The whole number `text` holds, read as an id is read ("12abc" and "1,2" hold none).
bool ReadWholeNumber(const std::wstring& text, long* number) {
  plat::unique_variant value;
  V_BSTR(&value) = plat::unique_bstr::copy(text.c_str(), static_cast<UINT>(text.size())).release();
  V_VT(&value) = VT_BSTR;
  return ReadObjectId(value, number) == S_OK;
}

}  // namespace

void ParseKBParameter(const std::wstring& token, VARIANT* value) {
  VariantInit(value);
  if (token.empty()) return;
  long number = 0;
  if ((iswdigit(token[0]) || token[0] == L'-') && ReadWholeNumber(token, &number)) {
    V_VT(value) = VT_I4;
    V_I4(value) = number;
  } else if (_wcsicmp(token.c_str(), L"TRUE") == 0 || _wcsicmp(token.c_str(), L"FALSE") == 0) {
    V_VT(value) = VT_BOOL;
    V_BOOL(value) = _wcsicmp(token.c_str(), L"TRUE") == 0 ? VARIANT_TRUE : VARIANT_FALSE;
  } else {
    V_BSTR(value) =
        plat::unique_bstr::copy(token.c_str(), static_cast<UINT>(token.size())).release();
    V_VT(value) = VT_BSTR;
  }
}

HRESULT ParseKBParameters(const wchar_t* text, VARIANT* parameters) try {
  if (!parameters) return E_POINTER;
  PLAT_RETURN_IF_FAILED(VariantClear(parameters));
  if (!text || !*text) return S_OK;
  std::vector<std::wstring> tokens;
  for (const wchar_t* start = text;;) {
    const wchar_t* comma = wcschr(start, L',');
    tokens.emplace_back(start, comma ? comma : start + wcslen(start));
    if (!comma) break;
    start = comma + 1;
  }
  if (tokens.size() == 1) {
    ParseKBParameter(tokens[0], parameters);
    return S_OK;
  }
  // Counted from 1, as the KB scripts index their parameters.
  SAFEARRAYBOUND bound{static_cast<ULONG>(tokens.size()), 1};
  plat::unique_safearray array(SafeArrayCreate(VT_VARIANT, 1, &bound));
  if (!array) return E_OUTOFMEMORY;
  LONG index = 1;
  for (const std::wstring& token : tokens) {
    plat::unique_variant value;
    ParseKBParameter(token, value.put());
    PLAT_RETURN_IF_FAILED(SafeArrayPutElement(array.get(), &index, &value));
    ++index;
  }
  V_ARRAY(parameters) = array.release();
  V_VT(parameters) = VT_ARRAY | VT_VARIANT;
  return S_OK;
}
PLAT_CATCH_RETURN()

// ---------------------------------------------------------------- the dialog

DlgSelectKB::DlgSelectKB(const std::vector<KBEntry>& entries, IDispatch* workspace, bool extended,
                         long caseId, bool allowCaseSel)
    : entries_(entries),
      extended_(extended),
      ownerCaseId_(caseId),
      allowCaseSel_(allowCaseSel),
      chosenCaseId_(caseId) {
  if (workspace) workspace->QueryInterface(__uuidof(IWQWorkspace), workspace_.put_void());
}

LRESULT DlgSelectKB::OnInitDialog() {
  // The plain form shows only the left column: the window ends at its width marker.
  const RECT window = GetWindowRect();
  const RECT marker =
      GetDlgItem(extended_ ? IDC_KBEXTENDEDWIDTH : IDC_KBPLAINWIDTH).GetWindowRect();
  ResizeWindow(marker.right - window.left, window.bottom - window.top);

  filter_ = GetDlgItem(IDC_KBFILTER);
  list_ = GetDlgItem(IDC_KBLIST);
  run_ = GetDlgItem(IDOK);
  caseCombo_ = GetDlgItem(IDC_KBCASE);
  for (const KBEntry& entry : entries_) list_.AddString(entry.display.c_str());
  SetWindowText(title_.c_str());

  GetDlgItem(IDC_KBDOCUMENTOID).EnableWindow(extended_);
  GetDlgItem(IDC_KBPARAMETERS).EnableWindow(extended_);
  caseCombo_.EnableWindow(false);
  run_.EnableWindow(false);
  return TRUE;
}

void DlgSelectKB::OnFilterChange() {
  // The text of an entry the user picked is no type-ahead: finding it again by prefix
  // could land on another entry that begins the same way.
  if (showingSelection_) return;
  const std::wstring text = filter_.GetWindowText();
  const int found =
      text.empty() ? (list_.GetCount() > 0 ? 0 : LB_ERR) : list_.FindString(text.c_str());
  if (found == LB_ERR) return;
  list_.SetTopIndex(found);
  list_.SetCurSel(found);
}

void DlgSelectKB::OnListSelChange() {
  const int selected = list_.GetCurSel();
  const bool hasSelection = selected != LB_ERR && selected < static_cast<int>(entries_.size());
  bool offerCase = false;
  if (hasSelection && allowCaseSel_) {
    chosenCaseId_ = 0;
    offerCase = !entries_[selected].caseFixed;
    if (offerCase && SUCCEEDED(LoadCases()) && !cases_.empty()) {
      int pick = 0;
      for (size_t i = 0; ownerCaseId_ != 0 && i < cases_.size(); ++i) {
        if (cases_[i].second == ownerCaseId_) {
          pick = static_cast<int>(i);
          break;
        }
      }
      caseCombo_.SetCurSel(pick);
      chosenCaseId_ = cases_[pick].second;
    }
  }
  caseCombo_.EnableWindow(offerCase);
  if (hasSelection) {
    showingSelection_ = true;
    filter_.SetWindowText(entries_[selected].display.c_str());
    showingSelection_ = false;
  }
  run_.EnableWindow(hasSelection);
}

void DlgSelectKB::OnCaseSelChange() {
  const int selected = caseCombo_.GetCurSel();
  if (selected >= 0 && selected < static_cast<int>(cases_.size()))
    chosenCaseId_ = cases_[selected].second;
}

HRESULT DlgSelectKB::LoadCases() {
  return WQRunShowingErrors(WQ_HERE, hwnd_, [this](WQComException& error) {
    if (!workspace_) error.ThrowHrAt(WQ_HERE, E_FAIL, L"Workspace not available");
    if (!cases_.empty()) return;
    DataServiceRequest request;
    WQThrowIfFailed(error, request.Prepare(workspace_.get(), kServerProgId, L"ListCases"));
    request.StartDocument();
    request.StartElement(L"ListCases");
    request.FlagAttribute(L"RestrictedCases", false);
    request.EndElement(L"ListCases");
    WQThrowIfFailed(error, request.Execute());
    plat::unique_bstr reply;
    WQThrowIfFailed(error, request.GetResponse(reply.put()));
    // A reply read only in part leaves no cases behind that the combo box does not show.
    std::vector<std::pair<std::wstring, LONG>> cases;
    ListCasesParser parser(
        [&cases](const wchar_t* name, LONG id) { cases.emplace_back(name, id); });
    WQThrowIfFailed(error, parser.ParseString(reply.get()));
    cases_ = std::move(cases);
    for (const auto& item : cases_) caseCombo_.InsertString(-1, item.first.c_str());
  });
}

void DlgSelectKB::OnRun() {
  // Only a double click in the list's empty area gets here without an entry: there is
  // nothing to run.
  const int selected = list_.GetCurSel();
  if (selected == LB_ERR) return;
  plat::throw_if_failed(
      ParseKBParameters(GetDlgItem(IDC_KBPARAMETERS).GetWindowText().c_str(), parameters_.put()));
  selection_ = selected;
  long document = 0;
  documentOid_ =
      ReadWholeNumber(GetDlgItem(IDC_KBDOCUMENTOID).GetWindowText(), &document) ? document : 0;
  EndDialog(IDOK);
}

void DlgSelectKB::OnCancel() { EndDialog(IDCANCEL); }
