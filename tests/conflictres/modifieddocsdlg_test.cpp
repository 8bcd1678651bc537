// The modified-documents dialog: the list of what the resolution modified, and opening a
// document through the client tools' globals (the stand-in records what it was asked).
#include <gtest/gtest.h>

#include "conflicttest.h"
#include "conflictres/modifieddocsdlg.h"

namespace {

using wqtest::DialogScript;
using wqtest::DialogView;

class ModifiedDocsDlgTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(wqstandins::CreateClientTools(tools_), S_OK);
    conflicttest::Load(model_,
                       L"<Modifications>"
                       L"<Modified ID='4' Name='DS-1' Type='Datasheet'/>"
                       L"<Modified ID='5' Name='PID-1' Type='DIAGRAM'/>"
                       L"<Modified ID='6' Name='Pump list' Type='Report'/>"
                       L"</Modifications>");
  }
  INT_PTR Run(DialogScript script) {
    CModifiedDocsDlg dialog(&model_, ws_.get(), GetModuleHandleW(nullptr));
    wqtest::DialogDriver driver;
    driver.Expect(std::move(script));
    return dialog.DoModal(nullptr);
  }
  // The globals' calls after creating the object.
  std::wstring Calls() const { return wqstandins::CallLog(tools_.get()); }
  LONG ErrorsShown() const {
    LONG count = 0;
    tools_->get_ErrorCount(&count);
    return count;
  }

  CProjectUpdates model_;
  conflicttest::Workspace ws_;
  plat::com_ptr<IWQStandinClientTools> tools_;
};

HWND List(const DialogView& view) { return view.Item(IDC_MODIFIEDLIST); }

DialogScript::Step Select(int item) {
  return [item](DialogView& view) {
    conflicttest::SelectRow(List(view), item);
    return std::string();
  };
}

DialogScript::Step DoubleClick(int item) {
  return [item](DialogView& view) {
    NMITEMACTIVATE click{};
    click.hdr.code = NM_DBLCLK;
    click.iItem = item;
    conflicttest::Notify(List(view), click.hdr);
    return std::string();
  };
}

TEST_F(ModifiedDocsDlgTest, ListsTheDocumentsAndOpensThePickedOne) {
  EXPECT_EQ(
      Run(DialogScript()
              .Inspect([](DialogView& view) {
                for (int i = 0; i < 3; ++i) {  // datasheet, diagram, other
                  LVITEMW item{LVIF_IMAGE, i};
                  SendMessageW(List(view), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
                  EXPECT_EQ(item.iImage, i);
                }
              })
              .Click(IDC_OPENDOCUMENT)  // nothing is selected: nothing happens
              .Do(DoubleClick(-1))
              .Do(Select(2))
              .Inspect([](DialogView& view) { EXPECT_TRUE(view.IsEnabled(IDC_OPENDOCUMENT)); })
              .Click(IDC_OPENDOCUMENT)
              .Do(DoubleClick(1))
              .Screenshot(L"modifieddocs.png")
              .Click(IDCANCEL)),
      IDCANCEL);
  EXPECT_EQ(Calls(),
            L"Create\nOpenDocument(workspace, 6, vt8:Report)\n"
            L"Create\nOpenDocument(workspace, 5, vt8:DIAGRAM)");
  EXPECT_EQ(ErrorsShown(), 0);
}

TEST_F(ModifiedDocsDlgTest, AFailedOpeningIsShownAndTheDialogStays) {
  struct Case {
    const wchar_t* step;
    const wchar_t* shown;  // the start of the error text
  } cases[] = {
      {L"OpenDocument", L"<WQError Desc=\"The document is locked\" "},
      // A globals object without IWQClientGlobals leaves nothing to call.
      {L"QueryClientGlobals", L"<WQError Desc=\""},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(tools_->Reset(), S_OK);
    wqstandins::FailAt(tools_.get(), c.step, E_ACCESSDENIED, L"The document is locked");
    HWND dialog = nullptr;
    EXPECT_EQ(Run(DialogScript()
                      .Do(Select(0))
                      .Click(IDC_OPENDOCUMENT)
                      .Inspect([&](DialogView& view) {
                        dialog = view.hwnd();
                        EXPECT_TRUE(IsWindowVisible(view.hwnd()));
                      })
                      .Click(IDCANCEL)),
              IDCANCEL);
    ASSERT_EQ(ErrorsShown(), 1) << c.step;
    EXPECT_EQ(wqstandins::ErrorDescription(tools_.get(), 1).rfind(c.shown, 0), 0u)
        << wqstandins::ErrorDescription(tools_.get(), 1);
    LONGLONG window = 0;
    tools_->get_ErrorWindow(1, &window);
    EXPECT_EQ(reinterpret_cast<HWND>(window), dialog);
  }
}

}  // namespace
