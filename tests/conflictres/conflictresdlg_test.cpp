// The conflict-resolution dialog driven as a user drives it, against the stand-in
// workspace: what each page shows, what a choice writes into the model, the count under
// the pages, and what OK does.
#include <gtest/gtest.h>

#include "conflictresdlg.h"
#include "conflicttest.h"

namespace {

using conflicttest::ClickCell;
using conflicttest::FindControl;
using conflicttest::ListText;
using conflicttest::Load;
using conflicttest::TreeText;
using wqtest::DialogScript;
using wqtest::DialogView;

enum Tab { kCasesTab, kObjectsTab, kAttributesTab, kDatasheetsTab, kDiagramsTab };

// A model, the workspace the dialog commits to, and one showing of the dialog.
struct Showing {
  explicit Showing(const wchar_t* content, const wchar_t* reply = L"<ProjectUpdates/>")
      : ws(reply) {
    Load(model, content);
  }
  INT_PTR Run(DialogScript script) {
    CConflictResDlg dialog(&model, ws.get(), GetModuleHandleW(nullptr));
    wqtest::DialogDriver driver;
    driver.Expect(std::move(script));
    return dialog.DoModal(nullptr);
  }
  LONG Resolution(ProjectItemKind kind, int item, int conflict) const {
    return model.Conflicts(kind)[item]->details[conflict]->resolution;
  }

  CProjectUpdates model;
  conflicttest::Workspace ws;
};

// A control of the page that holds control `anchor` (the tree pages share their ids).
HWND PageControl(const DialogView& view, int anchor, int id) {
  return GetDlgItem(GetParent(FindControl(view.hwnd(), anchor)), id);
}

std::string ClickButton(const DialogView& view, int anchor, int id) {
  const HWND button = PageControl(view, anchor, id);
  if (!IsWindowVisible(button) || !IsWindowEnabled(button)) return "the button cannot be clicked";
  SendMessageW(button, BM_CLICK, 0, 0);
  return {};
}

std::wstring Count(const DialogView& view) { return view.Text(IDC_CONFLICTCOUNT); }

TEST(ConflictResDlg, CountsOpenConflictsWithADatasheetAsOne) {
  struct Case {
    const wchar_t* model;
    long count;
  } cases[] = {
      {L"", 0},
      {L"<Datasheets><Conflicts><Datasheet ID='1'><Conflict Type='1'/><Conflict Type='2'/>"
       L"<Conflict Type='5'/></Datasheet></Conflicts></Datasheets>", 1},
      {L"<Diagrams><Conflicts><Diagram ID='1'><Conflict Type='1'/><Conflict Type='2'/>"
       L"<Conflict Type='5'/></Diagram></Conflicts></Diagrams>", 3},
      // Resolved conflicts are not counted; unshown types and nested items are.
      {L"<Cases><Conflicts><Case ID='1'><Conflict Type='9'/><Conflict Type='1' Resolution='3'/>"
       L"</Case></Conflicts></Cases><Objects><Conflicts><Object ID='2'><Object ID='3'>"
       L"<Conflict Type='4'/></Object></Object></Conflicts></Objects>", 2},
      {L"<Datasheets><Conflicts><Datasheet ID='1'><Conflict Type='1' Resolution='3'/>"
       L"<Datasheet ID='2'><Conflict Type='2'/></Datasheet></Datasheet></Conflicts></Datasheets>"
       L"<Attributes><Updates><Attribute ID='4'><Update Type='1'/></Attribute></Updates>"
       L"</Attributes>", 1},
  };
  for (const Case& c : cases) {
    CProjectUpdates model;
    Load(model, c.model);
    EXPECT_EQ(CountRemainingConflicts(&model), c.count) << c.model;
  }
  EXPECT_EQ(CountRemainingConflicts(nullptr), 0);
}

TEST(ConflictResDlg, TreePagesShowOpenConflictsAndLabelledUpdates) {
  struct Case {
    const wchar_t* model;
    Tab tab;
    int tree;
    const wchar_t* shown;
  } cases[] = {
      // Cases: no nested items, no conflicts without a label, no resolved ones; updates
      // stand directly under their root.
      {L"<Cases><Conflicts>"
       L"<Case ID='5' Name='Winter'><Conflict Type='3'/><Conflict Type='4'/>"
       L"<Conflict Type='1' Resolution='3'/></Case>"
       L"<Case ID='6' Name='Summer'><Conflict Type='9'/></Case>"
       L"<Case ID='7' Name='Autumn'><Conflict Type='1' Resolution='5'/></Case>"
       L"<Case ID='8' Name='Base'><Case ID='9' Name='Inner'><Conflict Type='2'/></Case></Case>"
       L"</Conflicts><Updates><Case ID='10' Name='Spring'><Update Type='3'/><Update Type='7'/>"
       L"</Case></Updates></Cases>",
       kCasesTab, IDC_CASETREE,
       L"Conflicts [7]\n  Base [5]\n  Summer [5]\n  Winter [5]\n    Case Rename [1]\n"
       L"    Duplicate Case Name [1]\nUpdates [6]\n  Case Renamed in Parent [0]\n"},
      {L"<Cases><Conflicts><Case ID='7' Name='Autumn'><Conflict Type='1' Resolution='5'/>"
       L"</Case></Conflicts></Cases>",
       kCasesTab, IDC_CASETREE, L""},
      // Objects: nested items under their parents, with or without open conflicts.
      {L"<Objects><Conflicts>"
       L"<Object ID='1' Name='Pump'><Conflict Type='5'/><Conflict Type='4'/>"
       L"<Object ID='2' Name='Seal'/></Object>"
       L"<Object ID='3' Name='Valve'><Conflict Type='4'/></Object>"
       L"</Conflicts><Updates><Object ID='4' Name='Tank'><Update Type='1'/><Update Type='3'/>"
       L"<Object ID='5' Name='Nozzle'><Update Type='4'/></Object></Object></Updates></Objects>",
       kObjectsTab, IDC_OBJECTTREE,
       L"Conflicts [11]\n  Pump [9]\n    Class Change [1]\n    Seal [9]\n  Valve [9]\n"
       L"Updates [10]\n  Tank [9]\n    Item Created in Parent [0]\n    Nozzle [9]\n"
       L"      Association changed in Parent [0]\n"},
  };
  for (const Case& c : cases) {
    Showing showing(c.model);
    showing.Run(DialogScript()
                    .SelectTab(IDC_CONFLICTTABS, c.tab)
                    .Inspect([&](DialogView& view) {
                      EXPECT_EQ(TreeText(FindControl(view.hwnd(), c.tree)), c.shown);
                    })
                    .Click(IDCANCEL));
  }
}

TEST(ConflictResDlg, CaseChoicesGoIntoTheModelAndOkSendsThem) {
  Showing showing(
      L"<Cases><Conflicts><Case ID='5' Name='Winter'><Conflict ID='51' Type='3'/>"
      L"<Conflict ID='52' Type='4' ParentData='Cold'/></Case>"
      L"<Case ID='6' Name='Summer'><Conflict ID='61' Type='9'/></Case></Conflicts>"
      L"<Updates><Case ID='7' Name='Spring'><Update Type='3' ParentData='Early'/></Case>"
      L"</Updates></Cases>",
      L"<ProjectUpdates><Modifications><Modified ID='4' Name='PID-1' Type='Diagram'/>"
      L"</Modifications></ProjectUpdates>");
  const auto tree = [](const DialogView& view) { return FindControl(view.hwnd(), IDC_CASETREE); };
  const auto control = [](const DialogView& view, int id) {
    return plat::Window(PageControl(view, IDC_CASETREE, id));
  };
  const INT_PTR result = showing.Run(
      DialogScript()
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(Count(view), L" Conflicts Remaining: 3");
            EXPECT_FALSE(control(view, IDC_CONFLICTDESCRIPTION).IsWindowVisible());
          })
          .Do([&](DialogView& view) {
            return conflicttest::SelectNode(tree(view), {L"Conflicts", L"Winter", L"Duplicate Case Name"});
          })
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(control(view, IDC_CONFLICTDESCRIPTION).GetWindowText(),
                      L"Cases with the same name 'Winter' have been created in both the parent "
                      L"and in the project.");
            EXPECT_EQ(control(view, IDC_FIRSTCHOICE).GetWindowText(), L"Rename Case in Project");
            EXPECT_EQ(control(view, IDC_SECONDCHOICE).GetWindowText(), L"Merge Cases");
            EXPECT_TRUE(control(view, IDC_NEWNAME).IsWindowVisible());
            EXPECT_FALSE(control(view, IDC_NEWNAME).IsWindowEnabled());
          })
          .Do([&](DialogView& view) { return ClickButton(view, IDC_CASETREE, IDC_FIRSTCHOICE); })
          .Do([&](DialogView& view) {
            control(view, IDC_NEWNAME).SetWindowText(L"Winter 2");
            return std::string();
          })
          .Do([&](DialogView& view) { return ClickButton(view, IDC_CASETREE, IDC_SECONDCHOICE); })
          .Inspect([&](DialogView& view) {
            // Merging keeps the typed name; only renaming lets it be edited.
            EXPECT_EQ(showing.Resolution(kCaseItems, 0, 0), 8);
            EXPECT_FALSE(control(view, IDC_NEWNAME).IsWindowEnabled());
            EXPECT_EQ(control(view, IDC_NEWNAME).GetWindowText(), L"Winter 2");
            EXPECT_FALSE(plat::Button(control(view, IDC_FIRSTCHOICE)).GetCheck());
            EXPECT_EQ(Count(view), L" Conflicts Remaining: 2");
          })
          .Do([&](DialogView& view) {
            return conflicttest::SelectNode(tree(view), {L"Conflicts", L"Winter", L"Case Rename"});
          })
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(control(view, IDC_FIRSTCHOICE).GetWindowText(),
                      L"Keep Case Name from Project 'Winter'");
            EXPECT_EQ(control(view, IDC_SECONDCHOICE).GetWindowText(),
                      L"Keep Case Name from Parent 'Cold'");
            EXPECT_FALSE(control(view, IDC_NEWNAME).IsWindowVisible());
          })
          .Do([&](DialogView& view) { return ClickButton(view, IDC_CASETREE, IDC_FIRSTCHOICE); })
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(TreeText(tree(view)),
                      L"Conflicts [7]\n  Summer [5]\n  Winter [2]\n    Case Rename [2]\n"
                      L"    Duplicate Case Name [2]\nUpdates [6]\n  Case Renamed in Parent [0]\n");
          })
          .Do([&](DialogView& view) {
            return conflicttest::SelectNode(tree(view), {L"Updates", L"Case Renamed in Parent"});
          })
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(control(view, IDC_CONFLICTDESCRIPTION).GetWindowText(),
                      L"Case 'Spring' will be renamed in the project to 'Early'.");
            EXPECT_FALSE(control(view, IDC_FIRSTCHOICE).IsWindowVisible());
          })
          .Screenshot(L"conflictres-cases.png")
          .Click(IDOK));
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(showing.ws.Requests(), 1);
  EXPECT_EQ(showing.ws.Request(1),
            L"<UpdateProject Initialise=\"vt3:0\">"
            L"<Case ID=\"vt3:5\" ConflictID=\"vt3:51\" Type=\"vt3:3\" Resolution=\"vt3:8\" "
            L"Data=\"vt8:Winter 2\"/>"
            L"<Case ID=\"vt3:5\" ConflictID=\"vt3:52\" Type=\"vt3:4\" Resolution=\"vt3:2\"/>"
            L"</UpdateProject>");
  // The reply is the model now.
  EXPECT_EQ(showing.model.Conflicts(kCaseItems).GetCount(), 0);
  EXPECT_EQ(showing.model.Modifications().GetCount(), 1);
}

TEST(ConflictResDlg, ObjectChoicesStayInTheModelAfterCancel) {
  Showing showing(L"<Objects><Conflicts><Object ID='1' Name='Pump'>"
                  L"<Conflict ID='11' Type='5' ProjectData='Centrifugal' ParentData='Screw'/>"
                  L"<Object ID='2' Name='Seal'/></Object></Conflicts></Objects>");
  const auto control = [](const DialogView& view, int id) {
    return plat::Window(PageControl(view, IDC_OBJECTTREE, id));
  };
  const auto select = [](std::vector<std::wstring> path) {
    return [path](DialogView& view) {
      return conflicttest::SelectNode(FindControl(view.hwnd(), IDC_OBJECTTREE), path);
    };
  };
  EXPECT_EQ(showing.Run(
                DialogScript()
                    .SelectTab(IDC_CONFLICTTABS, kObjectsTab)
                    .Do(select({L"Conflicts", L"Pump", L"Class Change"}))
                    .Inspect([&](DialogView& view) {
                      EXPECT_EQ(control(view, IDC_FIRSTCHOICE).GetWindowText(),
                                L"Accept class 'Centrifugal' from project");
                      EXPECT_EQ(control(view, IDC_SECONDCHOICE).GetWindowText(),
                                L"Accept class 'Screw' from parent");
                    })
                    .Do([](DialogView& view) {
                      return ClickButton(view, IDC_OBJECTTREE, IDC_SECONDCHOICE);
                    })
                    // A nested item without children is neither a conflict nor an update.
                    .Do(select({L"Conflicts", L"Pump", L"Seal"}))
                    .Inspect([&](DialogView& view) {
                      EXPECT_FALSE(control(view, IDC_CONFLICTDESCRIPTION).IsWindowVisible());
                      EXPECT_FALSE(control(view, IDC_FIRSTCHOICE).IsWindowVisible());
                      EXPECT_EQ(Count(view), L" Conflicts Remaining: 0");
                    })
                    .Click(IDCANCEL)),
            IDCANCEL);
  EXPECT_EQ(showing.Resolution(kObjectItems, 0, 0), 1);
  EXPECT_EQ(showing.ws.Requests(), 0);
}

TEST(ConflictResDlg, AttributeValuesAreKeptByClickingThem) {
  Showing showing(
      L"<Attributes><Conflicts><Attribute ID='3' Name='P-101'>"
      L"<Conflict ID='31' Type='1' Name='Flow' ParentData='12' ProjectData='14' Units='m3/h'/>"
      L"<Conflict ID='32' Type='1' Name='Head' ParentData='40' ProjectData='42' Units='m'/>"
      L"</Attribute></Conflicts><Updates><Attribute ID='4' Name='P-102'><Update Name='Speed' "
      L"ParentData='1450' ProjectData='2900' Units='rpm'/></Attribute></Updates></Attributes>");
  const auto list = [](const DialogView& view) {
    return FindControl(view.hwnd(), IDC_ATTRIBUTELIST);
  };
  const auto click = [&](int item, int column, int x = -1) {
    return [=](DialogView& view) { return ClickCell(list(view), item, column, x); };
  };
  const auto key = [&](int item, WORD vk) {
    return [=](DialogView& view) {
      conflicttest::SelectRow(list(view), item);
      conflicttest::PressKey(list(view), vk);
      return std::string();
    };
  };
  const auto shows = [&](const wchar_t* rows) {
    return [=](DialogView& view) { EXPECT_EQ(ListText(list(view)), rows); };
  };
  showing.Run(
      DialogScript()
          .SelectTab(IDC_CONFLICTTABS, kAttributesTab)
          .Inspect(shows(L"Conflicts [15]\n  P-101 [9]\n    Flow|12|14|m3/h [1]\n"
                         L"    Head|40|42|m [1]\nUpdates [14]\n  P-102 [9]\n"
                         L"    Speed|1450|2900|rpm [0]\n"))
          .Do(click(2, 1))
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(showing.Resolution(kAttributeItems, 0, 0), 1);
            EXPECT_EQ(Count(view), L" Conflicts Remaining: 1");
          })
          .Do(click(2, 2))
          .Do(click(3, 3))   // "Units" takes no choice
          .Do(click(1, 0, 60))  // nor the first column beside the box
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(showing.Resolution(kAttributeItems, 0, 0), 2);
            EXPECT_EQ(showing.Resolution(kAttributeItems, 0, 1), 0);
            EXPECT_EQ(Count(view), L" Conflicts Remaining: 1");
          })
          .Screenshot(L"conflictres-attributes.png")
          .Do(click(1, 0, 16 + 12))  // the box of P-101
          .Inspect(shows(L"Conflicts [15]\n  P-101 [9]\nUpdates [14]\n  P-102 [9]\n"
                         L"    Speed|1450|2900|rpm [0]\n"))
          .Do(key(0, VK_SUBTRACT))
          .Inspect(shows(L"Conflicts [15]\nUpdates [14]\n  P-102 [9]\n    Speed|1450|2900|rpm [0]\n"))
          .Do(key(0, VK_ADD))
          .Do(key(1, VK_ADD))
          .Do(click(3, 1))
          .Inspect(shows(L"Conflicts [2]\n  P-101 [2]\n    Flow|12|14|m3/h [2]\n"
                         L"    Head|40|42|m [2]\nUpdates [14]\n  P-102 [9]\n"
                         L"    Speed|1450|2900|rpm [0]\n"))
          .Click(IDCANCEL));
  EXPECT_EQ(showing.Resolution(kAttributeItems, 0, 1), 1);
}

TEST(ConflictResDlg, DocumentsAreResolvedAsAWhole) {
  Showing showing(
      L"<Datasheets><Conflicts><Datasheet ID='8' Name='DS-1'><Conflict ID='81' Type='1'/>"
      L"<Conflict ID='82' Type='5' Resolution='2'/><Datasheet ID='9' Name='DS-1a'>"
      L"<Conflict ID='91' Type='2'/></Datasheet></Datasheet></Conflicts>"
      L"<Updates><Datasheet ID='10' Name='DS-2'><Update Type='2'/><Datasheet ID='11' Name='DS-2a'/>"
      L"</Datasheet></Updates></Datasheets>"
      L"<Diagrams><Updates><Diagram ID='12' Name='PID-2'><Update Type='2'/>"
      L"<Diagram ID='13' Name='PID-2a'/></Diagram></Updates></Diagrams>");
  const auto list = [](const DialogView& view, int id) { return FindControl(view.hwnd(), id); };
  const auto open = [&](int id, int item) {
    return [=](DialogView& view) {
      conflicttest::SelectRow(list(view, id), item);
      conflicttest::PressKey(list(view, id), VK_ADD);
      return std::string();
    };
  };
  const auto shows = [&](int id, const wchar_t* rows) {
    return [=](DialogView& view) { EXPECT_EQ(ListText(list(view, id)), rows); };
  };
  showing.Run(
      DialogScript()
          .SelectTab(IDC_CONFLICTTABS, kDatasheetsTab)
          .Inspect(shows(IDC_DATASHEETLIST, L"Conflicts [19]\n  DS-1 [17]\nUpdates [18]\n  DS-2 [17]\n"))
          .Do([&](DialogView& view) { return ClickCell(list(view, IDC_DATASHEETLIST), 1, 1); })
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(showing.Resolution(kDatasheetItems, 0, 0), 3);
            EXPECT_EQ(showing.Resolution(kDatasheetItems, 0, 1), 1);
            EXPECT_EQ(showing.model.Conflicts(kDatasheetItems)[0]->children[0]->details[0]->resolution, 6);
            EXPECT_EQ(Count(view), L" Conflicts Remaining: 0");
          })
          .Do(open(IDC_DATASHEETLIST, 3))
          .Do(open(IDC_DATASHEETLIST, 1))
          .Inspect(shows(IDC_DATASHEETLIST,
                         L"Conflicts [2]\n  DS-1 [2]\n    Parent Item Deleted [1]\n"
                         L"    DS-1a [17]\nUpdates [18]\n"
                         L"  DS-2 [17]\n    Deleted in Parent [0]\n    DS-2a [17]\n"))
          .Screenshot(L"conflictres-datasheets.png")
          // Only a top-level document takes a choice.
          .Do([&](DialogView& view) { return ClickCell(list(view, IDC_DATASHEETLIST), 3, 2); })
          .Do([&](DialogView& view) { return ClickCell(list(view, IDC_DATASHEETLIST), 2, 2); })
          .Inspect([&](DialogView&) {
            EXPECT_EQ(showing.Resolution(kDatasheetItems, 0, 0), 3);
            EXPECT_EQ(showing.model.Conflicts(kDatasheetItems)[0]->children[0]->details[0]->resolution, 6);
          })
          .SelectTab(IDC_CONFLICTTABS, kDiagramsTab)
          .Do(open(IDC_DIAGRAMLIST, 1))
          .Inspect(shows(IDC_DIAGRAMLIST, L"Updates [22]\n  PID-2 [21]\n    Deleted in Parent [0]\n"))
          .Click(IDCANCEL));
}

TEST(ConflictResDlg, AFailedCommitIsShownAndTheDialogStillEndsWithOk) {
  plat::com_ptr<IWQStandinClientTools> tools;
  ASSERT_EQ(wqstandins::CreateClientTools(tools), S_OK);
  Showing showing(L"<Cases><Conflicts><Case ID='5' Name='Winter'>"
                  L"<Conflict ID='51' Type='1' Resolution='3'/></Case></Conflicts></Cases>");
  wqstandins::FailAt(showing.ws.control.get(), L"Execute", E_FAIL, L"The server is down");
  HWND page = nullptr;
  EXPECT_EQ(showing.Run(DialogScript()
                            .Inspect([&](DialogView& view) {
                              page = GetParent(FindControl(view.hwnd(), IDC_CASETREE));
                              // It never gets smaller than it started.
                              MINMAXINFO limits{};
                              SendMessageW(view.hwnd(), WM_GETMINMAXINFO, 0,
                                           reinterpret_cast<LPARAM>(&limits));
                              const RECT size = view.ScreenRect();
                              EXPECT_EQ(limits.ptMinTrackSize.x, size.right - size.left);
                              EXPECT_EQ(limits.ptMinTrackSize.y, size.bottom - size.top);
                            })
                            .Click(IDOK)),
            IDOK);
  LONG shown = 0;
  tools->get_ErrorCount(&shown);
  ASSERT_EQ(shown, 1);
  EXPECT_EQ(wqstandins::ErrorDescription(tools.get(), 1).rfind(
                L"<WQError Desc=\"Failed to retrieve Conflict resolution data\" HR=\"E_FAIL\" />", 0),
            0u);
  LONGLONG window = 0;
  tools->get_ErrorWindow(1, &window);
  EXPECT_EQ(reinterpret_cast<HWND>(window), page);
  EXPECT_EQ(showing.Resolution(kCaseItems, 0, 0), 3);
}

}  // namespace
