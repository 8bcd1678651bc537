// The "Unclaim Object" dialog: the object's name, a warning that unclaiming undoes its
// changes, and the report of what else it affects. It only shows; the client unclaims
// after OK.
#pragma once

#include <window.h>

#include <string>

#include "resources/resource.h"

class CUnClaimDlg : public plat::DialogImpl<CUnClaimDlg> {
 public:
  static constexpr UINT IDD = IDD_UNCLAIMOBJECT;

  static constexpr auto GetMessageMap() {
    return plat::MessageMap{plat::OnMessage(WM_INITDIALOG, &CUnClaimDlg::OnInitDialog),
                            plat::OnCommand(IDOK, BN_CLICKED, &CUnClaimDlg::OnOK),
                            plat::OnCommand(IDCANCEL, BN_CLICKED, &CUnClaimDlg::OnCancel)};
  }

  // Both texts must outlive the dialog.
  CUnClaimDlg(const std::wstring& name, const std::wstring& report)
      : name_(name), report_(report) {}

 private:
  LRESULT OnInitDialog();
  void OnOK() { EndDialog(IDOK); }
  void OnCancel() { EndDialog(IDCANCEL); }

  const std::wstring& name_;
  const std::wstring& report_;
};
