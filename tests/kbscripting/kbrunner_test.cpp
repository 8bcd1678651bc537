// The KB runner against the workspace, client tools and browser stand-ins: the requests
// it makes, what it does with each kind of reply, and dialog conversations.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include <variantxml.h>

#include "WQCGenericSvcs.h"
#include "comtest.h"
#include "xmlattacks.h"
#include "kbscripting/kbrunner.h"
#include "kbtest.h"
#include "xmlstructure.h"
#include "workspace/dataservicerequest.h"

namespace {

using plat::com_ptr;
using plat::unique_bstr;
using plat::unique_variant;
using wqtest::XmlStructure;

constexpr const wchar_t* kServer = kServerProgId;
constexpr wchar_t kSimple42[] = L"<!--SimpleResponse--><Variant vt=\"3\" value=\"42\"/>";

std::wstring Dialog(const wchar_t* returnTo, const wchar_t* control, const wchar_t* extra = L"") {
  return std::wstring(L"<ScriptUI ReturnTo='") + returnTo + L"' " + extra +
         L"><DialogBox Title='Step'>" + control + L"</DialogBox></ScriptUI>";
}

class KBRun : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kbtest::ServerLoaded());
    ASSERT_EQ(wqstandins::CreateWorkspace(control_), S_OK);
    ASSERT_EQ(control_.query_to(workspace_), S_OK);
    browser_ = kbtest::ResetBrowser();
    ASSERT_TRUE(browser_);
    V_VT(&result_) = VT_I4;
    V_I4(&result_) = 5;  // a value the caller gave, to see whether the run writes it
  }

  HRESULT Rule(const wchar_t* name, VARIANT* parameters = nullptr, long caseId = 0, long doc = 0) {
    return runner_.RunRule(unique_bstr::copy(name).get(), nullptr, workspace_.get(), 0,
                           VARIANT_TRUE, &result_, caseId, doc, parameters);
  }
  HRESULT Method(const wchar_t* name, long oid, const wchar_t* raw = nullptr, long caseId = 0) {
    return runner_.RunMethod(unique_bstr::copy(name).get(), unique_bstr::copy(raw).get(), oid,
                             workspace_.get(), 0, VARIANT_TRUE, &result_, caseId, 0, nullptr);
  }
  void Reply(const wchar_t* method, const std::wstring& reply) {
    ASSERT_EQ(wqstandins::QueueReply(control_.get(), kServer, method, reply.c_str()), S_OK);
  }
  LONG RequestCount() {
    LONG count = -1;
    control_->get_RequestCount(&count);
    return count;
  }
  std::wstring RequestMethod(LONG index) {
    unique_bstr method;
    control_->get_RequestMethod(index, method.put());
    return method.c_str();
  }
  // A request by structure, values as plain text.
  std::wstring Request(LONG index) {
    return XmlStructure(wqstandins::RequestXml(control_.get(), index, false).c_str());
  }
  // Confirms the next dialog after typing into the field "Tag" (when it has one).
  void ConfirmWith(kbtest::ScriptedUser& user, const wchar_t* tag) {
    user.WhenShown(browser_.get(), [this, tag] {
      if (tag) browser_->SetValue(unique_bstr::copy(L"Tag").get(), unique_bstr::copy(tag).get());
      browser_->Click(unique_bstr::copy(L"btnOK").get());
    });
  }

  com_ptr<IWQStandinWorkspace> control_;
  com_ptr<IWQWorkspace> workspace_;
  com_ptr<IWQStandinBrowser> browser_;
  KBRunner runner_;
  unique_variant result_;
};

TEST_F(KBRun, RuleSendsItsRequestAndReturnsASimpleValue) {
  Reply(L"RunRule", kSimple42);
  unique_variant parameters;  // given but empty: still sent
  ASSERT_EQ(Rule(L"CheckLine", &parameters, 5, 31), S_OK);
  EXPECT_EQ(V_VT(&result_), VT_I4);
  EXPECT_EQ(V_I4(&result_), 42);
  ASSERT_EQ(RequestCount(), 1);
  EXPECT_EQ(RequestMethod(1), L"RunRule");
  EXPECT_EQ(
      wqstandins::RequestXml(control_.get(), 1),
      L"<KBDescriptor ActiveDocOid=\"vt3:31\" CaseID=\"vt3:5\" name=\"vt8:CheckLine\">"
      L"<UserParameters><Variant value=\"vt8:\" vt=\"vt3:0\"/></UserParameters></KBDescriptor>");
}

TEST_F(KBRun, MethodSendsItsOidAndRawTextFirst) {
  Reply(L"RunMethod", kSimple42);
  ASSERT_EQ(Method(L"Size", 17, L"<Raw a='1'/>", 2), S_OK);
  EXPECT_EQ(RequestMethod(1), L"RunMethod");
  EXPECT_EQ(Request(1), L"KBDescriptor[ActiveDocOid=0,CaseID=2,name=Size,oid=17](Raw[a=1])");
  // On object 0 no oid is sent.
  ASSERT_EQ(Method(L"Size", 0), S_OK);
  EXPECT_EQ(Request(2), L"KBDescriptor[ActiveDocOid=0,CaseID=0,name=Size]");
}

TEST_F(KBRun, EmptyReplyLeavesTheResultAlone) {
  Reply(L"RunRule", L"");
  ASSERT_EQ(Rule(L"Quiet"), S_OK);
  EXPECT_EQ(V_VT(&result_), VT_I4);
  EXPECT_EQ(V_I4(&result_), 5);
}

// A reply that cannot be read is a failure that says so, in the text a user is shown; a
// well-formed reply without a value still answers an empty (or null) result.
TEST_F(KBRun, SimpleResponseThatCannotBeReadIsAFailure) {
  std::wstring deep = L"<Variant vt=\"3\" value=\"1\"/>";
  for (int i = 0; i <= VariantHandler::kMaxDepth; ++i)
    deep = L"<Variant vt=\"8204\" value=\"\"><SafeArray type=\"12\" lbound=\"0\" count=\"1\">" +
           deep + L"</SafeArray></Variant>";
  const struct {
    std::wstring value;  // after the marker
    VARTYPE vt;          // of the result; VT_ERROR: the run fails
  } cases[] = {
      {L"<Variant vt=\"3\" value=\"42\"", VT_ERROR},
      {L"<Variant vt=\"999\" value=\"42\"/>", VT_ERROR},
      {L"<Variant vt=\"3\" value=\"many\"/>", VT_ERROR},
      {L"<Variant vt=\"2\" value=\"70000\"/>", VT_ERROR},
      {deep, VT_ERROR},
      {L"", VT_ERROR},
      {L"<Result value=\"42\"/>", VT_ERROR},
      {L"<Variant vt=\"0\" value=\"\"/>", VT_EMPTY},
      {L"<Variant vt=\"1\" value=\"\"/>", VT_NULL},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(wqstandins::SetReply(control_.get(), kServer, L"RunRule",
                                   (L"<!--SimpleResponse-->" + c.value).c_str()),
              S_OK);
    V_VT(&result_) = VT_I4;
    const HRESULT hr = Rule(L"Odd");
    const std::wstring first = wqtest::FirstErrorDescription(wqtest::TakeErrorDescription());
    if (c.vt == VT_ERROR) {
      EXPECT_EQ(hr, E_FAIL) << c.value;
      EXPECT_EQ(first.rfind(L"The reply to rule Odd ", 0), 0u) << c.value << "\n" << first;
      EXPECT_EQ(V_VT(&result_), VT_EMPTY) << c.value;
    } else {
      EXPECT_EQ(hr, S_OK) << c.value << "\n" << first;
      EXPECT_EQ(V_VT(&result_), c.vt) << c.value;
    }
  }
}

TEST_F(KBRun, ConversationOfTwoDialogsEndsWithTheSimpleValue) {
  Reply(L"RunMethod", Dialog(L"Step2", L"<EditBox id='Tag' prompt='Tag'/>",
                             L"ActiveCase='7' ActiveDocument='9'"));
  Reply(L"RunMethod", Dialog(L"Step3", L"<CheckBox id='Done' prompt='Done' Checked='1'/>"));
  Reply(L"RunMethod", kSimple42);
  kbtest::ScriptedUser user;
  ConfirmWith(user, L"P-1");
  ConfirmWith(user, nullptr);
  ASSERT_EQ(Method(L"Step1", 17), S_OK);
  EXPECT_EQ(V_I4(&result_), 42);
  ASSERT_EQ(RequestCount(), 3);
  EXPECT_EQ(Request(2),
            L"KBDescriptor[ActiveDocOid=9,CaseID=7,name=Step2,oid=17]("
            L"ScriptUIResults(Inputs(Datum[id=Tag,vt=8,value=P-1])))");
  EXPECT_EQ(Request(3),
            L"KBDescriptor[ActiveDocOid=0,CaseID=0,name=Step3,oid=17]("
            L"ScriptUIResults(Inputs(Datum[id=Done,vt=8,value=true])))");
}

TEST_F(KBRun, RuleDialogIsFollowedByARule) {
  Reply(L"RunRule", Dialog(L"Next", L"<EditBox id='Tag' prompt='Tag'/>"));
  Reply(L"RunRule", kSimple42);
  kbtest::ScriptedUser user;
  ConfirmWith(user, L"T");
  ASSERT_EQ(Rule(L"First"), S_OK);
  EXPECT_EQ(RequestMethod(2), L"RunRule");
  EXPECT_EQ(Request(2),
            L"KBDescriptor[ActiveDocOid=0,CaseID=0,name=Next]("
            L"ScriptUIResults(Inputs(Datum[id=Tag,vt=8,value=T])))");
}

TEST_F(KBRun, CancelledDialogEndsTheRunWithAnEmptyResult) {
  Reply(L"RunRule", Dialog(L"Next", L"<EditBox id='Tag' prompt='Tag'/>"));
  kbtest::ScriptedUser user;
  user.WhenShown(browser_.get(),
                 [this] { browser_->Click(unique_bstr::copy(L"btnCancel").get()); });
  ASSERT_EQ(Rule(L"First"), S_OK);
  EXPECT_EQ(V_VT(&result_), VT_EMPTY);
  EXPECT_EQ(RequestCount(), 1);
}

TEST_F(KBRun, DialogThatCannotBeShownFailsTheRun) {
  Reply(L"RunRule", Dialog(L"Next", L"<EditBox id='Tag' prompt='Tag'/>"));
  ASSERT_EQ(wqstandins::FailAt(browser_.get(), L"QueryWebBrowser2", E_FAIL), S_OK);
  EXPECT_EQ(Rule(L"First"), E_FAIL);
  EXPECT_EQ(RequestCount(), 1);
}

TEST_F(KBRun, DialogReplyWithEntityExpansionIsRefusedAtOnce) {
  for (const std::wstring& attack :
       {wqtest::BillionLaughs(L"ScriptUI"), wqtest::QuadraticBlowup(L"ScriptUI")}) {
    Reply(L"RunRule", attack);
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(FAILED(Rule(L"First")));
    EXPECT_LT(wqtest::ElapsedMs(start), 1000u) << attack.substr(0, 60);
  }
}

// A reply that is neither a simple response nor a ScriptUI document (no XML document at
// all, or another kind: a server's HTML error page) is refused at once, with the reason,
// and shows no window: its page would be empty, with nothing on it to leave it by.
TEST_F(KBRun, ReplyThatIsNoDocumentIsRefusedWithoutAWindow) {
  com_ptr<IDispatch> client;
  ASSERT_EQ(control_.query_to(client), S_OK);
  constexpr wchar_t kBroken[] = L"is not well-formed XML: ";
  constexpr wchar_t kOtherKind[] = L"is no ScriptUI document: its root element is ";
  const struct {
    const wchar_t* reply;
    const wchar_t* reason;
  } cases[] = {
      {L"garbage", kBroken},
      {L"<html><body>Internal error<br></body></html>", kBroken},
      {L"<ScriptUI ReturnTo='Next'><DialogBox Title='Step'><EditBox id='Tag'", kBroken},
      {L"<Other/>", kOtherKind},
      {L"<html><body><p>Server error</p></body></html>", kOtherKind},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(wqstandins::SetReply(control_.get(), kServer, L"RunMethod", c.reply), S_OK);
    kbtest::ScriptedUser user;
    user.Forbid([] { return kbtest::DialogWindow() != nullptr; }, "a dialog window was made");
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Method(L"Size", 17), E_FAIL) << c.reply;
    EXPECT_LT(wqtest::ElapsedMs(start), 1000u) << c.reply;
    const std::wstring first = wqtest::FirstErrorDescription(wqtest::TakeErrorDescription());
    const std::wstring expected =
        L"The reply to method Size is neither a simple response nor a dialog description: The "
        L"dialog description " +
        std::wstring(c.reason);
    EXPECT_EQ(first.substr(0, expected.size()), expected) << c.reply;
    EXPECT_GT(first.size(), expected.size()) << "the reason follows";
    EXPECT_EQ(first.find(L"(line 0"), std::wstring::npos) << first;
    EXPECT_NE(first.back(), L' ') << "nothing after the colon: " << first;
    EXPECT_EQ(wqstandins::CallLog(browser_.get()), L"") << "no browser was made for " << c.reply;

    // A dialog request holding it is refused the same way.
    runner_.Initialise(c.reply, 17);
    EXPECT_TRUE(FAILED(runner_.RunDialog(client.get(), 0))) << c.reply;
    EXPECT_NE(wqtest::TakeErrorDescription().find(c.reason), std::wstring::npos) << c.reply;
    EXPECT_EQ(wqstandins::CallLog(browser_.get()), L"") << c.reply;
  }
  EXPECT_EQ(RequestCount(), 5);
}

TEST_F(KBRun, FailedCallIsReportedOverTheCallsOwnText) {
  ASSERT_EQ(wqstandins::FailAt(control_.get(), L"Execute", E_FAIL, L"The server is down"), S_OK);
  EXPECT_EQ(Rule(L"CheckLine"), E_FAIL);
  const std::wstring text = wqtest::TakeErrorDescription();
  EXPECT_NE(text.find(L"Failure running rule CheckLine"), std::wstring::npos) << text;
  EXPECT_NE(text.find(L"The server is down"), std::wstring::npos) << text;
  EXPECT_EQ(V_I4(&result_), 5);
}

// The refusal names the value that cannot be sent, not the VARIANT that holds it, and
// says so in the text a user is shown.
TEST_F(KBRun, ParametersARequestCannotCarryAreRefused) {
  unique_variant object;
  V_VT(&object) = VT_UNKNOWN;
  V_UNKNOWN(&object) = workspace_.get();
  workspace_->AddRef();
  unique_variant byReference;
  V_VT(&byReference) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&byReference) = &object;
  unique_variant list;
  V_VT(&list) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&list) = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  LONG second = 1;
  ASSERT_EQ(SafeArrayPutElement(V_ARRAY(&list), &second, &object), S_OK);
  for (VARIANT* parameters : {static_cast<VARIANT*>(&object), static_cast<VARIANT*>(&byReference),
                              static_cast<VARIANT*>(&list)}) {
    ASSERT_EQ(control_->Reset(), S_OK);
    EXPECT_EQ(Rule(L"CheckLine", parameters), E_FAIL) << parameters->vt;
    EXPECT_EQ(RequestCount(), 1);
    EXPECT_EQ(wqstandins::CallLog(control_.get()).find(L"Execute"), std::wstring::npos);
    EXPECT_EQ(wqtest::FirstErrorDescription(wqtest::TakeErrorDescription()),
              L"Failure running rule CheckLine: The parameters of CheckLine hold an object, which "
              L"a request cannot carry")
        << parameters->vt;
  }
  EXPECT_EQ(runner_.RunRule(unique_bstr::copy(L"R").get(), nullptr, workspace_.get(), 0,
                            VARIANT_TRUE, nullptr, 0, 0, nullptr),
            E_POINTER);
}

// A request the call did not take whole is never executed, and the failure names what
// could not be written.
TEST_F(KBRun, ParametersThatCannotBeWrittenAreNotSent) {
  SAFEARRAYBOUND square[2] = {{2, 0}, {2, 0}};
  unique_variant twoDimensional;
  V_VT(&twoDimensional) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&twoDimensional) = SafeArrayCreate(VT_VARIANT, 2, square);
  ASSERT_TRUE(V_ARRAY(&twoDimensional));
  unique_variant noArray;
  V_VT(&noArray) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&noArray) = nullptr;
  for (VARIANT* parameters :
       {static_cast<VARIANT*>(&twoDimensional), static_cast<VARIANT*>(&noArray)}) {
    ASSERT_EQ(control_->Reset(), S_OK);
    EXPECT_EQ(Rule(L"CheckLine", parameters), E_FAIL);
    const std::wstring text = wqtest::TakeErrorDescription();
    EXPECT_NE(text.find(L"Failure running rule CheckLine"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"The parameter UserParameters of CheckLine could not be written"),
              std::wstring::npos)
        << text;
    EXPECT_EQ(wqstandins::CallLog(control_.get()).find(L"Execute"), std::wstring::npos);
    EXPECT_EQ(V_I4(&result_), 5);
  }
}

TEST_F(KBRun, FailedWriteStopsTheRunBeforeItIsSent) {
  unique_variant parameters;
  V_VT(&parameters) = VT_ARRAY | VT_I4;
  V_ARRAY(&parameters) = SafeArrayCreateVector(VT_I4, 0, 3);
  const struct {
    const wchar_t* step;
    const wchar_t* text;
  } cases[] = {
      {L"WriteText", L"The parameter UserParameters of CheckLine could not be written"},
      {L"EndElement", L"The parameter UserParameters of CheckLine could not be written"},
      {L"WriteVariantAttribute", L"The request to run CheckLine could not be written"},
      {L"StartElement", L"The request to run CheckLine could not be written"},
      {L"CloseStartTag", L"The request to run CheckLine could not be written"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(control_->Reset(), S_OK);
    Reply(L"RunRule", kSimple42);
    ASSERT_EQ(wqstandins::FailAt(control_.get(), c.step, E_OUTOFMEMORY, L"No room"), S_OK);
    EXPECT_EQ(Rule(L"CheckLine", &parameters), E_FAIL) << c.step;
    const std::wstring text = wqtest::TakeErrorDescription();
    EXPECT_NE(text.find(c.text), std::wstring::npos) << c.step << ": " << text;
    EXPECT_NE(text.find(L"No room"), std::wstring::npos) << c.step << ": " << text;
    EXPECT_EQ(wqstandins::CallLog(control_.get()).find(L"Execute"), std::wstring::npos) << c.step;
    EXPECT_EQ(V_I4(&result_), 5);
  }
  // A reload is not sent either.
  com_ptr<IDispatch> client;
  ASSERT_EQ(control_.query_to(client), S_OK);
  ASSERT_EQ(control_->Reset(), S_OK);
  ASSERT_EQ(wqstandins::FailAt(control_.get(), L"WriteText", E_OUTOFMEMORY, L""), S_OK);
  VARIANT_BOOL reloaded = 7;
  EXPECT_EQ(ReloadKBModule(L"Piping", L"", client.get(), &reloaded, L"<KB/>"), E_OUTOFMEMORY);
  EXPECT_EQ(reloaded, 7);
  EXPECT_EQ(wqstandins::CallLog(control_.get()).find(L"Execute"), std::wstring::npos);
}

// The reply as some servers write it: behind a byte-order mark.
TEST_F(KBRun, SimpleResponseBehindAByteOrderMarkIsRead) {
  Reply(L"RunRule", std::wstring(L"\xFEFF") + kSimple42);
  ASSERT_EQ(Rule(L"Marked"), S_OK);
  EXPECT_EQ(V_VT(&result_), VT_I4);
  EXPECT_EQ(V_I4(&result_), 42);
}

class KBRunPipe : public KBRun {
 protected:
  void SetUp() override {
    KBRun::SetUp();
    ASSERT_EQ(wqstandins::CreateClientTools(tools_), S_OK);
  }
  bool Highlighted(const wchar_t* line) {
    return wqstandins::CallLog(tools_.get()).find(line) != std::wstring::npos;
  }
  com_ptr<IWQStandinClientTools> tools_;
};

TEST_F(KBRunPipe, MarkedPipeIsHighlightedBeforeTheValueIsReturned) {
  Reply(L"RunRule", std::wstring(L"<!--(PipeHighlight) value=\"1234\"-->") + kSimple42);
  ASSERT_EQ(Rule(L"Find"), S_OK);
  EXPECT_TRUE(Highlighted(L"HighlightPipe(1234)")) << wqstandins::CallLog(tools_.get());
  EXPECT_EQ(V_I4(&result_), 42);
}

TEST_F(KBRunPipe, PipeHighlightReadsTheReplyOrReportsWhyNot) {
  com_ptr<IDispatch> client;
  ASSERT_EQ(control_.query_to(client), S_OK);
  using namespace std::literals;
  const struct {
    std::wstring_view reply;     // counted: a null inside is part of it
    const wchar_t* highlighted;  // null: nothing highlighted
    const wchar_t* error;        // in the thread's error info afterwards
  } cases[] = {
      {L"<PipeHighlight ServerID=\"77\"/>", L"HighlightPipe(77)", nullptr},
      {L"(PipeHighlight) value=' 9 '", L"HighlightPipe(9)", nullptr},
      {L"(PipeHighlight) value='9x'", nullptr, L"is not a whole number: '9x'"},
      {L"(PipeHighlight) value='9\0x'"sv, nullptr, L"is not a whole number: '9\\0x'"},
      {L"(PipeHighlight) no number here", nullptr, L"names no pipe"},
      {L"(PipeHighlight) value=", nullptr, L"names no pipe"},
      {L"<PipeHighlight/>", nullptr, L"names no pipe"},
  };
  for (const auto& c : cases) {
    tools_->Reset();
    SetErrorInfo(0, nullptr);
    const std::wstring reply(c.reply);
    runner_.PipeHighlight(client.get(),
                          unique_bstr::copy(reply.c_str(), static_cast<UINT>(reply.size())).get());
    const std::wstring log = wqstandins::CallLog(tools_.get());
    if (c.highlighted) {
      EXPECT_NE(log.find(c.highlighted), std::wstring::npos) << reply.c_str() << "\n" << log;
    } else {
      EXPECT_EQ(log.find(L"HighlightPipe"), std::wstring::npos) << reply.c_str() << "\n" << log;
    }
    const std::wstring error = wqtest::TakeErrorDescription();
    if (c.error) {
      EXPECT_NE(error.find(c.error), std::wstring::npos) << reply.c_str() << "\n" << error;
    }
  }
}

TEST_F(KBRunPipe, UnreachableDrawingEditorLeavesItsTextAndTheRunGoesOn) {
  ASSERT_EQ(wqstandins::FailAt(tools_.get(), L"get_DBServer", E_FAIL), S_OK);
  Reply(L"RunRule", std::wstring(L"<!--(PipeHighlight) value=\"5\"-->") + kSimple42);
  ASSERT_EQ(Rule(L"Find"), S_OK);
  EXPECT_EQ(V_I4(&result_), 42);
  com_ptr<IDispatch> client;
  control_.query_to(client);
  runner_.PipeHighlight(client.get(), unique_bstr::copy(L"(PipeHighlight) value='5'").get());
  EXPECT_NE(wqtest::TakeErrorDescription().find(
                L"Failed to access DBServer property of Drawing Editor application"),
            std::wstring::npos);
}

TEST_F(KBRun, DialogRequestRunsTheFollowUpOnItsObject) {
  const struct {
    long oid;
    const wchar_t* method;
    const wchar_t* request;
  } cases[] = {{17, L"RunMethod",
                L"KBDescriptor[ActiveDocOid=0,CaseID=3,name=Next,oid=17]("
                L"ScriptUIResults(Inputs(Datum[id=Tag,vt=8,value=x])))"},
               {0, L"RunRule",
                L"KBDescriptor[ActiveDocOid=0,CaseID=3,name=Next]("
                L"ScriptUIResults(Inputs(Datum[id=Tag,vt=8,value=x])))"}};
  com_ptr<IDispatch> client;
  ASSERT_EQ(control_.query_to(client), S_OK);
  for (const auto& c : cases) {
    KBRunner runner;
    EXPECT_EQ(runner.GetOID(), 0);
    runner.Initialise(
        Dialog(L"Next", L"<EditBox id='Tag' prompt='Tag'/>", L"ActiveCase='3'").c_str(), c.oid);
    Reply(c.method, kSimple42);
    const LONG before = RequestCount();
    {
      kbtest::ScriptedUser user;
      ConfirmWith(user, L"x");
      ASSERT_EQ(runner.RunDialog(client.get(), 0), S_OK);
    }
    EXPECT_EQ(runner.GetOID(), c.oid);
    ASSERT_EQ(RequestCount(), before + 1);
    EXPECT_EQ(RequestMethod(before + 1), c.method);
    EXPECT_EQ(Request(before + 1), c.request);
  }
}

TEST_F(KBRun, DialogRequestCancelledOrFailing) {
  com_ptr<IDispatch> client;
  ASSERT_EQ(control_.query_to(client), S_OK);
  runner_.Initialise(Dialog(L"Next", L"<EditBox id='Tag' prompt='Tag'/>").c_str(), 17);
  {
    kbtest::ScriptedUser user;
    user.WhenShown(browser_.get(),
                   [this] { browser_->Click(unique_bstr::copy(L"btnCancel").get()); });
    EXPECT_EQ(runner_.RunDialog(client.get(), 0), S_OK);
  }
  EXPECT_EQ(RequestCount(), 0);

  ASSERT_EQ(wqstandins::FailAt(control_.get(), L"Execute", E_FAIL, L"No server"), S_OK);
  {
    kbtest::ScriptedUser user;
    ConfirmWith(user, L"x");
    EXPECT_EQ(runner_.RunDialog(client.get(), 0), E_FAIL);
  }
  const std::wstring text = wqtest::TakeErrorDescription();
  EXPECT_NE(text.find(L"Failure whilst running dialog"), std::wstring::npos) << text;
  EXPECT_NE(text.find(L"No server"), std::wstring::npos) << text;
}

// An application that quits while a KB dialog is up: the conversation ends as if the
// user cancelled, and the quit is left for the application's own loop.
TEST_F(KBRun, QuitWhileADialogIsUpCancelsTheRunAndIsLeftForTheApplication) {
  Reply(L"RunRule", Dialog(L"Next", L"<EditBox id='Tag' prompt='Tag'/>"));
  Reply(L"RunRule", kSimple42);
  {
    kbtest::ScriptedUser user;
    user.WhenShown(browser_.get(), [] { PostQuitMessage(77); });
    EXPECT_EQ(Rule(L"First"), S_OK);
  }
  EXPECT_EQ(V_VT(&result_), VT_EMPTY);
  EXPECT_EQ(RequestCount(), 1);
  EXPECT_EQ(kbtest::TakeQuitMessage(), 77);

  com_ptr<IDispatch> client;
  ASSERT_EQ(control_.query_to(client), S_OK);
  runner_.Initialise(Dialog(L"Next", L"<EditBox id='Tag' prompt='Tag'/>").c_str(), 17);
  {
    kbtest::ScriptedUser user;
    user.WhenShown(browser_.get(), [] { PostQuitMessage(0); });
    EXPECT_EQ(runner_.RunDialog(client.get(), 0), S_OK);
  }
  EXPECT_EQ(RequestCount(), 1);
  EXPECT_EQ(kbtest::TakeQuitMessage(), 0);
}

TEST_F(KBRun, ReloadSendsTheModuleAndTellsWhetherItWasReloaded) {
  com_ptr<IDispatch> client;
  ASSERT_EQ(control_.query_to(client), S_OK);
  ASSERT_EQ(wqstandins::SetReply(control_.get(), kServer, L"*", L"<Done><ReloadKBSchema/></Done>"),
            S_OK);
  VARIANT_BOOL reloaded = VARIANT_FALSE;
  ASSERT_EQ(ReloadKBModule(L"Piping", L"", client.get(), &reloaded, L"<KB a='1'/>"), S_OK);
  EXPECT_EQ(reloaded, VARIANT_TRUE);
  EXPECT_EQ(RequestMethod(1), L"ReloadKBModuleFromXML");
  EXPECT_EQ(wqstandins::RequestXml(control_.get(), 1, false),
            L"<ReloadKB ModuleName=\"Piping\">&lt;KB a='1'/&gt;</ReloadKB>");

  ASSERT_EQ(wqstandins::SetReply(control_.get(), kServer, L"*", L"<Other/>"), S_OK);
  ASSERT_EQ(ReloadKBModule(L"Piping", L"piping.kb", client.get(), &reloaded, L""), S_OK);
  EXPECT_EQ(reloaded, VARIANT_FALSE);
  EXPECT_EQ(RequestMethod(2), L"ReloadKBModule");
  EXPECT_EQ(wqstandins::RequestXml(control_.get(), 2, false),
            L"<ReloadKB ModuleName=\"Piping\" KBFileName=\"piping.kb\"/>");

  ASSERT_EQ(wqstandins::FailAt(control_.get(), L"Execute", E_FAIL), S_OK);
  reloaded = 7;
  EXPECT_EQ(ReloadKBModule(L"Piping", L"", client.get(), &reloaded, L""), E_FAIL);
  EXPECT_EQ(reloaded, 7) << "the flag is not written when the call fails";

  com_ptr<IWQStandinWorkspace> plain;
  ASSERT_EQ(wqstandins::CreateWorkspace(plain, L"WQStandins.WorkspaceNoWQ"), S_OK);
  com_ptr<IDispatch> noWQ;
  plain.query_to(noWQ);
  EXPECT_EQ(ReloadKBModule(L"Piping", L"", noWQ.get(), &reloaded, L""), E_INVALIDARG);
}

// Confirms every KB dialog of the thread as soon as its page is shown, with no wait in
// between, and cancels the `last` one; each time the stand-ins' records are let go, so
// that only the runner could make the heap grow. From the cancel on, the server answers
// with a result: a conversation that goes on after it ends there instead of running on.
class QuickUser {
 public:
  QuickUser(IWQStandinWorkspace* workspace, IWQStandinBrowser* browser, int last,
            std::wstring reply)
      : workspace_(workspace), browser_(browser), last_(last), reply_(std::move(reply)) {
    current_ = this;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &QuickUser::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KBQuickUser";
    RegisterClassW(&wc);
    window_ = CreateWindowW(L"KBQuickUser", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                            nullptr);
    hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &QuickUser::Hook, nullptr, GetCurrentThreadId());
  }
  ~QuickUser() {
    UnhookWindowsHookEx(hook_);
    DestroyWindow(window_);
    current_ = nullptr;
  }
  int shown = 0;
  size_t heapEarly = 0;
  size_t heapLate = 0;
  // Where the stack stood while the user acted on the 100th and the next-to-last dialog: a
  // conversation that nests its steps acts deeper each time.
  uintptr_t stackEarly = 0;
  uintptr_t stackLate = 0;

 private:
  static constexpr UINT kAct = WM_APP + 1;
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && current_ && message->message == WM_SHOWWINDOW && message->wParam &&
        message->hwnd == kbtest::DialogWindow())
      PostMessageW(current_->window_, kAct, 0, 0);
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kAct && current_) {
      current_->Act();
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
  void Act() {
    ++shown;
    workspace_->Reset();
    wqstandins::SetReply(workspace_, kServer, L"RunRule",
                         shown < last_ ? reply_.c_str() : kSimple42);
    browser_->Reset();
    volatile char here = 0;
    if (shown == 100) {
      heapEarly = wqtest::HeapBytesInUse();
      stackEarly = reinterpret_cast<uintptr_t>(&here);
    }
    if (shown == last_ - 1) {
      heapLate = wqtest::HeapBytesInUse();
      stackLate = reinterpret_cast<uintptr_t>(&here);
    }
    browser_->Click(unique_bstr::copy(shown == last_ ? L"btnCancel" : L"btnOK").get());
  }

  IWQStandinWorkspace* workspace_;
  IWQStandinBrowser* browser_;
  int last_;
  std::wstring reply_;
  HWND window_ = nullptr;
  HHOOK hook_ = nullptr;
  static QuickUser* current_;
};
QuickUser* QuickUser::current_ = nullptr;

// A server decides how long a conversation is: a thousand confirmed dialogs run on a thread
// with a small stack, and the stack and the heap stay as they were after the first hundred.
TEST(KBConversation, ThousandsOfDialogsTakeTheStackAndHeapOfOne) {
  ASSERT_TRUE(kbtest::ServerLoaded());
  constexpr int kDialogs = 1000;
  HRESULT hr = E_UNEXPECTED;
  int shown = 0;
  ptrdiff_t grown = 0;
  ptrdiff_t deeper = 0;
  VARTYPE resultType = VT_ERROR;
  const bool returned = wqtest::RunOnThread(
      256 << 10,
      [&] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return;
        {
          com_ptr<IWQStandinWorkspace> control;
          com_ptr<IWQWorkspace> workspace;
          if (FAILED(wqstandins::CreateWorkspace(control)) || FAILED(control.query_to(workspace)))
            return;
          com_ptr<IWQStandinBrowser> browser = kbtest::ResetBrowser();
          const std::wstring dialog = Dialog(L"Next", L"<EditBox id='Tag' prompt='Tag'/>");
          wqstandins::SetReply(control.get(), kServer, L"RunRule", dialog.c_str());
          QuickUser user(control.get(), browser.get(), kDialogs, dialog);
          KBRunner runner;
          unique_variant result;
          hr = runner.RunRule(unique_bstr::copy(L"First").get(), nullptr, workspace.get(), 0,
                              VARIANT_TRUE, &result, 0, 0, nullptr);
          shown = user.shown;
          grown = static_cast<ptrdiff_t>(user.heapLate - user.heapEarly);
          deeper = static_cast<ptrdiff_t>(user.stackEarly - user.stackLate);
          resultType = V_VT(&result);
        }
        // What the last browser still had to tell, so that it is let go on this thread.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        CoUninitialize();
      },
      10 * 60 * 1000);
  ASSERT_TRUE(returned);
  EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(shown, kDialogs);
  EXPECT_EQ(resultType, VT_EMPTY);
  EXPECT_LT(grown, (kDialogs - 100) * 64)
      << "bytes held by " << kDialogs - 100 << " confirmed dialogs";
  EXPECT_LT(deeper, 4096) << "bytes of stack taken by " << kDialogs - 101 << " confirmed dialogs";
}

}  // namespace

namespace {

// ScriptUI dialogs one after another through the registered server, each confirmed and
// followed by a run that takes its results: memory stays flat, and neither the server nor
// the stand-ins are held afterwards.
TEST(ScriptUIDialogs, RepeatedDialogsLeaveNothingBehind) {
  ASSERT_TRUE(kbtest::ServerLoaded());
  {
    com_ptr<IWQCGenericSvcsMain> main;
    ASSERT_EQ(CoCreateInstance(__uuidof(::Main), nullptr, CLSCTX_INPROC_SERVER,
                               __uuidof(IWQCGenericSvcsMain), main.put_void()),
              S_OK);
    com_ptr<IWQStandinBrowser> browser = kbtest::ResetBrowser();
    ASSERT_TRUE(browser);
    auto confirmOneDialog = [&] {
      browser->Reset();
      com_ptr<IWQStandinWorkspace> workspace;
      ASSERT_EQ(wqstandins::CreateWorkspace(workspace), S_OK);
      wqstandins::QueueReply(workspace.get(), kServer, L"RunRule",
                             Dialog(L"Next", L"<EditBox id='Tag' prompt='Tag'/>").c_str());
      wqstandins::QueueReply(workspace.get(), kServer, L"RunRule", kSimple42);
      kbtest::ScriptedUser user;
      user.WhenShown(browser.get(), [&] { browser->Click(unique_bstr::copy(L"btnOK").get()); });
      unique_variant result;
      ASSERT_EQ(main->RunKBRule(unique_bstr::copy(L"First").get(), workspace.get(), 0, 0, 0,
                                unique_variant(), result.put()),
                S_OK);
      EXPECT_EQ(V_I4(&result), 42);
    };
    for (int i = 0; i < 10; ++i) confirmOneDialog();
    const size_t before = wqtest::HeapBytesInUse();
    for (int i = 0; i < 100; ++i) confirmOneDialog();
    const ptrdiff_t grown = static_cast<ptrdiff_t>(wqtest::HeapBytesInUse() - before);
    EXPECT_LT(grown, 64 * 1024) << "bytes left by 100 dialogs";
  }
  wqtest::ExpectUnloadable(L"WQCGenericSvcs.dll");
  wqtest::ExpectUnloadable(L"WQStandins.dll");
}

}  // namespace
