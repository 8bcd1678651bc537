// CCMemberSelection: the modal "Select Users Dialog" in which users are chosen to be given
// a role.
#pragma once

#include <typeahead.h>
#include <window.h>

#include <string>
#include <vector>

#include "resources/resource.h"

class CCMemberSelection : public plat::DialogImpl<CCMemberSelection> {
 public:
  static constexpr UINT IDD = IDD_MEMBERSELECTION;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{plat::OnMessage(WM_INITDIALOG, &CCMemberSelection::OnInitDialog),
                            plat::OnCommand(IDOK, BN_CLICKED, &CCMemberSelection::OnOK),
                            plat::OnCommand(IDCANCEL, BN_CLICKED, &CCMemberSelection::OnCancel)};
  }

  explicit CCMemberSelection(std::vector<std::wstring> candidates);

  // After OK: the selected names in list order.
  const std::vector<std::wstring>& GetChosen() const { return chosen_; }

 private:
  LRESULT OnInitDialog();
  void OnOK();
  void OnCancel() { EndDialog(IDCANCEL); }

  std::vector<std::wstring> candidates_;
  std::vector<std::wstring> chosen_;
  plat::unique_himagelist images_;
  plat::ListTypeAhead list_;  // type-ahead by name
};
