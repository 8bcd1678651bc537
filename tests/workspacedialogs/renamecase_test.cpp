// WQCRenameCaseDlg through COM: the bare ListCases request, the drop-down list of cases in
// the object's order, OK bound to a new name, and the two names handed back.
#include "selectiontest.h"

#include <window.h>

#include "resources/resource.h"

namespace {

using wqtest::Bstr;
using wqtest::DialogScript;
using wqtest::DialogView;
using Texts = std::vector<std::wstring>;

// Ordered by the C runtime, "Co-op run" comes before "Coal firing"; a sorting list
// control would put them the other way round.
constexpr wchar_t kCases[] =
    L"<ListCases><Case ID='7' CaseName='Design'/><Case ID='-6' CaseName='Coal firing'/>"
    L"<Case ID='5' CaseName='Co-op run'/></ListCases>";

Texts ComboItems(const DialogView& view) {
  const plat::ComboBox cases(view.Item(IDC_EXISTINGCASE));
  Texts texts;
  for (int i = 0; i < cases.GetCount(); ++i) texts.push_back(cases.GetLBText(i));
  return texts;
}

// Picks an entry as a user would: the list tells its dialog.
DialogScript::Step PickCase(int index) {
  return [index](DialogView& view) {
    const plat::ComboBox cases(view.Item(IDC_EXISTINGCASE));
    cases.SetCurSel(index);
    SendMessageW(view.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_EXISTINGCASE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(cases.hwnd()));
    return std::string();
  };
}

class RenameCaseTest : public wqtest::SelectionTest<IWQCRenameCaseDlg> {
 protected:
  RenameCaseTest() : SelectionTest(L"WQCGenericSvcs.WQCRenameCaseDlg") {
    Reply(L"ListCases", kCases);
  }
  // "old -> new" as the client reads them; "null" for a null name.
  std::wstring Names() {
    plat::unique_bstr existing, renamed;
    EXPECT_EQ(dlg_->get_SelectionCase(existing.put()), S_OK);
    EXPECT_EQ(dlg_->get_SelectionName(renamed.put()), S_OK);
    return (existing ? existing.c_str() : L"null") + std::wstring(L" -> ") +
           (renamed ? renamed.c_str() : L"null");
  }
};

TEST_F(RenameCaseTest, ARestrictedCaseRenamedToItsOwnNameThenACancel) {
  EXPECT_EQ(Names(), L"null -> null");
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.Text(), L"Rename Case");
                       EXPECT_EQ(ComboItems(view),
                                 (Texts{L"Co-op run", L"Coal firing (restricted)", L"Design"}));
                       EXPECT_EQ(view.Text(IDC_EXISTINGCASE), L"Co-op run");
                       EXPECT_TRUE(view.HasFocus(IDC_EXISTINGCASE));
                       EXPECT_FALSE(view.IsEnabled(IDOK));
                     })
                     .Type(IDC_NEWCASENAME, L"C")
                     .Inspect([](DialogView& view) { EXPECT_TRUE(view.IsEnabled(IDOK)); })
                     .SetText(IDC_NEWCASENAME, L"")
                     .Inspect([](DialogView& view) { EXPECT_FALSE(view.IsEnabled(IDOK)); })
                     .Do(PickCase(1))
                     .SetText(IDC_NEWCASENAME, L"Coal firing")
                     .Screenshot(L"renamecase.png")
                     .Click(IDOK),
                 &ok),
            S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(Names(), L"Coal firing -> Coal firing");
  EXPECT_EQ(Request(1), L"<ListCases/>") << "no restriction, no context objects";
  dlg_->put_Title(Bstr(L"Rename a case").get());
  ASSERT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) { EXPECT_EQ(view.Text(), L"Rename a case"); })
                     .Type(IDC_NEWCASENAME, L"X")
                     .Click(IDCANCEL),
                 &ok),
            S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(Names(), L"Coal firing -> Coal firing");
  EXPECT_EQ(wqstandins::RequestCount(ws_.get()), 1);
}

// With no case to rename, a typed name alone does not allow OK.
TEST_F(RenameCaseTest, AnEmptyCaseListAllowsNoOk) {
  Reply(L"ListCases", L"<ListCases/>");
  VARIANT_BOOL ok = VARIANT_TRUE;
  ASSERT_EQ(Show(DialogScript()
                     .Type(IDC_NEWCASENAME, L"New")
                     .Inspect([](DialogView& view) { EXPECT_FALSE(view.IsEnabled(IDOK)); })
                     .Click(IDCANCEL),
                 &ok),
            S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
}

TEST_F(RenameCaseTest, AFailingListShowsNoDialog) {
  wqstandins::FailAt(ws_.get(), L"Execute", E_ACCESSDENIED, L"denied");
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(dlg_->ShowDialog(ws(), 0, &ok), E_ACCESSDENIED);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(dlg_->ShowDialog(ws(), 0, nullptr), E_POINTER);
  EXPECT_EQ(dlg_->get_SelectionCase(nullptr), E_POINTER);
}

}  // namespace
