// WQCSelectCaseDlg through COM, as a client meets it: the ListCases request on the
// stand-in workspace's record, the case list, and the dialogs driven as a user would.
#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "selectiontest.h"

namespace {

using wqtest::DialogScript;
using wqtest::DialogView;

constexpr const wchar_t* kServer = kServerProgId;
constexpr long kSentinel = 0x5EA1;
constexpr int kSingle = IDC_SINGLESELECTLIST;
constexpr int kMulti = IDC_MULTISELECTLIST;

// In reply order: beta, a restricted Alpha, alpha, Gamma.
constexpr wchar_t kCases[] =
    L"<ListCases><Case ID='3' CaseName='beta'/><Case ID='-7' CaseName='Alpha'/>"
    L"<Case ID='2' CaseName='alpha'/><Case ID='40' CaseName='Gamma'/></ListCases>";

// A plant's cases as a server lists them, two of them restricted.
constexpr wchar_t kPlantCases[] =
    L"<ListCases><Case ID='11' CaseName='Operating'/><Case ID='12' CaseName='Design'/>"
    L"<Case ID='-31' CaseName='Hydrotest'/><Case ID='14' CaseName='Start-up'/>"
    L"<Case ID='15' CaseName='Shutdown'/><Case ID='-32' CaseName='Upset 2019'/>"
    L"<Case ID='17' CaseName='Winter'/></ListCases>";

using wqtest::Bstr;

class SelectCaseTest : public wqtest::SelectionTest<IWQCSelectCaseDlg> {
 protected:
  SelectCaseTest() : SelectionTest(L"WQCGenericSvcs.WQCSelectCaseDlg") {
    Reply(L"ListCases", kCases);
  }

  LONG Requests() const { return wqstandins::RequestCount(ws_.get()); }
  // "name=ID, ..." of the case list, or of the selection.
  std::wstring Listing(bool selection = false) {
    long count = 0;
    selection ? dlg_->get_SelectionCount(&count) : dlg_->get_CaseCount(&count);
    std::wstring text;
    for (long i = 1; i <= count; ++i) {
      plat::unique_bstr name;
      long id = 0;
      selection ? dlg_->get_SelectionName(i, name.put()) : dlg_->get_Case(i, name.put());
      selection ? dlg_->get_Selection(i, &id) : dlg_->get_CaseID(i, &id);
      text += std::wstring(i > 1 ? L", " : L"") + name.c_str() + L"=" + std::to_wstring(id);
    }
    return text;
  }
  std::wstring SelectionXml() {
    plat::unique_bstr xml;
    EXPECT_EQ(dlg_->SelectionAsXML(xml.put()), S_OK);
    return xml.c_str();
  }
};

TEST_F(SelectCaseTest, RequestCarriesTheRestrictionAndTheContextObjects) {
  EXPECT_EQ(dlg_->AppendContext(12), S_OK);
  EXPECT_EQ(dlg_->AppendContext(-5), S_OK);
  EXPECT_EQ(dlg_->LoadCaseList(ws()), S_OK);
  EXPECT_EQ(wqstandins::CallLog(ws_.get()),
            L"CreateDataServiceCall\n"
            L"put_Flags(0)\n"
            L"put_ServerProgID(\"ZERAZevozarAdid.Main\")\n"
            L"put_MethodName(\"ListCases\")\n"
            L"StartDocument()\n"
            L"StartElement(\"ListCases\")\n"
            L"WriteVariantAttribute(\"RestrictedCases\", vt11:-1)\n"
            L"CloseStartTag()\n"
            L"WriteVariantElement(\"ObjectId\", vt3:12)\n"
            L"WriteVariantElement(\"ObjectId\", vt3:-5)\n"
            L"EndElement(\"ListCases\")\n"
            L"Execute(0)\n"
            L"get_Response");
  // Only VARIANT_TRUE keeps restricted cases in.
  EXPECT_EQ(dlg_->put_RestrictedCases(1), S_OK);
  EXPECT_EQ(dlg_->LoadCaseList(ws()), S_OK);
  EXPECT_EQ(wqstandins::RequestXml(ws_.get(), 2),
            L"<ListCases RestrictedCases=\"vt11:0\"><ObjectId>vt3:12</ObjectId>"
            L"<ObjectId>vt3:-5</ObjectId></ListCases>");
}

TEST_F(SelectCaseTest, CasesAreSortedAndLoadsAppendAllOrNothing) {
  EXPECT_EQ(dlg_->LoadCaseList(ws()), S_OK);
  EXPECT_EQ(wqstandins::RequestXml(ws_.get(), 1),
            L"<ListCases RestrictedCases=\"vt11:-1\"></ListCases>");
  EXPECT_EQ(Listing(), L"Alpha=-7, alpha=2, beta=3, Gamma=40");
  // A reply with a bad value adds nothing, not even what came before it.
  wqstandins::SetReply(
      ws_.get(), kServer, L"ListCases",
      L"<ListCases><Case CaseName='alpha'/><Case ID='-2'/><Case ID='x' CaseName='c'/>"
      L"<Case ID='5' CaseName='d'/></ListCases>");
  EXPECT_EQ(dlg_->LoadCaseList(ws()), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Listing(), L"Alpha=-7, alpha=2, beta=3, Gamma=40");
  // Each copy goes behind the names that equal it without regard to case; a case without
  // "ID" or "CaseName" has 0 or an empty name.
  wqstandins::SetReply(ws_.get(), kServer, L"ListCases",
                       L"<ListCases><Case CaseName='alpha'/><Case ID='-2'/></ListCases>");
  EXPECT_EQ(dlg_->LoadCaseList(ws()), S_OK);
  EXPECT_EQ(Listing(), L"=-2, Alpha=-7, alpha=2, alpha=0, beta=3, Gamma=40");
}

TEST_F(SelectCaseTest, AccessorsCheckPointersAndIndexes) {
  ASSERT_EQ(dlg_->LoadCaseList(ws()), S_OK);
  EXPECT_EQ(dlg_->get_Case(1, nullptr), E_POINTER);
  EXPECT_EQ(dlg_->get_Selection(1, nullptr), E_POINTER);
  EXPECT_EQ(dlg_->get_SelectionName(1, nullptr), E_POINTER);
  EXPECT_EQ(dlg_->ShowDialog(ws(), 0, nullptr), E_POINTER);
  long value = kSentinel;
  plat::unique_bstr text = Bstr(L"kept");
  BSTR raw = text.get();
  EXPECT_EQ(dlg_->get_Case(0, &raw), E_INVALIDARG);
  EXPECT_EQ(dlg_->get_CaseID(5, &value), E_INVALIDARG);
  EXPECT_EQ(dlg_->get_SelectionName(1, &raw), E_INVALIDARG);
  EXPECT_EQ(raw, text.get());
  EXPECT_EQ(value, kSentinel);
  EXPECT_EQ(dlg_->get_Selection(1, &value), E_INVALIDARG);
  EXPECT_EQ(value, 0) << "Selection clears its out value first";
  plat::unique_bstr xml;
  ASSERT_EQ(dlg_->SelectionAsXML(xml.put()), S_OK);
  ASSERT_NE(xml.get(), nullptr) << "an empty selection is an empty text, not null";
  EXPECT_STREQ(xml.get(), L"");
}

TEST_F(SelectCaseTest, BadWorkspaceAndFailingCallsShowNoDialog) {
  plat::com_ptr<IWQStandinWorkspace> noWq;
  ASSERT_EQ(wqstandins::CreateWorkspace(noWq, L"WQStandins.WorkspaceNoWQ"), S_OK);
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(dlg_->LoadCaseList(noWq.get()), E_INVALIDARG);
  EXPECT_EQ(dlg_->ShowDialog(noWq.get(), 0, &ok), E_INVALIDARG);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(dlg_->ShowDialog(nullptr, 0, &ok), E_INVALIDARG);
  for (const wchar_t* step : {L"CreateDataServiceCall", L"Execute", L"get_Response"}) {
    wqstandins::FailAt(ws_.get(), step, E_ACCESSDENIED, L"denied");
    ok = VARIANT_TRUE;
    EXPECT_EQ(dlg_->ShowDialog(ws(), 0, &ok), E_ACCESSDENIED) << step;
    EXPECT_EQ(ok, VARIANT_FALSE) << step;
    wqstandins::FailAt(ws_.get(), step, S_OK);
  }
  // A request the call did not take whole is not sent.
  dlg_->AppendContext(7);
  for (const wchar_t* step : {L"WriteVariantAttribute", L"WriteVariantElement", L"EndElement"}) {
    wqstandins::FailAt(ws_.get(), step, E_OUTOFMEMORY, L"");
    const LONG made = Requests();
    EXPECT_EQ(dlg_->LoadCaseList(ws()), E_OUTOFMEMORY) << step;
    const std::wstring log = wqstandins::CallLog(ws_.get());
    EXPECT_EQ(log.find(L"Execute", log.rfind(L"put_MethodName")), std::wstring::npos) << step;
    EXPECT_EQ(Requests(), made + 1) << step;
    wqstandins::FailAt(ws_.get(), step, S_OK);
  }
  // A parent that is no window is refused before anything is asked.
  const LONG before = Requests();
  EXPECT_EQ(dlg_->ShowDialog(ws(), 0x7FFF0001, &ok), E_INVALIDARG);
  EXPECT_EQ(Requests(), before);
  EXPECT_EQ(Listing(), L"");
}

TEST_F(SelectCaseTest, SingleSelectionOfARestrictedCase) {
  wqstandins::SetReply(ws_.get(), kServer, L"ListCases", kPlantCases);
  VARIANT_BOOL ok = VARIANT_FALSE;
  EXPECT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.Text(), L"Select Case");
                       EXPECT_EQ(
                           view.ListItems(kSingle),
                           (std::vector<std::wstring>{L"Design", L"Hydrotest (restricted)",
                                                      L"Operating", L"Shutdown", L"Start-up",
                                                      L"Upset 2019 (restricted)", L"Winter"}));
                     })
                     .Type(IDC_FINDTEXT, L"hy")
                     .Select(kSingle, 1)
                     .Screenshot(L"selectcase.png")
                     .Click(IDOK),
                 &ok),
            S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(Listing(true), L"Hydrotest=-31") << "the name without its mark";
  EXPECT_EQ(SelectionXml(),
            L"<?xml version=\"1.0\"?>\n<Select>\n  <Option Value=\"-31\"/>\n</Select>");
}

TEST_F(SelectCaseTest, MultipleSelectionInListOrderUnderItsTitle) {
  wqstandins::SetReply(ws_.get(), kServer, L"ListCases", kPlantCases);
  ASSERT_EQ(dlg_->put_MultiSelect(VARIANT_TRUE), S_OK);
  ASSERT_EQ(dlg_->put_Title(Bstr(L"Cases to copy").get()), S_OK);
  VARIANT_BOOL ok = VARIANT_FALSE;
  EXPECT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) { EXPECT_EQ(view.Text(), L"Cases to copy"); })
                     .Select(kMulti, 5)
                     .SelectAlso(kMulti, 0)
                     .SelectAlso(kMulti, 2)
                     .Screenshot(L"selectcase-multi.png")
                     .Click(IDOK),
                 &ok),
            S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(SelectionXml(),
            L"<?xml version=\"1.0\"?>\n<Select>\n  <Option Value=\"12\"/>\n"
            L"  <Option Value=\"11\"/>\n  <Option Value=\"-32\"/>\n</Select>");
}

TEST_F(SelectCaseTest, CancelAndEmptyChoicesKeepTheEarlierSelection) {
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(Show(DialogScript().DoubleClick(kSingle, 2), &ok), S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE);
  ok = VARIANT_TRUE;
  EXPECT_EQ(Show(DialogScript().Select(kSingle, 3).Click(IDCANCEL), &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  // MultiSelect 1 is not VARIANT_TRUE: the single list again.
  dlg_->put_MultiSelect(1);
  EXPECT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) { EXPECT_FALSE(view.Exists(kMulti)); })
                     .Click(IDCANCEL),
                 &ok),
            S_OK);
  // An OK that reaches the multiple list with nothing chosen is no choice.
  dlg_->put_MultiSelect(VARIANT_TRUE);
  EXPECT_EQ(Show(DialogScript().Do([](DialogView& view) {
              SendMessageW(view.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
              return std::string();
            }),
                 &ok),
            S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(Listing(true), L"beta=3");
  EXPECT_EQ(Requests(), 1) << "only an empty list is loaded";
}

TEST_F(SelectCaseTest, ALaterLoadKeepsTheSelectionOnItsCase) {
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(Show(DialogScript().Select(kSingle, 2).Click(IDOK), &ok), S_OK);
  wqstandins::SetReply(
      ws_.get(), kServer, L"ListCases",
      L"<ListCases><Case ID='8' CaseName='Aa'/><Case ID='9' CaseName='Ab'/></ListCases>");
  ASSERT_EQ(dlg_->LoadCaseList(ws()), S_OK);
  EXPECT_EQ(Listing(true), L"beta=3");
}

TEST_F(SelectCaseTest, AnEmptyListStillShowsAndChoosesNothing) {
  wqstandins::SetReply(ws_.get(), kServer, L"ListCases", L"<ListCases/>");
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) { EXPECT_FALSE(view.IsEnabled(IDOK)); })
                     .Click(IDCANCEL),
                 &ok),
            S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
}

}  // namespace
