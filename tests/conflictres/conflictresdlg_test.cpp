// The conflict-resolution dialog driven as a user drives it, against the stand-in
// workspace: what each page shows, what a choice writes into the model, the count under
// the pages, and what OK does.
#include <gtest/gtest.h>

#include "conflictres/conflictresdlg.h"
#include "conflicttest.h"

namespace {

using conflicttest::ExpandedNodes;
using conflicttest::FindControl;
using conflicttest::ListText;
using conflicttest::Load;
using conflicttest::TreeText;
using wqtest::DialogScript;
using wqtest::DialogView;
using Step = DialogScript::Step;

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
  LONG Resolution(ProjectItemKind kind, int item, int conflict, int nested = -1) const {
    const ConflictItemRecord* record = model.Conflicts(kind)[item];
    if (nested >= 0) record = record->children[nested];
    return record->details[conflict]->resolution;
  }

  CProjectUpdates model;
  conflicttest::Workspace ws;
};

// A control of the page that holds control `anchor` (the two tree pages share their ids).
plat::Window PageControl(const DialogView& view, int anchor, int id) {
  return GetDlgItem(GetParent(FindControl(view.hwnd(), anchor)), id);
}

Step SelectNode(int tree, std::vector<std::wstring> path) {
  return [=](DialogView& view) {
    return conflicttest::SelectNode(FindControl(view.hwnd(), tree), path);
  };
}

Step ClickButton(int anchor, int id) {
  return [=](DialogView& view) {
    const plat::Window button = PageControl(view, anchor, id);
    if (!button.IsWindowVisible() || !button.IsWindowEnabled()) return std::string("cannot click");
    button.SendMessage(BM_CLICK);
    return std::string();
  };
}

Step ClickCell(int list, int item, int column, int x = -1) {
  return [=](DialogView& view) {
    return conflicttest::ClickCell(FindControl(view.hwnd(), list), item, column, x);
  };
}

Step Key(int list, int item, WORD key) {
  return [=](DialogView& view) {
    conflicttest::SelectRow(FindControl(view.hwnd(), list), item);
    conflicttest::PressKey(FindControl(view.hwnd(), list), key);
    return std::string();
  };
}

std::function<void(DialogView&)> Shows(int list, const wchar_t* rows) {
  return [=](DialogView& view) { EXPECT_EQ(ListText(FindControl(view.hwnd(), list)), rows); };
}

std::wstring Count(const DialogView& view) { return view.Text(IDC_CONFLICTCOUNT); }

// A page of documents, its list and the model's list it shows, and a text for the case.
struct DocumentsPage {
  Tab tab;
  int list;
  ProjectItemKind kind;
  const wchar_t* text;
};

TEST(ConflictResDlg, CountsOpenConflictsWithADatasheetAsOne) {
  const struct {
    const wchar_t* model;
    long count;
  } cases[] = {
      {L"", 0},
      {L"<Datasheets><Conflicts><Datasheet ID='1'><Conflict Type='1'/><Conflict Type='2'/>"
       L"<Conflict Type='5'/></Datasheet></Conflicts></Datasheets>",
       1},
      {L"<Diagrams><Conflicts><Diagram ID='1'><Conflict Type='1'/><Conflict Type='2'/>"
       L"<Conflict Type='5'/></Diagram></Conflicts></Diagrams>",
       3},
      // Resolved conflicts are not counted; unshown types and nested items are.
      {L"<Cases><Conflicts><Case ID='1'><Conflict Type='9'/><Conflict Type='1' Resolution='3'/>"
       L"</Case></Conflicts></Cases><Objects><Conflicts><Object ID='2'><Object ID='3'>"
       L"<Conflict Type='4'/></Object></Object></Conflicts></Objects>",
       2},
  };
  for (const auto& c : cases) {
    CProjectUpdates model;
    Load(model, c.model);
    EXPECT_EQ(CountRemainingConflicts(&model), c.count) << c.model;
  }
}

TEST(ConflictResDlg, TreePagesShowOpenConflictsAndLabelledUpdates) {
  const struct {
    const wchar_t* model;
    Tab tab;
    int tree;
    const wchar_t* shown;
    const wchar_t* expanded;  // only nodes with children open
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
       L"    Duplicate Case Name [1]\nUpdates [6]\n  Case Renamed in Parent [0]\n",
       L"Conflicts|Winter|Updates|"},
      {L"<Cases><Conflicts><Case ID='7' Name='Autumn'><Conflict Type='1' Resolution='5'/>"
       L"</Case></Conflicts></Cases>",
       kCasesTab, IDC_CASETREE, L"", L""},
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
       L"      Association changed in Parent [0]\n",
       L"Conflicts|Pump|Updates|Tank|Nozzle|"},
  };
  for (const auto& c : cases) {
    Showing showing(c.model);
    showing.Run(DialogScript()
                    .SelectTab(IDC_CONFLICTTABS, c.tab)
                    .Inspect([&](DialogView& view) {
                      EXPECT_EQ(TreeText(FindControl(view.hwnd(), c.tree)), c.shown);
                      EXPECT_EQ(ExpandedNodes(FindControl(view.hwnd(), c.tree)), c.expanded);
                    })
                    .Click(IDCANCEL));
  }
}

// What a tree page should show, in the model's order: the tree's own sorted insertion
// puts it in order.
struct Shown {
  const wchar_t* text;
  int image;
  std::vector<Shown> children;
};

void InsertSorted(HWND tree, HTREEITEM parent, const std::vector<Shown>& nodes) {
  for (const Shown& node : nodes) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = parent == TVI_ROOT ? TVI_LAST : TVI_SORT;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE;
    insert.item.pszText = const_cast<wchar_t*>(node.text);
    insert.item.iImage = node.image;
    const auto inserted = reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    InsertSorted(tree, inserted, node.children);
  }
}

std::wstring SortedByTheTree(const std::vector<Shown>& nodes) {
  const HWND tree = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_POPUP, 0, 0, 100, 100, nullptr,
                                    nullptr, nullptr, nullptr);
  InsertSorted(tree, TVI_ROOT, nodes);
  const std::wstring text = TreeText(tree);
  DestroyWindow(tree);
  return text;
}

// Names that differ only by case, or not at all, and by punctuation: every level of both
// trees in the one order of the tree's sorted insertion (equal names keep their children).
TEST(ConflictResDlg, EveryLevelOfATreeIsInTheTreesOwnOrder) {
  const struct {
    const wchar_t* model;
    Tab tab;
    int tree;
    std::vector<Shown> shown;
  } cases[] = {
      {L"<Objects><Conflicts>"
       L"<Object ID='1' Name='pump'><Conflict Type='5'/></Object>"
       L"<Object ID='2' Name='Pump'><Conflict Type='1'/><Object ID='3' Name='seal'/>"
       L"<Object ID='4' Name='Seal'/><Object ID='5' Name='SEAL'/><Object ID='6' Name='seal'/>"
       L"</Object>"
       L"<Object ID='7' Name='PUMP'><Conflict Type='5'/></Object>"
       L"<Object ID='8' Name='Pump'><Conflict Type='2'/><Object ID='9' Name='shaft'/></Object>"
       L"<Object ID='10' Name='Pump'><Conflict Type='3'/></Object>"
       L"<Object ID='11' Name='co-op'><Conflict Type='5'/></Object>"
       L"<Object ID='12' Name='Coop'><Conflict Type='5'/></Object>"
       L"<Object ID='13' Name='coop'><Conflict Type='5'/></Object>"
       L"</Conflicts><Updates>"
       L"<Object ID='20' Name='tank'><Update Type='1'/></Object>"
       L"<Object ID='21' Name='Tank'><Update Type='2'/><Object ID='22' Name='nozzle'>"
       L"<Update Type='1'/></Object><Object ID='23' Name='Nozzle'><Update Type='2'/></Object>"
       L"</Object><Object ID='24' Name='TANK'><Update Type='4'/></Object>"
       L"</Updates></Objects>",
       kObjectsTab,
       IDC_OBJECTTREE,
       {{L"Conflicts",
         11,
         {{L"pump", 9, {{L"Class Change", 1, {}}}},
          {L"Pump",
           9,
           {{L"Parent Item Deleted", 1, {}},
            {L"seal", 9, {}},
            {L"Seal", 9, {}},
            {L"SEAL", 9, {}},
            {L"seal", 9, {}}}},
          {L"PUMP", 9, {{L"Class Change", 1, {}}}},
          {L"Pump", 9, {{L"Deleted Item Modified", 1, {}}, {L"shaft", 9, {}}}},
          {L"Pump", 9, {{L"Duplicate Item Names", 1, {}}}},
          {L"co-op", 9, {{L"Class Change", 1, {}}}},
          {L"Coop", 9, {{L"Class Change", 1, {}}}},
          {L"coop", 9, {{L"Class Change", 1, {}}}}}},
        {L"Updates",
         10,
         {{L"tank", 9, {{L"Item Created in Parent", 0, {}}}},
          {L"Tank",
           9,
           {{L"Item Deleted in Parent", 0, {}},
            {L"nozzle", 9, {{L"Item Created in Parent", 0, {}}}},
            {L"Nozzle", 9, {{L"Item Deleted in Parent", 0, {}}}}}},
          {L"TANK", 9, {{L"Association changed in Parent", 0, {}}}}}}}},
      {L"<Cases><Conflicts>"
       L"<Case ID='1' Name='winter'><Conflict Type='3'/></Case>"
       L"<Case ID='2' Name='Winter'><Conflict Type='1'/><Conflict Type='4'/></Case>"
       L"<Case ID='3' Name='WINTER'><Conflict Type='2'/></Case>"
       L"<Case ID='4' Name='Winter'><Conflict Type='3'/><Conflict Type='1'/></Case>"
       L"<Case ID='5' Name='Winter'><Conflict Type='2'/></Case>"
       L"<Case ID='6' Name='winter_2'><Conflict Type='1'/></Case>"
       L"<Case ID='7' Name='winter-2'><Conflict Type='1'/></Case>"
       L"</Conflicts></Cases>",
       kCasesTab,
       IDC_CASETREE,
       {{L"Conflicts",
         7,
         {{L"winter", 5, {{L"Duplicate Case Name", 1, {}}}},
          {L"Winter", 5, {{L"Parent Case Deleted", 1, {}}, {L"Case Rename", 1, {}}}},
          {L"WINTER", 5, {{L"Project Case Deleted", 1, {}}}},
          {L"Winter", 5, {{L"Duplicate Case Name", 1, {}}, {L"Parent Case Deleted", 1, {}}}},
          {L"Winter", 5, {{L"Project Case Deleted", 1, {}}}},
          {L"winter_2", 5, {{L"Parent Case Deleted", 1, {}}}},
          {L"winter-2", 5, {{L"Parent Case Deleted", 1, {}}}}}}}},
  };
  for (const auto& c : cases) {
    Showing showing(c.model);
    const std::wstring expected = SortedByTheTree(c.shown);
    showing.Run(DialogScript()
                    .SelectTab(IDC_CONFLICTTABS, c.tab)
                    .Inspect([&](DialogView& view) {
                      EXPECT_EQ(TreeText(FindControl(view.hwnd(), c.tree)), expected);
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
  const auto text = [](const DialogView& view, int id) {
    return PageControl(view, IDC_CASETREE, id).GetWindowText();
  };
  const auto newName = [](const DialogView& view) {
    return PageControl(view, IDC_CASETREE, IDC_NEWNAME);
  };
  const INT_PTR result = showing.Run(
      DialogScript()
          .Do(SelectNode(IDC_CASETREE, {L"Conflicts", L"Winter", L"Duplicate Case Name"}))
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(text(view, IDC_CONFLICTDESCRIPTION),
                      L"Cases with the same name 'Winter' have been created in both the parent "
                      L"and in the project.");
            EXPECT_FALSE(newName(view).IsWindowEnabled());
          })
          .Do(ClickButton(IDC_CASETREE, IDC_FIRSTCHOICE))
          .Do([&](DialogView& view) {
            newName(view).SetWindowText(L"Winter 2");
            return std::string();
          })
          .Do(ClickButton(IDC_CASETREE, IDC_SECONDCHOICE))
          .Inspect([&](DialogView& view) {
            // Merging keeps the typed name; only renaming lets it be edited.
            EXPECT_EQ(showing.Resolution(kCaseItems, 0, 0), 8);
            EXPECT_FALSE(newName(view).IsWindowEnabled());
            EXPECT_EQ(newName(view).GetWindowText(), L"Winter 2");
            EXPECT_EQ(Count(view), L" Conflicts Remaining: 2");
          })
          .Do(SelectNode(IDC_CASETREE, {L"Conflicts", L"Winter", L"Case Rename"}))
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(text(view, IDC_FIRSTCHOICE), L"Keep Case Name from Project 'Winter'");
            EXPECT_EQ(text(view, IDC_SECONDCHOICE), L"Keep Case Name from Parent 'Cold'");
          })
          .Do(ClickButton(IDC_CASETREE, IDC_FIRSTCHOICE))
          .Do(SelectNode(IDC_CASETREE, {L"Updates", L"Case Renamed in Parent"}))
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(TreeText(FindControl(view.hwnd(), IDC_CASETREE)),
                      L"Conflicts [7]\n  Summer [5]\n  Winter [2]\n    Case Rename [2]\n"
                      L"    Duplicate Case Name [2]\nUpdates [6]\n  Case Renamed in Parent [0]\n");
            EXPECT_EQ(text(view, IDC_CONFLICTDESCRIPTION),
                      L"Case 'Spring' will be renamed in the project to 'Early'.");
            EXPECT_FALSE(PageControl(view, IDC_CASETREE, IDC_FIRSTCHOICE).IsWindowVisible());
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
  Showing showing(
      L"<Objects><Conflicts><Object ID='1' Name='Pump'>"
      L"<Conflict ID='11' Type='5' ProjectData='Centrifugal' ParentData='Screw'/>"
      L"<Object ID='2' Name='Seal'/></Object></Conflicts></Objects>");
  const auto control = [](const DialogView& view, int id) {
    return PageControl(view, IDC_OBJECTTREE, id);
  };
  EXPECT_EQ(
      showing.Run(DialogScript()
                      .SelectTab(IDC_CONFLICTTABS, kObjectsTab)
                      .Do(SelectNode(IDC_OBJECTTREE, {L"Conflicts", L"Pump", L"Class Change"}))
                      .Inspect([&](DialogView& view) {
                        EXPECT_EQ(control(view, IDC_SECONDCHOICE).GetWindowText(),
                                  L"Accept class 'Screw' from parent");
                      })
                      .Do(ClickButton(IDC_OBJECTTREE, IDC_SECONDCHOICE))
                      .Screenshot(L"conflictres-objects.png")
                      // A nested item without children is neither a conflict nor an update.
                      .Do(SelectNode(IDC_OBJECTTREE, {L"Conflicts", L"Pump", L"Seal"}))
                      .Inspect([&](DialogView& view) {
                        EXPECT_FALSE(control(view, IDC_CONFLICTDESCRIPTION).IsWindowVisible());
                        EXPECT_FALSE(control(view, IDC_FIRSTCHOICE).IsWindowVisible());
                      })
                      .Click(IDCANCEL)),
      IDCANCEL);
  EXPECT_EQ(showing.Resolution(kObjectItems, 0, 0), 1);
  EXPECT_EQ(showing.ws.Requests(), 0);
}

TEST(ConflictResDlg, ObjectDuplicateNamesAssociationsAndTheirUpdates) {
  Showing showing(
      L"<Objects><Conflicts><Object ID='1' Name='Pump'>"
      L"<Conflict ID='11' Type='3'/>"
      L"<Conflict ID='12' Type='6' ProjectData='Line 7' ParentData='Line 9'/></Object>"
      L"</Conflicts><Updates><Object ID='4' Name='Tank'>"
      L"<Update Type='4' Name='Feeds' ProjectData='P-1' ParentData='P-2'/></Object>"
      L"</Updates></Objects>");
  const auto control = [](const DialogView& view, int id) {
    return PageControl(view, IDC_OBJECTTREE, id);
  };
  const auto text = [&](const DialogView& view, int id) {
    return control(view, id).GetWindowText();
  };
  // The description and the two choices offered for the selected conflict.
  const auto offers = [&](const DialogView& view) {
    return text(view, IDC_CONFLICTDESCRIPTION) + L"\n" + text(view, IDC_FIRSTCHOICE) + L"\n" +
           text(view, IDC_SECONDCHOICE);
  };
  showing.Run(
      DialogScript()
          .SelectTab(IDC_CONFLICTTABS, kObjectsTab)
          .Do(SelectNode(IDC_OBJECTTREE, {L"Conflicts", L"Pump", L"Duplicate Item Names"}))
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(offers(view),
                      L"Items exist in both the project and the parent with the same name.\n"
                      L"Rename Item in Project\nAccept duplicate names");
            EXPECT_TRUE(control(view, IDC_NEWNAME).IsWindowVisible());
            EXPECT_FALSE(control(view, IDC_NEWNAME).IsWindowEnabled()) << "not renaming yet";
            EXPECT_EQ(text(view, IDC_NEWNAME), L"");
          })
          .Do(ClickButton(IDC_OBJECTTREE, IDC_FIRSTCHOICE))
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(showing.Resolution(kObjectItems, 0, 0), 7);
            EXPECT_TRUE(control(view, IDC_NEWNAME).IsWindowEnabled());
          })
          .Do([&](DialogView& view) {
            control(view, IDC_NEWNAME).SetWindowText(L"Pump 3");
            return std::string();
          })
          .Do(SelectNode(IDC_OBJECTTREE,
                         {L"Conflicts", L"Pump", L"Association Change in Parent & Project"}))
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(offers(view),
                      L"The association 'Pump' has been changed in both the project and the "
                      L"parent.\nAccept association from project 'Line 7'\n"
                      L"Accept association from parent 'Line 9'");
            EXPECT_FALSE(control(view, IDC_NEWNAME).IsWindowVisible());
          })
          .Do(ClickButton(IDC_OBJECTTREE, IDC_SECONDCHOICE))
          .Inspect([&](DialogView&) { EXPECT_EQ(showing.Resolution(kObjectItems, 0, 1), 1); })
          .Do(ClickButton(IDC_OBJECTTREE, IDC_FIRSTCHOICE))
          .Inspect([&](DialogView&) { EXPECT_EQ(showing.Resolution(kObjectItems, 0, 1), 2); })
          // Back on the duplicate: accepting it keeps the typed name but closes the box.
          .Do(SelectNode(IDC_OBJECTTREE, {L"Conflicts", L"Pump", L"Duplicate Item Names"}))
          .Inspect([&](DialogView& view) {
            EXPECT_TRUE(control(view, IDC_NEWNAME).IsWindowEnabled());
            EXPECT_EQ(text(view, IDC_NEWNAME), L"Pump 3");
          })
          .Do(ClickButton(IDC_OBJECTTREE, IDC_SECONDCHOICE))
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(showing.Resolution(kObjectItems, 0, 0), 8);
            EXPECT_FALSE(control(view, IDC_NEWNAME).IsWindowEnabled());
          })
          .Do(SelectNode(IDC_OBJECTTREE, {L"Updates", L"Tank", L"Association changed in Parent"}))
          .Inspect([&](DialogView& view) {
            EXPECT_EQ(text(view, IDC_CONFLICTDESCRIPTION),
                      L"The association 'Feeds' has been changed from 'P-1' to 'P-2' in the "
                      L"parent project.");
            EXPECT_FALSE(control(view, IDC_FIRSTCHOICE).IsWindowVisible());
            EXPECT_FALSE(control(view, IDC_NEWNAME).IsWindowVisible());
          })
          .Click(IDCANCEL));
  EXPECT_EQ(std::wstring(showing.model.Conflicts(kObjectItems)[0]->details[0]->data.c_str()),
            L"Pump 3");
}

// An item with two attribute conflicts, and an attribute update of another item.
constexpr wchar_t kTwoAttributeConflicts[] =
    L"<Attributes><Conflicts><Attribute ID='3' Name='P-101'>"
    L"<Conflict ID='31' Type='1' Name='Flow' ParentData='12' ProjectData='14' Units='m3/h'/>"
    L"<Conflict ID='32' Type='1' Name='Head' ParentData='40' ProjectData='42' Units='m'/>"
    L"</Attribute></Conflicts><Updates><Attribute ID='4' Name='P-102'><Update Name='Speed' "
    L"ParentData='1450' ProjectData='2900' Units='rpm'/></Attribute></Updates></Attributes>";

TEST(ConflictResDlg, AttributeValuesAreKeptByClickingThem) {
  Showing showing(kTwoAttributeConflicts);
  constexpr int kList = IDC_ATTRIBUTELIST;
  showing.Run(DialogScript()
                  .SelectTab(IDC_CONFLICTTABS, kAttributesTab)
                  .Inspect(Shows(kList,
                                 L"Conflicts [15]\n  P-101 [9]\n    Flow|12|14|m3/h [1]\n"
                                 L"    Head|40|42|m [1]\nUpdates [14]\n  P-102 [9]\n"
                                 L"    Speed|1450|2900|rpm [0]\n"))
                  .Do(ClickCell(kList, 2, 1))
                  .Inspect([&](DialogView& view) {
                    EXPECT_EQ(showing.Resolution(kAttributeItems, 0, 0), 1);
                    EXPECT_EQ(Count(view), L" Conflicts Remaining: 1");
                  })
                  .Do(ClickCell(kList, 2, 2))
                  .Do(ClickCell(kList, 3, 3))      // "Units" takes no choice,
                  .Do(ClickCell(kList, 1, 0, 60))  // nor the first column beside the box
                  .Inspect([&](DialogView& view) {
                    EXPECT_EQ(showing.Resolution(kAttributeItems, 0, 0), 2);
                    EXPECT_EQ(showing.Resolution(kAttributeItems, 0, 1), 0);
                  })
                  .Do(ClickCell(kList, 1, 0, 16 + 12))  // the box of P-101
                  .Inspect(Shows(kList,
                                 L"Conflicts [15]\n  P-101 [9]\nUpdates [14]\n  P-102 [9]\n"
                                 L"    Speed|1450|2900|rpm [0]\n"))
                  .Do(Key(kList, 0, VK_SUBTRACT))
                  .Do(Key(kList, 0, VK_ADD))
                  .Do(Key(kList, 1, VK_ADD))
                  .Do(ClickCell(kList, 3, 1))
                  .Inspect(Shows(kList,
                                 L"Conflicts [2]\n  P-101 [2]\n    Flow|12|14|m3/h [2]\n"
                                 L"    Head|40|42|m [2]\nUpdates [14]\n  P-102 [9]\n"
                                 L"    Speed|1450|2900|rpm [0]\n"))
                  .Screenshot(L"conflictres-attributes.png")
                  .Click(IDCANCEL));
  EXPECT_EQ(showing.Resolution(kAttributeItems, 0, 1), 1);
}

// Rows opening or closing above the selected row move it, not the selection.
TEST(ConflictResDlg, TheSelectionStaysWithItsRowAsRowsOpenAndClose) {
  Showing showing(kTwoAttributeConflicts);
  constexpr int kList = IDC_ATTRIBUTELIST;
  const auto selected = [](const DialogView& view, int flags) {
    return static_cast<int>(SendMessageW(FindControl(view.hwnd(), kList), LVM_GETNEXTITEM,
                                         static_cast<WPARAM>(-1), flags));
  };
  const auto select = [](int row) {
    return [=](DialogView& view) {
      conflicttest::SelectRow(FindControl(view.hwnd(), kList), row);
      return std::string();
    };
  };
  const auto expectRow = [&](int row) {
    return [=](DialogView& view) {
      EXPECT_EQ(selected(view, LVNI_SELECTED), row);
      EXPECT_EQ(selected(view, LVNI_FOCUSED), row);
    };
  };
  showing.Run(DialogScript()
                  .SelectTab(IDC_CONFLICTTABS, kAttributesTab)
                  .Do(select(5))                        // P-102
                  .Do(ClickCell(kList, 1, 0, 16 + 12))  // P-101 closes
                  .Inspect(expectRow(3))
                  .Do(ClickCell(kList, 1, 0, 16 + 12))  // and opens again
                  .Inspect(expectRow(5))
                  .Do(select(2))  // Flow, under P-101
                  .Do(ClickCell(kList, 1, 0, 16 + 12))
                  .Inspect(expectRow(-1))
                  .Click(IDCANCEL));
}

// What a list shows selected and focused: the same row, or -2 when they differ.
int SelectedRow(const DialogView& view, int list) {
  const auto next = [&](int flags) {
    return static_cast<int>(SendMessageW(FindControl(view.hwnd(), list), LVM_GETNEXTITEM,
                                         static_cast<WPARAM>(-1), flags));
  };
  return next(LVNI_SELECTED) == next(LVNI_FOCUSED) ? next(LVNI_SELECTED) : -2;
}

// Types a search in a list, after a pause that ends the one before, and checks the row it
// reaches.
DialogScript& Search(DialogScript& script, int list, const wchar_t* text, int row) {
  return script.Pause(600).TypeKeys(text).Inspect(
      [=](DialogView& view) { EXPECT_EQ(SelectedRow(view, list), row) << "typing " << text; });
}

Step SelectRow(int list, int row) {
  return [=](DialogView& view) {
    conflicttest::SelectRow(FindControl(view.hwnd(), list), row);
    return std::string();
  };
}

// Typing in a list goes to the row whose first text begins with what was typed, from the
// row after the focused one on; Space on its own then makes the choice a click in "Parent"
// makes, and once more the one of "Project"; Enter still confirms the dialog.
TEST(ConflictResDlg, AttributeConflictsAreFoundByTypingAndResolvedWithTheKeyboard) {
  Showing showing(
      L"<Attributes><Conflicts><Attribute ID='3' Name='P-101'>"
      L"<Conflict ID='31' Type='1' Name='Flow' ParentData='12' ProjectData='14'/>"
      L"<Conflict ID='32' Type='1' Name='Temperature' ParentData='40' ProjectData='42'/>"
      L"<Conflict ID='33' Type='1' Name='Torque' ParentData='5' ProjectData='6'/>"
      L"</Attribute></Conflicts></Attributes>");
  constexpr int kList = IDC_ATTRIBUTELIST;
  const auto resolutions = [&](LONG flow, LONG temperature, LONG torque) {
    return [=, &showing](DialogView&) {
      EXPECT_EQ(showing.Resolution(kAttributeItems, 0, 0), flow);
      EXPECT_EQ(showing.Resolution(kAttributeItems, 0, 1), temperature);
      EXPECT_EQ(showing.Resolution(kAttributeItems, 0, 2), torque);
    };
  };
  DialogScript script;
  script.SelectTab(IDC_CONFLICTTABS, kAttributesTab).Focus(kList).Do(SelectRow(kList, 2));  // Flow
  Search(script, kList, L"t", 3);
  Search(script, kList, L"t", 4);
  Search(script, kList, L"te", 3);
  const INT_PTR result = showing.Run(
      script.Pause(600)  // Space on its own, once the search is over
          .Press(VK_SPACE)
          .Inspect(resolutions(0, 1, 0))
          .Inspect([](DialogView& view) { EXPECT_EQ(Count(view), L" Conflicts Remaining: 2"); })
          .Press(VK_SPACE)
          .Inspect(resolutions(0, 2, 0))
          .Pause(600)
          .TypeKeys(L"p")
          .Pause(600)
          .Press(VK_SPACE)  // an item row takes no choice
          .Inspect([](DialogView& view) { EXPECT_EQ(SelectedRow(view, kList), 1); })
          .Inspect(resolutions(0, 2, 0))
          .Press(VK_RETURN));
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(showing.ws.Requests(), 1);
  EXPECT_EQ(showing.ws.Request(1),
            L"<UpdateProject Initialise=\"vt3:0\"><Attribute ID=\"vt3:3\" ConflictID=\"vt3:32\" "
            L"Type=\"vt3:1\" Resolution=\"vt3:2\"/></UpdateProject>");
}

// A blank typed inside a search is part of the name searched for, not the keyboard's click
// on the row the search has reached so far; Space on its own still makes the choice.
TEST(ConflictResDlg, ABlankInsideASearchSearchesAndSpaceAloneChooses) {
  Showing showing(
      L"<Attributes><Conflicts><Attribute ID='3' Name='P-101'>"
      L"<Conflict ID='31' Type='1' Name='Flow' ParentData='12' ProjectData='14'/>"
      L"<Conflict ID='32' Type='1' Name='Flow rate' ParentData='3' ProjectData='4'/>"
      L"<Conflict ID='33' Type='1' Name='Torque' ParentData='5' ProjectData='6'/>"
      L"</Attribute></Conflicts></Attributes>");
  constexpr int kList = IDC_ATTRIBUTELIST;
  DialogScript script;
  script.SelectTab(IDC_CONFLICTTABS, kAttributesTab).Focus(kList).Do(SelectRow(kList, 1));
  script.Pause(600).TypeAtPace(L"flow rate").Inspect([&](DialogView& view) {
    EXPECT_EQ(SelectedRow(view, kList), 3) << "Flow rate";
    for (int i = 0; i < 3; ++i) EXPECT_EQ(showing.Resolution(kAttributeItems, 0, i), 0) << i;
  });
  const INT_PTR result = showing.Run(script.Pause(600).Press(VK_SPACE).Press(VK_RETURN));
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(showing.ws.Requests(), 1);
  EXPECT_EQ(showing.ws.Request(1),
            L"<UpdateProject Initialise=\"vt3:0\"><Attribute ID=\"vt3:3\" ConflictID=\"vt3:32\" "
            L"Type=\"vt3:1\" Resolution=\"vt3:1\"/></UpdateProject>");
}

// Every page's choices are reached and made with the keyboard alone: the pages turn with
// Ctrl+Tab, Tab reaches the choices of a selected case or object conflict though neither is
// made yet, arrows and Space choose, and Enter sends what was chosen.
TEST(ConflictResDlg, EveryKindOfConflictIsResolvedWithTheKeyboardAlone) {
  Showing showing(
      L"<Cases><Conflicts><Case ID='5' Name='Winter'><Conflict ID='51' Type='3'/></Case>"
      L"</Conflicts></Cases>"
      L"<Objects><Conflicts><Object ID='1' Name='Pump'>"
      L"<Conflict ID='11' Type='5' ProjectData='Valve' ParentData='Pump'/></Object></Conflicts>"
      L"</Objects>"
      L"<Attributes><Conflicts><Attribute ID='3' Name='P-101'>"
      L"<Conflict ID='31' Type='1' Name='Flow' ParentData='12' ProjectData='14'/>"
      L"</Attribute></Conflicts></Attributes>"
      L"<Datasheets><Conflicts><Datasheet ID='8' Name='DS-1'><Conflict ID='81' Type='1'/>"
      L"</Datasheet></Conflicts></Datasheets>"
      L"<Diagrams><Conflicts><Diagram ID='9' Name='PID-1'><Conflict ID='91' Type='1'/>"
      L"</Diagram></Conflicts></Diagrams>");
  const auto focused = [](int id) {
    return [id](DialogView& view) { EXPECT_TRUE(view.HasFocus(id)) << id; };
  };
  DialogScript script;
  // From the top of a tree or list down to the row: the tree's conflict is under its root
  // and its item.
  const auto down = [&script](int rows) -> DialogScript& {
    script.Press(VK_HOME);
    for (int i = 0; i < rows; ++i) script.Press(VK_DOWN);
    return script;
  };
  script.Inspect(focused(IDC_CASETREE));
  down(2).Press(VK_TAB).Inspect(focused(IDC_FIRSTCHOICE));
  script.Press(VK_SPACE)  // "Rename Case in Project"
      .Press(VK_TAB)
      .Inspect(focused(IDC_NEWNAME));
  script.TypeAtPace(L"Winter 2").Press(VK_TAB, MOD_CONTROL).Inspect(focused(IDC_OBJECTTREE));
  down(2).Press(VK_TAB).Inspect(focused(IDC_FIRSTCHOICE));
  script.Press(VK_DOWN)  // "Accept class 'Pump' from parent"
      .Press(VK_TAB, MOD_CONTROL)
      .Inspect(focused(IDC_ATTRIBUTELIST));
  down(2).Press(VK_SPACE);  // the parent's value
  script.Press(VK_TAB, MOD_CONTROL).Inspect(focused(IDC_DATASHEETLIST));
  down(1).Press(VK_SPACE);  // the parent's side
  script.Press(VK_TAB, MOD_CONTROL).Inspect(focused(IDC_DIAGRAMLIST));
  down(1).Press(VK_SPACE).Press(VK_SPACE);  // the project's side
  script.Inspect([](DialogView& view) { EXPECT_EQ(Count(view), L" Conflicts Remaining: 0"); })
      .Press(VK_RETURN);
  EXPECT_EQ(showing.Run(std::move(script)), IDOK);
  ASSERT_EQ(showing.ws.Requests(), 1);
  EXPECT_EQ(showing.ws.Request(1),
            L"<UpdateProject Initialise=\"vt3:0\">"
            L"<Case ID=\"vt3:5\" ConflictID=\"vt3:51\" Type=\"vt3:3\" Resolution=\"vt3:7\" "
            L"Data=\"vt8:Winter 2\"/>"
            L"<Object ID=\"vt3:1\" ConflictID=\"vt3:11\" Type=\"vt3:5\" Resolution=\"vt3:1\"/>"
            L"<Attribute ID=\"vt3:3\" ConflictID=\"vt3:31\" Type=\"vt3:1\" Resolution=\"vt3:1\"/>"
            L"<Object ID=\"vt3:8\" ConflictID=\"vt3:81\" Type=\"vt3:1\" Resolution=\"vt3:3\"/>"
            L"<Object ID=\"vt3:9\" ConflictID=\"vt3:91\" Type=\"vt3:1\" Resolution=\"vt3:5\"/>"
            L"</UpdateProject>");
}

TEST(ConflictResDlg, DocumentsAreFoundByTypingAndResolvedWithTheKeyboard) {
  const DocumentsPage pages[] = {{kDatasheetsTab, IDC_DATASHEETLIST, kDatasheetItems, L"Datasheet"},
                                 {kDiagramsTab, IDC_DIAGRAMLIST, kDiagramItems, L"Diagram"}};
  for (const auto& c : pages) {
    const std::wstring element = c.text;
    const auto document = [&](const wchar_t* id, const wchar_t* name, const wchar_t* type) {
      return L"<" + element + L" ID='" + id + L"' Name='" + name + L"'><Conflict ID='" + id +
             L"1' Type='" + type + L"'/></" + element + L">";
    };
    Showing showing((L"<" + element + L"s><Conflicts>" + document(L"1", L"Feed", L"5") +
                     document(L"2", L"Flare", L"1") + document(L"3", L"filter", L"5") +
                     L"</Conflicts></" + element + L"s>")
                        .c_str());
    DialogScript script;
    script.SelectTab(IDC_CONFLICTTABS, c.tab).Focus(c.list);
    Search(script, c.list, L"f", 1);
    Search(script, c.list, L"f", 2);
    Search(script, c.list, L"FI", 3).Pause(600).Press(VK_SPACE);  // without regard to case
    Search(script, c.list, L"fl", 2).Pause(600).Press(VK_SPACE).Press(VK_SPACE);
    showing.Run(script.Click(IDCANCEL));
    EXPECT_EQ(showing.Resolution(c.kind, 0, 0), 0) << c.tab;
    EXPECT_EQ(showing.Resolution(c.kind, 1, 0), 5) << c.tab;
    EXPECT_EQ(showing.Resolution(c.kind, 2, 0), 1) << c.tab;
  }
}

// The header shows "&" as itself, not as the mark of a mnemonic.
TEST(ConflictResDlg, ListHeadersShowTheirTitlesAsWritten) {
  Showing showing(L"");
  // The width the header's text takes as the header draws it, beside that of the title.
  const auto widths = [](HWND list) {
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    wchar_t text[64] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(header, HDM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    plat::WindowDC dc(header);
    plat::SelectObjectScope font(dc,
                                 reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0)));
    RECT shown{}, title{};
    DrawTextW(dc, text, -1, &shown, DT_CALCRECT | DT_SINGLELINE);
    DrawTextW(dc, L"Conflicts & Updates", -1, &title, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return std::pair{shown.right, title.right};
  };
  showing.Run(DialogScript()
                  .Inspect([&](DialogView& view) {
                    for (int list : {IDC_ATTRIBUTELIST, IDC_DATASHEETLIST, IDC_DIAGRAMLIST}) {
                      const auto [shown, title] = widths(FindControl(view.hwnd(), list));
                      EXPECT_EQ(shown, title) << list;
                    }
                  })
                  .Click(IDCANCEL));
}

// Alt held down (or let go) across the steps that follow, as the keyboard state tells it.
Step HoldAlt(bool down) {
  return [=](DialogView&) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_MENU] = down ? 0x80 : 0;
    SetKeyboardState(state);
    return std::string();
  };
}

// The pages turn with the keys of tabbed dialogs, round the ends, and a focus on the page
// that goes moves to the new one.
TEST(ConflictResDlg, PagesTurnWithTheKeyboard) {
  Showing showing(L"");
  const auto on = [](Tab tab, int focused) {
    return [=](DialogView& view) {
      EXPECT_EQ(SendMessageW(view.Item(IDC_CONFLICTTABS), TCM_GETCURSEL, 0, 0), tab);
      EXPECT_TRUE(view.IsVisible(focused)) << tab;
      EXPECT_TRUE(view.HasFocus(focused)) << tab;
    };
  };
  const auto stays = [](DialogView& view) {
    EXPECT_EQ(SendMessageW(view.Item(IDC_CONFLICTTABS), TCM_GETCURSEL, 0, 0), kCasesTab);
  };
  showing.Run(DialogScript()
                  .Focus(IDC_CASETREE)
                  .Press(VK_TAB, MOD_CONTROL)
                  .Inspect(on(kObjectsTab, IDC_OBJECTTREE))
                  .Press(VK_NEXT, MOD_CONTROL)
                  .Inspect(on(kAttributesTab, IDC_ATTRIBUTELIST))
                  .Press(VK_PRIOR, MOD_CONTROL)
                  .Inspect(on(kObjectsTab, IDC_OBJECTTREE))
                  .Press(VK_TAB, MOD_CONTROL | MOD_SHIFT)
                  .Inspect(on(kCasesTab, IDC_CASETREE))
                  .Press(VK_TAB, MOD_CONTROL | MOD_SHIFT)
                  .Inspect(on(kDiagramsTab, IDC_DIAGRAMLIST))
                  .Press(VK_NEXT, MOD_CONTROL)
                  .Inspect(on(kCasesTab, IDC_CASETREE))
                  // Tab alone still moves between the controls.
                  .Press(VK_TAB)
                  .Inspect([](DialogView& view) {
                    EXPECT_EQ(SendMessageW(view.Item(IDC_CONFLICTTABS), TCM_GETCURSEL, 0, 0),
                              kCasesTab);
                    EXPECT_FALSE(view.HasFocus(IDC_CASETREE));
                  })
                  // AltGr is Ctrl+Alt: it types characters and turns no page.
                  .Focus(IDC_CASETREE)
                  .Do(HoldAlt(true))
                  .Press(VK_NEXT, MOD_CONTROL)
                  .Inspect(stays)
                  .Press(VK_TAB, MOD_CONTROL)
                  .Inspect(stays)
                  .Press(VK_PRIOR, MOD_CONTROL)
                  .Inspect(stays)
                  .Do(HoldAlt(false))
                  .Click(IDCANCEL));
  DialogView none(nullptr);
  HoldAlt(false)(none);  // also when the script ended early
}

// A page fills itself when it first shows, once: what was chosen there stays as it was when
// the user comes back to it.
TEST(ConflictResDlg, PagesFillWhenFirstShownAndKeepWhatWasChosen) {
  Showing showing(
      L"<Cases><Conflicts><Case ID='5' Name='Winter'><Conflict Type='3'/></Case></Conflicts>"
      L"</Cases><Objects><Conflicts><Object ID='1' Name='Pump'><Conflict Type='5'/>"
      L"<Conflict Type='1'/></Object></Conflicts></Objects>"
      L"<Diagrams><Conflicts><Diagram ID='2' Name='PID-1'><Conflict Type='1'/></Diagram>"
      L"</Conflicts></Diagrams>");
  const auto nodes = [](const DialogView& view, int tree) {
    return SendMessageW(FindControl(view.hwnd(), tree), TVM_GETCOUNT, 0, 0);
  };
  const auto rows = [](const DialogView& view, int list) {
    return SendMessageW(FindControl(view.hwnd(), list), LVM_GETITEMCOUNT, 0, 0);
  };
  constexpr wchar_t kChosen[] =
      L"Conflicts [11]\n  Pump [9]\n    Class Change [2]\n    Parent Item Deleted [1]\n";
  showing.Run(DialogScript()
                  .Inspect([&](DialogView& view) {
                    EXPECT_EQ(nodes(view, IDC_CASETREE), 3);
                    EXPECT_EQ(nodes(view, IDC_OBJECTTREE), 0);
                    EXPECT_EQ(rows(view, IDC_DIAGRAMLIST), 0);
                  })
                  .SelectTab(IDC_CONFLICTTABS, kObjectsTab)
                  .Do(SelectNode(IDC_OBJECTTREE, {L"Conflicts", L"Pump", L"Class Change"}))
                  .Do(ClickButton(IDC_OBJECTTREE, IDC_SECONDCHOICE))
                  .SelectTab(IDC_CONFLICTTABS, kDiagramsTab)
                  .Do(Key(IDC_DIAGRAMLIST, 1, VK_ADD))
                  .SelectTab(IDC_CONFLICTTABS, kObjectsTab)
                  .Inspect([&](DialogView& view) {
                    EXPECT_EQ(TreeText(FindControl(view.hwnd(), IDC_OBJECTTREE)), kChosen);
                  })
                  .SelectTab(IDC_CONFLICTTABS, kDiagramsTab)
                  .Inspect(Shows(IDC_DIAGRAMLIST,
                                 L"Conflicts [23]\n  PID-1 [21]\n    Parent Item Deleted [1]\n"))
                  .Click(IDCANCEL));
  EXPECT_EQ(showing.Resolution(kObjectItems, 0, 0), 1);
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
  constexpr int kList = IDC_DATASHEETLIST;
  showing.Run(
      DialogScript()
          .SelectTab(IDC_CONFLICTTABS, kDatasheetsTab)
          .Inspect(Shows(kList, L"Conflicts [19]\n  DS-1 [17]\nUpdates [18]\n  DS-2 [17]\n"))
          .Do(ClickCell(kList, 1, 1))
          .Do(Key(kList, 3, VK_ADD))
          .Do(Key(kList, 1, VK_ADD))
          .Inspect(Shows(kList,
                         L"Conflicts [2]\n  DS-1 [2]\n    Parent Item Deleted [1]\n"
                         L"    DS-1a [17]\nUpdates [18]\n  DS-2 [17]\n"
                         L"    Deleted in Parent [0]\n    DS-2a [17]\n"))
          .Screenshot(L"conflictres-datasheets.png")
          // Only a top-level document takes a choice.
          .Do(ClickCell(kList, 3, 2))
          .Do(ClickCell(kList, 2, 2))
          .Inspect([](DialogView& view) { EXPECT_EQ(Count(view), L" Conflicts Remaining: 0"); })
          .SelectTab(IDC_CONFLICTTABS, kDiagramsTab)
          .Do(Key(IDC_DIAGRAMLIST, 1, VK_ADD))
          .Inspect(
              Shows(IDC_DIAGRAMLIST, L"Updates [22]\n  PID-2 [21]\n    Deleted in Parent [0]\n"))
          .Screenshot(L"conflictres-diagrams.png")
          .Click(IDCANCEL));
  // Every conflict of the document and of its nested ones, by type.
  EXPECT_EQ(showing.Resolution(kDatasheetItems, 0, 0), 3);
  EXPECT_EQ(showing.Resolution(kDatasheetItems, 0, 1), 1);
  EXPECT_EQ(showing.Resolution(kDatasheetItems, 0, 0, 0), 6);
}

TEST(ConflictResDlg, DocumentsTakeEitherSideAndShowWhichIsChosen) {
  const DocumentsPage cases[] = {
      {kDatasheetsTab, IDC_DATASHEETLIST, kDatasheetItems,
       L"<Datasheets><Conflicts><Datasheet ID='8' Name='DS-1'><Conflict ID='81' Type='1'/>"
       L"<Conflict ID='82' Type='2'/><Conflict ID='83' Type='5'/><Datasheet ID='9' Name='DS-1a'>"
       L"<Conflict ID='91' Type='2'/></Datasheet></Datasheet></Conflicts></Datasheets>"},
      {kDiagramsTab, IDC_DIAGRAMLIST, kDiagramItems,
       L"<Diagrams><Conflicts><Diagram ID='8' Name='PID-1'><Conflict ID='81' Type='1'/>"
       L"<Conflict ID='82' Type='2'/><Conflict ID='83' Type='5'/><Diagram ID='9' Name='PID-1a'>"
       L"<Conflict ID='91' Type='2'/></Diagram></Diagram></Conflicts></Diagrams>"},
  };
  for (const auto& c : cases) {
    Showing showing(c.text);
    using Picture = std::vector<COLORREF>;
    Picture chosen, other;
    const auto picture = [&c](const DialogView& view, int column) {
      return conflicttest::CellPicture(FindControl(view.hwnd(), c.list), 1, column);
    };
    showing.Run(DialogScript()
                    .SelectTab(IDC_CONFLICTTABS, c.tab)
                    .Inspect([&](DialogView& view) {
                      EXPECT_EQ(picture(view, 1), picture(view, 2)) << "neither side is chosen yet";
                    })
                    .Do(ClickCell(c.list, 1, 1))
                    .Inspect([&](DialogView& view) {
                      chosen = picture(view, 1);
                      other = picture(view, 2);
                      EXPECT_NE(chosen, other) << "the parent's side is marked";
                    })
                    .Do(ClickCell(c.list, 1, 2))
                    .Inspect([&](DialogView& view) {
                      EXPECT_EQ(picture(view, 2), chosen) << "the project's side is marked now";
                      EXPECT_EQ(picture(view, 1), other);
                      EXPECT_EQ(Count(view), L" Conflicts Remaining: 0");
                    })
                    .Click(IDCANCEL));
    // The project's side: deletions are reinstated or carried out, the rest kept as in
    // the project, also in the nested document.
    EXPECT_EQ(showing.Resolution(c.kind, 0, 0), 5) << c.tab;
    EXPECT_EQ(showing.Resolution(c.kind, 0, 1), 4) << c.tab;
    EXPECT_EQ(showing.Resolution(c.kind, 0, 2), 2) << c.tab;
    EXPECT_EQ(showing.Resolution(c.kind, 0, 0, 0), 4) << c.tab;
  }
}

TEST(ConflictResDlg, AFailedCommitIsShownAndTheDialogStillEndsWithOk) {
  plat::com_ptr<IWQStandinClientTools> tools;
  ASSERT_EQ(wqstandins::CreateClientTools(tools), S_OK);
  Showing showing(
      L"<Cases><Conflicts><Case ID='5' Name='Winter'>"
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
                              EXPECT_EQ(limits.ptMinTrackSize.x,
                                        view.ScreenRect().right - view.ScreenRect().left);
                            })
                            .Click(IDOK)),
            IDOK);
  LONG shown = 0;
  tools->get_ErrorCount(&shown);
  ASSERT_EQ(shown, 1);
  EXPECT_EQ(
      wqstandins::ErrorDescription(tools.get(), 1)
          .rfind(L"<WQError Desc=\"Failed to retrieve Conflict resolution data\" HR=\"E_FAIL\" />",
                 0),
      0u);
  LONGLONG window = 0;
  tools->get_ErrorWindow(1, &window);
  EXPECT_EQ(reinterpret_cast<HWND>(window), page);
  EXPECT_EQ(showing.Resolution(kCaseItems, 0, 0), 3);
}

}  // namespace
