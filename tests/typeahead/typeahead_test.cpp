// Type-ahead in every list and tree that has it, typed as a person types: one key at a time
// through the dialog's own loop, fast and at an unhurried pace, then the choice a user makes
// there; what the choice sent names the row meant.
#include <gtest/gtest.h>

#include <standinsclient.h>
#include <typeahead.h>

#include <functional>
#include <string>

#include "WQCGenericSvcs.h"
#include "accessctrl/dlgcontrolroles.h"
#include "accessctrl/dlgcontrolusers.h"
#include "accessctrl/memberselection.h"
#include "conflictres/conflictresdlg.h"
#include "conflictres/modifieddocsdlg.h"
#include "conflicttest.h"
#include "dialogobjecttest.h"
#include "workspace/dataservicerequest.h"

namespace {

using wqtest::DialogScript;
using wqtest::DialogView;

// Every list shows these rows, in this order or sorted (the last first); a row's id is its
// position here + 1. The rows that begin with the same letter are in the same order either way.
const wchar_t* const kNames[] = {L"Ax", L"Bo",   L"Bo x", L"Bo \u017e",
                                 L"X",  L"X1.5", L"X2",   L"2 Pump"};
constexpr int kRows = 8;

// Plays the typing into a script whose list has the focus.
using Typing = std::function<void(DialogScript&)>;

VARIANT Omitted() {
  VARIANT omitted;
  V_VT(&omitted) = VT_ERROR;
  V_ERROR(&omitted) = DISP_E_PARAMNOTFOUND;
  return omitted;
}

template <class I>
plat::com_ptr<I> Create(const wchar_t* progId) {
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
  plat::com_ptr<I> object;
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I), object.put_void()),
            S_OK);
  return object;
}

// Each list's dialog over the stand-ins, showing kNames; a Choose... function types into
// the list, makes the choice a user makes there and returns what the choice sent.
class TypeAhead : public testing::Test {
 public:
  void SetUp() override {
    ASSERT_EQ(ws_.control.query_to(dispatch_), S_OK);
    ASSERT_EQ(wqstandins::CreateClientTools(tools_), S_OK);
    ASSERT_EQ(wqstandins::CreateWorkspaceNodeControl(node_), S_OK);
  }

  static std::wstring Rows(const wchar_t* format) {
    std::wstring rows;
    for (int i = 0; i < kRows; ++i) {
      std::wstring row = format;
      for (const auto& [mark, text] :
           {std::pair<std::wstring, std::wstring>{L"$id", std::to_wstring(i + 1)},
            {L"$name", kNames[i]}})
        for (size_t at; (at = row.find(mark)) != std::wstring::npos;)
          row.replace(at, mark.size(), text);
      rows += row;
    }
    return rows;
  }

  // The last line of a stand-in's call log.
  static std::wstring LastCall(IWQStandinRecorder* recorder) {
    const std::wstring log = wqstandins::CallLog(recorder);
    return log.substr(log.rfind(L'\n') + 1);
  }

  // Shows a dialog under `script`.
  template <class Show>
  static auto Run(const DialogScript& script, Show show) {
    wqtest::DialogDriver driver;
    driver.Expect(script);
    return show();
  }

  // Return claims the part reached.
  std::wstring ChooseClaim(const Typing& typing) {
    const auto claim = Create<IWQCClaimDlg>(L"WQCGenericSvcs.WQCClaimDlg");
    wqstandins::SetReply(
        ws_.control.get(), kServerProgId, L"ListObjectParts",
        (L"<ListObjectParts>" +
         Rows(L"<Part OID='$id' Name='$name' Class='c' InScope='Yes' ClaimSetting='Free' "
              L"ClaimedBy='a' ClaimExtent='Whole' ClaimMode='2'/>") +
         L"</ListObjectParts>")
            .c_str());
    wqstandins::SetReply(ws_.control.get(), kServerProgId, L"ClaimObjectEx", L"");
    EXPECT_EQ(claim->Initialize(dispatch_.get(), 7, Omitted()), S_OK);
    DialogScript script;
    typing(script.Focus(IDC_CLAIMLIST));
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(Run(script.Press(VK_RETURN), [&] { return claim->ShowDialog(0LL, &ok); }), S_OK);
    EXPECT_EQ(claim->ClaimObjectEx(dispatch_.get(), Omitted(), Omitted()), S_OK);
    return wqstandins::RequestXml(ws_.control.get(), wqstandins::RequestCount(ws_.control.get()));
  }
  static std::wstring ClaimSent(int id) {
    return L"<ClaimObjectEx ObjectId=\"vt3:" + std::to_wstring(id) + L"\" ClaimSetting=\"vt3:3\"/>";
  }

  // OK associates the hold reached.
  std::wstring ChooseHold(const Typing& typing) {
    const auto hold = Create<IWQCAssocHoldDlg>(L"WQCGenericSvcs.WQCAssocHoldDlg");
    wqstandins::SetReply(
        ws_.control.get(), kServerProgId, L"ListActiveHolds",
        (L"<ActiveHolds>" + Rows(L"<Hold OID='$id' Name='$name' Date='1'>r</Hold>") +
         L"</ActiveHolds>")
            .c_str());
    DialogScript script;
    typing(script.Click(IDC_ASSOCHOLD).Focus(IDC_HOLDLIST));
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(Run(script.Click(IDOK), [&] { return hold->ShowDialog(dispatch_.get(), 0LL, &ok); }),
              S_OK);
    long selection = 0;
    hold->get_Selection(&selection);
    return L"Selection " + std::to_wstring(selection);
  }
  static std::wstring HoldSent(int id) { return L"Selection " + std::to_wstring(id); }

  // Space, once the search is over (`pause` after the typing), resolves the conflict reached
  // with the parent's value; Return sends it.
  std::wstring ChooseAttribute(const Typing& typing) {
    return ChooseAttribute(typing, PastTheSearch());
  }
  std::wstring ChooseAttribute(const Typing& typing, DWORD pause) {
    CProjectUpdates model;
    conflicttest::Load(model, L"<Attributes><Conflicts><Attribute ID='3' Name='P-101'>" +
                                  Rows(L"<Conflict ID='3$id' Type='1' Name='$name' "
                                       L"ParentData='1' ProjectData='2'/>") +
                                  L"</Attribute></Conflicts></Attributes>");
    CConflictResDlg dialog(&model, ws_.get(), GetModuleHandleW(nullptr));
    DialogScript script;
    script.SelectTab(IDC_CONFLICTTABS, 2).Focus(IDC_ATTRIBUTELIST).Do([](DialogView& view) {
      conflicttest::SelectRow(view.Item(IDC_ATTRIBUTELIST), 1);  // the attribute's row
      return std::string();
    });
    typing(script);
    EXPECT_EQ(Run(script.Pause(pause).Press(VK_SPACE).Press(VK_RETURN),
                  [&] { return dialog.DoModal(nullptr); }),
              IDOK);
    return ws_.Request(ws_.Requests());
  }
  static std::wstring AttributeSent(int id) {
    return L"<UpdateProject Initialise=\"vt3:0\"><Attribute ID=\"vt3:3\" ConflictID=\"vt3:3" +
           std::to_wstring(id) + L"\" Type=\"vt3:1\" Resolution=\"vt3:1\"/></UpdateProject>";
  }

  // On a tree page, the item reached shows its conflict under it: Down reaches that, Tab its
  // first choice, Space makes it and Return sends it.
  std::wstring ChooseTreeConflict(const Typing& typing, const std::wstring& items, int tab,
                                  int tree) {
    const std::wstring item =
        L"<" + items + L" ID='$id' Name='$name'><Conflict ID='$id1' Type='1'/></" + items + L">";
    CProjectUpdates model;
    conflicttest::Load(model, L"<" + items + L"s><Conflicts>" + Rows(item.c_str()) +
                                  L"</Conflicts></" + items + L"s>");
    CConflictResDlg dialog(&model, ws_.get(), GetModuleHandleW(nullptr));
    DialogScript script;
    typing(script.SelectTab(IDC_CONFLICTTABS, tab).Focus(tree));
    EXPECT_EQ(Run(script.Press(VK_DOWN).Press(VK_TAB).Press(VK_SPACE).Press(VK_RETURN),
                  [&] { return dialog.DoModal(nullptr); }),
              IDOK);
    return ws_.Request(ws_.Requests());
  }
  std::wstring ChooseCase(const Typing& typing) {
    return ChooseTreeConflict(typing, L"Case", 0, IDC_CASETREE);
  }
  std::wstring ChooseObject(const Typing& typing) {
    return ChooseTreeConflict(typing, L"Object", 1, IDC_OBJECTTREE);
  }
  // The first choice of a deleted one deletes it in the project.
  static std::wstring TreeSent(const wchar_t* items, int id) {
    return L"<UpdateProject Initialise=\"vt3:0\"><" + std::wstring(items) + L" ID=\"vt3:" +
           std::to_wstring(id) + L"\" ConflictID=\"vt3:" + std::to_wstring(id) +
           L"1\" Type=\"vt3:1\" Resolution=\"vt3:3\"/></UpdateProject>";
  }
  static std::wstring CaseSent(int id) { return TreeSent(L"Case", id); }
  static std::wstring ObjectSent(int id) { return TreeSent(L"Object", id); }

  // Open opens the document reached.
  std::wstring ChooseDocument(const Typing& typing) {
    CProjectUpdates model;
    conflicttest::Load(model, L"<Modifications>" +
                                  Rows(L"<Modified ID='$id' Name='$name' Type='Report'/>") +
                                  L"</Modifications>");
    CModifiedDocsDlg dialog(&model, ws_.get(), GetModuleHandleW(nullptr));
    DialogScript script;
    typing(script.Focus(IDC_MODIFIEDLIST));
    Run(script.Click(IDC_OPENDOCUMENT).Click(IDCANCEL), [&] { return dialog.DoModal(nullptr); });
    return LastCall(tools_.get());
  }
  static std::wstring DocumentSent(int id) {
    return L"OpenDocument(workspace, " + std::to_wstring(id) + L", vt8:Report)";
  }

  // Remove deletes the user or the role reached.
  template <class Dialog>
  std::wstring ChooseAccess(const Typing& typing) {
    const std::wstring users = Rows(L"<User Name='q\\$name'/>");
    const std::wstring roles = Rows(L"<Role Name='$name' Description=''/>");
    wqstandins::SetAccessControl(
        node_.get(), (L"<AccessControl><Users>" + users + L"</Users><Privileges/><Roles>" + roles +
                      L"</Roles></AccessControl>")
                         .c_str());
    Dialog dialog(ws_.get());
    DialogScript script;
    typing(script.Focus(IDC_ACCESSLIST));
    Run(script.Click(IDC_ACCESSREMOVE).Click(IDOK),
        [&] { return dialog.DoModal(nullptr, GetModuleHandleW(nullptr)); });
    return LastCall(node_.get());
  }
  static std::wstring UserSent(int id) {
    return L"DeleteUser(\"q\\" + std::wstring(kNames[id - 1]) + L"\", workspace)";
  }
  static std::wstring RoleSent(int id) {
    return L"DeleteRole(\"" + std::wstring(kNames[id - 1]) + L"\", workspace)";
  }

  // OK takes the user reached to give the role to.
  std::wstring ChooseCandidate(const Typing& typing) {
    CCMemberSelection dialog({kNames, kNames + kRows});
    DialogScript script;
    typing(script.Focus(IDC_MEMBERCANDIDATES));
    Run(script.Press(VK_RETURN),
        [&] { return dialog.DoModal(nullptr, GetModuleHandleW(nullptr)); });
    std::wstring chosen;
    for (const std::wstring& name : dialog.GetChosen()) chosen += L"Chosen " + name;
    return chosen;
  }
  static std::wstring CandidateSent(int id) { return L"Chosen " + std::wstring(kNames[id - 1]); }

  // On the Users page of a role's tab dialog, Remove takes the member reached off the role:
  // the one missing from the page is the one OK would take the role from (accounts that do
  // not resolve, as these, are refused there).
  std::wstring ChooseMember(const Typing& typing) {
    wqstandins::SetAccessControl(
        node_.get(),
        (L"<AccessControl><Users>" + Rows(L"<User Name='q\\$name'><RoleName>R</RoleName></User>") +
         L"</Users><Privileges/><Roles><Role Name='R' Description=''/></Roles>"
         L"</AccessControl>")
            .c_str());
    DlgControlRoles dialog(ws_.get());
    DialogScript roles, role;
    roles
        .Do([](DialogView& view) {
          plat::ListView(view.Item(IDC_ACCESSLIST)).SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
          return std::string();
        })
        .Click(IDC_ACCESSEDIT)
        .Click(IDOK);
    typing(role.SelectTab(IDC_TABCONTROL, 2).Focus(IDC_ROLEUSERLIST));
    std::wstring removed;
    role.Click(IDC_ROLEUSERREMOVE)
        .Inspect([&](DialogView& view) {
          const plat::ListView members(view.Item(IDC_ROLEUSERLIST));
          for (int i = 0; i < kRows; ++i) {
            const std::wstring name = std::wstring(L"q\\") + kNames[i];
            bool listed = false;
            for (int row = 0; row < members.GetItemCount(); ++row)
              listed = listed || members.GetItemText(row, 0) == name;
            if (!listed) removed += L"Removed " + name;
          }
        })
        .Click(IDCANCEL);
    wqtest::DialogDriver driver;
    driver.Expect(roles).Expect(role);
    dialog.DoModal(nullptr, GetModuleHandleW(nullptr));
    return removed;
  }
  static std::wstring MemberSent(int id) { return L"Removed q\\" + std::wstring(kNames[id - 1]); }

  // Open opens the datasheet reached.
  std::wstring ChooseDatasheet(const Typing& typing) {
    const auto open = Create<IWQCOpenDatasheetDlg>(L"WQCGenericSvcs.WQCOpenDatasheetDlg");
    for (int i = 0; i < kRows; ++i)
      EXPECT_EQ(open->AddExistingDatasheet(1, i + 1, wqtest::Bstr(kNames[i]).get(), nullptr,
                                           wqtest::Bstr(L"Base").get(), wqtest::Bstr(L"A").get(),
                                           VARIANT_TRUE, 1),
                S_OK);
    DialogScript script;
    typing(script.Focus(IDC_DOCUMENTLIST));
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(Run(script.Click(IDC_OPENDOCUMENTS), [&] { return open->ShowDialog(0LL, &ok); }),
              S_OK);
    plat::unique_bstr function;
    plat::unique_safearray ids, types;
    int tab = -1, count = -1;
    EXPECT_EQ(open->GetSelected(function.put(), ids.put(), types.put(), &tab, &count), S_OK);
    return wqtest::ArrayText(ids.get());
  }
  static std::wstring DatasheetSent(int id) { return L"3:" + std::to_wstring(id); }

  static DWORD PastTheSearch() { return plat::TypeAhead::SearchPause() + 200; }

  // Types `keys` at `pace` a key, each search beginning with `prefix`. In `keys`, '|' is a
  // pause longer than the search's, '!' a key that types nothing (F8), '#' the keypad's key
  // for the character after it with NumLock on, and '~' holds the key before down for one
  // more auto-repeat.
  static Typing Play(std::wstring keys, DWORD pace, std::wstring prefix) {
    return [=](DialogScript& script) {
      std::wstring word = prefix;
      const auto type = [&] {
        if (!word.empty()) script.TypeAtPace(word, pace);
        word.clear();
      };
      for (size_t at = 0; at < keys.size(); ++at) {
        const wchar_t key = keys[at];
        if (key == L'|' || key == L'!') {
          type();
          if (key == L'|')
            script.Pause(PastTheSearch());
          else
            script.Press(VK_F8).Pause(pace);
          word = prefix;
        } else if (key == L'#' && ++at < keys.size()) {
          type();
          const wchar_t typed = keys[at];
          script.NumLock(true)
              .Press(typed == L'.' ? VK_DECIMAL : VK_NUMPAD0 + (typed - L'0'))
              .Pause(pace)
              .NumLock(false);
        } else if (at + 1 < keys.size() && keys[at + 1] == L'~') {
          type();
          int strokes = 1;
          for (; at + 1 < keys.size() && keys[at + 1] == L'~'; ++at) ++strokes;
          script.HoldKey(key, strokes);
        } else {
          word += key;
        }
      }
      type();
    };
  }

  conflicttest::Workspace ws_;
  plat::com_ptr<IDispatch> dispatch_;
  plat::com_ptr<IWQStandinClientTools> tools_;
  plat::com_ptr<IWQStandinWorkspaceNode> node_;
};

// A name with a blank typed fast and at 300 ms a key reaches its row in every list and tree,
// and the choice sent names it; a pause longer than the search's between two words starts a
// new search with the second, from the row reached on and round the end of the list, and so
// does a key that types nothing. Backspace takes back the last character typed (the row
// reached stays), and a character that comes as VK_PACKET or from the keypad with NumLock on
// goes on with the search. The same letter typed again, at any pace or held down, steps
// through the rows that begin with it, also after a pause.
TEST_F(TypeAhead, EveryListReachesTheNameTypedAtAnyPace) {
  const struct {
    const char* name;
    const wchar_t* prefix;  // what each of its names begins with
    std::wstring (TypeAhead::*choose)(const Typing&);
    std::wstring (*sent)(int id);
  } lists[] = {
      {"claim", L"", &TypeAhead::ChooseClaim, &ClaimSent},
      {"holds", L"", &TypeAhead::ChooseHold, &HoldSent},
      {"conflict attributes", L"", &TypeAhead::ChooseAttribute, &AttributeSent},
      {"modified documents", L"", &TypeAhead::ChooseDocument, &DocumentSent},
      {"users", L"q\\", &TypeAhead::ChooseAccess<DlgControlUsers>, &UserSent},
      {"roles", L"", &TypeAhead::ChooseAccess<DlgControlRoles>, &RoleSent},
      {"a role's users", L"q\\", &TypeAhead::ChooseMember, &MemberSent},
      {"users to give a role", L"", &TypeAhead::ChooseCandidate, &CandidateSent},
      {"datasheets to open", L"", &TypeAhead::ChooseDatasheet, &DatasheetSent},
      {"conflict cases tree", L"", &TypeAhead::ChooseCase, &CaseSent},
      {"conflict objects tree", L"", &TypeAhead::ChooseObject, &ObjectSent},
  };
  const struct {
    const char* name;
    const wchar_t* keys;  // as Play reads them
    DWORD pace;
    int reaches;  // the row's id
    // In the users' lists, whose names all begin with the domain, a letter typed again after
    // it is a longer text, searched for as any other (as in the platform's lists).
    int reachesAfterDomain = 0;  // when it differs
  } typings[] = {
      {"fast", L"bo x", 30, 3},
      {"at 300 ms a key", L"bo x", 300, 3},
      {"with a pause between the words", L"bo |x", 30, 5},
      {"round the end of the list", L"x|b", 30, 2},
      {"with Backspace and VK_PACKET", L"bo x\b\u017e", 30, 4},
      {"taking back a character", L"bo x\b", 30, 3},
      {"with a key that types nothing", L"bo!x", 30, 5},
      {"with a keypad digit", L"x#2", 30, 7},
      {"with keypad digits and point", L"x#1#.#5", 300, 6},
      {"the same letter fast", L"bbb", 30, 4, 2},
      {"the same letter at 300 ms a key", L"bbb", 300, 4, 2},
      {"the same letter held down", L"b~~", 0, 4, 2},
      {"the same letter after a pause", L"b|b", 30, 3},
  };
  for (const auto& list : lists) {
    for (const auto& typed : typings) {
      const int reaches =
          *list.prefix && typed.reachesAfterDomain ? typed.reachesAfterDomain : typed.reaches;
      EXPECT_EQ((this->*list.choose)(Play(typed.keys, typed.pace, list.prefix)), list.sent(reaches))
          << list.name << ", " << typed.name;
    }
  }
}

// The conflict pages' keypad plus and minus open and close the row or the tree's item, with
// NumLock on as off: they type nothing, so Space right after them still makes the choice, and a
// letter right after them starts a new search. Space with no search going on is the tree's and
// types nothing either: a letter right after it is a search of its own.
TEST_F(TypeAhead, KeysWithAMeaningOfTheirOwnTypeNothing) {
  for (const bool numLock : {false, true}) {
    const Typing opening = [numLock](DialogScript& script) {
      script.NumLock(numLock)
          .Pause(PastTheSearch())
          .Press(VK_DOWN)
          .Press(VK_SUBTRACT)
          .Press(VK_ADD)
          .NumLock(false);
    };
    EXPECT_EQ(ChooseAttribute(opening, 0), AttributeSent(1)) << "NumLock " << numLock;
    const Typing reopening = [numLock](DialogScript& script) {
      script.NumLock(numLock)
          .TypeAtPace(L"b", 30)
          .Press(VK_SUBTRACT)
          .Press(VK_ADD)
          .TypeAtPace(L"x", 30)
          .NumLock(false);
    };
    EXPECT_EQ(ChooseCase(reopening), CaseSent(5)) << "NumLock " << numLock;
  }
  const Typing spaceFirst = [](DialogScript& script) {
    script.Pause(PastTheSearch()).Press(VK_SPACE).TypeAtPace(L"x", 30);
  };
  EXPECT_EQ(ChooseCase(spaceFirst), CaseSent(5));
}

}  // namespace
