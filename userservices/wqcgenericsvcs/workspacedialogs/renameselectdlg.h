// The rename dialog: a drop-down list of the existing cases (restricted ones marked) and an
// edit for the new name. OK needs a new name and a case to give it to.
#pragma once

#include <window.h>

#include <wqarray.h>

#include "resources/resource.h"

class RenameSelectDlg : public plat::DialogImpl<RenameSelectDlg> {
 public:
  static constexpr UINT IDD = IDD_RENAMECASE;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{
        plat::OnMessage(WM_INITDIALOG, &RenameSelectDlg::OnInitDialog),
        plat::OnCommand(IDOK, BN_CLICKED, &RenameSelectDlg::OnOK),
        plat::OnCommand(IDCANCEL, BN_CLICKED, &RenameSelectDlg::OnCancel),
        plat::OnCommand(IDC_NEWCASENAME, EN_CHANGE, &RenameSelectDlg::OnNewNameChanged)};
  }

  // The cases in list order; a negative ID marks a restricted case.
  RenameSelectDlg(const WQBstrArray& names, const WQArray<LONG>& ids) : names_(names), ids_(ids) {}

  void SetTitle(const wchar_t* title) { title_ = plat::unique_bstr::copy(title ? title : L""); }

  // After OK: the chosen case's name (without its mark) and the new name as typed.
  plat::unique_bstr TakeExistingName() { return std::move(existingName_); }
  plat::unique_bstr TakeNewName() { return std::move(newName_); }

 private:
  LRESULT OnInitDialog();
  void OnOK();
  void OnCancel();
  void OnNewNameChanged();

  const WQBstrArray& names_;
  const WQArray<LONG>& ids_;
  plat::unique_bstr title_;
  plat::unique_bstr existingName_;
  plat::unique_bstr newName_;

  plat::ComboBox cases_;
  plat::Edit newNameEdit_;
  plat::Window ok_;
};
