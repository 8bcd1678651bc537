// WQCSelectClassDlg through COM: the filters of the ListClasses request, the reply read
// without regard to the case of its names, and the display names shown while the class
// names are returned.
#include "selectiontest.h"

#include "resources/resource.h"

namespace {

using wqtest::Bstr;
using wqtest::DialogScript;
using wqtest::DialogView;
using I = IWQCSelectClassDlg;

// Names in any case; one class has no display name.
constexpr wchar_t kClasses[] =
    L"<LISTCLASSES><class NAME='VALVE_GATE' displayname='Gate valve'/>"
    L"<Class Name='PUMP_C' DisplayName='centrifugal pump'/><Class Name='NOTE'/>"
    L"<Class Name='VALVE_BALL' DisplayName='Ball valve'/></LISTCLASSES>";

class SelectClassTest : public wqtest::SelectionTest<I> {
 protected:
  SelectClassTest() : SelectionTest(L"WQCGenericSvcs.WQCSelectClassDlg") {
    Reply(L"ListClasses", kClasses);
  }
};

TEST_F(SelectClassTest, ClassesMappedToAFieldReplaceTheOtherFilters) {
  const struct {
    HRESULT (STDMETHODCALLTYPE I::*put)(BSTR);
    const wchar_t* value;
    const wchar_t* request;
  } steps[] = {
      {nullptr, nullptr, L"<ListClasses/>"},
      {&I::put_BaseClass, L"VALVE", L"<ListClasses BaseClass=\"vt8:VALVE\"/>"},
      {&I::put_ClassView, L"P&ID",
       L"<ListClasses BaseClass=\"vt8:VALVE\" ClassView=\"vt8:P&amp;ID\"/>"},
      // An empty mapping counts as none; a real one goes as the base class, alone.
      {&I::put_ClassesMappedToField, L"",
       L"<ListClasses BaseClass=\"vt8:VALVE\" ClassView=\"vt8:P&amp;ID\"/>"},
      {&I::put_ClassesMappedToField, L"LINE_SIZE", L"<ListClasses BaseClass=\"vt8:LINE_SIZE\"/>"},
      // A null mapping is refused and changes nothing.
      {&I::put_ClassesMappedToField, nullptr, L"<ListClasses BaseClass=\"vt8:LINE_SIZE\"/>"},
  };
  LONG index = 0;
  for (const auto& step : steps) {
    if (step.put) {
      EXPECT_EQ((dlg_.get()->*step.put)(Bstr(step.value).get()), step.value ? S_OK : E_POINTER);
    }
    ASSERT_EQ(dlg_->LoadClassList(ws()), S_OK);
    EXPECT_EQ(Request(++index), step.request) << index;
  }
}

TEST_F(SelectClassTest, ClassesAreOrderedByDisplayNameAndGivenByName) {
  ASSERT_EQ(dlg_->LoadClassList(ws()), S_OK);
  EXPECT_EQ(Listing(&I::get_ClassCount, &I::get_Class), L"NOTE, VALVE_BALL, PUMP_C, VALVE_GATE");
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.Text(), L"Select Class");
                       EXPECT_EQ(view.ListItems(IDC_SINGLESELECTLIST),
                                 (std::vector<std::wstring>{L"", L"Ball valve", L"centrifugal pump",
                                                            L"Gate valve"}));
                     })
                     .Select(IDC_SINGLESELECTLIST, 2)
                     .Click(IDOK),
                 &ok),
            S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(Listing(&I::get_SelectionCount, &I::get_Selection), L"PUMP_C");
  plat::unique_bstr chosen = Bstr(L"old");
  EXPECT_EQ(dlg_->get_Selection(2, chosen.put()), E_INVALIDARG);
  EXPECT_EQ(chosen.get(), nullptr) << "Selection clears its out value first";
}

}  // namespace
