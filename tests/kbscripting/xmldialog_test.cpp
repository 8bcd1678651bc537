// The XML dialog through its real window and the browser stand-in, driven like a user.
#include <gtest/gtest.h>

#include <latebound.h>

#include <cstdio>

#include "comtest.h"
#include "xmlattacks.h"
#include "kbscripting/xmldialog.h"
#include "kbtest.h"
#include "xmlstructure.h"

namespace {

using plat::com_ptr;
using plat::unique_bstr;
using wqtest::XmlStructure;

const wchar_t kEveryControl[] =
    L"<ScriptUI ReturnTo='NextStep' From='FirstStep' ActiveDocument='31' ActiveCase='4'>"
    L"<DialogBox Title='Line data'>"
    L"<TextBox>Enter the line data.&#13;&#10;All fields are needed.</TextBox>"
    L"<EditBox id='Tag' prompt='Tag'/>"
    L"<CheckBox id='Insulated' prompt='Insulated'/>"
    L"<CheckBox id='Traced' prompt='Traced' Checked='1'/>"
    L"<RadioGroup Name='Size'><RadioButton id='S' prompt='Small'/>"
    L"<RadioButton id='M' prompt='Medium'/><RadioButton id='L' prompt='Large'/></RadioGroup>"
    L"<ComboBox id='Material' prompt='Material'><Choice value='CS'>Carbon steel</Choice>"
    L"<Choice>Copper</Choice></ComboBox>"
    L"<ComboBox id='Empty' prompt='Nothing to choose'/>"
    L"<Link url='http://example.invalid/manual' displaytext='Manual'/>"
    L"<HelpString>Fill in every field.</HelpString>"
    L"</DialogBox>"
    L"<InstanceData id='Inst'><Datum id='Line' vt='3' value='7'/></InstanceData>"
    L"</ScriptUI>";

// A description with a single edit field and the given dialog attributes and scripts.
std::wstring TagDialog(const std::wstring& dialogAttributes = L"",
                       const std::wstring& extra = L"") {
  return L"<ScriptUI ReturnTo='Next'><DialogBox Title='Needs a tag'" + dialogAttributes +
         L"><EditBox id='Tag' prompt='Tag'/>" + extra + L"</DialogBox></ScriptUI>";
}

class XmlDialog : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kbtest::ServerLoaded());
    browser_ = kbtest::ResetBrowser();
    ASSERT_TRUE(browser_);
    dialog_ = plat::make<WQCXMLDialog>();
  }
  void TearDown() override {
    if (!browser_) return;
    LONG count = -1;
    browser_->get_BrowserCount(&count);
    EXPECT_EQ(count, 0) << "the browser was not let go";
    EXPECT_EQ(kbtest::DialogWindow(), nullptr) << "the dialog window is left";
    if (parent_) DestroyWindow(parent_);
  }

  HRESULT Show(const std::wstring& description, VARIANT_BOOL* ok, HWND parent = nullptr) {
    *ok = VARIANT_FALSE;
    return dialog_->ShowDialog(unique_bstr::copy(description.c_str()).get(),
                               reinterpret_cast<LONG_PTR>(parent), ok);
  }
  std::wstring Results() {
    unique_bstr returnTo, from, results;
    LONG document = 0, activeCase = 0;
    dialog_->GetResults(returnTo.put(), from.put(), results.put(), &document, &activeCase);
    return results.c_str();
  }
  std::wstring Log() { return wqstandins::CallLog(browser_.get()); }
  bool Logged(const std::wstring& line) { return Log().find(line) != std::wstring::npos; }

  void Set(const wchar_t* id, const wchar_t* value) {
    EXPECT_EQ(browser_->SetValue(unique_bstr::copy(id).get(), unique_bstr::copy(value).get()),
              S_OK);
  }
  void Check(const wchar_t* id) {
    EXPECT_EQ(browser_->SetChecked(unique_bstr::copy(id).get(), VARIANT_TRUE), S_OK);
  }
  void Click(const wchar_t* id) { EXPECT_EQ(browser_->Click(unique_bstr::copy(id).get()), S_OK); }
  bool PageShown() {
    VARIANT_BOOL shown = VARIANT_FALSE;
    browser_->get_PageShown(&shown);
    return shown != VARIANT_FALSE;
  }
  HWND MakeParent() {
    parent_ = CreateWindowExW(0, L"STATIC", L"Client", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                              600, 400, nullptr, nullptr, nullptr, nullptr);
    return parent_;
  }

  com_ptr<IWQStandinBrowser> browser_;
  com_ptr<WQCXMLDialog> dialog_;
  HWND parent_ = nullptr;
};

TEST_F(XmlDialog, OkGivesEveryControlAndTheInstanceData) {
  kbtest::ScriptedUser user;
  user.WhenShown(browser_.get(), [&] {
    Set(L"Tag", L"P-101 & \"B\"");
    Check(L"Insulated");
    Check(L"L");
    EXPECT_EQ(browser_->SelectIndex(unique_bstr::copy(L"Material").get(), 1), S_OK);
    Click(L"btnOK");
  });
  VARIANT_BOOL ok;
  ASSERT_EQ(Show(kEveryControl, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(XmlStructure(Results().c_str()),
            L"ScriptUIResults(Inputs(Datum[id=Tag,vt=8,value=P-101 & \"B\"],"
            L"Datum[id=Insulated,vt=8,value=true],Datum[id=Traced,vt=8,value=true],"
            L"Datum[id=S,vt=8,value=false],Datum[id=M,vt=8,value=false],"
            L"Datum[id=L,vt=8,value=true],Datum[id=Material,vt=8,value=Copper],"
            L"Datum[id=Empty,vt=8,value=]),Datum[id=Line,vt=3,value=7])");

  unique_bstr returnTo, from, results;
  LONG document = 0, activeCase = 0;
  dialog_->GetResults(returnTo.put(), from.put(), results.put(), &document, &activeCase);
  EXPECT_STREQ(returnTo.c_str(), L"NextStep");
  EXPECT_STREQ(from.c_str(), L"FirstStep");
  EXPECT_EQ(document, 31);
  EXPECT_EQ(activeCase, 4);
  // The events come through plain IDispatch, and the page may download media.
  EXPECT_TRUE(Logged(L"Advise(IDispatch)")) << Log();
  EXPECT_TRUE(Logged(L"Load(")) << Log();
  EXPECT_TRUE(Logged(L"AmbientDLControl -> vt3:112")) << Log();
  EXPECT_TRUE(Logged(L"Unadvise(1)\nStop()\nClose(1)")) << Log();
}

TEST_F(XmlDialog, UntouchedControlsGiveTheirStartValues) {
  kbtest::ScriptedUser user;
  user.WhenShown(browser_.get(), [&] { Click(L"btnOK"); });
  VARIANT_BOOL ok;
  ASSERT_EQ(Show(kEveryControl, &ok), S_OK);
  EXPECT_EQ(XmlStructure(Results().c_str()),
            L"ScriptUIResults(Inputs(Datum[id=Tag,vt=8,value=],"
            L"Datum[id=Insulated,vt=8,value=false],Datum[id=Traced,vt=8,value=true],"
            L"Datum[id=S,vt=8,value=true],Datum[id=M,vt=8,value=false],"
            L"Datum[id=L,vt=8,value=false],Datum[id=Material,vt=8,value=CS],"
            L"Datum[id=Empty,vt=8,value=]),Datum[id=Line,vt=3,value=7])");
}

TEST_F(XmlDialog, ValidateFalseKeepsTheDialogOpen) {
  const std::wstring description = TagDialog(L"",
                                             L"<Script language='JScript'>function Validate() {"
                                             L" if (document.getElementById('Tag').value == '') { "
                                             L"alert('Tag is required'); return false; }"
                                             L" return true; }</Script>");
  std::wstring message;
  kbtest::ScriptedUser user;
  user.WhenShown(browser_.get(), [&] { Click(L"btnOK"); })
      .AnswerMessageBox(L"Needs a tag", &message)
      .Then([&] {
        EXPECT_TRUE(PageShown());
        EXPECT_EQ(kbtest::WindowText(kbtest::DialogWindow()), L"Needs a tag");
        Set(L"Tag", L"P-7");
        Click(L"btnOK");
      });
  VARIANT_BOOL ok;
  ASSERT_EQ(Show(description, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(message, L"Tag is required");
  EXPECT_EQ(XmlStructure(Results().c_str()),
            L"ScriptUIResults(Inputs(Datum[id=Tag,vt=8,value=P-7]))");
}

TEST_F(XmlDialog, CancelFunctionDecidesWhetherTheDialogCloses) {
  const std::wstring description =
      TagDialog(L"",
                L"<Script>Dim asked\nFunction Cancel()\n asked = asked + 1\n"
                L" Cancel = (asked &gt; 1)\nEnd Function</Script>");
  kbtest::ScriptedUser user;
  user.WhenShown(browser_.get(), [&] { Click(L"btnCancel"); }).Then([&] {
    EXPECT_TRUE(PageShown()) << "the page's Cancel said no";
    Click(L"btnCancel");
  });
  VARIANT_BOOL ok;
  ASSERT_EQ(Show(description, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(Results(), L"");
}

TEST_F(XmlDialog, CancelGivesNoResults) {
  kbtest::ScriptedUser user;
  user.WhenShown(browser_.get(), [&] {
    Set(L"Tag", L"typed");
    Click(L"btnCancel");
  });
  VARIANT_BOOL ok;
  ASSERT_EQ(Show(TagDialog(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(Results(), L"");
}

TEST_F(XmlDialog, PermitCancelZeroShowsOnlyOk) {
  kbtest::ScriptedUser user;
  user.WhenShown(browser_.get(), [&] {
    EXPECT_EQ(kbtest::ElementText(browser_.get(), L"btnCancel", L"id"), L"<no element>");
    EXPECT_EQ(kbtest::ElementText(browser_.get(), L"btnOK", L"value"), L"OK");
    Click(L"btnOK");
  });
  VARIANT_BOOL ok;
  ASSERT_EQ(Show(TagDialog(L" PermitCancel='0'"), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
}

TEST_F(XmlDialog, WindowMessagesAfterCloseFindNoBrowser) {
  kbtest::ScriptedUser user;
  user.WhenShown(browser_.get(), [&] {
    Click(L"btnOK");
    // The dialog let the browser go; its window still takes messages until it closes.
    HWND window = kbtest::DialogWindow();
    SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    SendMessageW(window, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(SendMessageW(window, WM_KEYDOWN, VK_TAB, 1), 0);
    Click(L"btnOK");
  });
  VARIANT_BOOL ok;
  ASSERT_EQ(Show(TagDialog(), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
}

TEST_F(XmlDialog, ClosingTheWindowIsACancelAndFreesTheParent) {
  HWND parent = MakeParent();
  VARIANT_BOOL ok;
  {
    kbtest::ScriptedUser user;
    user.WhenShown(browser_.get(), [&] {
      EXPECT_FALSE(IsWindowEnabled(parent));
      PostMessageW(kbtest::DialogWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt+F4
    });
    ASSERT_EQ(Show(TagDialog(), &ok, parent), S_OK);
  }
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_TRUE(IsWindowEnabled(parent));

  // A dialog destroyed with its owner is cancelled as well.
  kbtest::ScriptedUser user;
  user.WhenShown(browser_.get(), [&] { DestroyWindow(parent); });
  dialog_ = plat::make<WQCXMLDialog>();
  ASSERT_EQ(Show(TagDialog(), &ok, parent), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
}

TEST_F(XmlDialog, F1ShowsTheHelpString) {
  std::wstring help;
  kbtest::ScriptedUser user;
  user.WhenShown(browser_.get(), [&] { EXPECT_EQ(browser_->PressKey(VK_F1), S_OK); })
      .AnswerMessageBox(L"KB Help", &help)
      .Then([&] { Click(L"btnCancel"); });
  VARIANT_BOOL ok;
  ASSERT_EQ(Show(kEveryControl, &ok), S_OK);
  EXPECT_EQ(help, L"Fill in every field.");
}

// The dialog ends its loop without a quit message of its own; one the application posts
// (while the page or a message box over it is up) ends the dialog as cancelled and is left,
// with its exit code, for the application's loop, also when the dialog was closing anyway.
TEST_F(XmlDialog, QuitMessageIsTheApplicationsAndCancelsTheDialog) {
  VARIANT_BOOL ok;
  {
    kbtest::ScriptedUser user;
    user.WhenShown(browser_.get(), [&] { Click(L"btnOK"); });
    ASSERT_EQ(Show(TagDialog(), &ok), S_OK);
  }
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(kbtest::TakeQuitMessage(), -1) << "the dialog's own close";

  HWND parent = MakeParent();
  {
    kbtest::ScriptedUser user;
    user.WhenShown(browser_.get(), [] { PostQuitMessage(77); });
    dialog_ = plat::make<WQCXMLDialog>();
    ASSERT_EQ(Show(TagDialog(), &ok, parent), S_OK);
  }
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(kbtest::TakeQuitMessage(), 77);
  EXPECT_TRUE(IsWindowEnabled(parent));

  {
    kbtest::ScriptedUser user;
    user.WhenShown(browser_.get(), [&] { EXPECT_EQ(browser_->PressKey(VK_F1), S_OK); })
        .When([] { return kbtest::FindMessageBox(L"KB Help") != nullptr; },
              [] { PostQuitMessage(78); });
    dialog_ = plat::make<WQCXMLDialog>();
    ASSERT_EQ(Show(kEveryControl, &ok), S_OK);
  }
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(kbtest::TakeQuitMessage(), 78);

  {
    kbtest::ScriptedUser user;
    user.WhenShown(browser_.get(), [&] {
      Click(L"btnOK");
      PostQuitMessage(79);
    });
    dialog_ = plat::make<WQCXMLDialog>();
    ASSERT_EQ(Show(TagDialog(), &ok), S_OK);
  }
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(kbtest::TakeQuitMessage(), 79);
}

TEST_F(XmlDialog, LinkOpensInANewWindowAndThePageStays) {
  kbtest::ScriptedUser user;
  user.WhenShown(browser_.get(), [&] { EXPECT_EQ(browser_->FollowLink(1), S_OK); }).Then([&] {
    EXPECT_TRUE(PageShown());
    Click(L"btnOK");
  });
  VARIANT_BOOL ok;
  ASSERT_EQ(Show(kEveryControl, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_TRUE(Logged(L"BeforeNavigate2(\"http://example.invalid/manual\") -> cancelled")) << Log();
  EXPECT_TRUE(Logged(L"Navigate(\"http://example.invalid/manual\", 1)")) << Log();
}

TEST_F(XmlDialog, AKeyIsHandledOnce) {
  kbtest::ScriptedUser user;
  user.WhenShown(browser_.get(),
                 [&] {
                   Set(L"Tag", L"abcd");
                   // A key sent to the dialog window itself, then one to the browser's window.
                   PostMessageW(kbtest::DialogWindow(), WM_KEYDOWN, VK_DELETE, 1);
                 })
      .Then([&] {
        EXPECT_EQ(kbtest::ElementText(browser_.get(), L"Tag", L"value"), L"abc");
        EXPECT_EQ(browser_->PressKey(VK_DELETE), S_OK);
      })
      .Then([&] {
        EXPECT_EQ(kbtest::ElementText(browser_.get(), L"Tag", L"value"), L"ab");
        Click(L"btnCancel");
      });
  VARIANT_BOOL ok;
  ASSERT_EQ(Show(TagDialog(), &ok), S_OK);
}

TEST_F(XmlDialog, BrowserThatFailsEndsTheCallWithTheParentEnabled) {
  const struct {
    const wchar_t* step;
    const wchar_t* message;  // null: no message box
  } cases[] = {{L"Create", L"CoCreateInstance failed"},
               {L"SetClientSite", L"SetClientSite failed"},
               {L"DoVerb", L"DoVerb failed"},
               {L"QueryWebBrowser2", nullptr}};
  HWND parent = MakeParent();
  for (const auto& c : cases) {
    browser_->Reset();
    ASSERT_EQ(wqstandins::FailAt(browser_.get(), c.step, E_FAIL), S_OK);
    dialog_ = plat::make<WQCXMLDialog>();
    std::wstring message;
    VARIANT_BOOL ok;
    {
      kbtest::ScriptedUser user;
      if (c.message) user.AnswerMessageBox(L"", &message);
      EXPECT_EQ(Show(TagDialog(), &ok, parent), E_FAIL) << c.step;
    }
    EXPECT_EQ(message, c.message ? c.message : L"") << c.step;
    EXPECT_EQ(ok, VARIANT_FALSE) << c.step;
    EXPECT_TRUE(IsWindowEnabled(parent)) << c.step;
    EXPECT_EQ(kbtest::DialogWindow(), nullptr) << c.step;
  }
}

TEST_F(XmlDialog, WindowFitsTheTableAndIsCentredOverItsParent) {
  HWND parent = MakeParent();
  kbtest::ScriptedUser user;
  user.WhenShown(browser_.get(), [&] {
    com_ptr<IDispatch> document;
    browser_->get_Document(document.put());
    plat::unique_variant all, tables, table;
    plat::GetProperty(document.get(), L"all", all.put());
    plat::CallMethod(V_DISPATCH(&all), L"tags", {plat::ArgText(unique_bstr::copy(L"table").get())},
                     tables.put());
    plat::CallMethod(V_DISPATCH(&tables), L"item", {plat::ArgLong(0)}, table.put());
    long offset[4] = {};
    const wchar_t* const names[] = {L"offsetLeft", L"offsetTop", L"offsetWidth", L"offsetHeight"};
    for (int i = 0; i < 4; ++i) {
      plat::unique_variant value;
      plat::GetPropertyAs(V_DISPATCH(&table), names[i], VT_I4, value.put());
      offset[i] = V_I4(&value);
    }
    const SIZE expected = wqc::XmlDialogWindowSize(offset[0] + offset[2], offset[1] + offset[3]);
    RECT window = {}, owner = {};
    GetWindowRect(kbtest::DialogWindow(), &window);
    GetWindowRect(parent, &owner);
    EXPECT_EQ(window.right - window.left, expected.cx);
    EXPECT_EQ(window.bottom - window.top, expected.cy);
    EXPECT_LE(std::abs((window.left + window.right) - (owner.left + owner.right)), 1);
    EXPECT_LE(std::abs((window.top + window.bottom) - (owner.top + owner.bottom)), 1);
    Click(L"btnCancel");
  });
  VARIANT_BOOL ok;
  ASSERT_EQ(Show(kEveryControl, &ok, parent), S_OK);
}

TEST_F(XmlDialog, DebugFileGetsThePageOrIsSkipped) {
  const std::wstring path = kbtest::TempFile();
  for (const std::wstring& file : {path, std::wstring(L"Q:\\no such folder\\page.htm")}) {
    kbtest::ScriptedUser user;
    user.WhenShown(browser_.get(), [&] { Click(L"btnOK"); });
    VARIANT_BOOL ok;
    dialog_ = plat::make<WQCXMLDialog>();
    ASSERT_EQ(Show(TagDialog(L" DebugFile='" + file + L"'"), &ok), S_OK) << file;
    EXPECT_EQ(ok, VARIANT_TRUE) << file;
  }
  EXPECT_EQ(kbtest::TakeWideFile(path).substr(0, 6), L"<html>");
}

TEST_F(XmlDialog, NullFlagIsRefusedBeforeAnythingIsShown) {
  EXPECT_EQ(dialog_->ShowDialog(unique_bstr::copy(TagDialog().c_str()).get(), 0, nullptr),
            E_POINTER);
  EXPECT_EQ(Log(), L"");
}

// The attack sits in the instance data, which becomes the page's data island.
TEST_F(XmlDialog, DescriptionWithEntityExpansionIsRefusedAtOnce) {
  for (const std::wstring& attack :
       {wqtest::BillionLaughs(L"ScriptUI"), wqtest::QuadraticBlowup(L"ScriptUI")}) {
    std::wstring description = attack;
    description.replace(description.rfind(L"<ScriptUI>"), 10,
                        L"<ScriptUI ReturnTo='Next'><DialogBox Title='T'/><InstanceData id='I'>");
    description.replace(description.rfind(L"</ScriptUI>"), 11, L"</InstanceData></ScriptUI>");
    VARIANT_BOOL ok = VARIANT_TRUE;
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(FAILED(Show(description, &ok)));
    EXPECT_LT(wqtest::ElapsedMs(start), 1000u) << attack.substr(0, 60);
    EXPECT_EQ(ok, VARIANT_FALSE);
    EXPECT_FALSE(PageShown());
    EXPECT_NE(wqtest::TakeErrorDescription().find(L"declares a document type"), std::wstring::npos);
  }
}

TEST(XmlDialogClass, AnswersItsInterfacesAndIsDescribedButNotCreatable) {
  com_ptr<WQCXMLDialog> dialog = plat::make<WQCXMLDialog>();
  IUnknown* unknown = static_cast<IWQCXMLDialog*>(dialog.get());
  for (REFIID iid :
       {__uuidof(IWQCXMLDialog), IID_IDispatch, __uuidof(IOleClientSite), __uuidof(IOleWindow),
        __uuidof(IOleInPlaceSite), __uuidof(IDocHostUIHandler), __uuidof(IDocHostShowUI),
        __uuidof(IProvideClassInfo), __uuidof(IProvideClassInfo2)})
    EXPECT_EQ(wqtest::QueryResult(unknown, iid), S_OK) << wqtest::GuidText(iid);
  // The browser's events arrive through IDispatch alone.
  EXPECT_EQ(wqtest::QueryResult(unknown, DIID_DWebBrowserEvents2), E_NOINTERFACE);

  com_ptr<IProvideClassInfo2> info;
  ASSERT_EQ(dialog.query_to(info), S_OK);
  GUID source = IID_IUnknown;
  EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID + 1, &source), E_INVALIDARG);
  EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, nullptr), E_POINTER);
  com_ptr<ITypeInfo> classInfo;
  ASSERT_EQ(info->GetClassInfo(classInfo.put()), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(classInfo->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->guid, __uuidof(WQCXMLDialog));
  EXPECT_EQ(attributes->wTypeFlags & TYPEFLAG_FCANCREATE, 0);
  classInfo->ReleaseTypeAttr(attributes);

  com_ptr<IUnknown> created;
  EXPECT_EQ(CoCreateInstance(__uuidof(WQCXMLDialog), nullptr, CLSCTX_ALL, IID_IUnknown,
                             created.put_void()),
            REGDB_E_CLASSNOTREG);
}

TEST(XmlDialogLayout, SizingIsKeptBetweenTheSmallestAndLargestTrackSize) {
  const SIZE minimum = {200, 150};
  const long maxWidth = GetSystemMetrics(SM_CXMAXTRACK);
  const long maxHeight = GetSystemMetrics(SM_CYMAXTRACK) - 2 * GetSystemMetrics(SM_CYCAPTION);
  const struct {
    RECT proposed;
    RECT expected;
  } cases[] = {{{10, 20, 110, 70}, {10, 20, 210, 170}},
               {{10, 20, 410, 320}, {10, 20, 410, 320}},
               {{0, 0, maxWidth + 50, maxHeight + 50}, {0, 0, maxWidth, maxHeight}}};
  for (const auto& c : cases) {
    RECT rect = c.proposed;
    wqc::ClampXmlDialogSizing(rect, minimum);
    EXPECT_TRUE(EqualRect(&rect, &c.expected))
        << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
  }
}

}  // namespace
