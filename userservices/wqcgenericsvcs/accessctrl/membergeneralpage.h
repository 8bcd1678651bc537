// CMemberGeneralPage: the General page of a user's tab dialog (logon account, domain and
// display name, with Browse for the directory's accounts). As the first page it commits
// for the dialog: it adds or modifies the user with the roles of the Roles page.
#pragma once

#include <window.h>

#include "accessui.h"
#include "propertypage.h"
#include "resources/resource.h"
#include "wqsecurityutils.h"

struct MemberEditData;

class CMemberGeneralPage : public plat::DialogImpl<CMemberGeneralPage>, public CPropertyPage {
 public:
  static constexpr UINT IDD = IDD_MEMBERGENERAL;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{
        plat::Chain(&CMemberGeneralPage::pageMessages_),
        plat::OnMessage(WM_INITDIALOG, &CMemberGeneralPage::OnInitDialog),
        plat::OnCommand(IDC_MEMBERBROWSE, BN_CLICKED, &CMemberGeneralPage::OnClickedBrowse)};
  }

  CMemberGeneralPage() : CPropertyPage(this) {}

  // An existing user, whose account cannot change.
  void SetUser(const WQSecurityPrincipal& account, const wchar_t* displayName);

  bool UpdateData() override;
  void OnCommit() override;

 private:
  LRESULT OnInitDialog();
  void OnClickedBrowse();
  void ShowAccount(const wchar_t* accountName);
  MemberEditData& Data() const;

  ModelessPageMessages pageMessages_;
  plat::Edit account_;
  plat::Edit domain_;
  plat::Edit displayName_;
  plat::Window browse_;
  WQSecurityPrincipal principal_;
  std::wstring displayNameText_;
  bool edit_ = false;
};
