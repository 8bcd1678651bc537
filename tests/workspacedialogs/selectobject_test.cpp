// WQCSelectObjectDlg through COM: the one filter of the ListObjects request, the editable
// flags of the reply, the "only editable" filter in the dialog, and the captions of the
// multiple dialog.
#include "selectiontest.h"

#include "resources/resource.h"

namespace {

using wqtest::Bstr;
using wqtest::DialogScript;
using wqtest::DialogView;
using I = IWQCSelectObjectDlg;
using Texts = std::vector<std::wstring>;

constexpr int kSingle = IDC_SINGLESELECTLIST;

// In name order: P-100 (read-only), P-101, P-102 (read-only), P-103 (no flag: editable).
constexpr wchar_t kPumps[] =
    L"<ListObjects><Object OID='103' KnownName='P-103'/>"
    L"<Object OID='100' KnownName='P-100' Editable='false'/>"
    L"<Object OID='102' KnownName='P-102' Editable='false'/>"
    L"<Object OID='101' KnownName='P-101' Editable='true'/></ListObjects>";

class SelectObjectTest : public wqtest::SelectionTest<I> {
 protected:
  SelectObjectTest() : SelectionTest(L"WQCGenericSvcs.WQCSelectObjectDlg") {
    Reply(L"ListObjects", kPumps);
  }
};

TEST_F(SelectObjectTest, OneFilterGoesWithTheRequestClassFirst) {
  ASSERT_EQ(dlg_->LoadObjectList(ws()), S_OK);
  EXPECT_EQ(Request(1), L"<ListObjects/>");
  dlg_->put_FilterRule(Bstr(L"IsValve").get());
  dlg_->put_Parentless(1);  // only VARIANT_TRUE asks for parentless objects
  ASSERT_EQ(dlg_->LoadObjectList(ws()), S_OK);
  EXPECT_EQ(Request(2), L"<ListObjects FilterRule=\"vt8:IsValve\"/>");
  dlg_->put_FilterClassView(Bstr(L"PID").get());
  ASSERT_EQ(dlg_->LoadObjectList(ws()), S_OK);
  EXPECT_EQ(Request(3), L"<ListObjects FilterView=\"vt8:PID\"/>");
  dlg_->put_FilterClass(Bstr(L"PUMP").get());
  dlg_->put_Parentless(VARIANT_TRUE);
  dlg_->put_ReadWriteMode(Bstr(L"ReadOnly").get());
  ASSERT_EQ(dlg_->LoadObjectList(ws()), S_OK);
  EXPECT_EQ(Request(4),
            L"<ListObjects FilterClass=\"vt8:PUMP\" Parentless=\"vt11:-1\" "
            L"ReadWriteMode=\"vt8:ReadOnly\"/>");
}

TEST_F(SelectObjectTest, ObjectsCarryTheirEditableFlags) {
  ASSERT_EQ(dlg_->LoadObjectList(ws()), S_OK);
  EXPECT_EQ(
      Listing(&I::get_ObjectCount, &I::get_ObjectName, &I::get_ObjectID, &I::get_ObjectEditable),
      L"P-100/100/no, P-101/101/yes, P-102/102/no, P-103/103/yes");
  VARIANT_BOOL editable = VARIANT_FALSE;
  EXPECT_EQ(dlg_->get_ObjectEditable(5, &editable), E_INVALIDARG);
  EXPECT_EQ(editable, VARIANT_TRUE) << "set before the index is checked";
}

// The user ticks the filter and picks the first row: the first editable object, which
// stays chosen whatever the client sets or loads afterwards. The box's state comes back.
TEST_F(SelectObjectTest, TheChoiceUnderTheEditableFilterStaysOnItsObject) {
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.Text(), L"Select Object");
                       EXPECT_FALSE(view.IsChecked(IDC_ONLYEDITABLE));
                       EXPECT_FALSE(view.IsVisible(IDC_ONLYPROJECTSUMMARIES));
                     })
                     .Click(IDC_ONLYEDITABLE)
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.ListItems(kSingle), (Texts{L"P-101", L"P-103"}));
                     })
                     .Select(kSingle, 0)
                     .Screenshot(L"selectobject-editable.png")
                     .Click(IDOK),
                 &ok),
            S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(Listing(&I::get_SelectionCount, &I::get_Selection), L"101");
  Reply(L"ListObjects", L"<ListObjects><Object OID='7' KnownName='A-7'/></ListObjects>");
  ASSERT_EQ(dlg_->LoadObjectList(ws()), S_OK);
  ASSERT_EQ(
      Show(DialogScript()
               .Inspect([](DialogView& view) { EXPECT_TRUE(view.IsChecked(IDC_ONLYEDITABLE)); })
               .Click(IDCANCEL),
           &ok),
      S_OK);
  dlg_->put_HideNonEditable(VARIANT_FALSE);
  plat::unique_bstr xml;
  ASSERT_EQ(dlg_->SelectionAsXML(xml.put()), S_OK);
  EXPECT_STREQ(xml.c_str(),
               L"<?xml version=\"1.0\"?>\n<Select>\n  <Option Value=\"101\"/>\n</Select>");
}

TEST_F(SelectObjectTest, TheMultipleDialogNamesDatasheetsAndDiagrams) {
  dlg_->put_Title(Bstr(L"Pick").get());
  const struct {
    VARIANT_BOOL multi;
    const wchar_t* filterClass;
    const wchar_t* caption;
  } cases[] = {
      {VARIANT_TRUE, L"DATASHEET", L"Select Datasheet"},
      {VARIANT_TRUE, L"datasheet", L"Pick"},
      {VARIANT_TRUE, L"Diagram", L"Select Diagram"},
      {VARIANT_FALSE, L"Diagram", L"Pick"},
  };
  for (const auto& c : cases) {
    dlg_->put_MultiSelect(c.multi);
    dlg_->put_FilterClass(Bstr(c.filterClass).get());
    VARIANT_BOOL ok = VARIANT_FALSE;
    const std::wstring caption = c.caption;
    EXPECT_EQ(Show(DialogScript()
                       .Inspect([&](DialogView& view) { EXPECT_EQ(view.Text(), caption); })
                       .Click(IDCANCEL),
                   &ok),
              S_OK);
  }
}

TEST_F(SelectObjectTest, ADialogThatCannotBeShownIsAFailure) {
  for (VARIANT_BOOL multi : {VARIANT_FALSE, VARIANT_TRUE}) {
    dlg_->put_MultiSelect(multi);
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_TRUE(FAILED(Show(wqtest::EndWithFailure(), &ok))) << multi;
    EXPECT_EQ(ok, VARIANT_FALSE);
    EXPECT_EQ(wqtest::LastErrorMessage(), L"The dialog could not be shown") << multi;
  }
}

}  // namespace
