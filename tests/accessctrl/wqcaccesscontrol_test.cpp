// WQCAccessControl as clients meet it: created by ProgID from the registered server,
// called through its vtable and late-bound.
#include <gtest/gtest.h>

#include <standinsclient.h>

#include "WQCGenericSvcs.h"
#include "comtest.h"
#include "dialogdriver.h"
#include "resources/resource.h"
#include "wqcomexception.h"

namespace {

using wqtest::DialogScript;
using wqtest::DialogView;

std::wstring NewestMessage() {
  plat::unique_bstr message;
  ExtractErrorDescription(wqtest::TakeErrorDescription().c_str(), message.put());
  return message.c_str();
}

// A top-level window of the client's, to own the dialogs.
class ClientWindow {
 public:
  ClientWindow()
      : hwnd_(CreateWindowExW(0, L"STATIC", L"Client", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                              nullptr, nullptr, nullptr)) {}
  HWND get() const { return hwnd_.get(); }
  LONGLONG handle() const { return reinterpret_cast<LONGLONG>(hwnd_.get()); }

 private:
  plat::unique_hwnd hwnd_;
};

class AccessControlObject : public wqtest::NoLeaks {
 protected:
  AccessControlObject() : NoLeaks(L"WQCGenericSvcs.dll") {}

  void SetUp() override {
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(L"WQCGenericSvcs.WQCAccessControl", &clsid), S_OK);
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWQCAccessControl),
                               control_.put_void()),
              S_OK);
    ASSERT_EQ(wqstandins::CreateWorkspaceNodeControl(node_), S_OK);
    ASSERT_EQ(wqstandins::SetAccessControl(node_.get(),
                                           L"<AccessControl><Roles><Role Name='Readers'/></Roles>"
                                           L"</AccessControl>"),
              S_OK);
  }

  void TearDown() override {
    control_.reset();
    node_.reset();
    NoLeaks::TearDown();
  }

  plat::com_ptr<IDispatch> Workspace() {
    plat::com_ptr<IWQStandinWorkspace> workspace;
    EXPECT_EQ(wqstandins::CreateWorkspace(workspace), S_OK);
    return workspace.try_query<IDispatch>();
  }

  plat::com_ptr<IWQCAccessControl> control_;
  plat::com_ptr<IWQStandinWorkspaceNode> node_;
};

TEST_F(AccessControlObject, RefusesAnObjectThatIsNoWorkspace) {
  plat::com_ptr<IWQStandinWorkspace> other;
  ASSERT_EQ(wqstandins::CreateWorkspace(other, L"WQStandins.WorkspaceNoWQ"), S_OK);
  EXPECT_EQ(control_->Initialize(other.try_query<IDispatch>().get()), E_INVALIDARG);
  EXPECT_EQ(control_->Initialize(nullptr), E_INVALIDARG);
  EXPECT_EQ(control_->ShowRoles(0), E_FAIL);
  EXPECT_EQ(NewestMessage(), L"AccessControl interface not initialized");
}

TEST_F(AccessControlObject, UninitializedLeavesTheClientWindowEnabled) {
  ClientWindow client;
  EXPECT_EQ(control_->ShowRoles(client.handle()), E_FAIL);
  EXPECT_TRUE(IsWindowEnabled(client.get()));
  // A late-bound caller may leave the window out.
  plat::com_ptr<IDispatch> dispatch = control_.try_query<IDispatch>();
  DISPPARAMS none{};
  EXCEPINFO exception{};
  EXPECT_EQ(dispatch->Invoke(0x60020103, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, &exception,
                             nullptr),
            DISP_E_EXCEPTION);
  EXPECT_EQ(exception.scode, E_FAIL);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
}

TEST_F(AccessControlObject, ShowsEachDialogOverTheDisabledClientWindow) {
  ASSERT_EQ(control_->Initialize(Workspace().get()), S_OK);
  ClientWindow client;
  HWND owner = client.get();
  wqtest::DialogDriver driver;
  driver.Expect(DialogScript()
                    .Inspect([owner](DialogView& view) {
                      EXPECT_EQ(view.Text(), L"Roles");
                      EXPECT_EQ(GetWindow(view.hwnd(), GW_OWNER), owner);
                      EXPECT_FALSE(IsWindowEnabled(owner));
                    })
                    .Click(IDOK));
  driver.Expect(DialogScript()
                    .Inspect([owner](DialogView& view) {
                      EXPECT_EQ(view.Text(), L"Users");
                      EXPECT_TRUE(IsWindowEnabled(owner));
                    })
                    .Click(IDOK));
  EXPECT_EQ(control_->ShowRoles(client.handle()), S_OK);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(control_->ShowUsers(0), S_OK);
  // Each dialog read the access control afresh.
  EXPECT_EQ(wqstandins::CallLog(node_.get()),
            L"Create\nGetAccessControl(workspace)\nCreate\nGetAccessControl(workspace)");
}

}  // namespace
