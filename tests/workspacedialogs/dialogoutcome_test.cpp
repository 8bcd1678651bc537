// Every modal dialog of the server, ended each way a dialog ends: by its OK path, its
// Cancel, its window closed, its owner destroyed, the application's quit, and OK with a quit
// at once behind it. The answer is how the dialog ended, and only the OK path sends.
#include "claimtest.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <type_traits>

#include "accessctrl/dlgcontrolroles.h"
#include "accessctrl/dlgcontrolusers.h"

namespace {

// While a window is set here, every block this program frees is filled with that window's
// handle and kept from reuse (KeepFreedAs): an object freed while a handler of its own
// still runs, which then closes its window, closes that window instead. Only the objects
// made in this process go through here, not the registered server's.
HWND freedAs = nullptr;
void* keptBlocks[1 << 16];
size_t keptCount = 0;

void Release(void* block) noexcept {
  if (!block || !freedAs || keptCount == std::size(keptBlocks)) return std::free(block);
  const size_t size = _msize(block);
  for (size_t at = 0; at + sizeof freedAs <= size; at += sizeof freedAs)
    std::memcpy(static_cast<char*>(block) + at, &freedAs, sizeof freedAs);
  keptBlocks[keptCount++] = block;
}

class KeepFreedAs {
 public:
  explicit KeepFreedAs(HWND window) noexcept { freedAs = window; }
  ~KeepFreedAs() {
    freedAs = nullptr;
    for (; keptCount > 0; --keptCount) std::free(keptBlocks[keptCount - 1]);
  }
  KeepFreedAs(const KeepFreedAs&) = delete;
  KeepFreedAs& operator=(const KeepFreedAs&) = delete;
};

}  // namespace

void operator delete(void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }

namespace {

using claimtest::ClickRow;
using claimtest::kServer;
using wqtest::DialogScript;

enum class Ending { kOk, kCancel, kClose, kOwnerDestroyed, kQuit, kOkThenQuit };

constexpr int kQuitCode = 41;

// A client's object by ProgID, and one call on it; E_NOINTERFACE when it cannot be made.
template <class I, class Call>
HRESULT With(const wchar_t* progId, Call call) {
  CLSID clsid;
  plat::com_ptr<I> object;
  if (FAILED(CLSIDFromProgID(progId, &clsid)) ||
      FAILED(
          CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I), object.put_void())))
    return E_NOINTERFACE;
  return call(object.get());
}

// The objects whose ShowDialog takes the workspace and the owner.
template <class I>
auto ShowWithWorkspace(const wchar_t* progId) {
  return [progId](IDispatch* ws, LONGLONG owner, VARIANT_BOOL* answer) {
    return With<I>(progId, [&](I* dlg) { return dlg->ShowDialog(ws, owner, answer); });
  };
}

constexpr wchar_t kConflictResolution[] = L"WQCGenericSvcs.WQCConflictResolution";
constexpr wchar_t kAccessControl[] = L"WQCGenericSvcs.WQCAccessControl";

// The objects that take the workspace in Initialize, and then show a dialog with `show`.
template <class I, class Show>
auto InitializeThenShow(const wchar_t* progId, Show show) {
  return [progId, show](IDispatch* ws, LONGLONG owner, VARIANT_BOOL* answer) {
    return With<I>(progId, [&](I* object) {
      const HRESULT hr = object->Initialize(ws);
      return FAILED(hr) ? hr : show(object, owner, answer);
    });
  };
}

// Chooses the first entry of the list `listId`.
DialogScript ChooseFirst(int listId) { return DialogScript().Select(listId, 0); }

struct Kind {
  const wchar_t* name;
  // Shows the dialog over `owner`; `answer` is left alone by objects that answer no flag.
  std::function<HRESULT(IDispatch* workspace, LONGLONG owner, VARIANT_BOOL* answer)> show;
  DialogScript choose;      // the user's way to the OK path
  int confirm;              // and its button
  bool confirms;            // the OK path answers TRUE (a dialog that only closes does not)
  const wchar_t* sent;      // the requests of every showing, by method
  const wchar_t* sentOnOk;  // and those of its OK path
  DialogScript cancel = DialogScript().Click(IDCANCEL);
};

const Kind kKinds[] = {
    {L"select case", ShowWithWorkspace<IWQCSelectCaseDlg>(L"WQCGenericSvcs.WQCSelectCaseDlg"),
     ChooseFirst(IDC_SINGLESELECTLIST), IDOK, true, L"ListCases", L""},
    {L"select class", ShowWithWorkspace<IWQCSelectClassDlg>(L"WQCGenericSvcs.WQCSelectClassDlg"),
     ChooseFirst(IDC_SINGLESELECTLIST), IDOK, true, L"ListClasses", L""},
    {L"select object", ShowWithWorkspace<IWQCSelectObjectDlg>(L"WQCGenericSvcs.WQCSelectObjectDlg"),
     ChooseFirst(IDC_SINGLESELECTLIST), IDOK, true, L"ListObjects", L""},
    {L"select unit set",
     ShowWithWorkspace<IWQCSelectUnitSetDlg>(L"WQCGenericSvcs.WQCSelectUnitSetDlg"),
     ChooseFirst(IDC_SINGLESELECTLIST), IDOK, true, L"ListUnitSets", L""},
    {L"select datasheet",
     ShowWithWorkspace<IWQCSelectDatasheetDlg>(L"WQCGenericSvcs.WQCSelectDatasheetDlg"),
     ChooseFirst(IDC_SINGLESELECTLIST), IDOK, true, L"ListDatasheets", L""},
    {L"rename case", ShowWithWorkspace<IWQCRenameCaseDlg>(L"WQCGenericSvcs.WQCRenameCaseDlg"),
     DialogScript().SetText(IDC_NEWCASENAME, L"Fresh"), IDOK, true, L"ListCases", L""},
    // The two document dialogs are owned by the active window.
    {L"open datasheet",
     [](IDispatch*, LONGLONG, VARIANT_BOOL* answer) {
       return With<IWQCOpenDatasheetDlg>(L"WQCGenericSvcs.WQCOpenDatasheetDlg", [&](auto* dlg) {
         dlg->AddExistingDatasheet(1, 105, wqtest::Bstr(L"Tank").get(), nullptr,
                                   wqtest::Bstr(L"Base").get(), wqtest::Bstr(L"A").get(),
                                   VARIANT_TRUE, 1);
         return dlg->ShowDialog(0, answer);
       });
     },
     DialogScript().Do(ClickRow(IDC_DOCUMENTLIST, 0)), IDC_OPENDOCUMENTS, true, L"", L""},
    {L"datasheet by type",
     [](IDispatch*, LONGLONG, VARIANT_BOOL* answer) {
       return With<IWQCSelDsByTypeDlg>(L"WQCGenericSvcs.WQCSelDsByTypeDlg", [&](auto* dlg) {
         dlg->AddDatasheetTemplate(wqtest::Bstr(L"Pump").get());
         return dlg->ShowDialog(answer);
       });
     },
     ChooseFirst(IDC_TEMPLATELIST), IDOK, true, L"", L""},
    {L"associate hold", ShowWithWorkspace<IWQCAssocHoldDlg>(L"WQCGenericSvcs.WQCAssocHoldDlg"),
     DialogScript().Click(IDC_CREATEHOLD).SetText(IDC_HOLDNAME, L"H-9"), IDOK, true,
     L"ListActiveHolds", L""},
    {L"claim",
     [](IDispatch* ws, LONGLONG owner, VARIANT_BOOL* answer) {
       return With<IWQCClaimDlg>(L"WQCGenericSvcs.WQCClaimDlg", [&](auto* dlg) {
         const HRESULT hr = dlg->Initialize(ws, 7, claimtest::Omitted());
         return FAILED(hr) ? hr : dlg->ShowDialog(owner, answer);
       });
     },
     DialogScript(), IDOK, true, L"ListObjectParts", L""},
    {L"unclaim",
     [](IDispatch* ws, LONGLONG owner, VARIANT_BOOL* answer) {
       return With<IWQCUnClaimDlg>(L"WQCGenericSvcs.WQCUnClaimDlg", [&](auto* dlg) {
         VARIANT_BOOL shows = VARIANT_FALSE;
         const HRESULT hr = dlg->Initialize(ws, 5, &shows);
         return FAILED(hr) ? hr : dlg->ShowDialog(owner, answer);
       });
     },
     DialogScript(), IDOK, true, L"UnClaimObjectReport", L""},
    {L"KB selection", ShowWithWorkspace<IWQCSelectKBDlg>(L"WQCGenericSvcs.WQCSelectKBDlg"),
     ChooseFirst(IDC_KBLIST), IDOK, true, L"ListKB", L""},
    // The commit is the conflict dialog's OK path.
    {L"conflict resolution",
     InitializeThenShow<IWQCConflictResolution>(
         kConflictResolution, [](auto* object, LONGLONG owner,
                                 VARIANT_BOOL* answer) { return object->Show(owner, answer); }),
     DialogScript(), IDOK, true, L"UpdateProject", L",UpdateProject"},
    // Dialogs that only close: their Close confirms nothing.
    {L"modified documents",
     InitializeThenShow<IWQCConflictResolution>(
         kConflictResolution,
         [](auto* object, LONGLONG owner, VARIANT_BOOL* answer) {
           return object->ShowModifiedDocuments(owner, answer);
         }),
     DialogScript(), IDCANCEL, false, L"UpdateProject", L""},
    {L"roles",
     InitializeThenShow<IWQCAccessControl>(
         kAccessControl,
         [](auto* object, LONGLONG owner, VARIANT_BOOL*) { return object->ShowRoles(owner); }),
     DialogScript(), IDOK, false, L"", L"", DialogScript().Press(VK_ESCAPE)},
    {L"users",
     InitializeThenShow<IWQCAccessControl>(
         kAccessControl,
         [](auto* object, LONGLONG owner, VARIANT_BOOL*) { return object->ShowUsers(owner); }),
     DialogScript(), IDOK, false, L"", L"", DialogScript().Press(VK_ESCAPE)},
};

class DialogOutcome : public wqtest::NoLeaks {
 protected:
  DialogOutcome() : NoLeaks(L"WQCGenericSvcs.dll") {}

  void SetUp() override {
    ASSERT_EQ(wqstandins::CreateWorkspace(workspace_), S_OK);
    ASSERT_EQ(workspace_.query_to(dispatch_), S_OK);
    for (const auto& [method, reply] : {
             std::pair{L"ListCases", L"<ListCases><Case ID='3' CaseName='Design'/></ListCases>"},
             std::pair{L"ListClasses", L"<ListClasses><Class Name='PUMP'/></ListClasses>"},
             std::pair{L"ListObjects",
                       L"<ListObjects><Object OID='103' KnownName='P-103'/></ListObjects>"},
             std::pair{L"ListUnitSets", L"<UnitSets><UnitSet>SI</UnitSet></UnitSets>"},
             std::pair{L"ListDatasheets",
                       L"<ListDatasheets><Datasheet OID='4' KnownName='DS-4' "
                       L"IsProjectSummary='true'/></ListDatasheets>"},
             std::pair{L"ListActiveHolds", L"<ActiveHolds/>"},
             std::pair{L"ListObjectParts",
                       L"<ListObjectParts><Part OID='8' Name='Pump' ClaimMode='2'/>"
                       L"</ListObjectParts>"},
             std::pair{L"UnClaimObjectReport",
                       L"<UnClaimObjectReport Name='P-5' ClaimSetting='2'/>"},
             std::pair{L"ListKB",
                       L"<ListKB><KB KBName='SizeLine' Display='Size line' "
                       L"CaseFixed='1'/></ListKB>"},
         })
      wqstandins::SetReply(workspace_.get(), kServer, method, reply);
    wqstandins::SetReply(workspace_.get(), L"System.AdminServices", L"UpdateProject",
                         L"<ProjectUpdates><Cases><Conflicts><Case ID='5' Name='Winter'>"
                         L"<Conflict ID='51' Type='1' Resolution='3'/></Case></Conflicts>"
                         L"</Cases></ProjectUpdates>");
    ASSERT_EQ(wqstandins::CreateWorkspaceNodeControl(node_), S_OK);
    ASSERT_EQ(wqstandins::SetAccessControl(node_.get(),
                                           L"<AccessControl><Roles><Role Name='Readers'/></Roles>"
                                           L"<Users><User Name='ann'/></Users></AccessControl>"),
              S_OK);
  }
  void TearDown() override {
    dispatch_.reset();
    workspace_.reset();
    node_.reset();
    NoLeaks::TearDown();
  }

  // The methods of the requests after the first `from`, joined by commas.
  std::wstring SentSince(LONG from) const {
    std::wstring sent;
    for (LONG i = from + 1; i <= wqstandins::RequestCount(workspace_.get()); ++i) {
      plat::unique_bstr method;
      workspace_->get_RequestMethod(i, method.put());
      sent += (i > from + 1 ? L"," : L"") + std::wstring(method.c_str());
    }
    return sent;
  }

  static DialogScript Script(const Kind& kind, Ending ending) {
    DialogScript okPath = kind.choose;
    switch (ending) {
      case Ending::kOk: return okPath.Click(kind.confirm);
      case Ending::kOkThenQuit: return okPath.Quit(kQuitCode, kind.confirm);
      case Ending::kCancel: return kind.cancel;
      case Ending::kClose:
        return DialogScript().Do([](wqtest::DialogView& view) {
          PostMessageW(view.hwnd(), WM_CLOSE, 0, 0);
          return std::string();
        });
      case Ending::kOwnerDestroyed: return DialogScript().DestroyOwner();
      case Ending::kQuit: return DialogScript().Quit(kQuitCode);
    }
    return DialogScript();
  }

  plat::com_ptr<IWQStandinWorkspace> workspace_;
  plat::com_ptr<IDispatch> dispatch_;
  plat::com_ptr<IWQStandinWorkspaceNode> node_;
};

int TakeQuit() {
  MSG quit;
  return PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? static_cast<int>(quit.wParam)
                                                                   : -1;
}

TEST_F(DialogOutcome, TheAnswerIsHowTheDialogEnded) {
  const struct {
    Ending ending;
    const wchar_t* name;
  } endings[] = {{Ending::kOk, L"OK"},        {Ending::kCancel, L"Cancel"},
                 {Ending::kClose, L"closed"}, {Ending::kOwnerDestroyed, L"owner destroyed"},
                 {Ending::kQuit, L"quit"},    {Ending::kOkThenQuit, L"OK then quit"}};
  for (const Kind& kind : kKinds) {
    for (const auto& e : endings) {
      const std::wstring what = std::wstring(kind.name) + L", " + e.name;
      plat::unique_hwnd owner(CreateWindowExW(0, L"STATIC", L"Client",
                                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                              nullptr, nullptr, nullptr, nullptr));
      SetActiveWindow(owner.get());
      const LONG before = wqstandins::RequestCount(workspace_.get());
      VARIANT_BOOL answer = VARIANT_FALSE;
      {
        wqtest::DialogDriver driver;
        driver.Expect(Script(kind, e.ending));
        EXPECT_EQ(kind.show(dispatch_.get(), reinterpret_cast<LONGLONG>(owner.get()), &answer),
                  S_OK)
            << what << wqtest::TakeErrorDescription();
      }
      const bool ok = e.ending == Ending::kOk || e.ending == Ending::kOkThenQuit;
      EXPECT_EQ(answer, ok && kind.confirms ? VARIANT_TRUE : VARIANT_FALSE) << what;
      EXPECT_EQ(SentSince(before), std::wstring(kind.sent) + (ok ? kind.sentOnOk : L"")) << what;
      const bool quit = e.ending == Ending::kQuit || e.ending == Ending::kOkThenQuit;
      EXPECT_EQ(TakeQuit(), quit ? kQuitCode : -1) << what << ": the quit is posted again";
    }
  }
}

// A commit whose error is up when the client destroys its window: the dialog goes with the
// owner while the commit still runs, and the commit comes back to its pages and its dialog
// object. The answer is the rule's: a commit refused fails the call, one carried out (its
// reply unread) answers TRUE; a role or user dialog answers nothing.
TEST_F(DialogOutcome, AnOwnerDestroyedWhileACommitShowsItsErrorFreesNothingUnderIt) {
  plat::com_ptr<IWQStandinClientTools> tools;
  ASSERT_EQ(wqstandins::CreateClientTools(tools), S_OK);
  IWQStandinWorkspace* const workspace = workspace_.get();
  // The commit fails as `commitFails` scripts it after the model was read.
  const auto conflicts = [workspace](std::function<void()> commitFails) {
    return [workspace, commitFails](IDispatch* ws, LONGLONG owner, VARIANT_BOOL* answer) {
      return With<IWQCConflictResolution>(kConflictResolution, [&](auto* object) {
        wqstandins::FailAt(workspace, L"Execute", 0);
        const HRESULT hr = object->Initialize(ws);
        if (FAILED(hr)) return hr;
        commitFails();
        return object->Show(owner, answer);
      });
    };
  };
  // The roles and users dialogs are made in this process, so that what they free is kept.
  plat::com_ptr<IWQWorkspace> wq;
  ASSERT_EQ(workspace_.query_to(wq), S_OK);
  const auto access = [&wq](auto kind) {
    return [&wq](IDispatch*, LONGLONG owner, VARIANT_BOOL*) {
      typename decltype(kind)::type dialog(wq.get());
      dialog.DoModal(reinterpret_cast<HWND>(owner), GetModuleHandleW(nullptr));
      return dialog.HandlerError();
    };
  };
  const DialogScript add = DialogScript().Click(IDC_ACCESSADD);
  const auto sentSince = [this](LONG before) { return SentSince(before); };
  const auto nodeCalls = [this](LONG) { return wqstandins::CallLog(node_.get()); };
  const struct {
    const wchar_t* name;
    std::function<HRESULT(IDispatch* workspace, LONGLONG owner, VARIANT_BOOL* answer)> show;
    std::vector<DialogScript> scripts;
    HRESULT hr;
    VARIANT_BOOL answer;
    // Where the commit's request is recorded, given the workspace's requests before.
    std::function<std::wstring(LONG before)> log;
    const wchar_t* sent;
  } cases[] = {
      {L"conflict commit refused",
       conflicts(
           [workspace] { wqstandins::FailAt(workspace, L"Execute", E_ACCESSDENIED, L"Refused"); }),
       {DialogScript().Click(IDOK)},
       E_ACCESSDENIED,
       VARIANT_FALSE,
       sentSince,
       L"UpdateProject,UpdateProject"},
      {L"conflict reply unread",
       conflicts([workspace] {
         wqstandins::SetReply(workspace, L"System.AdminServices", L"UpdateProject",
                              L"<ProjectUpdates><Modifications>");
       }),
       {DialogScript().Click(IDOK)},
       S_OK,
       VARIANT_TRUE,
       sentSince,
       L"UpdateProject,UpdateProject"},
      {L"new role refused",
       access(std::type_identity<DlgControlRoles>()),
       {add, DialogScript().SetText(IDC_ROLENAME, L"Guests").Click(IDOK)},
       S_OK,
       VARIANT_FALSE,
       nodeCalls,
       L"AddRole(\"Guests\""},
      {L"new user refused",
       access(std::type_identity<DlgControlUsers>()),
       {add, DialogScript().Click(IDOK)},
       S_OK,
       VARIANT_FALSE,
       nodeCalls,
       L"AddUser("},
  };
  ASSERT_EQ(wqstandins::FailAt(node_.get(), L"AddRole", E_ACCESSDENIED, L"Refused"), S_OK);
  ASSERT_EQ(wqstandins::FailAt(node_.get(), L"AddUser", E_ACCESSDENIED, L"Refused"), S_OK);
  LONG shown = 0;
  for (const auto& c : cases) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"Client", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 200, 100, nullptr, nullptr, nullptr, nullptr);
    // Another window of the client's, which no dialog has any business closing.
    const plat::unique_hwnd other(CreateWindowExW(0, L"STATIC", L"Other", WS_OVERLAPPEDWINDOW, 0, 0,
                                                  200, 100, nullptr, nullptr, nullptr, nullptr));
    SetActiveWindow(owner);
    ASSERT_EQ(tools->DestroyWhileShowing(reinterpret_cast<LONGLONG>(owner)), S_OK);
    const LONG before = wqstandins::RequestCount(workspace);
    VARIANT_BOOL answer = VARIANT_FALSE;
    {
      const KeepFreedAs freed(other.get());
      wqtest::DialogDriver driver;
      for (const DialogScript& script : c.scripts) driver.Expect(script);
      EXPECT_EQ(c.show(dispatch_.get(), reinterpret_cast<LONGLONG>(owner), &answer), c.hr)
          << c.name << wqtest::TakeErrorDescription();
    }
    EXPECT_EQ(answer, c.answer) << c.name;
    const std::wstring log = c.log(before);
    EXPECT_NE(log.find(c.sent), std::wstring::npos) << c.name << ": " << log;
    LONG count = 0;
    tools->get_ErrorCount(&count);
    EXPECT_EQ(count, ++shown) << c.name << ": the commit's error is shown";
    EXPECT_FALSE(IsWindow(owner)) << c.name << ": the owner went while it showed";
    EXPECT_TRUE(IsWindow(other.get())) << c.name
                                       << ": an object freed under its handler closed "
                                          "the window its memory now named";
  }
}

}  // namespace
