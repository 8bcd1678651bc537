// The KB selection object through COM, as clients meet it: its ListKB list, the dialog
// played by a user (filter, case choice, extended fields) and the runs it sends; the
// parameter text of the dialog; and the KB dialog request object.
#include <window.h>

#include "kbscripting/dlgselectkb.h"
#include "kbtest.h"
#include "selectiontest.h"
#include "xmlstructure.h"
#include "workspace/dataservicerequest.h"

namespace {

using plat::unique_bstr;
using plat::unique_variant;
using wqtest::Bstr;
using wqtest::DialogScript;
using wqtest::DialogView;
using Texts = std::vector<std::wstring>;

constexpr const wchar_t* kServer = kServerProgId;
// "Check" begins like the entry before it; "Size line" runs in a fixed case.
constexpr wchar_t kEntries[] =
    L"<ListKB><KB KBName='SizeLine' Display='Size line' CaseFixed='1'/>"
    L"<KB KBName='CheckAll' Display='Check all'/><KB KBName='CheckOne' Display='Check'/></ListKB>";
constexpr wchar_t kCases[] =
    L"<ListCases><Case ID='5' CaseName='Design'/><Case ID='6' CaseName='Winter'/></ListCases>";

// A value as text: "vt:value", an array as "[lower] element, element".
std::wstring Describe(const VARIANT& value) {
  if (V_VT(&value) == (VT_ARRAY | VT_VARIANT)) {
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(V_ARRAY(&value), 1, &lower);
    SafeArrayGetUBound(V_ARRAY(&value), 1, &upper);
    std::wstring text = L"[" + std::to_wstring(lower) + L"]";
    for (LONG i = lower; i <= upper; ++i) {
      unique_variant element;
      SafeArrayGetElement(V_ARRAY(&value), &i, element.put());
      text += L" " + Describe(element);
    }
    return text;
  }
  unique_variant text;
  VariantChangeType(text.put(), const_cast<VARIANT*>(&value), 0, VT_BSTR);
  return std::to_wstring(V_VT(&value)) + L":" + (V_VT(&text) == VT_BSTR ? V_BSTR(&text) : L"");
}

TEST(KBParameters, TextBecomesValues) {
  const struct {
    const wchar_t* text;
    const wchar_t* value;
  } cases[] = {
      {L"5,abc,TRUE", L"[1] 3:5 8:abc 11:-1"},
      {L"7", L"3:7"},
      {L"a,", L"[1] 8:a 0:"},
      {L" 5", L"8: 5"},
      // A number is read as an id is read: a text that is none stays a text.
      {L"-", L"8:-"},
      {L"12ab,,false", L"[1] 8:12ab 0: 11:0"},
      {L"12.6,1e1,-4 ", L"[1] 8:12.6 8:1e1 3:-4"},
      {L"", L"0:"},
  };
  for (const auto& c : cases) {
    unique_variant value;
    ASSERT_EQ(ParseKBParameters(c.text, value.put()), S_OK) << c.text;
    EXPECT_EQ(Describe(value), c.value) << c.text;
  }
}

// Picks a case as a user would: the combo box tells its dialog.
DialogScript::Step PickCase(int index) {
  return [index](DialogView& view) {
    const plat::ComboBox cases(view.Item(IDC_KBCASE));
    cases.SetCurSel(index);
    SendMessageW(view.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_KBCASE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(cases.hwnd()));
    return std::string();
  };
}

// The window ends where the marker control of its form ends.
void ExpectWidthOf(const DialogView& view, int marker) {
  EXPECT_EQ(view.ScreenRect().right, view.ScreenRect(marker).right);
}

class SelectKBTest : public wqtest::SelectionTest<IWQCSelectKBDlg> {
 protected:
  SelectKBTest() : SelectionTest(L"WQCGenericSvcs.WQCSelectKBDlg") {
    Reply(L"ListKB", kEntries);
    Reply(L"ListCases", kCases);
  }
  std::wstring Selection() {
    unique_bstr name;
    EXPECT_EQ(dlg_->get_Selection(name.put()), S_OK);
    return name ? name.c_str() : L"null";
  }
  long CaseId() {
    long id = -1;
    EXPECT_EQ(dlg_->get_CaseID(&id), S_OK);
    return id;
  }
};

TEST_F(SelectKBTest, ListIsTheLastReplys) {
  ASSERT_EQ(dlg_->put_OID(12), S_OK);
  ASSERT_EQ(dlg_->LoadList(ws()), S_OK);
  EXPECT_EQ(Request(1), L"<ListKB OID=\"vt3:12\" ExcludeDrawingItems=\"vt11:0\"/>");
  EXPECT_EQ(Listing(&IWQCSelectKBDlg::get_Count, &IWQCSelectKBDlg::get_Item),
            L"SizeLine, CheckAll, CheckOne");
  for (long index : {0L, 4L}) {
    BSTR out = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(dlg_->get_Item(index, &out), E_INVALIDARG) << index;
    EXPECT_EQ(out, nullptr) << index;
  }
  EXPECT_EQ(Selection(), L"null");
  // A second load lists the entries once, not twice.
  Reply(L"ListKB", L"<ListKB><KB KBName='Other'/></ListKB>");
  ASSERT_EQ(dlg_->LoadList(ws()), S_OK);
  EXPECT_EQ(Listing(&IWQCSelectKBDlg::get_Count, &IWQCSelectKBDlg::get_Item), L"Other");
  plat::com_ptr<IWQStandinWorkspace> noWq;
  ASSERT_EQ(wqstandins::CreateWorkspace(noWq, L"WQStandins.WorkspaceNoWQ"), S_OK);
  EXPECT_EQ(dlg_->LoadList(noWq.get()), E_INVALIDARG);
}

TEST_F(SelectKBTest, UserPicksAnEntryAndACase) {
  ASSERT_EQ(dlg_->put_CaseID(6), S_OK);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.Text(), L"Select Rule");
                       EXPECT_EQ(view.ListItems(IDC_KBLIST),
                                 (Texts{L"Size line", L"Check all", L"Check"}));
                       EXPECT_FALSE(view.IsEnabled(IDOK));
                       EXPECT_FALSE(view.IsEnabled(IDC_KBCASE));
                       ExpectWidthOf(view, IDC_KBPLAINWIDTH);
                     })
                     .Type(IDC_KBFILTER, L"ch")
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.ListSelection(IDC_KBLIST), std::vector<int>{1});
                       EXPECT_FALSE(view.IsEnabled(IDOK)) << "typing picks no entry to run";
                     })
                     .Select(IDC_KBLIST, 0)
                     .Inspect([](DialogView& view) {
                       EXPECT_FALSE(view.IsEnabled(IDC_KBCASE)) << "a fixed case";
                       EXPECT_TRUE(view.IsEnabled(IDOK));
                     })
                     .Select(IDC_KBLIST, 2)
                     .Inspect([](DialogView& view) {
                       // Its text in the filter finds "Check all" first; the pick stays.
                       EXPECT_EQ(view.ListSelection(IDC_KBLIST), std::vector<int>{2});
                       EXPECT_EQ(view.Text(IDC_KBFILTER), L"Check");
                       EXPECT_TRUE(view.IsEnabled(IDC_KBCASE));
                       EXPECT_EQ(view.Text(IDC_KBCASE), L"Winter") << "the owner's case";
                     })
                     .Do(PickCase(0))
                     .Screenshot(L"selectkb.png")
                     .Click(IDOK),
                 &ok),
            S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(Selection(), L"CheckOne");
  EXPECT_EQ(CaseId(), 5);
  EXPECT_EQ(Request(2), L"<ListCases RestrictedCases=\"vt11:0\"/>");

  // The title chosen for rules stays; the list is not loaded again; a cancel keeps all.
  dlg_->put_OID(3);
  ASSERT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) { EXPECT_EQ(view.Text(), L"Select Rule"); })
                     .Select(IDC_KBLIST, 1)
                     .Click(IDCANCEL),
                 &ok),
            S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(Selection(), L"CheckOne");
  EXPECT_EQ(CaseId(), 5);
  EXPECT_EQ(wqstandins::RequestCount(ws_.get()), 3) << "ListKB, then ListCases once per dialog";
}

TEST_F(SelectKBTest, ExtendedFormGivesDocumentAndParametersToRuns) {
  dlg_->put_Extended(VARIANT_TRUE);
  dlg_->put_AllowCaseSel(VARIANT_FALSE);
  dlg_->put_CaseID(9);
  dlg_->put_OID(40);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.Text(), L"Select Method");
                       EXPECT_TRUE(view.IsEnabled(IDC_KBPARAMETERS));
                       ExpectWidthOf(view, IDC_KBEXTENDEDWIDTH);
                     })
                     .SetText(IDC_KBPARAMETERS, L"5,abc,TRUE")
                     .SetText(IDC_KBDOCUMENTOID, L"31")
                     .Select(IDC_KBLIST, 1)
                     .Inspect([](DialogView& view) { EXPECT_FALSE(view.IsEnabled(IDC_KBCASE)); })
                     .Screenshot(L"selectkb_extended.png")
                     .DoubleClick(IDC_KBLIST, 1),
                 &ok),
            S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  long document = 0;
  dlg_->get_DocumentOID(&document);
  EXPECT_EQ(document, 31);
  EXPECT_EQ(CaseId(), 9) << "no case offered, the owner's stays";
  unique_variant parameters;
  ASSERT_EQ(dlg_->get_Parameters(parameters.put()), S_OK);
  EXPECT_EQ(Describe(parameters), L"[1] 3:5 8:abc 11:-1");
  EXPECT_EQ(wqstandins::RequestCount(ws_.get()), 1) << "no case list was needed";

  Reply(L"RunMethod", L"<!--SimpleResponse--><Variant vt=\"3\" value=\"42\"/>");
  unique_variant result;
  ASSERT_EQ(dlg_->RunMethod(Bstr(L"CheckAll").get(), 40, ws(), 0, VARIANT_TRUE, result.put()),
            S_OK);
  EXPECT_EQ(V_I4(&result), 42);
  EXPECT_EQ(wqtest::XmlStructure(wqstandins::RequestXml(ws_.get(), 2, false).c_str()),
            L"KBDescriptor[ActiveDocOid=31,CaseID=9,name=CheckAll,oid=40](UserParameters("
            L"Variant[value=,vt=8204](SafeArray[count=3,lbound=1,type=12](Variant[value=5,vt=3],"
            L"Variant[value=abc,vt=8],Variant[value=true,vt=11]))))");
}

// What is pasted into the document OID field is read as every id is read: a text that is no
// whole number is no id.
TEST_F(SelectKBTest, DocumentOidIsReadAsAnId) {
  dlg_->put_Extended(VARIANT_TRUE);
  dlg_->put_AllowCaseSel(VARIANT_FALSE);
  for (const auto& [text, id] :
       {std::pair{L"12abc", 0L}, std::pair{L"1,2", 0L}, std::pair{L" 12 ", 12L}}) {
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(Show(DialogScript()
                       .SetText(IDC_KBDOCUMENTOID, text)
                       .Select(IDC_KBLIST, 1)
                       .DoubleClick(IDC_KBLIST, 1),
                   &ok),
              S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    long document = -1;
    dlg_->get_DocumentOID(&document);
    EXPECT_EQ(document, id) << testing::PrintToString(text);
  }
}

TEST_F(SelectKBTest, CasesThatCannotBeLoadedAreShownAsAnError) {
  plat::com_ptr<IWQStandinClientTools> tools;
  ASSERT_EQ(wqstandins::CreateClientTools(tools), S_OK);
  ASSERT_EQ(dlg_->LoadList(ws()), S_OK);
  wqstandins::FailAt(ws_.get(), L"Execute", E_ACCESSDENIED, L"No cases for you");
  VARIANT_BOOL ok = VARIANT_TRUE;
  ASSERT_EQ(Show(DialogScript()
                     .Select(IDC_KBLIST, 1)
                     .Inspect([](DialogView& view) {
                       EXPECT_TRUE(view.IsEnabled(IDC_KBCASE));
                       EXPECT_EQ(plat::ComboBox(view.Item(IDC_KBCASE)).GetCount(), 0);
                     })
                     .Click(IDCANCEL),
                 &ok),
            S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  LONG shown = 0;
  tools->get_ErrorCount(&shown);
  ASSERT_EQ(shown, 1);
  EXPECT_NE(wqstandins::ErrorDescription(tools.get(), 1).find(L"No cases for you"),
            std::wstring::npos);
  tools->Reset();
}

// The selection dialog runs the system's dialog loop: a quit posted meanwhile ends it as
// cancelled and is left for the application's loop.
TEST_F(SelectKBTest, QuitWhileTheDialogIsUpIsLeftForTheApplication) {
  VARIANT_BOOL ok = VARIANT_TRUE;
  ASSERT_EQ(Show(DialogScript().Do([](DialogView&) {
              PostQuitMessage(76);
              return std::string();
            }),
                 &ok),
            S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(kbtest::TakeQuitMessage(), 76);
}

class KBDialogRequestTest : public wqtest::NoLeaks {
 protected:
  KBDialogRequestTest() : NoLeaks(L"WQCGenericSvcs.dll") {}
  void SetUp() override {
    ASSERT_TRUE(kbtest::ServerLoaded());
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(L"WQCGenericSvcs.WQCKBDialogRequest", &clsid), S_OK);
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWQCKBDialogRequest),
                               request_.put_void()),
              S_OK);
    ASSERT_EQ(wqstandins::CreateWorkspace(ws_), S_OK);
    browser_ = kbtest::ResetBrowser();
    ASSERT_TRUE(browser_);
  }
  void TearDown() override {
    request_.reset();
    NoLeaks::TearDown();
  }
  plat::com_ptr<IWQCKBDialogRequest> request_;
  plat::com_ptr<IWQStandinWorkspace> ws_;
  plat::com_ptr<IWQStandinBrowser> browser_;
};

TEST_F(KBDialogRequestTest, ConfirmedDialogRunsTheMethodOnItsObject) {
  EXPECT_EQ(request_->RunDialog(ws_.get(), 0), E_UNEXPECTED) << "nothing to show yet";
  ASSERT_EQ(request_->Initialise(Bstr(L"<ScriptUI ReturnTo='Next' ActiveCase='3'><DialogBox "
                                      L"Title='Step'><EditBox id='Tag' prompt='Tag'/></DialogBox>"
                                      L"</ScriptUI>")
                                     .get(),
                                 17),
            S_OK);
  wqstandins::SetReply(ws_.get(), kServer, L"RunMethod",
                       L"<!--SimpleResponse--><Variant vt=\"3\" value=\"1\"/>");
  {
    kbtest::ScriptedUser user;
    user.WhenShown(browser_.get(), [this] {
      browser_->SetValue(Bstr(L"Tag").get(), Bstr(L"x").get());
      browser_->Click(Bstr(L"btnOK").get());
    });
    ASSERT_EQ(request_->RunDialog(ws_.get(), 0), S_OK);
  }
  long oid = 0;
  ASSERT_EQ(request_->get_OID(&oid), S_OK);
  EXPECT_EQ(oid, 17);
  EXPECT_EQ(wqtest::XmlStructure(wqstandins::RequestXml(ws_.get(), 1, false).c_str()),
            L"KBDescriptor[ActiveDocOid=0,CaseID=3,name=Next,oid=17]("
            L"ScriptUIResults(Inputs(Datum[id=Tag,vt=8,value=x])))");
  EXPECT_EQ(request_->get_OID(nullptr), E_POINTER);
}

// What the client of a dialog request sees when it quits while the dialog is up: the
// request answers as for a cancel, runs nothing, and the quit stays for the client's loop.
TEST_F(KBDialogRequestTest, QuitWhileTheDialogIsUpRunsNothingAndIsLeftForTheClient) {
  ASSERT_EQ(request_->Initialise(Bstr(L"<ScriptUI ReturnTo='Next'><DialogBox Title='Step'>"
                                      L"<EditBox id='Tag' prompt='Tag'/></DialogBox></ScriptUI>")
                                     .get(),
                                 17),
            S_OK);
  {
    kbtest::ScriptedUser user;
    user.WhenShown(browser_.get(), [] { PostQuitMessage(77); });
    EXPECT_EQ(request_->RunDialog(ws_.get(), 0), S_OK);
  }
  EXPECT_EQ(kbtest::TakeQuitMessage(), 77);
  LONG requests = -1;
  ws_->get_RequestCount(&requests);
  EXPECT_EQ(requests, 0);
}

}  // namespace
