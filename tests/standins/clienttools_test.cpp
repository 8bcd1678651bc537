// The client tools' stand-ins along the paths the module takes: the error display by
// ProgID, and the pipe operations through the globals object created by CLSID.
#include "standinsclient.h"
#include "standinstest.h"
#include "wqcomexception.h"

namespace {

using standinstest::Bstr;
using wqstandins::CallLog;

class ClientTools : public standinstest::NoLeaks {
 protected:
  void SetUp() override { ASSERT_EQ(wqstandins::CreateClientTools(tools_), S_OK); }
  void TearDown() override {
    tools_.reset();
    NoLeaks::TearDown();
  }

  // The error display made as the module makes it; null when that fails.
  plat::com_ptr<IWQErrorDisplay> ErrorDisplay() {
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(L"DIZevuziZozid.Globals.380", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_WQClientGlobals);
    plat::com_ptr<IUnknown> globals;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, globals.put_void())))
      return nullptr;
    return globals.try_query<IWQErrorDisplay>();
  }

  // The pipe operation the module's way, up to the first failing step.
  HRESULT HighlightPipe(LONG pipeOid) {
    plat::com_ptr<IWQClientGlobals> globals;
    PLAT_RETURN_IF_FAILED(CoCreateInstance(CLSID_WQClientGlobals, nullptr, CLSCTX_ALL,
                                           __uuidof(IWQClientGlobals), globals.put_void()));
    plat::com_ptr<IDispatch> application;
    PLAT_RETURN_IF_FAILED(globals->GetApplication(tools_.get(), application.put()));
    plat::com_ptr<IWQDrawingEditorApp> editor;
    PLAT_RETURN_IF_FAILED(application.query_to(editor));
    DISPPARAMS none{};
    plat::unique_variant server;
    PLAT_RETURN_IF_FAILED(editor->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                         &none, &server, nullptr, nullptr));
    if (V_VT(&server) != VT_DISPATCH || !V_DISPATCH(&server)) return E_FAIL;
    plat::com_ptr<IWQDrawingDBServer> database;
    PLAT_RETURN_IF_FAILED(
        V_DISPATCH(&server)->QueryInterface(__uuidof(IWQDrawingDBServer), database.put_void()));
    return database->HighlightPipe(pipeOid);
  }

  plat::com_ptr<IWQStandinClientTools> tools_;
};

TEST_F(ClientTools, TheErrorDisplayRecordsWhatItWasToShow) {
  auto display = ErrorDisplay();
  ASSERT_TRUE(display);
  const wchar_t chain[] = L"<WQError Desc=\"Failed\" HR=\"E_FAIL\"/>";
  plat::unique_variant empty;
  EXPECT_EQ(display->ShowErrorDescription(Bstr(chain).get(), empty, empty, 0x2A0B4), S_OK);

  LONG count = 0;
  EXPECT_EQ(tools_->get_ErrorCount(&count), S_OK);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(wqstandins::ErrorDescription(tools_.get(), 1), chain);
  LONGLONG window = 0;
  EXPECT_EQ(tools_->get_ErrorWindow(1, &window), S_OK);
  EXPECT_EQ(window, 0x2A0B4);
  EXPECT_EQ(tools_->get_ErrorWindow(2, &window), E_INVALIDARG);
  EXPECT_EQ(CallLog(tools_.get()), L"Create\nShowErrorDescription(vt0:, vt0:, 0x2A0B4)");
}

TEST_F(ClientTools, TheErrorDisplayCanBeUnavailable) {
  wqstandins::FailAt(tools_.get(), L"QueryErrorDisplay", E_NOINTERFACE);
  EXPECT_FALSE(ErrorDisplay());
  wqstandins::FailAt(tools_.get(), L"Create", REGDB_E_CLASSNOTREG, L"Not installed");
  EXPECT_FALSE(ErrorDisplay());
  EXPECT_EQ(CallLog(tools_.get()),
            L"Create\nQueryErrorDisplay -> 0x80004002\nCreate -> 0x80040154");
}

// The module's error object and the display agree on the interface: the held chain and
// the parent window arrive intact.
TEST_F(ClientTools, TheErrorObjectShowsItsChainOverItsWindow) {
  WQComException error;
  error.EnterMethod(L"WQCClaimDlg::ShowDialog", 0);
  try {
    error.ThrowHr(E_INVALIDARG, L"The workspace object is not valid");
  } catch (WQComException& caught) {
    error.CatchComException(WQ_HERE, caught);
  }
  error.ShowError(reinterpret_cast<HWND>(0x1234));

  EXPECT_EQ(CallLog(tools_.get()), L"Create\nShowErrorDescription(vt0:, vt0:, 0x1234)");
  EXPECT_NE(wqstandins::ErrorDescription(tools_.get(), 1)
                .find(L"Desc=\"The workspace object is not valid\" HR=\"E_INVALIDARG\""),
            std::wstring::npos)
      << wqstandins::ErrorDescription(tools_.get(), 1);
}

TEST_F(ClientTools, PipeOperationsGoThroughTheApplicationsDatabaseServer) {
  EXPECT_EQ(HighlightPipe(17), S_OK);
  EXPECT_EQ(CallLog(tools_.get()),
            L"Create\nGetApplication(workspace)\nget_DBServer\nHighlightPipe(17)");

  plat::com_ptr<IWQClientGlobals> globals;
  ASSERT_EQ(CoCreateInstance(CLSID_WQClientGlobals, nullptr, CLSCTX_ALL, __uuidof(IWQClientGlobals),
                             globals.put_void()),
            S_OK);
  plat::unique_variant type;
  V_VT(&type) = VT_BSTR;
  V_BSTR(&type) = Bstr(L"Datasheet").release();
  LONG result = -1;
  EXPECT_EQ(globals->OpenDocument(nullptr, 42, type, &result), S_OK);
  const std::wstring log = CallLog(tools_.get());
  EXPECT_EQ(log.substr(log.rfind(L'\n') + 1), L"OpenDocument(null, 42, vt8:Datasheet)");
}

TEST_F(ClientTools, EachStepOfThePipeOperationCanFail) {
  struct Case {
    const wchar_t* step;
    HRESULT hr;
  } cases[] = {
      {L"GetApplication", E_FAIL},        {L"QueryDrawingEditorApp", E_NOINTERFACE},
      {L"get_DBServer", E_FAIL},          {L"QueryDrawingDBServer", E_NOINTERFACE},
      {L"HighlightPipe", E_ACCESSDENIED},
  };
  for (const Case& c : cases) {
    tools_->Reset();
    ASSERT_EQ(wqstandins::FailAt(tools_.get(), c.step, c.hr, L"Step failed"), S_OK) << c.step;
    EXPECT_TRUE(FAILED(HighlightPipe(17))) << c.step;
    // The failing step is the last one taken, and is noted as failed.
    const std::wstring log = CallLog(tools_.get());
    const std::wstring last = log.substr(log.rfind(L'\n') + 1);
    EXPECT_EQ(last.rfind(c.step, 0), 0u) << log;
    EXPECT_NE(last.find(L" -> 0x"), std::wstring::npos) << log;
  }
  tools_->Reset();
  wqstandins::FailAt(tools_.get(), L"HighlightPipe", E_ACCESSDENIED, L"Locked");
  EXPECT_EQ(HighlightPipe(3), E_ACCESSDENIED) << "the operation's own code reaches the caller";
  EXPECT_EQ(wqtest::TakeErrorDescription(), L"Locked");
}

}  // namespace
