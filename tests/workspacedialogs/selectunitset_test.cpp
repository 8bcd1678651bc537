// WQCSelectUnitSetDlg through COM: the ListUnitSets call without a request document, the
// unit-set texts of the reply, and the names returned.
#include "selectiontest.h"

#include "resources/resource.h"

namespace {

using wqtest::Bstr;
using wqtest::DialogScript;
using I = IWQCSelectUnitSetDlg;

class SelectUnitSetTest : public wqtest::SelectionTest<I> {
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
  EXPECT_EQ(Listing(&I::get_OptionCount, &I::get_Option), L"imperial, Metric, SI");
  plat::unique_bstr kept = Bstr(L"kept");
  BSTR out = kept.get();
  EXPECT_EQ(dlg_->get_Option(4, &out), E_INVALIDARG);
  EXPECT_EQ(out, kept.get()) << "an index out of range leaves the out value";
}

TEST_F(SelectUnitSetTest, TheChosenNameIsReturned) {
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(Show(DialogScript().DoubleClick(IDC_SINGLESELECTLIST, 2), &ok), S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(Listing(&I::get_SelectionCount, &I::get_Selection), L"SI");
}

TEST_F(SelectUnitSetTest, ADialogThatCannotBeShownIsAFailure) {
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_TRUE(FAILED(Show(wqtest::EndWithFailure(), &ok)));
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(wqtest::LastErrorMessage(), L"The dialog could not be shown");
  long count = -1;
  EXPECT_EQ(dlg_->get_SelectionCount(&count), S_OK);
  EXPECT_EQ(count, 0);
}

}  // namespace
