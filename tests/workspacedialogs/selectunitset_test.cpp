// WQCSelectUnitSetDlg through COM: the ListUnitSets call without a request document, the
// unit-set texts of the reply, and the names returned.
#include "selectiontest.h"

#include "resources/resource.h"

namespace {

using wqtest::Bstr;
using wqtest::DialogScript;
using wqtest::DialogView;

constexpr int kSingle = IDC_SINGLESELECTLIST;

class SelectUnitSetTest
    : public wqtest::SelectionTest<IWQCSelectUnitSetDlg> {
 protected:
  SelectUnitSetTest() : SelectionTest(L"WQCGenericSvcs.WQCSelectUnitSetDlg") {
    Reply(L"ListUnitSets",
          L"<UnitSets><UnitSet>SI</UnitSet><UnitSet>imperial</UnitSet>"
          L"<UnitSet>Metric</UnitSet></UnitSets>");
  }
};

TEST_F(SelectUnitSetTest, TheCallTakesNoDocumentAndTheNamesAreSorted) {
  ASSERT_EQ(dlg_->LoadOptions(ws()), S_OK);
  EXPECT_EQ(wqstandins::CallLog(ws_.get()),
            L"CreateDataServiceCall\n"
            L"put_Flags(0)\n"
            L"put_ServerProgID(\"ZERAZevozarAdid.Main\")\n"
            L"put_MethodName(\"ListUnitSets\")\n"
            L"Execute(0)\n"
            L"get_Response");
  long count = 0;
  ASSERT_EQ(dlg_->get_OptionCount(&count), S_OK);
  EXPECT_EQ(wqtest::Joined(count,
                           [this](long i) {
                             plat::unique_bstr name;
                             dlg_->get_Option(i, name.put());
                             return std::wstring(name.c_str());
                           }),
            L"imperial, Metric, SI");
  plat::unique_bstr kept = Bstr(L"kept");
  BSTR out = kept.get();
  EXPECT_EQ(dlg_->get_Option(4, &out), E_INVALIDARG);
  EXPECT_EQ(out, kept.get()) << "an index out of range leaves the out value";
  EXPECT_EQ(dlg_->get_Option(1, nullptr), E_POINTER);
}

TEST_F(SelectUnitSetTest, TheChosenNameIsReturned) {
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.Text(), L"Select Unit Set");
                       EXPECT_EQ(view.ListItems(kSingle),
                                 (std::vector<std::wstring>{L"imperial", L"Metric", L"SI"}));
                     })
                     .DoubleClick(kSingle, 2),
                 &ok),
            S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE);
  plat::unique_bstr name;
  EXPECT_EQ(dlg_->get_Selection(1, name.put()), S_OK);
  EXPECT_STREQ(name.c_str(), L"SI");
}

}  // namespace
