// WQCSelDsByTypeDlg as clients meet it: template names offered through the registered
// server, the dialog driven as a user would drive it, the chosen positions read back. Pixel
// sizes are measured with the same GDI calls as the dialog makes: Wine substitutes fonts.
#include <window.h>

#include <algorithm>

#include "WQCGenericSvcs.h"
#include "dialogobjecttest.h"
#include "resources/resource.h"

namespace {

using wqtest::DialogScript;
using wqtest::DialogView;

constexpr int kList = IDC_TEMPLATELIST;
constexpr int kFind = IDC_TEMPLATEFINDTEXT;

class SelDsByTypeDlg : public wqtest::DialogObjectTest<IWQCSelDsByTypeDlg> {
 protected:
  SelDsByTypeDlg() : DialogObjectTest(L"WQCGenericSvcs.WQCSelDsByTypeDlg.380") {}

  void Add(const std::vector<std::wstring>& names) {
    for (const std::wstring& name : names)
      EXPECT_EQ(dlg_->AddDatasheetTemplate(plat::unique_bstr::copy(name.c_str()).get()), S_OK);
  }
  VARIANT_BOOL Show(const DialogScript& script, HRESULT expected = S_OK) {
    return ShowWith(script, expected);
  }
  // The indexes as text (19 is VT_UI4).
  std::wstring Chosen() {
    plat::unique_safearray indexes;
    EXPECT_EQ(dlg_->GetSelectedDatasheetTemplateIndexes(indexes.put()), S_OK);
    return wqtest::ArrayText(indexes.get());
  }
};

TEST_F(SelDsByTypeDlg, EveryConfirmedChoiceIsKeptInTurn) {
  Add({L"Pump", L"Valve", L"Vessel", L"Line"});
  EXPECT_EQ(Chosen(), L"19:");
  EXPECT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(
                           view.ListItems(kList),
                           (std::vector<std::wstring>{L"Pump", L"Valve", L"Vessel", L"Line"}));
                       EXPECT_TRUE(view.HasFocus(kFind));
                       EXPECT_FALSE(view.IsEnabled(IDOK));
                     })
                     .Select(kList, 2)
                     .SelectAlso(kList, 1)
                     .Screenshot(L"seldsbytype.png")
                     .Click(IDOK)),
            VARIANT_TRUE);
  EXPECT_EQ(Show(DialogScript().DoubleClick(kList, 3)), VARIANT_TRUE);
  EXPECT_EQ(Show(DialogScript().Select(kList, 0).Click(IDCANCEL)), VARIANT_FALSE);
  EXPECT_EQ(Chosen(), L"19:1,2,3");
}

TEST_F(SelDsByTypeDlg, FindingScrollsToANameWithoutChoosingIt) {
  std::vector<std::wstring> names(30, L"Alpha");
  names.insert(names.end(), {L"Valve", L"vessel"});
  names.resize(70, L"Zulu");
  Add(names);
  EXPECT_EQ(Show(DialogScript()
                     .Type(kFind, L"VE")
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.ListTopIndex(kList), 31);
                       EXPECT_EQ(view.ListCaret(kList), 31);
                       EXPECT_FALSE(view.IsEnabled(IDOK));
                     })
                     .SetText(kFind, L"")
                     .Inspect([](DialogView& view) { EXPECT_EQ(view.ListTopIndex(kList), 0); })
                     // A double-click beside the names chooses nothing: the dialog stays.
                     .Do([](DialogView& view) {
                       SendMessageW(view.hwnd(), WM_COMMAND, MAKEWPARAM(kList, LBN_DBLCLK),
                                    reinterpret_cast<LPARAM>(view.Item(kList)));
                       return std::string();
                     })
                     .Click(IDCANCEL)),
            VARIANT_FALSE);
  EXPECT_EQ(Chosen(), L"19:");
}

// The list's width and horizontal extent follow the widest name within their bounds; its
// height is six buttons at least and a third of the screen at most, less a part row.
void ExpectListFitted(const DialogView& view) {
  const plat::ListBox list(view.Item(kList));
  plat::WindowDC dc(list);
  plat::SelectObjectScope font(dc, list.GetFont());
  int widest = 0;
  for (const std::wstring& text : view.ListItems(kList)) {
    const DWORD extent =
        GetTabbedTextExtentW(dc, text.c_str(), static_cast<int>(text.size()), 0, nullptr);
    widest = std::max<int>(widest, LOWORD(extent) + 8);
  }
  const RECT ok = view.ScreenRect(IDOK), rect = view.ClientRect(kList);
  const int width = std::clamp<int>(
      widest + GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CXEDGE),
      static_cast<int>(2.5 * (ok.right - ok.left)), GetSystemMetrics(SM_CXSCREEN) / 3);
  EXPECT_EQ(rect.right - rect.left, width);
  EXPECT_EQ(view.ListExtent(kList), std::max(widest - 8, 0)) << "never -8";
  EXPECT_GT(rect.bottom - rect.top, 6 * (ok.bottom - ok.top) - list.GetItemHeight(0));
  EXPECT_LE(rect.bottom - rect.top, GetSystemMetrics(SM_CYSCREEN) / 3);
  EXPECT_GT(view.ClientRect(IDOK).top, rect.bottom);
}

TEST_F(SelDsByTypeDlg, TheListFitsItsNamesWithinItsBounds) {
  EXPECT_EQ(Show(DialogScript().Inspect(ExpectListFitted).Click(IDCANCEL)), VARIANT_FALSE);
  std::vector<std::wstring> names(120, L"Pipe class datasheet");
  names[5] = std::wstring(300, L'W');
  Add(names);
  Show(DialogScript()
           .Inspect([](DialogView& view) {
             ExpectListFitted(view);
             EXPECT_EQ(view.ClientRect(kList).right - view.ClientRect(kList).left,
                       GetSystemMetrics(SM_CXSCREEN) / 3);
           })
           .Click(IDCANCEL));
}

TEST_F(SelDsByTypeDlg, FailuresAreReportedNotConfirmed) {
  EXPECT_EQ(Show(wqtest::EndWithFailure(), E_FAIL), VARIANT_FALSE);
  EXPECT_EQ(wqtest::LastErrorMessage(), L"The dialog could not be shown");
  EXPECT_EQ(dlg_->GetSelectedDatasheetTemplateIndexes(nullptr), E_POINTER);
}

}  // namespace
