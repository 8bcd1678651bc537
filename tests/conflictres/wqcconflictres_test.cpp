// WQCConflictResolution through COM, as clients meet it: the initial request, the two
// "exist" answers, the dialogs' results and the error texts.
#include <gtest/gtest.h>

#include <functional>

#include "WQCGenericSvcs.h"
#include "conflicttest.h"
#include "resources/resource.h"

namespace {

using conflicttest::kServer;
using wqtest::DialogScript;

constexpr VARIANT_BOOL kSentinel = 0x5EA;

class ConflictResolutionTest : public wqtest::NoLeaks {
 protected:
  ConflictResolutionTest() : NoLeaks(L"WQCGenericSvcs.dll") {}
  void SetUp() override {
    ASSERT_EQ(CoCreateInstance(__uuidof(WQCConflictResolution), nullptr, CLSCTX_INPROC_SERVER,
                               __uuidof(IWQCConflictResolution), object_.put_void()),
              S_OK);
  }
  void TearDown() override {
    object_.reset();
    NoLeaks::TearDown();
  }
  HRESULT Initialize(const wchar_t* reply) {
    wqstandins::SetReply(ws_.control.get(), kServer, L"UpdateProject", reply);
    return object_->Initialize(ws_.control.get());
  }

  plat::com_ptr<IWQCConflictResolution> object_;
  conflicttest::Workspace ws_;
};

using Call = std::function<HRESULT(IWQCConflictResolution*, VARIANT_BOOL*)>;

const struct {
  const wchar_t* method;
  Call call;
} kResultMethods[] = {
    {L"ConflictsExist", [](auto* o, VARIANT_BOOL* r) { return o->ConflictsExist(r); }},
    {L"ModifiedDocumentsExist",
     [](auto* o, VARIANT_BOOL* r) { return o->ModifiedDocumentsExist(r); }},
    {L"Show", [](auto* o, VARIANT_BOOL* r) { return o->Show(0, r); }},
    {L"ShowModifiedDocuments",
     [](auto* o, VARIANT_BOOL* r) { return o->ShowModifiedDocuments(0, r); }},
};

TEST_F(ConflictResolutionTest, EveryMethodWaitsForInitialize) {
  for (const auto& m : kResultMethods) {
    VARIANT_BOOL result = kSentinel;
    EXPECT_EQ(m.call(object_.get(), &result), E_FAIL) << m.method;
    EXPECT_EQ(result, VARIANT_FALSE) << m.method;
    EXPECT_EQ(wqtest::TakeErrorDescription(),
              L"<WQError Desc=\"ConflictResolution interface not initialized\" HR=\"E_FAIL\" />")
        << m.method;
    // A null result is refused before anything else, without a message.
    EXPECT_EQ(m.call(object_.get(), nullptr), E_POINTER) << m.method;
    EXPECT_EQ(wqtest::TakeErrorDescription(), L"<WQError Src=\"WQCConflictResolution::" +
                                                  std::wstring(m.method) +
                                                  L"\" HR=\"E_POINTER\" />");
  }
}

TEST_F(ConflictResolutionTest, InitializeAsksOnceAndAnswersFromTheReply) {
  struct Case {
    const wchar_t* reply;
    VARIANT_BOOL conflicts, modified;
  } cases[] = {
      {L"<ProjectUpdates/>", VARIANT_FALSE, VARIANT_FALSE},
      // Updates alone count as something to resolve.
      {L"<ProjectUpdates><Diagrams><Updates><Diagram ID='1'><Update Type='1'/></Diagram>"
       L"</Updates></Diagrams></ProjectUpdates>",
       VARIANT_TRUE, VARIANT_FALSE},
      {L"<ProjectUpdates><Modifications><Modified ID='1' Type='Report'/></Modifications>"
       L"</ProjectUpdates>",
       VARIANT_FALSE, VARIANT_TRUE},
  };
  LONG requests = 0;
  for (const auto& c : cases) {
    ASSERT_EQ(Initialize(c.reply), S_OK) << wqtest::TakeErrorDescription();
    ASSERT_EQ(ws_.Requests(), ++requests);
    EXPECT_EQ(ws_.Target(requests), L"System.AdminServices.UpdateProject");
    EXPECT_EQ(ws_.Request(requests), L"<UpdateProject Initialise=\"vt3:1\"/>");
    VARIANT_BOOL conflicts = kSentinel, modified = kSentinel;
    EXPECT_EQ(object_->ConflictsExist(&conflicts), S_OK);
    EXPECT_EQ(object_->ModifiedDocumentsExist(&modified), S_OK);
    EXPECT_EQ(conflicts, c.conflicts) << c.reply;
    EXPECT_EQ(modified, c.modified) << c.reply;
  }
}

TEST_F(ConflictResolutionTest, InitializeFailuresSayWhy) {
  plat::com_ptr<IWQStandinWorkspace> withoutWq;
  ASSERT_EQ(wqstandins::CreateWorkspace(withoutWq, L"WQStandins.WorkspaceNoWQ"), S_OK);
  EXPECT_EQ(object_->Initialize(withoutWq.get()), E_INVALIDARG);
  EXPECT_EQ(object_->Initialize(nullptr), E_INVALIDARG);
  wqtest::TakeErrorDescription();

  struct Case {
    const wchar_t* step;
    const wchar_t* reply;
    HRESULT hr;
    const wchar_t* newest;  // the start of the error text
  } cases[] = {
      {L"CreateDataServiceCall", L"", E_ACCESSDENIED,
       L"<WQError Desc=\"Failed to create data service call object\" HR=\"E_ACCESSDENIED\" />"},
      // The server's own text is the message.
      {L"Execute", L"", E_ACCESSDENIED,
       L"<WQError Desc=\"The server is down\" HR=\"E_ACCESSDENIED\" />"},
      {nullptr, L"<ProjectUpdates><Cases><Case/></Cases></ProjectUpdates>", E_INVALIDARG,
       L"<WQError Desc=\"Failed to parse Project Update\" HR=\"E_INVALIDARG\" />"},
      // A reply of another kind is not an empty project.
      {nullptr, L"<Other/>", E_INVALIDARG,
       L"<WQError Desc=\"Failed to parse Project Update\" HR=\"E_INVALIDARG\" />"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(ws_.control->Reset(), S_OK);
    if (c.step)
      wqstandins::FailAt(ws_.control.get(), c.step, E_ACCESSDENIED, L"The server is down");
    EXPECT_EQ(Initialize(c.reply), c.hr) << c.newest;
    const std::wstring error = wqtest::TakeErrorDescription();
    EXPECT_EQ(error.substr(0, wcslen(c.newest)), c.newest) << error;
  }
  VARIANT_BOOL result = kSentinel;
  EXPECT_EQ(object_->ConflictsExist(&result), E_FAIL) << "no Initialize succeeded";
}

// A reply with one conflict already resolved, so that OK has something to send.
constexpr wchar_t kResolvedConflict[] =
    L"<ProjectUpdates><Cases><Conflicts><Case ID='5' Name='Winter'>"
    L"<Conflict ID='51' Type='1' Resolution='3'/></Case></Conflicts></Cases></ProjectUpdates>";

ULONG References(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

TEST_F(ConflictResolutionTest, AFailedInitializeKeepsNothingOfTheEarlierProject) {
  const ULONG unheld = References(ws_.wq.get());
  struct Case {
    const wchar_t* step;  // null: the reply does not parse
    const wchar_t* reply;
  } cases[] = {
      {L"Execute", kResolvedConflict},
      {nullptr, L"<ProjectUpdates><Cases><Case/></Cases></ProjectUpdates>"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(ws_.control->Reset(), S_OK);
    ASSERT_EQ(Initialize(kResolvedConflict), S_OK) << wqtest::TakeErrorDescription();
    VARIANT_BOOL exist = kSentinel;
    ASSERT_EQ(object_->ConflictsExist(&exist), S_OK);
    ASSERT_EQ(exist, VARIANT_TRUE);

    conflicttest::Workspace other(c.reply);
    if (c.step)
      wqstandins::FailAt(other.control.get(), c.step, E_ACCESSDENIED, L"The server is down");
    const ULONG otherUnheld = References(other.wq.get());
    EXPECT_TRUE(FAILED(object_->Initialize(other.control.get())));
    wqtest::TakeErrorDescription();
    EXPECT_EQ(References(ws_.wq.get()), unheld) << "the earlier workspace is let go";
    EXPECT_EQ(References(other.wq.get()), otherUnheld) << "a workspace that failed is not kept";

    // Neither the earlier project's answers nor its resolutions outlive the failure.
    exist = kSentinel;
    EXPECT_EQ(object_->ConflictsExist(&exist), E_FAIL);
    EXPECT_EQ(exist, VARIANT_FALSE);
    EXPECT_EQ(wqtest::TakeErrorDescription(),
              L"<WQError Desc=\"ConflictResolution interface not initialized\" HR=\"E_FAIL\" />");
    wqtest::DialogDriver driver;  // no dialog may appear
    EXPECT_EQ(object_->Show(0, &exist), E_FAIL);
    wqtest::TakeErrorDescription();
    EXPECT_EQ(other.Requests(), 1) << "nothing is sent after the failed read";
  }

  // The next read that succeeds is the one that counts.
  conflicttest::Workspace other(L"<ProjectUpdates/>");
  ASSERT_EQ(object_->Initialize(other.control.get()), S_OK);
  VARIANT_BOOL exist = kSentinel;
  EXPECT_EQ(object_->ConflictsExist(&exist), S_OK);
  EXPECT_EQ(exist, VARIANT_FALSE);
}

TEST_F(ConflictResolutionTest, ShowReportsACommitThatFailed) {
  plat::com_ptr<IWQStandinClientTools> tools;
  ASSERT_EQ(wqstandins::CreateClientTools(tools), S_OK);
  ASSERT_EQ(Initialize(kResolvedConflict), S_OK);
  wqstandins::FailAt(ws_.control.get(), L"Execute", E_ACCESSDENIED, L"The server is down");
  wqtest::DialogDriver driver;
  driver.Expect(DialogScript().Click(IDOK));
  VARIANT_BOOL result = kSentinel;
  EXPECT_EQ(object_->Show(0, &result), E_ACCESSDENIED);
  EXPECT_EQ(result, VARIANT_FALSE);
  const std::wstring error = wqtest::TakeErrorDescription();
  EXPECT_NE(error.find(L"<WQError Desc=\"Failed to retrieve Conflict resolution data\" "
                       L"HR=\"E_ACCESSDENIED\" />"),
            std::wstring::npos)
      << error;
  // The user has seen it once, from the dialog.
  LONG shown = 0;
  tools->get_ErrorCount(&shown);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(ws_.Requests(), 2);
  // Nothing was applied: the choices are still there to send again.
  EXPECT_EQ(object_->ConflictsExist(&result), S_OK);
  EXPECT_EQ(result, VARIANT_TRUE);

  // Once the server takes it, the same object reports success.
  wqstandins::FailAt(ws_.control.get(), L"Execute", 0);
  driver.Expect(DialogScript().Click(IDOK));
  EXPECT_EQ(object_->Show(0, &result), S_OK) << wqtest::TakeErrorDescription();
  EXPECT_EQ(result, VARIANT_TRUE);
}

// Once the server has carried the resolutions out they are applied, whatever became of its
// reply; what the reply would have told is then unknown, and the object says so rather
// than answer from an empty model.
TEST_F(ConflictResolutionTest, ACommitCarriedOutIsDoneEvenWhenItsReplyCannotBeRead) {
  plat::com_ptr<IWQStandinClientTools> tools;
  ASSERT_EQ(wqstandins::CreateClientTools(tools), S_OK);
  struct Case {
    const wchar_t* failingStep;  // null: none
    const wchar_t* reply;        // the reply to the commit
  } cases[] = {
      {nullptr, L"<ProjectUpdates><Cases><Case/></Cases></ProjectUpdates>"},
      {nullptr, L"<ProjectUpdates><Modifications>"},
      {L"get_Response", L"<ProjectUpdates/>"},
      // Not a project's updates at all: read as empty, it would say nothing is left.
      {nullptr, L"<Other/>"},
      {nullptr, L"<Other><ProjectUpdates/></Other>"},
  };
  const std::wstring unknown =
      L"<WQError Desc=\"The server's reply to the applied resolutions could not be read: the "
      L"project's conflicts are not known until Initialize reads them again\" HR=\"E_FAIL\" />";
  for (const Case& c : cases) {
    ASSERT_EQ(ws_.control->Reset(), S_OK);
    ASSERT_EQ(tools->Reset(), S_OK);
    ASSERT_EQ(Initialize(kResolvedConflict), S_OK) << wqtest::TakeErrorDescription();
    wqstandins::SetReply(ws_.control.get(), kServer, L"UpdateProject", c.reply);
    if (c.failingStep)
      wqstandins::FailAt(ws_.control.get(), c.failingStep, E_ACCESSDENIED, L"Lost");
    wqtest::DialogDriver driver;
    driver.Expect(DialogScript().Click(IDOK));
    VARIANT_BOOL result = kSentinel;
    EXPECT_EQ(object_->Show(0, &result), S_OK) << wqtest::TakeErrorDescription();
    EXPECT_EQ(result, VARIANT_TRUE) << c.reply;
    EXPECT_EQ(ws_.Requests(), 2) << "the resolutions were sent";

    // The user learns what could not be read, not that the commit failed.
    LONG shown = 0;
    tools->get_ErrorCount(&shown);
    ASSERT_EQ(shown, 1) << c.reply;
    plat::unique_bstr description;
    tools->get_ErrorDescription(1, description.put());
    const std::wstring text = description.c_str();
    EXPECT_EQ(text.rfind(L"<WQError Desc=\"The resolutions were applied, but the server's "
                         L"reply could not be read\" ",
                         0),
              0u)
        << text;
    EXPECT_EQ(text.find(L"Failed"), std::wstring::npos) << text;

    // Nothing is answered from the emptied model; a second Show shows and sends nothing.
    for (const auto& m : kResultMethods) {
      VARIANT_BOOL answer = kSentinel;
      EXPECT_EQ(m.call(object_.get(), &answer), E_FAIL) << m.method;
      EXPECT_EQ(answer, VARIANT_FALSE) << m.method;
      EXPECT_EQ(wqtest::TakeErrorDescription(), unknown) << m.method;
    }
    EXPECT_EQ(ws_.Requests(), 2);

    // The next Initialize reads the project as it now is.
    if (c.failingStep) wqstandins::FailAt(ws_.control.get(), c.failingStep, 0);
    ASSERT_EQ(Initialize(L"<ProjectUpdates><Modifications><Modified ID='1' Type='Report'/>"
                         L"</Modifications></ProjectUpdates>"),
              S_OK);
    EXPECT_EQ(object_->ModifiedDocumentsExist(&result), S_OK);
    EXPECT_EQ(result, VARIANT_TRUE);
  }
}

// Items nested as deep as a reply may nest them go through every walk over them (the
// pages' fills, the remaining count, the commit, freeing) on a thread with the 1 MB stack
// that Windows gives a thread by default.
TEST_F(ConflictResolutionTest, ItemsNestedAsDeepAsAllowedAreShownAndCommitted) {
  constexpr int kLevels = ConflictItemRecord::kMaxNesting;
  std::wstring reply = L"<ProjectUpdates>";
  for (const wchar_t* kind : {L"Case", L"Object", L"Attribute", L"Datasheet", L"Diagram"}) {
    const std::wstring item = kind;
    reply += L"<" + item + L"s><Conflicts>";
    for (int i = 1; i <= kLevels; ++i) {
      reply += L"<" + item + L" ID='" + std::to_wstring(i) + L"' Name='" + item +
               std::to_wstring(i) + L"'><Conflict ID='" + std::to_wstring(i) + L"' Type='1'" +
               (i == kLevels ? L" Resolution='3'/>" : L"/>");
    }
    for (int i = 0; i < kLevels; ++i) reply += L"</" + item + L">";
    reply += L"</Conflicts><Updates>";
    for (int i = 1; i <= kLevels; ++i) reply += L"<" + item + L" ID='" + std::to_wstring(i) + L"'>";
    reply += L"<Update Type='1'/>";
    for (int i = 0; i < kLevels; ++i) reply += L"</" + item + L">";
    reply += L"</Updates></" + item + L"s>";
  }
  reply += L"</ProjectUpdates>";

  object_.reset();
  std::wstring request;
  EXPECT_TRUE(conflicttest::RunOnThread(1 << 20, [&] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    {
      conflicttest::Workspace ws(reply.c_str());
      plat::com_ptr<IWQCConflictResolution> object;
      ASSERT_EQ(CoCreateInstance(__uuidof(WQCConflictResolution), nullptr, CLSCTX_INPROC_SERVER,
                                 __uuidof(IWQCConflictResolution), object.put_void()),
                S_OK);
      ASSERT_EQ(object->Initialize(ws.control.get()), S_OK) << wqtest::TakeErrorDescription();
      wqtest::DialogDriver driver;
      driver.Expect(DialogScript()
                        .SelectTab(IDC_CONFLICTTABS, 1)
                        .SelectTab(IDC_CONFLICTTABS, 2)
                        .SelectTab(IDC_CONFLICTTABS, 3)
                        .SelectTab(IDC_CONFLICTTABS, 4)
                        .Click(IDOK));
      VARIANT_BOOL result = kSentinel;
      EXPECT_EQ(object->Show(0, &result), S_OK) << wqtest::TakeErrorDescription();
      EXPECT_EQ(result, VARIANT_TRUE);
      if (ws.Requests() == 2) request = ws.Request(2);
    }
    CoUninitialize();
  }));
  // The deepest item's resolution was sent, once for each kind.
  size_t sent = 0;
  for (size_t at = 0;
       (at = request.find(L"ID=\"vt3:256\" ConflictID=\"vt3:256\"", at)) != std::wstring::npos;
       ++at)
    ++sent;
  EXPECT_EQ(sent, 5u) << request.substr(0, 400);
}

TEST_F(ConflictResolutionTest, TheDialogsReportOkOnlyFromTheConflictDialog) {
  ASSERT_EQ(Initialize(L"<ProjectUpdates/>"), S_OK);
  struct Case {
    const wchar_t* method;
    int button;
    VARIANT_BOOL result;
  } cases[] = {
      {L"Show", IDCANCEL, VARIANT_FALSE},
      {L"Show", IDOK, VARIANT_TRUE},
      {L"ShowModifiedDocuments", IDCANCEL, VARIANT_FALSE},
  };
  for (const auto& c : cases) {
    wqtest::DialogDriver driver;
    driver.Expect(DialogScript()
                      .Inspect([](wqtest::DialogView& view) {
                        // Without a parent window the desktop owns the dialog.
                        EXPECT_EQ(GetWindow(view.hwnd(), GW_OWNER), nullptr);
                      })
                      .Click(c.button));
    VARIANT_BOOL result = kSentinel;
    const HRESULT hr = std::wstring(c.method) == L"Show"
                           ? object_->Show(0, &result)
                           : object_->ShowModifiedDocuments(0, &result);
    EXPECT_EQ(hr, S_OK) << c.method;
    EXPECT_EQ(result, c.result) << c.method << " " << c.button;
  }
  // An empty model sends nothing on OK.
  EXPECT_EQ(ws_.Requests(), 1);
}

// A scripting client omits the parent window; the argument then counts as 0.
TEST_F(ConflictResolutionTest, LateBoundCallsMayOmitTheParentWindow) {
  ASSERT_EQ(Initialize(L"<ProjectUpdates/>"), S_OK);
  plat::com_ptr<IDispatch> dispatch;
  ASSERT_EQ(object_.query_to(dispatch), S_OK);
  LPOLESTR name = const_cast<LPOLESTR>(L"ShowModifiedDocuments");
  DISPID id = 0;
  ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  EXPECT_EQ(id, 0x60020105);
  wqtest::DialogDriver driver;
  driver.Expect(DialogScript().Click(IDCANCEL));
  DISPPARAMS none{};
  plat::unique_variant result;
  EXPECT_EQ(dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(V_VT(&result), VT_BOOL);
  EXPECT_EQ(V_BOOL(&result), VARIANT_FALSE);
}

}  // namespace
