// The modified-documents dialog: the list of what the resolution modified, and opening a
// document through the client tools' globals (the stand-in records what it was asked).
#include <gtest/gtest.h>

#include "conflicttest.h"
#include "conflictres/modifieddocsdlg.h"

#include <span>
#include <vector>

namespace {

using wqtest::DialogScript;
using wqtest::DialogView;

class ModifiedDocsDlgTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(wqstandins::CreateClientTools(tools_), S_OK);
    conflicttest::Load(model_,
                       L"<Modifications>"
                       L"<Modified ID='4' Name='DS-1' Type='Datasheet'/>"
                       L"<Modified ID='5' Name='PID-1' Type='DIAGRAM'/>"
                       L"<Modified ID='6' Name='Pump list' Type='Report'/>"
                       L"</Modifications>");
  }
  INT_PTR Run(DialogScript script) {
    CModifiedDocsDlg dialog(&model_, ws_.get(), GetModuleHandleW(nullptr));
    wqtest::DialogDriver driver;
    driver.Expect(std::move(script));
    return dialog.DoModal(nullptr);
  }
  // The globals' calls after creating the object.
  std::wstring Calls() const { return wqstandins::CallLog(tools_.get()); }
  LONG ErrorsShown() const {
    LONG count = 0;
    tools_->get_ErrorCount(&count);
    return count;
  }

  CProjectUpdates model_;
  conflicttest::Workspace ws_;
  plat::com_ptr<IWQStandinClientTools> tools_;
};

HWND List(const DialogView& view) { return view.Item(IDC_MODIFIEDLIST); }

DialogScript::Step Select(int item) {
  return [item](DialogView& view) {
    conflicttest::SelectRow(List(view), item);
    return std::string();
  };
}

DialogScript::Step DoubleClick(int item) {
  return [item](DialogView& view) {
    NMITEMACTIVATE click{};
    click.hdr.code = NM_DBLCLK;
    click.iItem = item;
    conflicttest::Notify(List(view), click.hdr);
    return std::string();
  };
}

TEST_F(ModifiedDocsDlgTest, ListsTheDocumentsAndOpensThePickedOne) {
  EXPECT_EQ(
      Run(DialogScript()
              .Inspect([](DialogView& view) {
                for (int i = 0; i < 3; ++i) {  // datasheet, diagram, other
                  LVITEMW item{LVIF_IMAGE, i};
                  SendMessageW(List(view), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
                  EXPECT_EQ(item.iImage, i);
                }
              })
              .Click(IDC_OPENDOCUMENT)  // nothing is selected: nothing happens
              .Do(DoubleClick(-1))
              .Do(Select(2))
              .Inspect([](DialogView& view) { EXPECT_TRUE(view.IsEnabled(IDC_OPENDOCUMENT)); })
              .Click(IDC_OPENDOCUMENT)
              .Do(DoubleClick(1))
              .Screenshot(L"modifieddocs.png")
              .Click(IDCANCEL)),
      IDCANCEL);
  EXPECT_EQ(Calls(),
            L"Create\nOpenDocument(workspace, 6, vt8:Report)\n"
            L"Create\nOpenDocument(workspace, 5, vt8:DIAGRAM)");
  EXPECT_EQ(ErrorsShown(), 0);
}

TEST_F(ModifiedDocsDlgTest, AFailedOpeningIsShownAndTheDialogStays) {
  struct Case {
    const wchar_t* step;
    const wchar_t* shown;  // the start of the error text
  } cases[] = {
      {L"OpenDocument", L"<WQError Desc=\"The document is locked\" "},
      // A globals object without IWQClientGlobals leaves nothing to call.
      {L"QueryClientGlobals", L"<WQError Desc=\""},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(tools_->Reset(), S_OK);
    wqstandins::FailAt(tools_.get(), c.step, E_ACCESSDENIED, L"The document is locked");
    HWND dialog = nullptr;
    EXPECT_EQ(Run(DialogScript()
                      .Do(Select(0))
                      .Click(IDC_OPENDOCUMENT)
                      .Inspect([&](DialogView& view) {
                        dialog = view.hwnd();
                        EXPECT_TRUE(IsWindowVisible(view.hwnd()));
                      })
                      .Click(IDCANCEL)),
              IDCANCEL);
    ASSERT_EQ(ErrorsShown(), 1) << c.step;
    EXPECT_EQ(wqstandins::ErrorDescription(tools_.get(), 1).rfind(c.shown, 0), 0u)
        << wqstandins::ErrorDescription(tools_.get(), 1);
    LONGLONG window = 0;
    tools_->get_ErrorWindow(1, &window);
    EXPECT_EQ(reinterpret_cast<HWND>(window), dialog);
  }
}

// A modifications list of documents of `type` with these names, ids from `firstId` up.
void LoadNames(CProjectUpdates& model, std::span<const wchar_t* const> names, int firstId,
               const wchar_t* type) {
  std::wstring reply = L"<Modifications>";
  for (size_t i = 0; i < names.size(); ++i)
    reply += L"<Modified ID='" + std::to_wstring(firstId + i) + L"' Name='" + names[i] +
             L"' Type='" + type + L"'/>";
  conflicttest::Load(model, reply + L"</Modifications>");
}

// The column width the dialog's list takes for `names`, that of a list holding the same
// names, and what the dialog's rows show.
struct Columns {
  int shown = 0, plain = 0;
  std::vector<int> nameWidths;  // each name in full, as the list measures it
  std::vector<std::wstring> rows;
};

Columns MeasureColumns(const std::vector<const wchar_t*>& names) {
  CProjectUpdates model;
  LoadNames(model, names, 21, L"Diagram");
  conflicttest::Workspace ws;
  Columns columns;
  CModifiedDocsDlg dialog(&model, ws.get(), GetModuleHandleW(nullptr));
  wqtest::DialogDriver driver;
  driver.Expect(DialogScript()
                    .Inspect([&](DialogView& view) {
                      const HWND list = List(view);
                      columns.shown = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
                      for (size_t i = 0; i < names.size(); ++i)
                        columns.rows.push_back(plat::ListView(list).GetItemText(i, 0));
                      const HWND plain = CreateWindowExW(
                          0, WC_LISTVIEWW, L"",
                          WS_POPUP | WS_VISIBLE | LVS_LIST | LVS_SINGLESEL | LVS_SHAREIMAGELISTS, 0,
                          0, 300, 200, nullptr, nullptr, nullptr, nullptr);
                      SendMessageW(plain, WM_SETFONT, SendMessageW(list, WM_GETFONT, 0, 0), FALSE);
                      SendMessageW(plain, LVM_SETIMAGELIST, LVSIL_SMALL,
                                   SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
                      for (size_t i = 0; i < names.size(); ++i) {
                        LVITEMW item{LVIF_TEXT, static_cast<int>(i)};
                        item.pszText = const_cast<wchar_t*>(names[i]);
                        SendMessageW(plain, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
                      }
                      UpdateWindow(plain);
                      columns.plain = static_cast<int>(SendMessageW(plain, LVM_GETCOLUMNWIDTH, 0, 0));
                      for (const wchar_t* name : names)
                        columns.nameWidths.push_back(plat::ListView(plain).GetStringWidth(name));
                      DestroyWindow(plain);
                    })
                    .Click(IDCANCEL));
  EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
  return columns;
}

// The list's columns are as wide as a list holding the same names makes them, however the
// widest name lies among the others (neither first nor longest in letters), and every row
// shows its own name.
TEST(ModifiedDocsColumns, AsWideAsAListHoldingTheNames) {
  // Wider than the columns the list gives short names.
  const std::wstring wide(24, L'M'), narrow(48, L'i'), nearly(23, L'M');
  const std::vector<const wchar_t*> names = {L"Pump list", narrow.c_str(), wide.c_str(), L"DS-1",
                                             nearly.c_str()};
  const Columns columns = MeasureColumns(names);
  EXPECT_GT(columns.plain, 2 * columns.nameWidths[0]);
  EXPECT_EQ(columns.shown, columns.plain);
  EXPECT_EQ(columns.rows, std::vector<std::wstring>(names.begin(), names.end()));

  // The list shows no more than 259 characters of a name: the widest in full can be narrow
  // in what it shows, and what it never shows needs no room.
  const std::wstring shownWide(150, L'W'), longNarrow(1000, L'i');
  const Columns longNames = MeasureColumns({longNarrow.c_str(), shownWide.c_str()});
  EXPECT_GE(longNames.shown, longNames.nameWidths[1]);
  EXPECT_LT(longNames.shown, longNames.nameWidths[0]);
}

int Selected(HWND list) {
  return static_cast<int>(
      SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// Typing in the list reaches the same documents as in a list that holds its texts (names
// that share their first letters, repeated letters, a wrap to the top, a text that matches
// nothing), and Open opens the one reached.
TEST(ModifiedDocsTyping, FindsWhatAListOfTextsFinds) {
  const wchar_t* const names[] = {L"Pump list",   L"PID-1", L"pid-2", L"DS-1",
                                  L"Datasheet 2", L"ds-3",  L"Zeta"};
  CProjectUpdates model;
  LoadNames(model, names, 11, L"Datasheet");
  plat::com_ptr<IWQStandinClientTools> tools;
  ASSERT_EQ(wqstandins::CreateClientTools(tools), S_OK);
  conflicttest::Workspace ws;

  const HWND plain = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_LIST | LVS_SINGLESEL, 0,
                                     0, 200, 200, nullptr, nullptr, nullptr, nullptr);
  for (int i = 0; i < 7; ++i) {
    LVITEMW item{LVIF_TEXT, i};
    item.pszText = const_cast<wchar_t*>(names[i]);
    SendMessageW(plain, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  std::vector<int> inPlain, inDialog;
  CModifiedDocsDlg dialog(&model, ws.get(), GetModuleHandleW(nullptr));
  wqtest::DialogDriver driver;
  driver.Expect(
      DialogScript()
          .Inspect([&](DialogView& view) {
            for (const wchar_t* text : {L"d", L"d", L"d", L"d", L"pi", L"z", L"q", L"P", L"ds-3"}) {
              Sleep(600);  // long enough for a new search
              for (HWND list : {plain, List(view)})
                for (const wchar_t* key = text; *key; ++key) SendMessageW(list, WM_CHAR, *key, 1);
              inPlain.push_back(Selected(plain));
              inDialog.push_back(Selected(List(view)));
            }
          })
          .Click(IDC_OPENDOCUMENT)
          .Click(IDCANCEL));
  EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
  DestroyWindow(plain);
  EXPECT_EQ(inPlain, (std::vector<int>{3, 4, 5, 3, 1, 6, 6, 0, 5})) << "the plain list";
  EXPECT_EQ(inDialog, inPlain);
  EXPECT_EQ(wqstandins::CallLog(tools.get()),
            L"Create\nOpenDocument(workspace, 16, vt8:Datasheet)");
}

}  // namespace
