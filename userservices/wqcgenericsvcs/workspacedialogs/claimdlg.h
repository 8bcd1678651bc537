// The "Claim Object" dialog: the claimable parts of an object in a list, and the claim
// setting, Shared or Exclusive, that the chosen part allows. It takes the parts over and
// frees them; the choice is read after it ends with IDOK. It can be enlarged, never made
// smaller than it opens.
#pragma once

#include <typeahead.h>
#include <window.h>

#include <dlgresizer.h>

#include "listobjectpartsparser.h"
#include "resources/resource.h"

class CClaimDlg : public plat::DialogImpl<CClaimDlg> {
 public:
  static constexpr UINT IDD = IDD_CLAIMOBJECT;

  static constexpr auto GetMessageMap() {
    return plat::MessageMap{
        plat::OnMessage(WM_INITDIALOG, &CClaimDlg::OnInitDialog),
        plat::OnMessage(WM_GETMINMAXINFO, &CClaimDlg::OnGetMinMaxInfo),
        plat::Chain(&CClaimDlg::resizer_),
        plat::OnMessage(WM_SIZE, &CClaimDlg::OnSize),
        plat::OnMessage(kSelectionSettled, &CClaimDlg::OnSelectionSettled),
        plat::OnCommand(IDOK, BN_CLICKED, &CClaimDlg::OnOK),
        plat::OnCommand(IDCANCEL, BN_CLICKED, &CClaimDlg::OnCancel),
        plat::OnCommand(IDC_SHARED, BN_CLICKED, &CClaimDlg::OnSharedClicked),
        plat::OnCommand(IDC_EXCLUSIVE, BN_CLICKED, &CClaimDlg::OnExclusiveClicked),
        plat::OnNotify(IDC_CLAIMLIST, NM_CLICK, &CClaimDlg::OnListClick),
        plat::OnNotify(IDC_CLAIMLIST, NM_DBLCLK, &CClaimDlg::OnListDoubleClick),
        plat::OnNotify(IDC_CLAIMLIST, LVN_ITEMCHANGED, &CClaimDlg::OnListItemChanged),
        plat::OnNotify(IDC_CLAIMLIST, LVN_DELETEALLITEMS, &CClaimDlg::OnListDeleteAll),
        plat::OnNotify(IDC_CLAIMLIST, LVN_GETDISPINFOW, &CClaimDlg::OnGetDispInfo),
        plat::OnNotify(IDC_CLAIMLIST, LVN_ODFINDITEMW, &CClaimDlg::OnFindItem)};
  }

  // Takes over the records of `parts`, which is left empty.
  explicit CClaimDlg(ObjectPartArray& parts) { parts_.MoveFrom(parts); }

  // After IDOK: the chosen part and whether the claim is exclusive.
  LONG GetChosenOID() const { return chosenOid_; }
  bool IsExclusive() const { return exclusive_; }

 private:
  LRESULT OnInitDialog();
  LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool&);
  void OnSize();
  void OnOK();
  void OnCancel() { EndDialog(IDCANCEL); }
  void OnSharedClicked() { SetExclusive(false); }
  void OnExclusiveClicked() { SetExclusive(true); }
  void OnListClick();
  void OnListDoubleClick();
  LRESULT OnListItemChanged(int, NMHDR* header, bool&);
  // Posted when a row lost its selection: the buttons follow once the selection has settled.
  static constexpr UINT kSelectionSettled = WM_APP;
  LRESULT OnSelectionSettled(UINT, WPARAM, LPARAM, bool&);
  LRESULT OnListDeleteAll(int, NMHDR*, bool&);
  // The list holds no texts of its own: it asks for a row's texts as it shows them.
  LRESULT OnGetDispInfo(int, NMHDR* header, bool&);
  // Finding a row by part name.
  LRESULT OnFindItem(int, NMHDR* header, bool&) {
    return list_.Find(*reinterpret_cast<NMLVFINDITEMW*>(header));
  }
  const wchar_t* RowText(int row, int column) const;

  void FitColumns();
  void SetExclusive(bool exclusive);
  // Sets the buttons and the chosen part for the part of a row; false when it cannot be
  // claimed.
  bool UpdateForItem(int index);

  ObjectPartArray parts_;
  CDlgResizer resizer_;
  plat::Window ok_;
  plat::ListTypeAhead list_;  // type-ahead by part name
  plat::Button shared_, exclusiveButton_;
  LONG chosenOid_ = -1;
  bool exclusive_ = false;
  bool settlePosted_ = false;
  SIZE minTrackSize_{};
};
