// WQCAssocHoldDlg as a client meets it: created through the registered server, its dialog
// driven as a user would drive it over the holds of the stand-in workspace.
#include <wqmsxml.h>
#include <wqxmlsecurity.h>
#include <wqxmltext.h>

#include <algorithm>

#include "benchsupport.h"
#include "claimtest.h"
#include "workspacedialogs/activeholdsparser.h"

namespace {

using namespace claimtest;
using wqtest::DialogScript;
using wqtest::DialogView;

const wchar_t kHolds[] =
    L"<ActiveHolds><Hold OID=\"31\" Name=\"H-1\" Date=\"37000.0\">  vendor data due </Hold>"
    L"<Hold OID=\"45\" Name=\"H-2\" Date=\"37001.5\">Stress check</Hold></ActiveHolds>";

std::wstring ShortDate(WORD year, WORD month, WORD day) {
  SYSTEMTIME date{year, month, 0, day};
  wchar_t text[64] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &date, nullptr, text, 64);
  return text;
}

class AssocHold : public WorkspaceTest<IWQCAssocHoldDlg> {
 protected:
  AssocHold() : WorkspaceTest(L"WQCGenericSvcs.WQCAssocHoldDlg") {}

  VARIANT_BOOL Show(const DialogScript& script) { return ShowWith(script, S_OK, ws(), 0LL); }

  // Create|Selection|Name|Reason.
  std::wstring Results() {
    VARIANT_BOOL create = 0;
    long selection = 0;
    plat::unique_bstr name, reason;
    dlg_->get_Create(&create);
    dlg_->get_Selection(&selection);
    dlg_->get_Name(name.put());
    dlg_->get_Reason(reason.put());
    return std::to_wstring(create) + L"|" + std::to_wstring(selection) + L"|" + name.c_str() +
           L"|" + reason.c_str();
  }
};

TEST_F(AssocHold, AnExistingHoldIsChosenFromTheList) {
  Reply(L"ListActiveHolds", kHolds);
  EXPECT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.Text(), L"Associate Hold");
                       EXPECT_TRUE(view.IsChecked(IDC_CREATEHOLD));
                       EXPECT_FALSE(view.IsChecked(IDC_ASSOCHOLD));
                       EXPECT_FALSE(view.IsEnabled(IDC_HOLDLIST));
                       EXPECT_TRUE(view.HasFocus(IDC_HOLDNAME));
                       EXPECT_TRUE(view.IsEnabled(IDOK));
                       // The reason keeps the white space around it.
                       EXPECT_EQ(RowTexts(view, IDC_HOLDLIST, 0, 3),
                                 (Texts{L"H-1", ShortDate(2001, 4, 19), L"  vendor data due "}));
                       EXPECT_EQ(RowTexts(view, IDC_HOLDLIST, 1, 3),
                                 (Texts{L"H-2", ShortDate(2001, 4, 20), L"Stress check"}));
                       // The date is shown whole, with the list's margins around it.
                       const plat::ListView list(view.Item(IDC_HOLDLIST));
                       EXPECT_GE(list.GetColumnWidth(1),
                                 list.GetStringWidth(ShortDate(2001, 4, 20).c_str()) + 12);
                       EXPECT_EQ(list.GetColumnWidth(0), 50);
                       EXPECT_EQ(list.GetColumnWidth(2), 200);
                     })
                     .Click(IDC_ASSOCHOLD)
                     .Inspect([](DialogView& view) {
                       EXPECT_TRUE(view.IsChecked(IDC_ASSOCHOLD));
                       EXPECT_FALSE(view.IsChecked(IDC_CREATEHOLD));
                       EXPECT_FALSE(view.IsEnabled(IDOK)) << "no hold is chosen yet";
                       EXPECT_FALSE(view.IsEnabled(IDC_HOLDNAME));
                       EXPECT_FALSE(view.IsEnabled(IDC_HOLDREASON));
                     })
                     .Do(ClickRow(IDC_HOLDLIST, 0))
                     .Inspect([](DialogView& view) { EXPECT_TRUE(view.IsEnabled(IDOK)); })
                     .Screenshot(L"assochold.png")
                     .Click(IDOK)),
            VARIANT_TRUE);
  EXPECT_EQ(Results(), L"0|31||  vendor data due ");
  EXPECT_EQ(Method(1), L"ListActiveHolds");
  EXPECT_EQ(LastRequest(), L"") << "the request has no input";
}

TEST_F(AssocHold, ANewHoldIsNamedAndCancelKeepsTheResults) {
  Reply(L"ListActiveHolds", kHolds);
  dlg_->put_Title(plat::unique_bstr::copy(L"Hold P-101").get());
  EXPECT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) { EXPECT_EQ(view.Text(), L"Hold P-101"); })
                     .Click(IDC_ASSOCHOLD)
                     .Do(ClickRow(IDC_HOLDLIST, 1, NM_DBLCLK))
                     .Inspect([](DialogView& view) {
                       EXPECT_TRUE(IsWindowVisible(view.hwnd())) << "a double click only chooses";
                       EXPECT_TRUE(view.IsChecked(IDC_ASSOCHOLD));
                     })
                     .Click(IDC_CREATEHOLD)
                     .Inspect([](DialogView& view) {
                       EXPECT_FALSE(view.IsEnabled(IDC_HOLDLIST));
                       EXPECT_TRUE(view.IsEnabled(IDOK));
                     })
                     .SetText(IDC_HOLDNAME, L"H-9")
                     .SetText(IDC_HOLDREASON, L"Line 1\r\nLine 2")
                     .Click(IDOK)),
            VARIANT_TRUE);
  EXPECT_EQ(Results(), L"-1|-1|H-9|Line 1\r\nLine 2");

  Reply(L"ListActiveHolds", L"<ActiveHolds/>");
  EXPECT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(plat::ListView(view.Item(IDC_HOLDLIST)).GetItemCount(), 0);
                     })
                     .SetText(IDC_HOLDNAME, L"other")
                     .Click(IDCANCEL)),
            VARIANT_FALSE);
  EXPECT_EQ(Results(), L"-1|-1|H-9|Line 1\r\nLine 2");
}

// The hold reported is the row the user chose, by a click or by typing its name's start:
// a text that more names share goes to the first of them, more letters to the one they
// begin (blanks included), and the same letter typed again after a pause to the next.
TEST_F(AssocHold, TheHoldChosenByClickOrTypingIsTheOneReported) {
  Reply(L"ListActiveHolds",
        L"<ActiveHolds><Hold OID=\"11\" Name=\"Alpha\" Date=\"1\">a</Hold>"
        L"<Hold OID=\"22\" Name=\"Bravo\" Date=\"1\">b</Hold>"
        L"<Hold OID=\"55\" Name=\"Bravo deck\" Date=\"1\">e</Hold>"
        L"<Hold OID=\"33\" Name=\"Charlie\" Date=\"1\">c</Hold>"
        L"<Hold OID=\"44\" Name=\"Cobalt\" Date=\"1\">d</Hold></ActiveHolds>");
  const auto typed = [](std::initializer_list<const wchar_t*> words) {
    DialogScript script;
    script.Click(IDC_ASSOCHOLD);
    for (const wchar_t* word : words) script.TypeKeys(word).Pause(600);
    return script;
  };
  const struct {
    const char* what;
    DialogScript chooses;
    const wchar_t* results;
  } cases[] = {
      {"a click on the second", DialogScript().Click(IDC_ASSOCHOLD).Do(ClickRow(IDC_HOLDLIST, 1)),
       L"0|22||b"},
      {"c", typed({L"c"}), L"0|33||c"},
      {"co", typed({L"co"}), L"0|44||d"},
      {"c, c", typed({L"c", L"c"}), L"0|44||d"},
      {"c, c, c", typed({L"c", L"c", L"c"}), L"0|33||c"},
      {"b after c", typed({L"c", L"b"}), L"0|22||b"},
      // A blank inside the search is part of the name.
      {"bravo d", DialogScript().Click(IDC_ASSOCHOLD).Pause(600).TypeAtPace(L"bravo d"),
       L"0|55||e"},
  };
  for (const auto& c : cases) {
    DialogScript script = c.chooses;
    EXPECT_EQ(Show(script.Click(IDOK)), VARIANT_TRUE) << c.what;
    EXPECT_EQ(Results(), c.results) << c.what;
  }
}

// The list may tell of item changes while the holds are read into it: those are not the
// user's, so the dialog still opens ready to create a hold.
TEST_F(AssocHold, RowsBeingFilledInDoNotSwitchToAssociate) {
  Reply(L"ListActiveHolds", kHolds);
  wqtest::ItemChangesDuringFill changes(IDC_HOLDLIST);
  EXPECT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_TRUE(view.IsChecked(IDC_CREATEHOLD));
                       EXPECT_FALSE(view.IsChecked(IDC_ASSOCHOLD));
                       EXPECT_TRUE(view.IsEnabled(IDC_HOLDNAME));
                       EXPECT_TRUE(view.IsEnabled(IDC_HOLDREASON));
                       EXPECT_FALSE(view.IsEnabled(IDC_HOLDLIST));
                     })
                     .Click(IDCANCEL)),
            VARIANT_FALSE);
  EXPECT_GE(changes.Sent(), 2);
}

TEST_F(AssocHold, ADialogThatCannotBeShownIsAFailure) {
  Reply(L"ListActiveHolds", kHolds);
  EXPECT_EQ(ShowWith(wqtest::EndWithFailure(), E_FAIL, ws(), 0LL), VARIANT_FALSE);
  EXPECT_EQ(LastMessage(), L"The dialog could not be shown");
  EXPECT_EQ(Results(), L"-1|-1||");
}

TEST_F(AssocHold, FailuresAreReportedAndLeaveTheResults) {
  VARIANT_BOOL ok = VARIANT_TRUE;
  // Holds that cannot be read: no dialog shows, and it is not taken for a Cancel.
  Reply(L"ListActiveHolds", L"<ActiveHolds><Hold OID=\"31\" Name=\"H-1\"/><Hold OID=\"x\"/>");
  EXPECT_TRUE(FAILED(dlg_->ShowDialog(ws(), 0, &ok)));
  EXPECT_NE(wqtest::TakeErrorDescription().find(L"<WQError "), std::wstring::npos);
  EXPECT_EQ(ok, VARIANT_FALSE);

  Reply(L"ListActiveHolds", kHolds);
  wqstandins::FailAt(workspace_.get(), L"Execute", E_ACCESSDENIED, L"The server is down");
  ok = VARIANT_TRUE;
  EXPECT_EQ(dlg_->ShowDialog(ws(), 0, &ok), E_ACCESSDENIED);
  EXPECT_EQ(LastMessage(), L"The server is down");
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(dlg_->ShowDialog(WorkspaceWithoutWQ(), 0, &ok), E_INVALIDARG);
  EXPECT_EQ(dlg_->ShowDialog(ws(), 0, nullptr), E_POINTER);
  EXPECT_EQ(Results(), L"-1|-1||");

  long oid = 5;
  EXPECT_EQ(dlg_->CreateHold(ws(), nullptr, nullptr, claimtest::Omitted(), nullptr), E_POINTER);
  EXPECT_EQ(dlg_->CreateHold(WorkspaceWithoutWQ(), nullptr, nullptr, claimtest::Omitted(), &oid),
            E_INVALIDARG);
  EXPECT_EQ(oid, 0);
}

// The fastest of three runs, in milliseconds.
template <class Run>
ULONGLONG FastestMs(Run run) {
  ULONGLONG fastest = ~0ULL;
  for (int i = 0; i < 3; ++i) {
    const ULONGLONG start = GetTickCount64();
    run();
    fastest = std::min(fastest, GetTickCount64() - start);
  }
  return fastest;
}

// The reader hands a reason over in a piece per entity reference: one in 200,000 pieces is
// read in time that grows with the reply as the XML reader's own does.
TEST(AssocHoldReader, ReasonInManyPiecesIsReadInProportionToTheReply) {
  constexpr int kPieces = 200000;
  std::wstring reply = L"<ActiveHolds><Hold OID='7' Name='H-7' Date='1'>";
  for (int i = 0; i < kPieces / 2; ++i) reply += L"a&amp;";
  reply += L"</Hold></ActiveHolds>";
  plat::unique_bstr xml = plat::unique_bstr::copy(reply.c_str());

  const ULONGLONG alone = FastestMs([&] {
    plat::com_ptr<ISAXXMLReader> reader;
    ASSERT_EQ(CoCreateInstance(__uuidof(SAXXMLReader60), nullptr, CLSCTX_ALL,
                               __uuidof(ISAXXMLReader), reader.put_void()),
              S_OK);
    WQSecureSAXReader(reader.get());
    plat::com_ptr<bench::ElementCounter> handler = plat::make<bench::ElementCounter>();
    reader->putContentHandler(handler.get());
    plat::com_ptr<ISequentialStream> stream;
    ASSERT_EQ(WQCreateXMLTextStream(reply.c_str(), reply.size(), stream.put()), S_OK);
    VARIANT text;
    V_VT(&text) = VT_UNKNOWN;
    V_UNKNOWN(&text) = stream.get();
    EXPECT_EQ(reader->parse(text), S_OK);
    reader->putContentHandler(nullptr);
  });
  size_t reasonLength = 0;
  const ULONGLONG module = FastestMs([&] {
    ActiveHoldsParser parser(
        [&](const ActiveHold& hold) { reasonLength = hold.Reason.GetLength(); });
    EXPECT_EQ(parser.ParseString(xml.get()), S_OK);
  });
  EXPECT_EQ(reasonLength, static_cast<size_t>(kPieces));
  // Generous: the handlers' own work may cost a few times the reader's, never its square.
  EXPECT_LE(module, 4 * alone + 250) << "reader alone " << alone << " ms";
}

}  // namespace
