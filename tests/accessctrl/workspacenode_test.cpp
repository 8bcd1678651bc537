// The workspace-node client on the node stand-in: the exact calls it makes, the model
// patched only after the node accepted a change, and the dialogs redrawn.
#include <gtest/gtest.h>

#include <standinsclient.h>

#include <initializer_list>
#include <string>

#include "accesstest.h"
#include "comtest.h"
#include "variantutil.h"
#include "accessctrl/workspacenode.h"
#include "wqcomexception.h"

namespace {

using accesstest::Dump;
using accesstest::Host;
using wqstandins::CallLog;

const wchar_t kDocument[] =
    L"<AccessControl>"
    L"<Users><User Name='ann' DisplayName='Ann'><RoleName>Readers</RoleName></User>"
    L"<User Name='bob' DisplayName='Bob'/></Users>"
    L"<Privileges><PrivilegeCategory Name='Data'><Privilege Name='Read'/>"
    L"<Privilege Name='Write'/></PrivilegeCategory><PrivilegeCategory Name='Admin'>"
    L"<Privilege Name='Audit'/></PrivilegeCategory></Privileges>"
    L"<Roles><Role Name='Readers' Description='Look'><PrivilegeRight Name='Read' Granted='2'/>"
    L"</Role></Roles>"
    L"</AccessControl>";

class ListView : public AccessControlListView {
 public:
  void FillControlList(bool reload) override { fills += reload ? L"R" : L"f"; }
  std::wstring fills;
};

// A new BSTR array from 0 (whose owner is the caller).
SAFEARRAY* Names(std::initializer_list<const wchar_t*> names) {
  WQBstrSafeArray array(static_cast<ULONG>(names.size()), 0, false);
  LONG i = 0;
  for (const wchar_t* name : names) EXPECT_EQ(array.SetAt(i++, name), S_OK);
  return array.Detach();
}

using wqtest::Bstr;

WQSecurityPrincipal Account(const wchar_t* name) {
  WQSecurityPrincipal account;
  account.Resolve(name);
  SetErrorInfo(0, nullptr);
  return account;
}

std::wstring NewestMessage() {
  plat::unique_bstr message;
  ExtractErrorDescription(wqtest::TakeErrorDescription().c_str(), message.put());
  return message.c_str();
}

class WorkspaceNode : public wqtest::NoLeaks {
 protected:
  WorkspaceNode() : NoLeaks(L"WQStandins.dll") {}

  void SetUp() override {
    ASSERT_EQ(wqstandins::CreateWorkspaceNodeControl(control_), S_OK);
    ASSERT_EQ(wqstandins::SetAccessControl(control_.get(), kDocument), S_OK);
    plat::com_ptr<IWQStandinWorkspace> standin;
    ASSERT_EQ(wqstandins::CreateWorkspace(standin), S_OK);
    ASSERT_EQ(standin.query_to(workspace_), S_OK);
    client_ = std::make_unique<WorkspaceNodeClient>(workspace_.get());
    ASSERT_EQ(client_->Connect(), S_OK);
    client_->SetUsersDialog(&users_);
    client_->SetRolesDialog(&roles_);
    plat::unique_bstr xml;
    ASSERT_EQ(client_->GetAccessControl(xml.put()), S_OK);
    ASSERT_EQ(Model().Parse(xml.get()), S_OK);
    ann_ = Host() + L"\\ann";
  }

  void TearDown() override {
    client_.reset();
    workspace_.reset();
    control_.reset();
    NoLeaks::TearDown();
  }

  CAccessControl& Model() { return client_->GetModel(); }
  // The calls after those of SetUp.
  std::wstring Calls() {
    const std::wstring log = CallLog(control_.get());
    const std::wstring setUp = L"Create\nGetAccessControl(workspace)";
    EXPECT_EQ(log.compare(0, setUp.size(), setUp), 0) << log;
    return log.size() > setUp.size() ? log.substr(setUp.size() + 1) : L"";
  }

  plat::com_ptr<IWQStandinWorkspaceNode> control_;
  plat::com_ptr<IWQWorkspace> workspace_;
  std::unique_ptr<WorkspaceNodeClient> client_;
  ListView users_;
  ListView roles_;
  std::wstring ann_;
};

TEST_F(WorkspaceNode, AddsAUserOnceTheNodeAcceptedIt) {
  // The same account in other letters is already there: nothing is sent.
  std::wstring upper = ann_;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
  EXPECT_EQ(client_->AddUser(Account(upper.c_str()), Bstr(L"X").get(), nullptr), E_FAIL);
  EXPECT_EQ(NewestMessage(),
            L"The new user that you are trying to add already exists in this workspace");

  SAFEARRAY* roles = Names({L"Readers", L"", L"Writers"});
  EXPECT_EQ(client_->AddUser(Account(L"CORP\\carl"), Bstr(L"Carl").get(), roles), S_OK);
  EXPECT_EQ(SafeArrayDestroy(roles), S_OK) << "the caller keeps the roles";
  // Without a display name the directory's full name is taken; this one has none.
  EXPECT_EQ(client_->AddUser(Account(L"CORP\\dora"), nullptr, nullptr), S_OK);

  EXPECT_EQ(Calls(),
            L"AddUser(\"CORP\\carl\", \"Carl\", {Readers;;Writers}, workspace)\n"
            L"AddUser(\"CORP\\dora\", null, null, workspace)");
  EXPECT_EQ(Dump(Model().Users()[2]), L"CORP\\carl 'Carl' [Readers,Writers]");
  EXPECT_EQ(Dump(Model().Users()[3]), L"CORP\\dora '' []");
  EXPECT_EQ(users_.fills, L"ff");
  EXPECT_EQ(roles_.fills, L"");
}

TEST_F(WorkspaceNode, AFailingNodeLeavesTheModelAlone) {
  wqstandins::FailAt(control_.get(), L"AddUser", E_ACCESSDENIED, L"Not an administrator");
  wqstandins::FailAt(control_.get(), L"ModifyRole", E_FAIL, L"Role is locked");
  wqstandins::FailAt(control_.get(), L"DeleteUser", E_FAIL, L"");
  wqstandins::FailAt(control_.get(), L"ModifyUser", E_FAIL, L"Busy");
  const std::wstring before = Dump(Model());

  EXPECT_EQ(client_->AddUser(Account(L"CORP\\carl"), Bstr(L"Carl").get(), nullptr), E_ACCESSDENIED);
  EXPECT_NE(wqtest::TakeErrorDescription().find(L"Not an administrator"), std::wstring::npos);
  EXPECT_EQ(
      client_->ModifyRole(Bstr(L"Readers").get(), Bstr(L"New").get(), Names({L"Write"}), nullptr),
      E_FAIL);
  EXPECT_NE(wqtest::TakeErrorDescription().find(L"Role is locked"), std::wstring::npos);
  EXPECT_EQ(client_->DeleteUser(Account(ann_.c_str())), E_FAIL);
  EXPECT_EQ(client_->AddRoleToUser(Account(L"bob"), Bstr(L"Readers").get()), E_FAIL);

  EXPECT_EQ(Dump(Model()), before);
  EXPECT_EQ(users_.fills + roles_.fills, L"");
}

TEST_F(WorkspaceNode, ModifiesAndDeletesUsers) {
  EXPECT_EQ(
      client_->ModifyUser(Account(ann_.c_str()), Bstr(L"Ann B").get(), Names({L"Writers", L""})),
      S_OK);
  EXPECT_EQ(Dump(Model().Users()[0]), ann_ + L" 'Ann B' [Writers]");
  EXPECT_EQ(client_->DeleteUser(Account(L"bob")), S_OK);
  EXPECT_EQ(Model().Users().GetCount(), 1);
  // One the model does not have is still sent; the model stays as it is.
  EXPECT_EQ(client_->DeleteUser(Account(L"CORP\\zed")), S_OK);
  EXPECT_EQ(Model().Users().GetCount(), 1);
  EXPECT_EQ(Calls(), L"ModifyUser(\"" + ann_ +
                         L"\", \"Ann B\", {Writers;}, workspace)\n"
                         L"DeleteUser(\"" +
                         Host() +
                         L"\\bob\", workspace)\n"
                         L"DeleteUser(\"CORP\\zed\", workspace)");
  EXPECT_EQ(users_.fills, L"fff");
}

TEST_F(WorkspaceNode, AddsAndModifiesRolesOverTheCatalogue) {
  // A privilege granted and denied ends denied; one outside the catalogue is left out.
  EXPECT_EQ(client_->AddRole(Bstr(L"Auditors").get(), Bstr(L"Check").get(),
                             Names({L"read", L"Audit", L"Other"}), Names({L"AUDIT"})),
            S_OK);
  EXPECT_EQ(Dump(Model().Roles()[1]), L"Auditors 'Check' {Read=2,Write=0,Audit=1}");
  // Modifying resets every privilege of the catalogue and appends the others.
  EXPECT_EQ(client_->ModifyRole(Bstr(L"readers").get(), Bstr(L"Look more").get(),
                                Names({L"Write", L"Other"}), nullptr),
            S_OK);
  EXPECT_EQ(Dump(Model().Roles()[0]), L"Readers 'Look more' {Read=0,Write=2,Audit=0,Other=2}");
  EXPECT_EQ(client_->DeleteRole(Bstr(L"AUDITORS").get()), S_OK);
  EXPECT_EQ(Model().Roles().GetCount(), 1);
  EXPECT_EQ(Calls(),
            L"AddRole(\"Auditors\", \"Check\", {read;Audit;Other}, {AUDIT}, workspace)\n"
            L"ModifyRole(\"readers\", \"Look more\", {Write;Other}, null, workspace)\n"
            L"DeleteRole(\"AUDITORS\", workspace)");
  EXPECT_EQ(roles_.fills, L"fff");
  EXPECT_EQ(users_.fills, L"");
}

TEST_F(WorkspaceNode, ChangesTheRolesOfOneUser) {
  // Held already, in other letters: nothing is sent.
  EXPECT_EQ(client_->AddRoleToUser(Account(ann_.c_str()), Bstr(L"READERS").get()), S_OK);
  EXPECT_EQ(client_->RemoveRoleFromUser(Account(L"bob"), Bstr(L"Readers").get()), S_OK);
  EXPECT_EQ(Calls(), L"");

  EXPECT_EQ(client_->AddRoleToUser(Account(ann_.c_str()), Bstr(L"Writers").get()), S_OK);
  EXPECT_EQ(client_->RemoveRoleFromUser(Account(ann_.c_str()), Bstr(L"readers").get()), S_OK);
  EXPECT_EQ(client_->RemoveRoleFromUser(Account(ann_.c_str()), Bstr(L"Writers").get()), S_OK);
  EXPECT_EQ(Dump(Model().Users()[0]), ann_ + L" 'Ann' []");

  // The node replaces the whole list: a user the model lacks cannot be changed safely.
  EXPECT_EQ(client_->AddRoleToUser(Account(L"CORP\\zed"), Bstr(L"Readers").get()), E_FAIL);
  EXPECT_EQ(Calls(), L"ModifyUser(\"" + ann_ +
                         L"\", \"Ann\", 1:{Readers;Writers}, workspace)\n"
                         L"ModifyUser(\"" +
                         ann_ +
                         L"\", \"Ann\", 1:{Writers}, workspace)\n"
                         L"ModifyUser(\"" +
                         ann_ + L"\", \"Ann\", 1:{}, workspace)");
  EXPECT_EQ(users_.fills + roles_.fills, L"");
}

TEST_F(WorkspaceNode, RemovingARoleListedTwiceSendsAndKeepsNeither) {
  plat::unique_bstr readers = Bstr(L"Readers");
  Model().Users()[0].AddRole(readers.get());
  EXPECT_EQ(client_->RemoveRoleFromUser(Account(ann_.c_str()), readers.get()), S_OK);
  EXPECT_EQ(Calls(), L"ModifyUser(\"" + ann_ + L"\", \"Ann\", 1:{}, workspace)");
  EXPECT_EQ(Dump(Model().Users()[0]), ann_ + L" 'Ann' []");
}

TEST_F(WorkspaceNode, RefusesBadListsBeforeSendingAnything) {
  SAFEARRAYBOUND bounds[2] = {{1, 0}, {1, 0}};
  SAFEARRAY* twoDimensions = SafeArrayCreate(VT_BSTR, 2, bounds);
  SAFEARRAY* numbers = SafeArrayCreateVector(VT_I4, 0, 1);
  EXPECT_EQ(client_->AddRole(Bstr(L"R").get(), nullptr, twoDimensions, nullptr), E_INVALIDARG);
  EXPECT_EQ(client_->ModifyUser(Account(ann_.c_str()), nullptr, numbers), E_INVALIDARG);
  EXPECT_EQ(SafeArrayDestroy(numbers), S_OK);

  // The role lists are the client's once called, refused or not: an object in one is
  // released with the list.
  struct Counted : IUnknown {
    STDMETHOD(QueryInterface)(REFIID, void** out) override {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
    STDMETHOD_(ULONG, Release)() override { return --refs; }
    ULONG refs = 1;
  } counted;
  SAFEARRAY* objects = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  VARIANT element;
  V_VT(&element) = VT_UNKNOWN;
  V_UNKNOWN(&element) = &counted;
  LONG index = 0;
  ASSERT_EQ(SafeArrayPutElement(objects, &index, &element), S_OK);
  ASSERT_EQ(counted.refs, 2u);
  EXPECT_EQ(client_->ModifyRole(Bstr(L"Readers").get(), nullptr, Names({L"Read"}), objects),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(counted.refs, 1u);
  EXPECT_EQ(Calls(), L"");
}

TEST(WorkspaceNodeConnect, FailsWithoutANodeAndSendsNothing) {
  plat::com_ptr<IWQStandinWorkspaceNode> control;
  ASSERT_EQ(wqstandins::CreateWorkspaceNodeControl(control), S_OK);
  for (const wchar_t* step : {L"Create", L"QueryWorkspaceNode"}) {
    ASSERT_EQ(control->Reset(), S_OK);
    wqstandins::FailAt(control.get(), step, REGDB_E_CLASSNOTREG, L"Not installed");
    WorkspaceNodeClient client(nullptr);
    EXPECT_TRUE(FAILED(client.Connect())) << step;
    EXPECT_FALSE(client.IsConnected());
    plat::unique_bstr xml;
    EXPECT_EQ(client.GetAccessControl(xml.put()), E_UNEXPECTED);
    EXPECT_EQ(client.DeleteRole(Bstr(L"R").get()), E_UNEXPECTED);
  }
  EXPECT_EQ(CallLog(control.get()), L"Create\nQueryWorkspaceNode -> 0x80004002");
}

TEST(WorkspaceNodeDirectory, BuildsTheWinNTPathAndChecksItsArguments) {
  wchar_t storage[8];
  WQStringBuffer path(storage);
  WorkspaceNodeClient::MakeWinNTPath(L"DOM\\sub\\user", path);
  EXPECT_STREQ(path, L"WinNT://DOM/sub/user");
  const std::wstring longName(3000, L'a');
  WorkspaceNodeClient::MakeWinNTPath(longName.c_str(), path);
  EXPECT_EQ(path.GetLength(), 3008u);

  EXPECT_EQ(WorkspaceNodeClient::GetADsUser(L"DOM\\user", nullptr), E_POINTER);
  IADsUser* user = reinterpret_cast<IADsUser*>(1);
  EXPECT_EQ(WorkspaceNodeClient::GetADsUser(L"", &user), E_FAIL);
  EXPECT_EQ(user, nullptr);
  EXPECT_EQ(NewestMessage(), L"No account information provided");

  // Wine has no "WinNT" provider: the look-up fails and leaves both texts null.
  BSTR fullName = reinterpret_cast<BSTR>(1);
  BSTR description = reinterpret_cast<BSTR>(1);
  EXPECT_TRUE(
      FAILED(WorkspaceNodeClient::GetAccountDetails(L"CORP\\nobody", &fullName, &description)));
  EXPECT_EQ(fullName, nullptr);
  EXPECT_EQ(description, nullptr);
}

}  // namespace
