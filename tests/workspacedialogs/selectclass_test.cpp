// WQCSelectClassDlg through COM: the filters of the ListClasses request, the reply read
// without regard to the case of its names, and the display names shown while the class
// names are returned.
#include "selectiontest.h"

#include "resources/resource.h"

namespace {

using wqtest::Bstr;
using wqtest::DialogScript;
using wqtest::DialogView;

constexpr int kSingle = IDC_SINGLESELECTLIST;

// Names in any case; one class has no display name.
constexpr wchar_t kClasses[] =
    L"<LISTCLASSES><class NAME='VALVE_GATE' displayname='Gate valve'/>"
    L"<Class Name='PUMP_C' DisplayName='centrifugal pump'/><Class Name='NOTE'/>"
    L"<Class Name='VALVE_BALL' DisplayName='Ball valve'/></LISTCLASSES>";

class SelectClassTest : public wqtest::SelectionTest<IWQCSelectClassDlg> {
 protected:
  SelectClassTest() : SelectionTest(L"WQCGenericSvcs.WQCSelectClassDlg") {
    Reply(L"ListClasses", kClasses);
  }
  std::wstring Classes() {
    long count = 0;
    dlg_->get_ClassCount(&count);
    return wqtest::Joined(count, [this](long i) {
      plat::unique_bstr name;
      dlg_->get_Class(i, name.put());
      return std::wstring(name.c_str());
    });
  }
};

TEST_F(SelectClassTest, ClassesMappedToAFieldReplaceTheOtherFilters) {
  struct Step {
    HRESULT (STDMETHODCALLTYPE IWQCSelectClassDlg::*put)(BSTR);
    const wchar_t* value;
    const wchar_t* request;
  };
  using I = IWQCSelectClassDlg;
  const Step steps[] = {
      {nullptr, nullptr, L"<ListClasses/>"},
      {&I::put_BaseClass, L"VALVE", L"<ListClasses BaseClass=\"vt8:VALVE\"/>"},
      {&I::put_ClassView, L"P&ID",
       L"<ListClasses BaseClass=\"vt8:VALVE\" ClassView=\"vt8:P&amp;ID\"/>"},
      // An empty mapping counts as none; a real one goes as the base class, alone.
      {&I::put_ClassesMappedToField, L"",
       L"<ListClasses BaseClass=\"vt8:VALVE\" ClassView=\"vt8:P&amp;ID\"/>"},
      {&I::put_ClassesMappedToField, L"LINE_SIZE", L"<ListClasses BaseClass=\"vt8:LINE_SIZE\"/>"},
  };
  LONG index = 0;
  for (const Step& step : steps) {
    if (step.put) {
      ASSERT_EQ((dlg_.get()->*step.put)(Bstr(step.value).get()), S_OK);
    }
    ASSERT_EQ(dlg_->LoadClassList(ws()), S_OK);
    EXPECT_EQ(Request(++index), step.request) << index;
  }
  // A null mapping is refused and changes nothing.
  EXPECT_EQ(dlg_->put_ClassesMappedToField(nullptr), E_POINTER);
  ASSERT_EQ(dlg_->LoadClassList(ws()), S_OK);
  EXPECT_EQ(Request(++index), L"<ListClasses BaseClass=\"vt8:LINE_SIZE\"/>");
}

TEST_F(SelectClassTest, ClassesAreOrderedByDisplayNameAndGivenByName) {
  ASSERT_EQ(dlg_->LoadClassList(ws()), S_OK);
  EXPECT_EQ(Classes(), L"NOTE, VALVE_BALL, PUMP_C, VALVE_GATE");
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.Text(), L"Select Class");
                       EXPECT_EQ(view.ListItems(kSingle),
                                 (std::vector<std::wstring>{L"", L"Ball valve",
                                                            L"centrifugal pump", L"Gate valve"}));
                     })
                     .Select(kSingle, 2)
                     .Click(IDOK),
                 &ok),
            S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  plat::unique_bstr chosen;
  EXPECT_EQ(dlg_->get_Selection(1, chosen.put()), S_OK);
  EXPECT_STREQ(chosen.c_str(), L"PUMP_C");
  EXPECT_EQ(dlg_->get_Selection(2, chosen.put()), E_INVALIDARG);
  EXPECT_EQ(chosen.get(), nullptr) << "Selection clears its out value first";
}

TEST_F(SelectClassTest, MultipleSelectionLoadsOnce) {
  dlg_->put_MultiSelect(VARIANT_TRUE);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(Show(DialogScript()
                     .Select(IDC_MULTISELECTLIST, 3)
                     .SelectAlso(IDC_MULTISELECTLIST, 1)
                     .Click(IDOK),
                 &ok),
            S_OK);
  ASSERT_EQ(Show(DialogScript().Click(IDCANCEL), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  long count = 0;
  EXPECT_EQ(dlg_->get_SelectionCount(&count), S_OK);
  EXPECT_EQ(wqtest::Joined(count, [this](long i) {
              plat::unique_bstr name;
              dlg_->get_Selection(i, name.put());
              return std::wstring(name.c_str());
            }),
            L"VALVE_BALL, VALVE_GATE");
  EXPECT_EQ(wqstandins::RequestCount(ws_.get()), 1);
}

}  // namespace
