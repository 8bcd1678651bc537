// WQCUnClaimDlg as a client meets it: the report read from the stand-in workspace, the
// dialog that shows it, and the unclaim it sends.
#include "claimtest.h"

namespace {

using namespace claimtest;
using wqtest::DialogScript;
using wqtest::DialogView;

class UnClaim : public WorkspaceTest<IWQCUnClaimDlg> {
 protected:
  UnClaim() : WorkspaceTest(L"WQCGenericSvcs.WQCUnClaimDlg") {}
  void SetUp() override {
    WorkspaceTest::SetUp();
    Reply(L"UnClaimObject", L"");
  }

  // The answer of Initialize as "true"/"false", or "failed".
  std::wstring Initialize(const wchar_t* reply, long oid) {
    Reply(L"UnClaimObjectReport", reply);
    VARIANT_BOOL show = 0;
    const HRESULT hr = dlg_->Initialize(ws(), oid, &show);
    if (FAILED(hr)) return show == VARIANT_TRUE ? L"failed" : L"failed, answering false";
    return show == VARIANT_TRUE ? L"true" : L"false";
  }

  VARIANT_BOOL Show(const DialogScript& script) { return ShowWith(script, S_OK, 0LL); }
};

TEST_F(UnClaim, TheReportIsShownAndTheObjectUnclaimed) {
  EXPECT_EQ(Initialize(L"<UnClaimObjectReport Name=\"P-101\" ClaimSetting=\"2\">"
                       L"<Report>Line 101\nLine 102</Report><Report> and more</Report>"
                       L"</UnClaimObjectReport>",
                       17),
            L"true");
  EXPECT_EQ(Method(1), L"UnClaimObjectReport");
  EXPECT_EQ(LastRequest(), L"17");

  EXPECT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.Text(), L"Unclaim Object");
                       EXPECT_EQ(view.Text(IDC_UNCLAIMNAME), L"P-101");
                       EXPECT_EQ(view.Text(IDC_UNCLAIMREPORT), L"Line 101\r\nLine 102 and more");
                       EXPECT_EQ(
                           plat::Window(view.Item(IDC_UNCLAIMREPORT)).SendMessage(EM_GETLINECOUNT),
                           2);
                       EXPECT_EQ(view.Text(IDC_UNCLAIMWARNING).rfind(L"WARNING\n", 0), 0u);
                     })
                     .Screenshot(L"unclaim.png")
                     .Click(IDOK)),
            VARIANT_TRUE);
  ASSERT_EQ(dlg_->UnClaimObject(ws(), Omitted()), S_OK);
  EXPECT_EQ(Method(2), L"UnClaimObject");
  EXPECT_EQ(LastRequest(), L"17");
}

TEST_F(UnClaim, ADialogThatCannotBeShownIsAFailure) {
  EXPECT_EQ(Initialize(L"<UnClaimObjectReport Name=\"P-5\" ClaimSetting=\"2\"/>", 5), L"true");
  EXPECT_EQ(ShowWith(wqtest::EndWithFailure(), E_FAIL, 0LL), VARIANT_FALSE);
  EXPECT_EQ(LastMessage(), L"The dialog could not be shown");
}

TEST_F(UnClaim, EachInitializeBringsItsOwnReport) {
  EXPECT_EQ(Initialize(L"<UnClaimObjectReport Name=\"P-5\" ClaimSetting=\"0\"/>", 5), L"false");
  EXPECT_EQ(Initialize(L"<UnClaimObjectReport Name=\"P-6\" ClaimSetting=\"3\">"
                       L"<Report>Nozzle N1</Report></UnClaimObjectReport>",
                       6),
            L"true");
  // A reply without a report asks nothing, and the report of object 6 is not shown for 7.
  EXPECT_EQ(Initialize(L"<Other/>", 7), L"false");
  EXPECT_EQ(Show(DialogScript()
                     .Inspect([](DialogView& view) {
                       EXPECT_EQ(view.Text(IDC_UNCLAIMNAME), L"");
                       EXPECT_EQ(view.Text(IDC_UNCLAIMREPORT), L"");
                     })
                     .Click(IDCANCEL)),
            VARIANT_FALSE);
  // A reply that breaks off changes nothing, and Initialize still answers true.
  EXPECT_EQ(Initialize(L"<UnClaimObjectReport Name=\"P-8\" ClaimSetting=\"x\"/>", 8), L"failed");
  ASSERT_EQ(dlg_->UnClaimObject(ws(), Omitted()), S_OK);
  EXPECT_EQ(LastRequest(), L"7");
  ASSERT_EQ(dlg_->UnClaimObject(ws(), Text(L"-12")), S_OK);
  EXPECT_EQ(LastRequest(), L"-12");
}

TEST_F(UnClaim, FailuresCarryTheirTexts) {
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(dlg_->ShowDialog(0, &ok), E_FAIL);
  EXPECT_EQ(LastMessage(), L"WQCUnClaimDlg interface not initialized");
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(dlg_->UnClaimObject(ws(), Omitted()), E_FAIL);
  EXPECT_EQ(LastMessage(), L"WQCUnClaimDlg interface not initialized");
  EXPECT_EQ(dlg_->UnClaimObject(WorkspaceWithoutWQ(), Long(3)), E_INVALIDARG);
  EXPECT_EQ(LastMessage(), L"The workspace object is not valid");
  EXPECT_EQ(dlg_->Initialize(ws(), 3, nullptr), E_POINTER);
  EXPECT_EQ(LastMessage(), L"Invalid pointer passed to method WQCUnClaimDlg::Initialize");

  wqstandins::FailAt(workspace_.get(), L"Execute", E_ACCESSDENIED, L"The server is down");
  std::wstring source;
  EXPECT_EQ(Initialize(L"<UnClaimObjectReport/>", 3), L"failed");
  EXPECT_EQ(LastMessage(&source), L"The server is down");
  EXPECT_EQ(source, L"WQCUnClaimDlg::Initialize");
  EXPECT_EQ(dlg_->ShowDialog(0, &ok), E_FAIL) << "still not initialized";
}

}  // namespace
