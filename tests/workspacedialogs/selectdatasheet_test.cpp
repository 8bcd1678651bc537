// WQCSelectDatasheetDlg through COM: the ListDatasheets request, the flags of the reply,
// and the two filter boxes of the dialog, project summaries first.
#include "selectiontest.h"

#include "resources/resource.h"

namespace {

using wqtest::DialogScript;
using wqtest::DialogView;
using I = IWQCSelectDatasheetDlg;
using Texts = std::vector<std::wstring>;

constexpr int kSingle = IDC_SINGLESELECTLIST;

// A read-only datasheet, an item without flags, an editable project summary and an
// editable datasheet.
constexpr wchar_t kSheets[] =
    L"<ListDatasheets>"
    L"<Datasheet OID='4' KnownName='DS-D' Editable='true' IsDatasheet='true'/>"
    L"<Datasheet OID='1' KnownName='DS-A' Editable='false' IsDatasheet='true'/>"
    L"<Datasheet OID='3' KnownName='DS-C' IsProjectSummary='true' IsDatasheet='false'/>"
    L"<Datasheet OID='2' KnownName='DS-B'/></ListDatasheets>";

class SelectDatasheetTest : public wqtest::SelectionTest<I> {
 protected:
  SelectDatasheetTest() : SelectionTest(L"WQCGenericSvcs.WQCSelectDatasheetDlg") {
    Reply(L"ListDatasheets", kSheets);
  }
};

TEST_F(SelectDatasheetTest, RequestAndFlagsOfTheReply) {
  ASSERT_EQ(dlg_->LoadDatasheetList(ws()), S_OK);
  EXPECT_EQ(Request(1), L"<ListDatasheets>vt8:</ListDatasheets>");
  EXPECT_EQ(Listing(&I::get_DatasheetCount, &I::get_DatasheetName, &I::get_DatasheetID,
                    &I::get_DatasheetEditable, &I::get_IsProjectSummaryDatasheet),
            L"DS-A/1/no/no, DS-B/2/yes/no, DS-C/3/yes/yes, DS-D/4/yes/no");
  VARIANT_BOOL flag = VARIANT_FALSE;
  EXPECT_EQ(dlg_->get_DatasheetEditable(0, &flag), E_INVALIDARG);
  EXPECT_EQ(flag, VARIANT_TRUE);
  flag = VARIANT_FALSE;
  EXPECT_EQ(dlg_->get_IsProjectSummaryDatasheet(5, &flag), E_INVALIDARG);
  EXPECT_EQ(flag, VARIANT_TRUE);
}

// Datasheets pass the project-summary filter too; with both filters the first row is the
// first editable one among them, and stays chosen when the client changes the filters.
TEST_F(SelectDatasheetTest, BothFiltersAndTheirStatesForTheNextDialog) {
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.Text(), L"Select Datasheet");
                       EXPECT_TRUE(view.IsChecked(IDC_ONLYPROJECTSUMMARIES));
                       EXPECT_EQ(view.ListItems(kSingle), (Texts{L"DS-A", L"DS-C", L"DS-D"}));
                     })
                     .Click(IDC_ONLYEDITABLE)
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.ListItems(kSingle), (Texts{L"DS-C", L"DS-D"}));
                     })
                     .Select(kSingle, 0)
                     .Screenshot(L"selectdatasheet.png")
                     .Click(IDOK),
                 &ok),
            S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE);
  dlg_->put_HideNonProjectSummaryDatasheets(VARIANT_FALSE);
  ASSERT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_TRUE(view.IsChecked(IDC_ONLYEDITABLE));
                       EXPECT_FALSE(view.IsChecked(IDC_ONLYPROJECTSUMMARIES));
                       EXPECT_EQ(view.ListItems(kSingle), (Texts{L"DS-B", L"DS-C", L"DS-D"}));
                     })
                     .Click(IDCANCEL),
                 &ok),
            S_OK);
  EXPECT_EQ(Listing(&I::get_SelectionCount, &I::get_Selection), L"3");
}

}  // namespace
