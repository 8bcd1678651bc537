// The generic selection dialogs driven as a user would drive them. Expected sizes are
// measured with the same GDI calls as the dialog makes: Wine substitutes fonts, so no
// pixel value is written down here.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "dialogdriver.h"
#include "workspacedialogs/selectiondlgs.h"

namespace {

using wqtest::DialogScript;
using wqtest::DialogView;
using Positions = std::vector<LONG>;
using Texts = std::vector<std::wstring>;

constexpr int kSingle = IDC_SINGLESELECTLIST;
constexpr int kMulti = IDC_MULTISELECTLIST;

struct Names {
  Names() = default;
  Names(std::initializer_list<std::wstring> texts) {
    for (const std::wstring& text : texts) Add(text);
  }
  void Add(const std::wstring& text) {
    plat::unique_bstr copy = plat::unique_bstr::copy(text.c_str());
    array.Add(copy.get());
  }
  WQBstrArray array;
};

template <class T>
WQArray<T> ArrayOf(std::initializer_list<T> values) {
  WQArray<T> array;
  for (T value : values) array.Add(value);
  return array;
}

Positions ToVector(const WQArray<LONG>& array) {
  return Positions(array.GetData(), array.GetData() + array.GetCount());
}

Positions SelectedItems(const SelectListDlg& dlg) {
  WQArray<LONG> items;
  dlg.GetSelectedItems(items);
  return ToVector(items);
}

template <class Dialog>
INT_PTR RunDialog(Dialog& dlg, const DialogScript& script, HWND owner = nullptr) {
  wqtest::DialogDriver driver;
  driver.Expect(script);
  return dlg.DoModal(owner, GetModuleHandleW(nullptr));
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// A rectangle of the template in the dialog's pixels: the position and the size are
// converted apart, as the dialog manager does.
RECT FromDialogUnits(const DialogView& view, int x, int y, int cx, int cy) {
  RECT position{x, y, 0, 0};
  RECT size{0, 0, cx, cy};
  MapDialogRect(view.hwnd(), &position);
  MapDialogRect(view.hwnd(), &size);
  return RECT{position.left, position.top, position.left + size.right, position.top + size.bottom};
}

// The widest of the list's texts + 8 and their total height, as the list draws them.
SIZE MeasureListTexts(const DialogView& view, int listId) {
  const plat::ListBox list(view.Item(listId));
  plat::WindowDC dc(list);
  plat::SelectObjectScope font(dc, list.GetFont());
  SIZE size{};
  for (const std::wstring& text : view.ListItems(listId)) {
    const DWORD extent =
        GetTabbedTextExtentW(dc, text.c_str(), static_cast<int>(text.size()), 0, nullptr);
    size.cx = std::max<LONG>(size.cx, LOWORD(extent) + 8);
    size.cy += list.GetItemHeight(0);
  }
  return size;
}

TEST(SingleSelectDlg, OkReturnsTheClickedPosition) {
  Names names{L"Alpha", L"Beta", L"Gamma", L"Delta"};
  SingleSelectDlg dlg(names.array);
  dlg.SetTitle(L"Select Case");
  const INT_PTR result = RunDialog(
      dlg, DialogScript()
               .Inspect([](DialogView& view) {
                 EXPECT_EQ(view.Text(), L"Select Case");
                 EXPECT_EQ(view.ListItems(kSingle), (Texts{L"Alpha", L"Beta", L"Gamma", L"Delta"}));
                 EXPECT_TRUE(view.HasFocus(IDC_FINDTEXT));
                 EXPECT_FALSE(view.IsEnabled(IDOK));
               })
               .Select(kSingle, 2)
               .Inspect([](DialogView& view) { EXPECT_TRUE(view.IsEnabled(IDOK)); })
               .Screenshot(L"singleselect.png")
               .Click(IDOK));
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(ToVector(dlg.GetSelection()), Positions{2});
  EXPECT_EQ(SelectedItems(dlg), Positions{2});
}

TEST(SingleSelectDlg, CancelEndsWithTwoAndChoosesNothing) {
  Names names{L"Alpha", L"Beta"};
  SingleSelectDlg dlg(names.array);
  EXPECT_EQ(RunDialog(dlg, DialogScript()
                               .Inspect([](DialogView& view) { EXPECT_EQ(view.Text(), L"Select"); })
                               .Select(kSingle, 1)
                               .Click(IDCANCEL)),
            IDCANCEL);
  EXPECT_EQ(dlg.GetSelection().GetCount(), 0);
}

TEST(SingleSelectDlg, DoubleClickChoosesAnEntryMarkedRestrictedOnlyInTheList) {
  Names names{L"Global", L"Secret", L"Zero"};
  const WQArray<LONG> keys = ArrayOf<LONG>({7, -3, 0});
  SingleSelectDlg dlg(names.array, &keys);
  EXPECT_EQ(RunDialog(dlg, DialogScript()
                               .Inspect([](DialogView& view) {
                                 EXPECT_EQ(view.ListItems(kSingle),
                                           (Texts{L"Global", L"Secret (restricted)", L"Zero"}));
                               })
                               .DoubleClick(kSingle, 1)),
            IDOK);
  EXPECT_EQ(ToVector(dlg.GetSelection()), Positions{1});
  EXPECT_STREQ(names.array[1], L"Secret");
}

// Enough names that the list can scroll any found item to its top.
Names FindNames() {
  Names names;
  for (int i = 0; i < 20; ++i) names.Add(L"Alpha " + std::to_wstring(i));
  for (const wchar_t* name : {L"Beta", L"beta 2", L"Gamma", L"gamma 2"}) names.Add(name);
  for (int i = 0; i < 40; ++i) names.Add(L"Omega " + std::to_wstring(i));
  return names;
}

TEST(SingleSelectDlg, FindSelectsTheFirstItemWithThePrefixIgnoringCase) {
  Names names = FindNames();
  SingleSelectDlg dlg(names.array);
  EXPECT_EQ(RunDialog(dlg, DialogScript()
                               .Type(IDC_FINDTEXT, L"BE")
                               .Inspect([](DialogView& view) {
                                 EXPECT_EQ(view.ListSelection(kSingle), std::vector<int>{20});
                                 EXPECT_EQ(view.ListTopIndex(kSingle), 20);
                                 EXPECT_FALSE(view.IsEnabled(IDOK)) << "finding is not choosing";
                               })
                               .SetText(IDC_FINDTEXT, L"gamma ")
                               .Inspect([](DialogView& view) {
                                 EXPECT_EQ(view.ListSelection(kSingle), std::vector<int>{23});
                               })
                               .SetText(IDC_FINDTEXT, L"zz")
                               .Inspect([](DialogView& view) {
                                 EXPECT_EQ(view.ListSelection(kSingle), std::vector<int>{23})
                                     << "no match changes nothing";
                               })
                               .SetText(IDC_FINDTEXT, L"")
                               .Inspect([](DialogView& view) {
                                 EXPECT_EQ(view.ListSelection(kSingle), std::vector<int>{0});
                                 EXPECT_EQ(view.ListTopIndex(kSingle), 0);
                               })
                               .Click(IDCANCEL)),
            IDCANCEL);
}

TEST(MultiSelectDlg, OkReturnsEverySelectedPositionInOrder) {
  Names names{L"Alpha", L"Beta", L"Gamma", L"Delta", L"Epsilon"};
  MultiSelectDlg dlg(names.array);
  dlg.SetTitle(L"Select Cases");
  EXPECT_EQ(RunDialog(dlg, DialogScript()
                               .Select(kMulti, 3)
                               .SelectAlso(kMulti, 1)
                               .Inspect([](DialogView& view) { EXPECT_TRUE(view.IsEnabled(IDOK)); })
                               .Screenshot(L"multiselect.png")
                               .Click(IDOK)),
            IDOK);
  EXPECT_EQ(ToVector(dlg.GetSelection()), (Positions{1, 3}));
}

TEST(MultiSelectDlg, FindMovesTheCaretAndKeepsTheSelection) {
  Names names = FindNames();
  MultiSelectDlg dlg(names.array);
  EXPECT_EQ(RunDialog(dlg, DialogScript()
                               .Select(kMulti, 1)
                               .Type(IDC_FINDTEXT, L"gA")
                               .Inspect([](DialogView& view) {
                                 EXPECT_EQ(view.ListCaret(kMulti), 22);
                                 EXPECT_EQ(view.ListTopIndex(kMulti), 22);
                                 EXPECT_EQ(view.ListSelection(kMulti), std::vector<int>{1});
                               })
                               .Click(IDOK)),
            IDOK);
  EXPECT_EQ(ToVector(dlg.GetSelection()), Positions{1});
}

TEST(SelectListDlg, ListFitsItsTextsAndTheControlsFollow) {
  Names names{L"A name wide enough to widen the list of this dialog", L"b", L"c"};
  for (int i = 0; i < 12; ++i) names.Add(L"more " + std::to_wstring(i));
  SingleSelectDlg dlg(names.array);
  EXPECT_EQ(
      RunDialog(
          dlg, DialogScript()
                   .Inspect([](DialogView& view) {
                     const SIZE text = MeasureListTexts(view, kSingle);
                     const RECT templateList = FromDialogUnits(view, 7, 19, 127, 103);
                     auto fit = [](int wanted, int current, int screen) {
                       return std::min(std::max(wanted, current), screen / 3);
                     };
                     const int width = fit(
                         text.cx + GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CXEDGE),
                         Width(templateList), GetSystemMetrics(SM_CXSCREEN));
                     const int height = fit(
                         text.cy + GetSystemMetrics(SM_CYHSCROLL) + 2 * GetSystemMetrics(SM_CYEDGE),
                         Height(templateList), GetSystemMetrics(SM_CYSCREEN));
                     const int dx = width - Width(templateList), dy = height - Height(templateList);
                     ASSERT_GT(dx, 0);
                     ASSERT_GT(dy, 0);

                     const RECT list = view.ClientRect(kSingle);
                     EXPECT_EQ(Width(list), width);
                     EXPECT_EQ(Height(list), height);
                     EXPECT_EQ(list.left, templateList.left);
                     EXPECT_EQ(view.ListExtent(kSingle), text.cx - 8);
                     EXPECT_EQ(Width(view.ClientRect(IDC_FINDTEXT)),
                               Width(FromDialogUnits(view, 7, 6, 127, 12)) + dx);
                     const RECT ok = FromDialogUnits(view, 16, 129, 50, 14);
                     EXPECT_EQ(view.ClientRect(IDOK).left, ok.left + dx / 2);
                     EXPECT_EQ(view.ClientRect(IDOK).top, ok.top + dy);
                     RECT client;
                     GetClientRect(view.hwnd(), &client);
                     const RECT templateClient = FromDialogUnits(view, 0, 0, 141, 151);
                     EXPECT_EQ(Width(client), Width(templateClient) + dx);
                     EXPECT_EQ(Height(client), Height(templateClient) + dy);
                   })
                   .Screenshot(L"singleselect-wide.png")
                   .Click(IDCANCEL)),
      IDCANCEL);
}

TEST(SelectListDlg, EmptyListKeepsItsSizeNoExtentAndNoOk) {
  Names names{};
  MultiSelectDlg dlg(names.array);
  EXPECT_EQ(RunDialog(dlg, DialogScript()
                               .Inspect([](DialogView& view) {
                                 const RECT list = view.ClientRect(kMulti);
                                 const RECT templateList = FromDialogUnits(view, 7, 19, 127, 103);
                                 EXPECT_EQ(Width(list), Width(templateList));
                                 EXPECT_EQ(Height(list), Height(templateList));
                                 // The extent would be -8 without the clamp.
                                 EXPECT_EQ(view.ListExtent(kMulti), 0);
                                 EXPECT_FALSE(view.IsEnabled(IDOK));
                               })
                               .Type(IDC_FINDTEXT, L"x")
                               .Click(IDCANCEL)),
            IDCANCEL);
}

// Names wider and more than a third of the screen holds.
TEST(SelectListDlg, ListStopsAtAThirdOfTheScreenAndTheDialogStaysOnIt) {
  Names names;
  for (int i = 0; i < 200; ++i)
    names.Add(std::wstring(i == 7 ? 400 : 40, L'W') + std::to_wstring(i));
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  // The dialog opens at its owner's client origin, pushed back onto the screen by the
  // system; growing it then takes it past the bottom-right corner.
  plat::unique_hwnd owner(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE,
                                          screenWidth - 20, screenHeight - 20, 10, 10, nullptr,
                                          nullptr, nullptr, nullptr));
  ASSERT_TRUE(owner);
  MultiSelectDlg dlg(names.array);
  EXPECT_EQ(RunDialog(dlg,
                      DialogScript()
                          .Inspect([&](DialogView& view) {
                            const SIZE text = MeasureListTexts(view, kMulti);
                            ASSERT_GT(text.cx, screenWidth / 3);
                            EXPECT_EQ(Width(view.ClientRect(kMulti)), screenWidth / 3);
                            EXPECT_EQ(Height(view.ClientRect(kMulti)), screenHeight / 3);
                            EXPECT_EQ(view.ListExtent(kMulti), text.cx - 8);
                            // The list is filled with redrawing off; its scroll bar must still
                            // cover every item.
                            SCROLLINFO scroll{sizeof scroll, SIF_RANGE};
                            ASSERT_TRUE(GetScrollInfo(view.Item(kMulti), SB_VERT, &scroll));
                            EXPECT_EQ(scroll.nMax, 199);
                            const RECT dialog = view.ScreenRect(0);
                            EXPECT_EQ(dialog.right, screenWidth);
                            EXPECT_EQ(dialog.bottom, screenHeight);
                          })
                          .Click(IDCANCEL),
                      owner.get()),
            IDCANCEL);
}

// Objects a(not editable), b, c(not editable), d, e; only b and e are project items.
struct ObjectList {
  Names names{L"a", L"b", L"c", L"d", L"e"};
  WQArray<BYTE> editable = ArrayOf<BYTE>({0, 1, 0, 1, 1});
  WQArray<BYTE> isDatasheet = ArrayOf<BYTE>({0, 1, 0, 0, 0});
  WQArray<BYTE> isSummary = ArrayOf<BYTE>({0, 0, 0, 0, 1});
};

TEST(SelectObjectDlg, OnlyEditableBoxFiltersTheListAndComesBack) {
  ObjectList objects;
  SelectObjectDlg dlg(objects.names.array, objects.editable);
  EXPECT_EQ(RunDialog(dlg, DialogScript()
                               .Inspect([](DialogView& view) {
                                 EXPECT_FALSE(view.IsVisible(IDC_ONLYPROJECTSUMMARIES));
                                 EXPECT_FALSE(view.IsChecked(IDC_ONLYEDITABLE));
                                 EXPECT_EQ(view.ListItems(kSingle).size(), 5u);
                               })
                               .Click(IDC_ONLYEDITABLE)
                               .Inspect([](DialogView& view) {
                                 EXPECT_TRUE(view.IsChecked(IDC_ONLYEDITABLE));
                                 EXPECT_EQ(view.ListItems(kSingle), (Texts{L"b", L"d", L"e"}));
                               })
                               .Select(kSingle, 1)
                               .Screenshot(L"selectobject.png")
                               .Click(IDOK)),
            IDOK);
  EXPECT_EQ(ToVector(dlg.GetSelection()), Positions{1});
  EXPECT_EQ(SelectedItems(dlg), Positions{3});
  EXPECT_TRUE(dlg.GetOnlyEditable());
  EXPECT_TRUE(dlg.GetOnlyProjectSummaries());
}

TEST(SelectObjectsDlg, ProjectSummaryBoxShowsDatasheetsAndSummaries) {
  ObjectList objects;
  SelectObjectsDlg dlg(objects.names.array, objects.editable, &objects.isDatasheet,
                       &objects.isSummary);
  dlg.SetShowProjectSummaryBox(true);
  dlg.SetOnlyEditable(true);
  dlg.SetTitle(L"Select Datasheet");
  EXPECT_EQ(RunDialog(dlg, DialogScript()
                               .Inspect([](DialogView& view) {
                                 EXPECT_TRUE(view.IsVisible(IDC_ONLYPROJECTSUMMARIES));
                                 EXPECT_TRUE(view.IsChecked(IDC_ONLYEDITABLE));
                                 EXPECT_TRUE(view.IsChecked(IDC_ONLYPROJECTSUMMARIES));
                                 EXPECT_EQ(view.ListItems(kMulti), (Texts{L"b", L"e"}));
                               })
                               .Click(IDC_ONLYPROJECTSUMMARIES)
                               .Inspect([](DialogView& view) {
                                 EXPECT_FALSE(view.IsChecked(IDC_ONLYPROJECTSUMMARIES));
                                 EXPECT_EQ(view.ListItems(kMulti), (Texts{L"b", L"d", L"e"}));
                               })
                               .Click(IDC_ONLYEDITABLE)
                               .Select(kMulti, 2)
                               .SelectAlso(kMulti, 4)
                               .Screenshot(L"selectdatasheets-multi.png")
                               .Click(IDOK)),
            IDOK);
  EXPECT_EQ(ToVector(dlg.GetSelection()), (Positions{2, 4}));
  EXPECT_EQ(SelectedItems(dlg), (Positions{2, 4}));
  EXPECT_FALSE(dlg.GetOnlyEditable());
  EXPECT_FALSE(dlg.GetOnlyProjectSummaries());
}

TEST(SelectObjectsDlg, RefillAfterAChoiceLeavesOkOnAndChoosesNothing) {
  ObjectList objects;
  SelectObjectsDlg dlg(objects.names.array, objects.editable);
  EXPECT_EQ(RunDialog(dlg, DialogScript()
                               .Select(kMulti, 0)
                               .Click(IDC_ONLYEDITABLE)
                               .Inspect([](DialogView& view) {
                                 EXPECT_TRUE(view.ListSelection(kMulti).empty());
                                 EXPECT_TRUE(view.IsEnabled(IDOK));
                               })
                               .Click(IDOK)),
            IDOK);
  EXPECT_EQ(dlg.GetSelection().GetCount(), 0);
}

// The multiple dialog closes the gap of the hidden project-summary box; the single one
// keeps it.
TEST(SelectObjectsDlg, HiddenSummaryBoxGivesItsRowBack) {
  ObjectList objects;
  auto okGap = [](DialogView& view) {
    return view.ClientRect(IDOK).top - view.ClientRect(IDC_ONLYEDITABLE).top;
  };
  auto row = [](DialogView& view) {
    return view.ClientRect(IDC_ONLYPROJECTSUMMARIES).top - view.ClientRect(IDC_ONLYEDITABLE).top;
  };
  int singleGap = 0, multiGap = 0, summaryRow = 0;
  SelectObjectDlg single(objects.names.array, objects.editable);
  RunDialog(single, DialogScript()
                        .Inspect([&](DialogView& view) {
                          singleGap = okGap(view);
                          summaryRow = row(view);
                        })
                        .Click(IDCANCEL));
  SelectObjectsDlg multi(objects.names.array, objects.editable);
  RunDialog(multi, DialogScript()
                       .Inspect([&](DialogView& view) { multiGap = okGap(view); })
                       .Screenshot(L"selectobjects-nosummary.png")
                       .Click(IDCANCEL));
  EXPECT_GT(summaryRow, 0);
  EXPECT_EQ(multiGap, singleGap - summaryRow);
}

TEST(SelectObjectDlg, FlagArraysShorterThanTheNamesCountAsNo) {
  ObjectList objects;
  const WQArray<BYTE> editable = ArrayOf<BYTE>({1, 1});
  const WQArray<BYTE> isDatasheet = ArrayOf<BYTE>({1});
  SelectObjectDlg dlg(objects.names.array, editable, &isDatasheet, nullptr);
  dlg.SetOnlyEditable(true);
  EXPECT_EQ(RunDialog(dlg, DialogScript()
                               .Inspect([](DialogView& view) {
                                 EXPECT_EQ(view.ListItems(kSingle), Texts{L"a"});
                               })
                               .Click(IDCANCEL)),
            IDCANCEL);
}

}  // namespace
