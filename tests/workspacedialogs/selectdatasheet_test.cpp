// WQCSelectDatasheetDlg through COM: the ListDatasheets request, the flags of the reply,
// and the two filter boxes of the dialog, project summaries first.
#include "selectiontest.h"

#include "resources/resource.h"

namespace {

using wqtest::DialogScript;
using wqtest::DialogView;
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

class SelectDatasheetTest
    : public wqtest::SelectionTest<IWQCSelectDatasheetDlg> {
 protected:
  SelectDatasheetTest() : SelectionTest(L"WQCGenericSvcs.WQCSelectDatasheetDlg") {
    Reply(L"ListDatasheets", kSheets);
  }
};

TEST_F(SelectDatasheetTest, RequestAndFlagsOfTheReply) {
  ASSERT_EQ(dlg_->LoadDatasheetList(ws()), S_OK);
  EXPECT_EQ(Request(1), L"<ListDatasheets>vt8:</ListDatasheets>");
  long count = 0;
  ASSERT_EQ(dlg_->get_DatasheetCount(&count), S_OK);
  EXPECT_EQ(wqtest::Joined(count,
                           [this](long i) {
                             plat::unique_bstr name;
                             long oid = 0;
                             VARIANT_BOOL editable = 0, summary = 0;
                             dlg_->get_DatasheetName(i, name.put());
                             dlg_->get_DatasheetID(i, &oid);
                             dlg_->get_DatasheetEditable(i, &editable);
                             dlg_->get_IsProjectSummaryDatasheet(i, &summary);
                             return std::wstring(name.c_str()) + L"=" + std::to_wstring(oid) +
                                    (editable == VARIANT_TRUE ? L"" : L" read-only") +
                                    (summary == VARIANT_TRUE ? L" summary" : L"");
                           }),
            L"DS-A=1 read-only, DS-B=2, DS-C=3 summary, DS-D=4");
  VARIANT_BOOL flag = VARIANT_FALSE;
  EXPECT_EQ(dlg_->get_DatasheetEditable(0, &flag), E_INVALIDARG);
  EXPECT_EQ(flag, VARIANT_TRUE);
  flag = VARIANT_FALSE;
  EXPECT_EQ(dlg_->get_IsProjectSummaryDatasheet(5, &flag), E_INVALIDARG);
  EXPECT_EQ(flag, VARIANT_TRUE);
}

// Datasheets pass the project-summary filter too; with both filters the first row is the
// first editable one among them.
TEST_F(SelectDatasheetTest, BothFiltersAndTheirStatesForTheNextDialog) {
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.Text(), L"Select Datasheet");
                       EXPECT_TRUE(view.IsVisible(IDC_ONLYPROJECTSUMMARIES));
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
  long oid = 0;
  EXPECT_EQ(dlg_->get_Selection(1, &oid), S_OK);
  EXPECT_EQ(oid, 3);
  // The client's later settings change the next dialog, not the choice made.
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
  EXPECT_EQ(dlg_->get_Selection(1, &oid), S_OK);
  EXPECT_EQ(oid, 3);
}

TEST_F(SelectDatasheetTest, MultipleChoiceAsXml) {
  dlg_->put_MultiSelect(VARIANT_TRUE);
  dlg_->put_HideNonProjectSummaryDatasheets(0);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(Show(DialogScript()
                     .Select(IDC_MULTISELECTLIST, 3)
                     .SelectAlso(IDC_MULTISELECTLIST, 1)
                     .Click(IDOK),
                 &ok),
            S_OK);
  plat::unique_bstr xml;
  ASSERT_EQ(dlg_->SelectionAsXML(xml.put()), S_OK);
  EXPECT_STREQ(xml.c_str(), L"<?xml version=\"1.0\"?>\n<Select>\n  <Option Value=\"2\"/>\n"
                            L"  <Option Value=\"4\"/>\n</Select>");
}

}  // namespace
