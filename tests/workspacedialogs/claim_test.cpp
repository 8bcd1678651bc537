// WQCClaimDlg as a client meets it: parts loaded from the stand-in workspace, the dialog
// driven as a user would drive it, and the claims it sends.
#include "claimtest.h"

#include <cmath>

#include "workspacedialogs/listobjectpartsparser.h"

namespace {

using namespace claimtest;
using wqtest::DialogScript;
using wqtest::DialogView;

constexpr wchar_t kLongName[] = L"Pump P-101 with a name far too long for any column of the list";

std::wstring Part(int oid, const std::wstring& name, int mode) {
  return L"<Part OID=\"" + std::to_wstring(oid) + L"\" Name=\"" + name +
         L"\" Class=\"Pump\" InScope=\"Yes\" ClaimSetting=\"Free\" ClaimedBy=\"ann\" "
         L"ClaimExtent=\"Whole\" ClaimMode=\"" +
         std::to_wstring(mode) + L"\"/>";
}

std::wstring Parts(const std::wstring& parts) {
  return L"<ListObjectParts>" + parts + L"</ListObjectParts>";
}

VARIANT Real(double value) {
  VARIANT v;
  V_VT(&v) = VT_R8;
  V_R8(&v) = value;
  return v;
}

VARIANT NaNDate() {
  VARIANT v;
  V_VT(&v) = VT_DATE;
  V_DATE(&v) = std::nan("");
  return v;
}

int HeadingWidth(const DialogView& view, const wchar_t* heading) {
  return plat::ListView(view.Item(IDC_CLAIMLIST)).GetStringWidth(heading) + 12;
}

class Claim : public WorkspaceTest<IWQCClaimDlg> {
 protected:
  Claim() : WorkspaceTest(L"WQCGenericSvcs.WQCClaimDlg") {}
  void SetUp() override {
    WorkspaceTest::SetUp();
    Reply(L"ClaimObject", L"");
    Reply(L"ClaimObjectEx", L"");
  }

  HRESULT Initialize(const std::wstring& reply, long oid = 7) {
    Reply(L"ListObjectParts", reply.c_str());
    return dlg_->Initialize(ws(), oid, Omitted());
  }

  VARIANT_BOOL Show(const DialogScript& script) { return ShowWith(script, S_OK, 0LL); }

  // SelectedOID|SelectedClaim|ObjectCount.
  std::wstring State() {
    long oid = 0, count = 0;
    VARIANT_BOOL exclusive = 1;
    dlg_->get_SelectedOID(&oid);
    dlg_->get_SelectedClaim(&exclusive);
    dlg_->get_ObjectCount(&count);
    return std::to_wstring(oid) + L"|" + std::to_wstring(exclusive) + L"|" + std::to_wstring(count);
  }
};

TEST_F(Claim, AnExclusiveClaimOfTheChosenPart) {
  ASSERT_EQ(Initialize(Parts(Part(8, kLongName, 2) + Part(9, L"Motor", 1))), S_OK);
  EXPECT_EQ(LastRequest(), L"<ListObjectParts OID=\"vt3:7\" Attribute=\"vt10:0x80020004\"/>")
      << "an omitted attribute name goes as the caller left it";
  EXPECT_EQ(State(), L"-1|0|2");

  EXPECT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.Text(), L"Claim Object");
                       EXPECT_EQ(SelectedRow(view, IDC_CLAIMLIST), 0);
                       EXPECT_EQ(RowTexts(view, IDC_CLAIMLIST, 0, 6),
                                 (Texts{kLongName, L"Whole", L"Pump", L"Yes", L"Free", L"ann"}));
                       EXPECT_TRUE(view.IsChecked(IDC_EXCLUSIVE));
                       EXPECT_TRUE(view.IsEnabled(IDC_EXCLUSIVE));
                       EXPECT_TRUE(view.IsEnabled(IDC_SHARED));
                       EXPECT_TRUE(view.IsEnabled(IDOK));
                       const plat::ListView list(view.Item(IDC_CLAIMLIST));
                       EXPECT_EQ(list.GetColumnWidth(0), 100) << "a long name is cut";
                       EXPECT_EQ(list.GetColumnWidth(3), HeadingWidth(view, L"In Scope"));
                       EXPECT_EQ(list.GetColumnWidth(4), HeadingWidth(view, L"Claim Status"));
                     })
                     .Click(IDC_SHARED)
                     .Inspect([](DialogView& view) { EXPECT_FALSE(view.IsChecked(IDC_EXCLUSIVE)); })
                     .Click(IDC_EXCLUSIVE)
                     .Screenshot(L"claim.png")
                     .Click(IDOK)),
            VARIANT_TRUE);
  EXPECT_EQ(State(), L"8|-1|0") << "the dialog took the parts";

  ASSERT_EQ(dlg_->ClaimObject(ws(), Omitted(), Omitted()), S_OK);
  EXPECT_EQ(LastRequest(), L"<ClaimObject ObjectId=\"vt3:8\" ClaimExclusive=\"vt11:-1\"/>");
  ASSERT_EQ(dlg_->ClaimObjectEx(ws(), Omitted(), Omitted()), S_OK);
  EXPECT_EQ(LastRequest(), L"<ClaimObjectEx ObjectId=\"vt3:8\" ClaimSetting=\"vt3:3\"/>");
}

TEST_F(Claim, APartThatAllowsLessLimitsTheChoice) {
  ASSERT_EQ(Initialize(Parts(Part(10, L"Seal", 0) + Part(9, L"Motor", 1) + Part(8, L"Pump", 2))),
            S_OK);
  auto expectChoice = [](bool ok, bool shared, bool exclusive) {
    return [=](DialogView& view) {
      EXPECT_EQ(view.IsEnabled(IDOK), ok);
      EXPECT_EQ(view.IsEnabled(IDC_SHARED), shared);
      EXPECT_EQ(view.IsEnabled(IDC_EXCLUSIVE), exclusive);
    };
  };
  EXPECT_EQ(
      Show(DialogScript()
               .Inspect([](DialogView& view) { EXPECT_EQ(SelectedRow(view, IDC_CLAIMLIST), 0); })
               .Inspect(expectChoice(false, false, false))
               .Do(ClickRow(IDC_CLAIMLIST, 0, NM_DBLCLK))  // stays open
               .Do(ClickRow(IDC_CLAIMLIST, 2))
               .Inspect(expectChoice(true, true, true))
               .Do(ClickRow(IDC_CLAIMLIST, 1))
               .Inspect(expectChoice(true, true, false))
               .Inspect([](DialogView& view) { EXPECT_TRUE(view.IsChecked(IDC_SHARED)); })
               // A selection lost without a click (a program, an accessibility tool) leaves
               // nothing to claim either.
               .Do([](DialogView& view) {
                 plat::ListView(view.Item(IDC_CLAIMLIST)).SetItemState(-1, 0, LVIS_SELECTED);
                 return std::string();
               })
               .Inspect(expectChoice(false, true, true))
               .Do(ClickRow(IDC_CLAIMLIST, 1))
               // A row reached with the keyboard decides as much as a clicked one.
               .Do(PressKey(IDC_CLAIMLIST, VK_UP))
               .Inspect([&](DialogView& view) {
                 EXPECT_EQ(SelectedRow(view, IDC_CLAIMLIST), 0);
                 expectChoice(false, false, false)(view);
               })
               .Do(ClickRow(IDC_CLAIMLIST, -1))
               .Inspect(expectChoice(false, true, true))
               .Do(ClickRow(IDC_CLAIMLIST, 1, NM_DBLCLK))),
      VARIANT_TRUE);
  EXPECT_EQ(State(), L"9|0|0");
  ASSERT_EQ(dlg_->ClaimObjectEx(ws(), Omitted(), Omitted()), S_OK);
  EXPECT_EQ(LastRequest(), L"<ClaimObjectEx ObjectId=\"vt3:9\" ClaimSetting=\"vt3:2\"/>");
}

// The part claimed is the row the user reached with the keyboard alone: a name's start
// typed (more letters to the name they begin, the same letter after a pause to the next
// name, wrapping to the top), or the arrow keys; Return then claims it as that part allows.
TEST_F(Claim, ThePartReachedByTypingIsTheOneClaimed) {
  const std::wstring reply =
      Parts(Part(11, L"Alpha", 2) + Part(22, L"Bravo", 1) + Part(33, L"Charlie", 0) +
            Part(44, L"Cobalt", 2) + Part(55, L"Bravo deck", 2));
  const auto typed = [](std::initializer_list<const wchar_t*> words) {
    DialogScript script;
    script.Focus(IDC_CLAIMLIST);
    for (const wchar_t* word : words) script.Pause(600).TypeKeys(word);
    return script;
  };
  const struct {
    const char* what;
    DialogScript reaches;
    int row;
    const wchar_t* state;  // after Return, or after Cancel where Return cannot claim
    const wchar_t* sent;
  } cases[] = {
      {"co", typed({L"co"}), 3, L"44|-1|0", L"ObjectId=\"vt3:44\" ClaimSetting=\"vt3:3\""},
      {"c, c", typed({L"c", L"c"}), 3, L"44|-1|0", L"ObjectId=\"vt3:44\" ClaimSetting=\"vt3:3\""},
      // Cancel keeps the part claimed before.
      {"c, c, c", typed({L"c", L"c", L"c"}), 2, L"44|-1|0", nullptr},
      {"B", typed({L"B"}), 1, L"22|0|0", L"ObjectId=\"vt3:22\" ClaimSetting=\"vt3:2\""},
      // A blank inside the search is part of the name.
      {"bravo d", DialogScript().Focus(IDC_CLAIMLIST).Pause(600).TypeAtPace(L"bravo d"), 4,
       L"55|0|0", L"ObjectId=\"vt3:55\" ClaimSetting=\"vt3:2\""},
      // The row stays chosen while the user turns to the claim setting.
      {"co, then Shared", typed({L"co"}).Click(IDC_SHARED), 3, L"44|0|0",
       L"ObjectId=\"vt3:44\" ClaimSetting=\"vt3:2\""},
      {"End, Up, Up, Up",
       DialogScript().Focus(IDC_CLAIMLIST).Press(VK_END).Press(VK_UP).Press(VK_UP).Press(VK_UP), 1,
       L"22|0|0", L"ObjectId=\"vt3:22\" ClaimSetting=\"vt3:2\""},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(Initialize(reply), S_OK) << c.what;
    DialogScript script = c.reaches;
    script
        .Inspect([&](DialogView& view) {
          EXPECT_EQ(SelectedRow(view, IDC_CLAIMLIST), c.row) << c.what;
          EXPECT_EQ(view.IsEnabled(IDOK), c.sent != nullptr) << c.what;
        })
        .Press(VK_RETURN);
    if (!c.sent) script.Click(IDCANCEL);
    EXPECT_EQ(Show(script), c.sent ? VARIANT_TRUE : VARIANT_FALSE) << c.what;
    EXPECT_EQ(State(), c.state) << c.what;
    if (!c.sent) continue;
    ASSERT_EQ(dlg_->ClaimObjectEx(ws(), Omitted(), Omitted()), S_OK);
    EXPECT_EQ(LastRequest(), L"<ClaimObjectEx " + std::wstring(c.sent) + L"/>") << c.what;
  }
}

TEST_F(Claim, PartsAddUpAcrossLoadsAndNoChoiceClaimsNoObject) {
  ASSERT_EQ(Initialize(Parts(Part(8, L"Pump", 2) + L"<Part OID=\"0\"/>")), S_OK);
  ASSERT_EQ(Initialize(Parts(Part(9, L"Motor", 1)), 12), S_OK);
  EXPECT_EQ(State(), L"-1|0|2");
  EXPECT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(plat::ListView(view.Item(IDC_CLAIMLIST)).GetItemCount(), 2);
                       EXPECT_EQ(RowTexts(view, IDC_CLAIMLIST, 0, 1), Texts{L"Pump"});
                       EXPECT_EQ(RowTexts(view, IDC_CLAIMLIST, 1, 1), Texts{L"Motor"});
                     })
                     .Click(IDCANCEL)),
            VARIANT_FALSE);
  EXPECT_EQ(State(), L"-1|0|0");

  // Without a part chosen with OK the claim names no object, and a shared one.
  ASSERT_EQ(dlg_->ClaimObject(ws(), Omitted(), Omitted()), S_OK);
  EXPECT_EQ(LastRequest(), L"<ClaimObject ObjectId=\"vt3:-1\" ClaimExclusive=\"vt11:0\"/>");
  ASSERT_EQ(dlg_->ClaimObjectEx(ws(), Omitted(), Omitted()), S_OK);
  EXPECT_EQ(LastRequest(), L"<ClaimObjectEx ObjectId=\"vt3:-1\" ClaimSetting=\"vt3:2\"/>");
}

TEST_F(Claim, ADialogThatCannotBeShownIsAFailure) {
  ASSERT_EQ(Initialize(Parts(Part(8, L"Pump", 2))), S_OK);
  EXPECT_EQ(ShowWith(wqtest::EndWithFailure(), E_FAIL, 0LL), VARIANT_FALSE);
  EXPECT_EQ(LastMessage(), L"The dialog could not be shown");
  EXPECT_EQ(State(), L"-1|0|0");
}

TEST_F(Claim, TheDialogGrowsButNeverShrinks) {
  // Parts without a positive OID are dropped.
  ASSERT_EQ(Initialize(Parts(L"<Part Name=\"none\"/><Part OID=\"0\"/><Part OID=\"-4\"/>")), S_OK);
  ASSERT_EQ(Initialize(Parts(L"")), S_OK);
  EXPECT_EQ(State(), L"-1|0|0");
  EXPECT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_FALSE(view.IsEnabled(IDOK));
                       EXPECT_TRUE(view.IsEnabled(IDC_SHARED));
                       EXPECT_TRUE(view.IsChecked(IDC_EXCLUSIVE));
                       const RECT initial = view.ScreenRect();
                       const RECT list = view.ClientRect(IDC_CLAIMLIST);
                       const RECT ok = view.ClientRect(IDOK);
                       const plat::Window dialog(view.hwnd());
                       dialog.ResizeWindow(100, 60);
                       const RECT shrunk = view.ScreenRect();
                       EXPECT_EQ(shrunk.right - shrunk.left, initial.right - initial.left);
                       EXPECT_EQ(shrunk.bottom - shrunk.top, initial.bottom - initial.top);

                       dialog.ResizeWindow(initial.right - initial.left + 120,
                                           initial.bottom - initial.top + 80);
                       const RECT grownList = view.ClientRect(IDC_CLAIMLIST);
                       EXPECT_EQ(grownList.right - grownList.left, list.right - list.left + 120);
                       EXPECT_EQ(grownList.bottom - grownList.top, list.bottom - list.top + 80);
                       const RECT grownOk = view.ClientRect(IDOK);
                       EXPECT_EQ(grownOk.left, ok.left + 120);
                       EXPECT_EQ(grownOk.top, ok.top + 80);
                     })
                     .Click(IDCANCEL)),
            VARIANT_FALSE);
  EXPECT_EQ(State(), L"-1|0|0");
}

TEST_F(Claim, ArgumentsAreCheckedWithTheirOwnTexts) {
  struct Case {
    const char* what;
    std::function<HRESULT()> call;
    HRESULT hr;
    const wchar_t* message;
  };
  const wchar_t* kNotInitialized = L"WQCClaimDlg interface not initialized";
  plat::unique_safearray oneId(SafeArrayCreateVector(VT_VARIANT, 0, 1));
  LONG first = 0;
  VARIANT twelve = Long(12), list;
  SafeArrayPutElement(oneId.get(), &first, &twelve);
  V_VT(&list) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&list) = oneId.get();
  const Case cases[] = {
      {"workspace before arguments",
       [&] { return dlg_->ClaimObject(WorkspaceWithoutWQ(), Text(L"abc"), Omitted()); },
       E_INVALIDARG, L"The workspace object is not valid"},
      {"no setting before Initialize", [&] { return dlg_->ClaimObject(ws(), Long(42), Omitted()); },
       E_FAIL, kNotInitialized},
      // The id is read as every id is read, and refused with the same texts.
      {"an OID that is no number", [&] { return dlg_->ClaimObject(ws(), Text(L"abc"), Long(1)); },
       E_INVALIDARG, L"An id must be a whole number and a list must be an array of ids"},
      {"an OID with a tail", [&] { return dlg_->ClaimObjectEx(ws(), Text(L"12abc"), Long(1)); },
       E_INVALIDARG, L"An id must be a whole number and a list must be an array of ids"},
      {"an OID in a list", [&] { return dlg_->ClaimObject(ws(), list, Long(1)); }, E_INVALIDARG,
       L"An id must be a whole number and a list must be an array of ids"},
      {"an OID beyond a long", [&] { return dlg_->ClaimObject(ws(), Real(3e9), Long(1)); },
       DISP_E_OVERFLOW, L"An id must lie between -2147483648 and 2147483647"},
      // A date that is no number is neither a setting nor a flag.
      {"a setting that is a NaN date",
       [&] { return dlg_->ClaimObjectEx(ws(), Long(5), NaNDate()); }, DISP_E_OVERFLOW,
       L"Could not infer claim setting from third argument"},
      {"a flag that is a NaN date", [&] { return dlg_->ClaimObject(ws(), Long(5), NaNDate()); },
       DISP_E_TYPEMISMATCH, L"Could not infer claim setting from third argument"},
      {"a setting that is no number",
       [&] { return dlg_->ClaimObjectEx(ws(), Long(5), Text(L"many")); }, DISP_E_TYPEMISMATCH,
       L"Could not infer claim setting from third argument"},
      {"ShowDialog before Initialize",
       [&] {
         VARIANT_BOOL ok = VARIANT_TRUE;
         const HRESULT hr = dlg_->ShowDialog(0, &ok);
         EXPECT_EQ(ok, VARIANT_FALSE);
         return hr;
       },
       E_FAIL, kNotInitialized},
      {"no out-pointer", [&] { return dlg_->ShowDialog(0, nullptr); }, E_POINTER,
       L"Invalid pointer passed to method WQCClaimDlg::ShowDialog"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.call(), c.hr) << c.what;
    EXPECT_EQ(LastMessage(), c.message) << c.what;
  }
  ASSERT_EQ(dlg_->ClaimObject(ws(), Text(L"17"), Text(L"1")), S_OK);
  EXPECT_EQ(LastRequest(), L"<ClaimObject ObjectId=\"vt3:17\" ClaimExclusive=\"vt11:-1\"/>");

  // A failed call names the method; ClaimObjectEx answers as ClaimObject.
  wqstandins::FailAt(workspace_.get(), L"Execute", E_ACCESSDENIED, L"The server is down");
  std::wstring source;
  EXPECT_EQ(dlg_->ClaimObjectEx(ws(), Long(5), Long(3)), E_ACCESSDENIED);
  EXPECT_EQ(LastMessage(&source), L"The server is down");
  EXPECT_EQ(source, L"WQCClaimDlg::ClaimObject");
  EXPECT_EQ(Initialize(Parts(Part(8, L"Pump", 2))), E_ACCESSDENIED);
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(dlg_->ShowDialog(0, &ok), E_FAIL) << "a failed Initialize leaves it uninitialized";
}

// An object's parts come in runs of one class, one claimant ...: a text that repeats is one
// copy its parts share, read exactly; a text that changes is a copy of its own, and an
// attribute a part lacks stays unread, as an empty one does not.
TEST(ClaimParts, TextsThatRepeatAreSharedAndReadExactly) {
  ObjectPartArray parts;
  ListObjectPartsParser parser(parts);
  const plat::unique_bstr reply = plat::unique_bstr::copy(
      L"<ListObjectParts><Part OID='1' Name='P-1' Class='Pump' ClaimedBy='ann'/>"
      L"<Part OID='2' Name='P-2' Class='Pump' ClaimedBy='ann'/>"
      L"<Part OID='0' Name='dropped' Class='Valve'/>"
      L"<Part OID='3' Name='P-3' Class='Pumps' ClaimedBy=''/>"
      L"<Part OID='4' Name='P-3' Class='Pump'/></ListObjectParts>");
  ASSERT_EQ(parser.ParseString(reply.get()), S_OK);
  ASSERT_EQ(parts.GetCount(), 4);
  std::wstring read;
  for (int i = 0; i < parts.GetCount(); ++i)
    read += std::wstring(parts[i]->Name.c_str()) + L"/" + parts[i]->Class.c_str() + L"/" +
            (parts[i]->ClaimedBy.get() ? parts[i]->ClaimedBy.get() : L"-") + L" ";
  EXPECT_EQ(read, L"P-1/Pump/ann P-2/Pump/ann P-3/Pumps/ P-3/Pump/- ");
  EXPECT_TRUE(parts[0]->Class.SharesCopyWith(parts[1]->Class));
  EXPECT_TRUE(parts[0]->ClaimedBy.SharesCopyWith(parts[1]->ClaimedBy));
  EXPECT_FALSE(parts[1]->Class.SharesCopyWith(parts[2]->Class));
  EXPECT_FALSE(parts[0]->Name.SharesCopyWith(parts[1]->Name));
  EXPECT_TRUE(parts[2]->Name.SharesCopyWith(parts[3]->Name));
}

}  // namespace
