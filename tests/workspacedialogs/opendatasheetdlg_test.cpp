// WQCOpenDatasheetDlg as clients meet it: documents offered through the registered server,
// the dialog driven as a user would drive it, the choice read back. Pixel sizes are
// measured with the list's own calls: Wine substitutes fonts.
#include <window.h>

#include "WQCGenericSvcs.h"
#include "dialogobjecttest.h"
#include "resources/resource.h"

namespace {

using wqtest::DialogScript;
using wqtest::DialogView;
using Texts = std::vector<std::wstring>;

constexpr int kList = IDC_DOCUMENTLIST;
constexpr int kTabs = IDC_DOCUMENTTABS;

using wqtest::Bstr;

// The user selects rows (the list tells LVN_ITEMCHANGED itself); with the mouse, the list's
// click notifications follow.
DialogScript::Step PickRows(std::vector<int> rows, bool mouse = true, bool doubleClick = false) {
  return [=](DialogView& view) -> std::string {
    const plat::ListView list(view.Item(kList));
    list.SetItemState(-1, 0, LVIS_SELECTED);
    for (int row : rows) list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    for (UINT code : {NM_CLICK, NM_DBLCLK}) {
      if (!mouse || (code == NM_DBLCLK && !doubleClick)) continue;
      NMITEMACTIVATE notice{{list.hwnd(), static_cast<UINT_PTR>(kList), code}};
      SendMessageW(view.hwnd(), WM_NOTIFY, kList, reinterpret_cast<LPARAM>(&notice));
    }
    return {};
  };
}

// A Ctrl+click on a row: that row alone changes.
DialogScript::Step CtrlClickRow(int row, bool selected) {
  return [=](DialogView& view) -> std::string {
    plat::ListView(view.Item(kList)).SetItemState(row, selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
    return {};
  };
}

// Whether "&Open" and "&Create as-built summaries" are enabled.
DialogScript::Step ExpectButtons(bool open, bool asBuilt) {
  return [=](DialogView& view) -> std::string {
    EXPECT_EQ(view.IsEnabled(IDC_OPENDOCUMENTS), open);
    EXPECT_EQ(view.IsEnabled(IDC_CREATEASBUILT), asBuilt);
    return {};
  };
}

// Every row, its columns joined by '|'.
Texts Rows(const DialogView& view) {
  const plat::ListView list(view.Item(kList));
  Texts rows;
  for (int row = 0; row < list.GetItemCount(); ++row) {
    rows.push_back(list.GetItemText(row, 0));
    for (int column = 1; column < list.GetColumnCount(); ++column)
      rows.back() += L"|" + list.GetItemText(row, column);
  }
  return rows;
}

class OpenDatasheetDlg : public wqtest::DialogObjectTest<IWQCOpenDatasheetDlg> {
 protected:
  OpenDatasheetDlg() : DialogObjectTest(L"WQCGenericSvcs.WQCOpenDatasheetDlg") {}

  void AddExisting(int status, long id, const wchar_t* title, VARIANT_BOOL scoped, int type) {
    EXPECT_EQ(dlg_->AddExistingDatasheet(status, id, Bstr(title).get(), nullptr,
                                         Bstr(L"Base").get(), Bstr(L"A").get(), scoped, type),
              S_OK);
  }
  VARIANT_BOOL Show(const DialogScript& script, HRESULT expected = S_OK) {
    return ShowWith(script, expected, 0LL);
  }
  // "function ids types tab count" as GetSelected reports them (3 is VT_I4).
  std::wstring Selected() {
    plat::unique_bstr function;
    plat::unique_safearray ids, types;
    int tab = -1, count = -1;
    EXPECT_EQ(dlg_->GetSelected(function.put(), ids.put(), types.put(), &tab, &count), S_OK);
    return std::wstring(function.c_str()) + L" " + wqtest::ArrayText(ids.get()) + L" " +
           wqtest::ArrayText(types.get()) + L" " + std::to_wstring(tab) + L" " +
           std::to_wstring(count);
  }
  std::wstring Positions() {
    plat::unique_safearray positions;
    EXPECT_EQ(dlg_->GetSelectedPos(positions.put()), S_OK);
    return wqtest::ArrayText(positions.get());
  }
  bool CreateAsBuilt() {
    VARIANT_BOOL value = 7;
    EXPECT_EQ(dlg_->GetCreateAsBuilt(&value), S_OK);
    return value == VARIANT_TRUE;
  }
};

TEST_F(OpenDatasheetDlg, NewDocumentsAreCreatedAsBuiltOnlyWithADocType2Choice) {
  EXPECT_EQ(dlg_->AddNewDatasheet(11, nullptr, Bstr(L"Pump").get(), nullptr, VARIANT_TRUE, 1),
            S_OK);
  EXPECT_EQ(dlg_->AddNewDatasheet(12, nullptr, Bstr(L"Plant").get(), nullptr, VARIANT_FALSE, 2),
            S_OK);
  EXPECT_EQ(dlg_->AddNewDiagram(Bstr(L"Flow").get(), VARIANT_FALSE), S_OK);
  // An existing diagram leaves the dialog on "New".
  EXPECT_EQ(dlg_->AddExistingDiagram(1, 500, nullptr, nullptr, nullptr, nullptr, VARIANT_TRUE),
            S_OK);
  EXPECT_EQ(dlg_->SetTitle(Bstr(L"Create documents").get()), S_OK);
  EXPECT_EQ(
      Show(DialogScript()
               .Inspect([](DialogView& view) {
                 EXPECT_EQ(view.Text(), L"Create documents");
                 EXPECT_EQ(Rows(view), (Texts{L"Pump", L"Plant", L"Flow"}));
                 EXPECT_TRUE(view.IsVisible(IDC_CREATEASBUILT));
                 EXPECT_FALSE(view.IsVisible(IDC_ONLYEDITABLEDOCUMENTS));
                 EXPECT_FALSE(view.IsEnabled(IDC_OPENDOCUMENTS));
               })
               .Do(PickRows({0}))
               .Inspect([](DialogView& view) { EXPECT_FALSE(view.IsEnabled(IDC_CREATEASBUILT)); })
               .Do(PickRows({0, 1}))
               .Click(IDC_CREATEASBUILT)
               .Screenshot(L"opendatasheet-new.png")
               .Click(IDC_OPENDOCUMENTS)),
      VARIANT_TRUE);
  EXPECT_EQ(Selected(), L"CreateDocuments 3:0,0 3:1,2 0 2") << "new documents have no id";
  EXPECT_EQ(Positions(), L"3:0,1");
  EXPECT_TRUE(CreateAsBuilt());

  // The box stays checked into the next showing, but counts only with a DocType 2 choice.
  EXPECT_EQ(
      Show(DialogScript()
               .Inspect([](DialogView& view) { EXPECT_TRUE(view.IsChecked(IDC_CREATEASBUILT)); })
               .Do(PickRows({2}))
               .Click(IDC_OPENDOCUMENTS)),
      VARIANT_TRUE);
  EXPECT_FALSE(CreateAsBuilt());
}

TEST_F(OpenDatasheetDlg, ExistingDocumentsAreListedByStateThroughTheFilters) {
  AddExisting(2, 101, L"Pump", VARIANT_TRUE, 1);
  AddExisting(2, 102, L"Valve", VARIANT_FALSE, 3);
  AddExisting(2, 103, L"Line", 1, 0);  // 1 is not VARIANT_TRUE: not scoped
  EXPECT_EQ(dlg_->AddExistingDiagram(2, 104, Bstr(L"PID-7").get(), Bstr(L"PID").get(),
                                     Bstr(L"Base").get(), Bstr(L"D").get(), VARIANT_TRUE),
            S_OK);
  AddExisting(1, 105, L"Tank", VARIANT_TRUE, 1);
  EXPECT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(plat::TabCtrl(view.Item(kTabs)).GetCurSel(), 1);
                       EXPECT_EQ(Rows(view), Texts{L"Tank||Base|A"});
                       EXPECT_FALSE(view.IsVisible(IDC_CREATEASBUILT));
                     })
                     .SelectTab(kTabs, 2)
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(Rows(view), (Texts{L"Pump||Base|A", L"PID-7|PID|Base|D"}));
                     })
                     .Click(IDC_ONLYEDITABLEDOCUMENTS)
                     .Click(IDC_ONLYSUMMARYDOCUMENTS)
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(Rows(view),
                                 (Texts{L"Valve||Base|A", L"Line||Base|A", L"PID-7|PID|Base|D"}));
                     })
                     .Do(PickRows({0, 2}))
                     .Screenshot(L"opendatasheet-submitted.png")
                     .Click(IDC_OPENDOCUMENTS)),
            VARIANT_TRUE);
  EXPECT_EQ(Selected(), L"OpenDocuments 3:102,104 3:3,0 2 2");
  EXPECT_EQ(Positions(), L"3:1,3");
}

// Thousands of documents: each tab fills without a repaint per row.
TEST_F(OpenDatasheetDlg, ThousandsOfDocumentsAreListedInAMoment) {
  constexpr int kDocuments = 1000;
  for (int i = 0; i < kDocuments; ++i) {
    AddExisting(2, 1000 + i, (L"DS-" + std::to_wstring(i)).c_str(), VARIANT_TRUE, 1);
    EXPECT_EQ(dlg_->AddNewDatasheet(i, nullptr, Bstr(L"New").get(), nullptr, VARIANT_TRUE, 1),
              S_OK);
  }
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(Show(DialogScript()
                     .SelectTab(kTabs, 2)
                     .SelectTab(kTabs, 0)
                     .Do(PickRows({0, kDocuments - 1}, false))
                     .Click(IDC_OPENDOCUMENTS)),
            VARIANT_TRUE);
  // Some 3 s under the dialog driver; with a repaint per row, close to a minute.
  EXPECT_LT(GetTickCount64() - start, 20000u);
  EXPECT_EQ(Positions(), L"3:1," + std::to_wstring(2 * kDocuments - 1));
}

// Each row changed alone counts for the document it shows, though the rows are not in the
// order the documents were added.
TEST_F(OpenDatasheetDlg, EachRowChangedByCtrlClickCountsForItsOwnDocument) {
  EXPECT_EQ(dlg_->AddNewDatasheet(11, nullptr, Bstr(L"Pump").get(), nullptr, VARIANT_TRUE, 1),
            S_OK);
  AddExisting(1, 101, L"Valve", VARIANT_TRUE, 2);
  EXPECT_EQ(dlg_->AddNewDatasheet(12, nullptr, Bstr(L"Plant").get(), nullptr, VARIANT_TRUE, 2),
            S_OK);
  AddExisting(1, 102, L"Line", VARIANT_TRUE, 2);
  EXPECT_EQ(dlg_->AddNewDiagram(Bstr(L"Flow").get(), VARIANT_FALSE), S_OK);
  EXPECT_EQ(dlg_->AddNewDatasheet(14, nullptr, Bstr(L"Tank").get(), nullptr, VARIANT_TRUE, 2),
            S_OK);
  EXPECT_EQ(Show(DialogScript()
                     .SelectTab(kTabs, 0)
                     .Do(PickRows({0, 1, 2, 3}, false))
                     .Do(ExpectButtons(true, true))
                     .Do(CtrlClickRow(3, false))  // Tank: Plant may still be built as-built
                     .Do(ExpectButtons(true, true))
                     .Do(CtrlClickRow(1, false))  // Plant
                     .Do(ExpectButtons(true, false))
                     .Do(CtrlClickRow(0, false))
                     .Do(CtrlClickRow(2, false))
                     .Do(ExpectButtons(false, false))
                     .Do(CtrlClickRow(3, true))
                     .Do(ExpectButtons(true, true))
                     .Click(IDC_OPENDOCUMENTS)),
            VARIANT_TRUE);
  EXPECT_EQ(Selected(), L"CreateDocuments 3:0 3:2 0 1");
  EXPECT_EQ(Positions(), L"3:5");
}

TEST_F(OpenDatasheetDlg, OpenTakesTheSelectionAsShownHoweverItWasMade) {
  for (long id : {201, 202, 203}) AddExisting(1, id, L"Sheet", VARIANT_TRUE, 1);
  EXPECT_EQ(
      Show(DialogScript()
               .Do(PickRows({0}))
               .Do(PickRows({2}, false))
               .Do(PickRows({}, true, true))  // a double-click beside the rows opens nothing
               .Inspect([](DialogView& view) { EXPECT_FALSE(view.IsEnabled(IDC_OPENDOCUMENTS)); })
               .Do(PickRows({1}, false))
               .Click(IDC_OPENDOCUMENTS)),
      VARIANT_TRUE);
  EXPECT_EQ(Selected(), L"OpenDocuments 3:202 3:1 1 1");
  EXPECT_EQ(Show(DialogScript().Do(PickRows({2}, true, true))), VARIANT_TRUE);
  EXPECT_EQ(Positions(), L"3:2");
}

// A row deselected on its own, as Ctrl+click or Ctrl+Space does, is counted off as the list
// tells its change; the buttons follow the rows still selected.
TEST_F(OpenDatasheetDlg, ARowDeselectedOnItsOwnIsCountedOff) {
  EXPECT_EQ(dlg_->AddNewDatasheet(11, nullptr, Bstr(L"Pump").get(), nullptr, VARIANT_TRUE, 1),
            S_OK);
  EXPECT_EQ(dlg_->AddNewDatasheet(12, nullptr, Bstr(L"Plant").get(), nullptr, VARIANT_FALSE, 2),
            S_OK);
  const auto deselect = [](int row) {
    return [=](DialogView& view) {
      plat::ListView(view.Item(kList)).SetItemState(row, 0, LVIS_SELECTED);
      return std::string();
    };
  };
  const auto enabled = [](bool open, bool asBuilt) {
    return [=](DialogView& view) {
      EXPECT_EQ(view.IsEnabled(IDC_OPENDOCUMENTS), open);
      EXPECT_EQ(view.IsEnabled(IDC_CREATEASBUILT), asBuilt);
    };
  };
  EXPECT_EQ(Show(DialogScript()
                     .Do(PickRows({0, 1}))
                     .Inspect(enabled(true, true))
                     .Do(deselect(1))  // the only DocType 2 choice
                     .Inspect(enabled(true, false))
                     .Do(deselect(0))
                     .Inspect(enabled(false, false))
                     .Do(PickRows({1}, false))
                     .Inspect(enabled(true, true))
                     .Click(IDC_OPENDOCUMENTS)),
            VARIANT_TRUE);
  EXPECT_EQ(Selected(), L"CreateDocuments 3:0 3:2 0 1");
}

// The list may tell of item changes while the dialog fills it: those are not choices, so
// "&Open" stays disabled until the user selects.
TEST_F(OpenDatasheetDlg, RowsBeingFilledInChooseNothing) {
  EXPECT_EQ(dlg_->AddNewDatasheet(12, nullptr, Bstr(L"Plant").get(), nullptr, VARIANT_FALSE, 2),
            S_OK);
  AddExisting(1, 101, L"Pump", VARIANT_TRUE, 1);
  AddExisting(2, 102, L"Valve", VARIANT_TRUE, 1);
  wqtest::ItemChangesDuringFill changes(kList);
  EXPECT_EQ(
      Show(DialogScript()
               .Inspect([](DialogView& view) { EXPECT_FALSE(view.IsEnabled(IDC_OPENDOCUMENTS)); })
               .SelectTab(kTabs, 2)
               .Inspect([](DialogView& view) { EXPECT_FALSE(view.IsEnabled(IDC_OPENDOCUMENTS)); })
               .SelectTab(kTabs, 0)
               .Inspect([](DialogView& view) { EXPECT_FALSE(view.IsEnabled(IDC_OPENDOCUMENTS)); })
               .Click(IDCANCEL)),
      VARIANT_FALSE);
  EXPECT_EQ(changes.Sent(), 3) << "one row on each of the three tabs shown";
}

TEST_F(OpenDatasheetDlg, CancelAndFailureAreNoConfirmation) {
  AddExisting(1, 301, L"One", VARIANT_TRUE, 1);
  AddExisting(1, 302, L"Two", VARIANT_TRUE, 1);
  // The choice was made on "Current"; "Submitted" lists nothing in its row.
  EXPECT_EQ(Show(DialogScript().Do(PickRows({1})).SelectTab(kTabs, 2).Click(IDCANCEL)),
            VARIANT_FALSE);
  EXPECT_EQ(Selected(), L" 3:0 3:-1 2 1");
  EXPECT_EQ(Positions(), L"3:-1");

  EXPECT_EQ(Show(wqtest::EndWithFailure(), E_FAIL), VARIANT_FALSE);
  EXPECT_EQ(wqtest::LastErrorMessage(), L"The dialog could not be shown");
  int count = 0;
  EXPECT_EQ(dlg_->GetSelected(nullptr, nullptr, nullptr, &count, &count), E_POINTER);
  EXPECT_EQ(dlg_->GetSelectedPos(nullptr), E_POINTER);
}

TEST_F(OpenDatasheetDlg, ALongTitleWidensTheDialogUpToTwoFifthsOfTheScreen) {
  const std::wstring title(300, L'W');
  AddExisting(1, 401, title.c_str(), VARIANT_TRUE, 1);
  Show(DialogScript()
           .Inspect([&](DialogView& view) {
             RECT template_{173, 0, 197, 0};  // the list's width and the left of "&Open"
             MapDialogRect(view.hwnd(), &template_);
             const RECT list = view.ScreenRect(kList);
             const int grow = (list.right - list.left) - template_.left;
             EXPECT_EQ(list.right - list.left, GetSystemMetrics(SM_CXSCREEN) * 2 / 5);
             EXPECT_EQ(view.ClientRect(IDC_OPENDOCUMENTS).left, template_.right + grow);
             // One row needs no scroll bar: its room goes to "Name".
             const plat::ListView columns(view.Item(kList));
             EXPECT_EQ(columns.GetColumnWidth(0),
                       columns.GetStringWidth(title.c_str()) + 6 + GetSystemMetrics(SM_CXVSCROLL));
           })
           .Screenshot(L"opendatasheet-wide.png")
           .Click(IDCANCEL));
}

}  // namespace
