// CRoleGeneralPage: the General page of a role's tab dialog (name and description). As
// the first page it commits for the dialog: it adds or modifies the role, then changes the
// roles of the users the Users page added or removed.
#pragma once

#include <window.h>

#include <string>

#include "accessui.h"
#include "propertypage.h"
#include "resources/resource.h"

struct RoleEditData;

class CRoleGeneralPage : public plat::DialogImpl<CRoleGeneralPage>, public CPropertyPage {
 public:
  static constexpr UINT IDD = IDD_ROLEGENERAL;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{plat::Chain(&CRoleGeneralPage::pageMessages_),
                            plat::OnMessage(WM_INITDIALOG, &CRoleGeneralPage::OnInitDialog)};
  }

  CRoleGeneralPage() : CPropertyPage(this) {}

  // An existing role: its texts, and a name that cannot change.
  void SetRole(const wchar_t* name, const wchar_t* description);

  bool UpdateData() override;
  void OnCommit() override;

 private:
  LRESULT OnInitDialog();
  RoleEditData& Data() const;

  ModelessPageMessages pageMessages_;
  plat::Edit name_;
  plat::Edit description_;
  std::wstring nameText_;
  std::wstring descriptionText_;
  bool edit_ = false;
};
