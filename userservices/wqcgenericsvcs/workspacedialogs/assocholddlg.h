// The "Associate Hold" dialog: the user names and explains a new hold, or picks one of
// the active holds that the reply lists. The results are read after it ends with IDOK.
#pragma once

#include <typeahead.h>
#include <window.h>

#include <wqarray.h>
#include <wqcomexception.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "resources/resource.h"

struct ActiveHold;

class AssocHoldDlg : public plat::DialogImpl<AssocHoldDlg> {
 public:
  static constexpr UINT IDD = IDD_ASSOCHOLD;
  // The dialog's result when the holds reply could not be read; Error() then says why.
  static constexpr INT_PTR kHoldsUnreadable = 3;

  static constexpr auto GetMessageMap() {
    return plat::MessageMap{
        plat::OnMessage(WM_INITDIALOG, &AssocHoldDlg::OnInitDialog),
        plat::OnCommandId(IDOK, &AssocHoldDlg::OnOK),
        plat::OnCommandId(IDCANCEL, &AssocHoldDlg::OnCancel),
        plat::OnCommand(IDC_CREATEHOLD, BN_CLICKED, &AssocHoldDlg::OnCreateClicked),
        plat::OnCommand(IDC_ASSOCHOLD, BN_CLICKED, &AssocHoldDlg::OnAssociateClicked),
        plat::OnCommand(IDC_HOLDREASON, EN_SETFOCUS, &AssocHoldDlg::OnReasonFocus),
        plat::OnNotify(IDC_HOLDLIST, NM_CLICK, &AssocHoldDlg::OnListActivity),
        plat::OnCommand(IDC_HOLDNAME, EN_SETFOCUS, &AssocHoldDlg::OnNameFocus),
        plat::OnNotify(IDC_HOLDLIST, NM_DBLCLK, &AssocHoldDlg::OnListActivity),
        plat::OnNotify(IDC_HOLDLIST, LVN_ITEMCHANGED, &AssocHoldDlg::OnListActivity),
        plat::OnNotify(IDC_HOLDLIST, LVN_GETDISPINFOW, &AssocHoldDlg::OnGetDispInfo),
        plat::OnNotify(IDC_HOLDLIST, LVN_ODFINDITEMW, &AssocHoldDlg::OnFindItem)};
  }

  AssocHoldDlg() = default;

  void SetTitle(const wchar_t* title) { title_ = title ? title : L""; }
  // The "ActiveHolds" reply, read when the dialog opens; the caller keeps it alive.
  void SetHoldsXml(BSTR xml) { holdsXml_ = xml; }

  // A row at the end of the list for a hold of the reply.
  void AddHold(const ActiveHold& hold);

  // After IDOK.
  bool GetCreate() const { return create_; }
  const std::wstring& GetName() const { return name_; }
  const std::wstring& GetReason() const { return reason_; }
  LONG GetSelection() const { return selection_; }
  // Why the holds could not be read.
  WQComException& Error() { return error_; }

 private:
  LRESULT OnInitDialog();
  void OnOK();
  void OnCancel();
  void OnCreateClicked();
  void OnAssociateClicked();
  void OnReasonFocus() { plat::Edit(reasonEdit_).SetSel(0, -1); }
  void OnNameFocus() { plat::Edit(nameEdit_).SetSel(0, -1); }
  void OnListActivity();
  // The list holds no texts of its own: it asks for a row's texts as it needs them.
  LRESULT OnGetDispInfo(int, NMHDR* header, bool&);
  // Finding a row by hold name.
  LRESULT OnFindItem(int, NMHDR* header, bool&) {
    return list_.Find(*reinterpret_cast<NMLVFINDITEMW*>(header));
  }
  const wchar_t* RowText(int row, int column) const;

  void SetCreate(bool create);
  size_t AddText(const wchar_t* text, size_t length);
  size_t DateText(double date);
  void FitDateColumn();
  void ResetResults();

  std::wstring title_ = L"Associate Hold";
  BSTR holdsXml_ = nullptr;
  // One per row, in row order; the texts lie in texts_, each ended by a null.
  struct Row {
    LONG oid;
    size_t name, date, reason;
  };
  std::vector<Row> rows_;
  std::wstring texts_;
  // Each date is formatted once, however many holds carry it.
  std::unordered_map<double, size_t> dateTexts_;
  // While the date column fits itself, the list holds one row showing this date text.
  const wchar_t* fittingDate_ = nullptr;
  WQComException error_;
  bool initialized_ = false;

  bool create_ = true;
  std::wstring name_;
  std::wstring reason_;
  LONG selection_ = -1;

  plat::Window ok_, nameEdit_, reasonEdit_;
  plat::ListTypeAhead list_;  // type-ahead by hold name
  plat::Button createButton_, associateButton_;
};
