// The roles and users dialogs driven as an administrator would drive them, over the
// stand-ins of the workspace node, the grid control, the directory object picker and the
// error display: what the node is asked, what the lists and grids show.
#include <gtest/gtest.h>

#include <axhost.h>
#include <latebound.h>
#include <window.h>
#include <standinsclient.h>

#include <algorithm>
#include <string>
#include <vector>

#include "accesstest.h"
#include "accessctrl/accessui.h"
#include "comtest.h"
#include "dialogdriver.h"
#include "accessctrl/dlgcontrolroles.h"
#include "accessctrl/dlgcontrolusers.h"
#include "accessctrl/tabhostdlg.h"

namespace {

using wqstandins::CallLog;
using wqtest::DialogScript;
using wqtest::DialogView;
using Texts = std::vector<std::wstring>;

std::wstring UserName() {
  wchar_t name[256];
  DWORD length = 256;
  GetUserNameW(name, &length);
  return name;
}

// The current user and "ann" (whom Wine cannot resolve); two roles; a catalogue in which
// two privileges differ only in letter case.
std::wstring Document() {
  return L"<AccessControl><Users>"
         L"<User Name='" +
         UserName() +
         L"' DisplayName='Me'><RoleName>Readers</RoleName>"
         L"<RoleName>Writers</RoleName></User>"
         L"<User Name='ann' DisplayName='Ann'/></Users>"
         L"<Privileges><PrivilegeCategory Name='Data'><Privilege Name='Read'/>"
         L"<Privilege Name='Write'/></PrivilegeCategory><PrivilegeCategory Name='Admin'>"
         L"<Privilege Name='Audit'/><Privilege Name='READ'/></PrivilegeCategory></Privileges>"
         L"<Roles><Role Name='Readers' Description='Look only'>"
         L"<PrivilegeRight Name='Read' Granted='2'/><PrivilegeRight Name='Write' Granted='1'/>"
         L"</Role><Role Name='Writers' Description='Change data'>"
         L"<PrivilegeRight Name='Write' Granted='2'/></Role></Roles></AccessControl>";
}

Texts ListTexts(const DialogView& view, int id, int subItem = 0) {
  const plat::ListView list(view.Item(id));
  Texts texts;
  for (int i = 0; i < list.GetItemCount(); ++i) texts.push_back(list.GetItemText(i, subItem));
  return texts;
}

// Clicks a list-view item: it alone becomes selected, and the list tells its dialog.
DialogScript::Step SelectItem(int id, int index) {
  return [=](DialogView& view) {
    const plat::ListView list(view.Item(id));
    if (index >= list.GetItemCount()) return std::string("no such list item");
    list.SetItemState(-1, 0, LVIS_SELECTED);
    list.SetItemState(index, LVIS_SELECTED, LVIS_SELECTED);
    return std::string();
  };
}

// Clicks the list-view item with that text.
DialogScript::Step SelectText(int id, std::wstring text) {
  return [=](DialogView& view) {
    const Texts texts = ListTexts(view, id);
    const auto found = std::find(texts.begin(), texts.end(), text);
    if (found == texts.end()) return std::string("no such list item");
    return SelectItem(id, static_cast<int>(found - texts.begin()))(view);
  };
}

double Seconds() {
  LARGE_INTEGER frequency, count;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&count);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

Texts Sorted(Texts texts) {
  std::sort(texts.begin(), texts.end());
  return texts;
}

// The control host of that id on one of the dialog's pages (the tab control of the dialog
// itself may have the same id), and the grid in it.
HWND HostOf(const DialogView& view, int hostId) {
  struct Search {
    int id;
    HWND host = nullptr;
  } search{hostId};
  EnumChildWindows(
      view.hwnd(),
      [](HWND child, LPARAM param) -> BOOL {
        auto* found = reinterpret_cast<Search*>(param);
        plat::com_ptr<IUnknown> grid;
        if (GetDlgCtrlID(child) == found->id &&
            SUCCEEDED(plat::AxHost::GetControl(child, IID_IUnknown, grid.put_void())))
          found->host = child;
        return !found->host;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.host;
}

plat::com_ptr<IUnknown> GridOf(const DialogView& view, int hostId) {
  plat::com_ptr<IUnknown> grid;
  plat::AxHost::GetControl(HostOf(view, hostId), IID_IUnknown, grid.put_void());
  return grid;
}

// The column widths of a grid are shares of its host's width in twips, without the
// vertical scroll bar and the edges, measured as the page measures them.
void ExpectColumnShares(const DialogView& view, int hostId, std::vector<double> shares) {
  RECT client{};
  GetClientRect(HostOf(view, hostId), &client);
  HDC screen = GetDC(nullptr);
  const long twips =
      (client.right - GetSystemMetrics(SM_CXVSCROLL) - 2 * GetSystemMetrics(SM_CXEDGE)) * 1440 /
      GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  plat::com_ptr<IDispatch> grid = GridOf(view, hostId).try_query<IDispatch>();
  plat::LateBound calls(grid);
  for (size_t col = 0; col < shares.size(); ++col) {
    plat::unique_variant width;
    ASSERT_EQ(calls.Get(L"ColWidth", width.put(), {static_cast<long>(col)}), S_OK);
    EXPECT_EQ(V_I4(&width), static_cast<long>(twips * shares[col])) << "column " << col;
  }
}

std::wstring GridContents(const DialogView& view, int hostId) {
  return wqstandins::GridContents(GridOf(view, hostId).get());
}

// A user's click on a grid cell; `expected` is S_OK, or S_FALSE when the page refuses it.
DialogScript::Step ClickCell(int hostId, long row, long col, HRESULT expected = S_OK) {
  return [=](DialogView& view) {
    plat::com_ptr<IWQStandinGridUser> user;
    if (FAILED(GridOf(view, hostId).query_to(user))) return std::string("no grid");
    EXPECT_EQ(user->ClickCell(row, col), expected) << "cell " << row << "," << col;
    return std::string();
  };
}

class AccessDialogs : public wqtest::NoLeaks {
 protected:
  AccessDialogs() : NoLeaks(L"WQStandins.dll") {}

  void SetUp() override {
    ASSERT_EQ(wqstandins::CreateWorkspaceNodeControl(node_), S_OK);
    ASSERT_EQ(wqstandins::SetAccessControl(node_.get(), Document().c_str()), S_OK);
    ASSERT_EQ(wqstandins::CreateGridControl(grid_), S_OK);
    ASSERT_EQ(wqstandins::CreateObjectPickerControl(picker_), S_OK);
    ASSERT_EQ(wqstandins::CreateClientTools(tools_), S_OK);
    plat::com_ptr<IWQStandinWorkspace> standin;
    ASSERT_EQ(wqstandins::CreateWorkspace(standin), S_OK);
    ASSERT_EQ(standin.query_to(workspace_), S_OK);
    me_ = accesstest::Host() + L"\\" + UserName();
  }

  void TearDown() override {
    workspace_.reset();
    node_.reset();
    grid_.reset();
    picker_.reset();
    tools_.reset();
    NoLeaks::TearDown();
  }

  template <class Dialog>
  INT_PTR Run(std::initializer_list<DialogScript> scripts) {
    wqtest::DialogDriver driver;
    for (const DialogScript& script : scripts) driver.Expect(script);
    Dialog dialog(workspace_.get());
    return dialog.DoModal(nullptr, GetModuleHandleW(nullptr));
  }

  // The node's calls after the dialog's start.
  std::wstring NodeCalls() {
    const std::wstring log = CallLog(node_.get());
    const std::wstring start = L"Create\nGetAccessControl(workspace)";
    EXPECT_EQ(log.compare(0, start.size(), start), 0) << log;
    return log.size() > start.size() ? log.substr(start.size() + 1) : L"";
  }

  std::wstring ShownError(LONG index) {
    plat::unique_bstr message;
    ExtractErrorDescription(wqstandins::ErrorDescription(tools_.get(), index).c_str(),
                            message.put());
    return message.c_str();
  }

  LONG ErrorCount() {
    LONG count = 0;
    tools_->get_ErrorCount(&count);
    return count;
  }

  plat::com_ptr<IWQStandinWorkspaceNode> node_;
  plat::com_ptr<IWQStandinGridControl> grid_;
  plat::com_ptr<IWQStandinObjectPicker> picker_;
  plat::com_ptr<IWQStandinClientTools> tools_;
  plat::com_ptr<IWQWorkspace> workspace_;
  std::wstring me_;
};

TEST_F(AccessDialogs, RolesListServesRemoveAndEditOnlyForASelection) {
  const INT_PTR result = Run<DlgControlRoles>(
      {DialogScript()
           .Inspect([](DialogView& view) {
             EXPECT_EQ(view.Text(), L"Roles");
             EXPECT_EQ(ListTexts(view, IDC_ACCESSLIST), (Texts{L"Readers", L"Writers"}));
             EXPECT_EQ(ListTexts(view, IDC_ACCESSLIST, 1), (Texts{L"Look only", L"Change data"}));
             EXPECT_FALSE(view.IsEnabled(IDC_ACCESSREMOVE));
             EXPECT_FALSE(view.IsEnabled(IDC_ACCESSEDIT));
             // Sent as a click would send it, the disabled button does nothing.
             SendMessageW(view.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_ACCESSREMOVE, BN_CLICKED), 0);
           })
           .Do(SelectItem(IDC_ACCESSLIST, 1))
           .Inspect([](DialogView& view) {
             EXPECT_TRUE(view.IsEnabled(IDC_ACCESSREMOVE));
             EXPECT_TRUE(view.IsEnabled(IDC_ACCESSEDIT));
           })
           .Screenshot(L"roles.png")
           .Focus(IDC_ACCESSREMOVE)
           .Press(VK_SPACE)
           .Inspect([](DialogView& view) {
             EXPECT_EQ(ListTexts(view, IDC_ACCESSLIST), Texts{L"Readers"});
             EXPECT_FALSE(view.IsEnabled(IDC_ACCESSREMOVE));
             EXPECT_TRUE(view.HasFocus(IDC_ACCESSLIST)) << "the disabled button's focus";
           })
           .Click(IDOK)});
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(NodeCalls(), L"DeleteRole(\"Writers\", workspace)");
  EXPECT_EQ(ErrorCount(), 0);
}

TEST_F(AccessDialogs, NewRoleSendsItsCheckedPrivilegesAndMembers) {
  const std::wstring me = me_;
  Run<DlgControlRoles>({DialogScript()
                            .Click(IDC_ACCESSADD)
                            .Inspect([](DialogView& view) {
                              EXPECT_EQ(ListTexts(view, IDC_ACCESSLIST),
                                        (Texts{L"Readers", L"Writers", L"Auditors"}));
                            })
                            .Click(IDOK),
                        DialogScript()
                            .Inspect([](DialogView& view) {
                              EXPECT_EQ(view.Text(), L"New Role");
                              EXPECT_EQ(plat::TabCtrl(view.Item(IDC_TABCONTROL)).GetItemCount(), 3);
                            })
                            .SetText(IDC_ROLENAME, L"Auditors")
                            .SetText(IDC_ROLEDESCRIPTION, L"Check")
                            .SelectTab(IDC_TABCONTROL, 1)
                            .Inspect([](DialogView& view) {
                              EXPECT_EQ(GridContents(view, IDC_PRIVILEGEGRID),
                                        L"+*Data*||\n2:Read|[ ]|[ ]\n2:Write|[ ]|[ ]\n"
                                        L"+*Admin*||\n2:Audit|[ ]|[ ]\n2:READ|[ ]|[ ]");
                              ExpectColumnShares(view, IDC_PRIVILEGEGRID, {0.8, 0.1, 0.1});
                            })
                            // Category rows and names are not for editing.
                            .Do(ClickCell(IDC_PRIVILEGEGRID, 0, 1, S_FALSE))
                            .Do(ClickCell(IDC_PRIVILEGEGRID, 1, 0, S_FALSE))
                            .Do(ClickCell(IDC_PRIVILEGEGRID, 1, 1))
                            .Do(ClickCell(IDC_PRIVILEGEGRID, 5, 1))
                            // Deny takes the place of Grant.
                            .Do(ClickCell(IDC_PRIVILEGEGRID, 4, 1))
                            .Do(ClickCell(IDC_PRIVILEGEGRID, 4, 2))
                            .Inspect([](DialogView& view) {
                              EXPECT_EQ(GridContents(view, IDC_PRIVILEGEGRID),
                                        L"+*Data*||\n2:Read|[x]|[ ]\n2:Write|[ ]|[ ]\n"
                                        L"+*Admin*||\n2:Audit|[ ]|[x]\n2:READ|[x]|[ ]");
                            })
                            .Screenshot(L"roleprivileges.png")
                            .SelectTab(IDC_TABCONTROL, 2)
                            .Click(IDC_ROLEUSERADD)
                            .Inspect([me](DialogView& view) {
                              EXPECT_EQ(ListTexts(view, IDC_ROLEUSERLIST), Texts{me});
                            })
                            .Click(IDOK),
                        DialogScript()
                            .Inspect([me](DialogView& view) {
                              EXPECT_EQ(view.Text(), L"Select Users Dialog");
                              EXPECT_EQ(Sorted(ListTexts(view, IDC_MEMBERCANDIDATES)),
                                        Sorted({me, accesstest::Host() + L"\\ann"}));
                            })
                            .Do(SelectText(IDC_MEMBERCANDIDATES, me))
                            .Click(IDOK)});
  // "Read" and "READ" are one name to the server.
  EXPECT_EQ(NodeCalls(),
            L"AddRole(\"Auditors\", \"Check\", {Read}, {Audit}, workspace)\n"
            L"ModifyUser(\"" +
                me +
                L"\", \"Me\", 1:{Readers;Writers;Auditors}, "
                L"workspace)");
}

TEST_F(AccessDialogs, EditedRoleShowsItsRightsAndSendsNoUnchangedMembership) {
  const std::wstring me = me_;
  Run<DlgControlRoles>(
      {DialogScript().Do(SelectItem(IDC_ACCESSLIST, 0)).Click(IDC_ACCESSEDIT).Click(IDOK),
       DialogScript()
           .Inspect([](DialogView& view) {
             EXPECT_EQ(view.Text(), L"Properties for Role Readers");
             EXPECT_EQ(view.Text(IDC_ROLENAME), L"Readers");
             EXPECT_FALSE(view.IsEnabled(IDC_ROLENAME));
           })
           .SelectTab(IDC_TABCONTROL, 1)
           .Inspect([](DialogView& view) {
             // "READ" is the stored "Read" to the server, so it shows ticked too.
             EXPECT_EQ(GridContents(view, IDC_PRIVILEGEGRID),
                       L"+*Data*||\n2:Read|[x]|[ ]\n2:Write|[ ]|[x]\n"
                       L"+*Admin*||\n2:Audit|[ ]|[ ]\n2:READ|[x]|[ ]");
           })
           .SelectTab(IDC_TABCONTROL, 2)
           .Inspect(
               [me](DialogView& view) { EXPECT_EQ(ListTexts(view, IDC_ROLEUSERLIST), Texts{me}); })
           // Taken out and put back: no change for the server.
           .Do(SelectItem(IDC_ROLEUSERLIST, 0))
           .Click(IDC_ROLEUSERREMOVE)
           .Inspect(
               [](DialogView& view) { EXPECT_TRUE(ListTexts(view, IDC_ROLEUSERLIST).empty()); })
           .Click(IDC_ROLEUSERADD)
           .Click(IDOK),
       DialogScript().Do(SelectText(IDC_MEMBERCANDIDATES, me)).Click(IDOK)});
  EXPECT_EQ(NodeCalls(), L"ModifyRole(\"Readers\", \"Look only\", {Read}, {Write}, workspace)");
}

// Names that differ only in letter case are one account to the server and to the model. A
// role held under two spellings stays held while either is listed, and a spelling of a
// member is no candidate to add.
TEST_F(AccessDialogs, MembersWhoseNamesDifferOnlyInCaseAreOneAccount) {
  const std::wstring me = me_;
  const std::wstring ann = accesstest::Host() + L"\\ann", ANN = accesstest::Host() + L"\\ANN";
  const auto load = [&](const wchar_t* users) {
    std::wstring document = Document();
    const std::wstring from = L"<User Name='ann' DisplayName='Ann'/>";
    document.replace(document.find(from), from.size(), users);
    ASSERT_EQ(wqstandins::SetAccessControl(node_.get(), document.c_str()), S_OK);
  };
  const auto members = [](Texts expected) {
    return [=](DialogView& view) {
      EXPECT_EQ(Sorted(ListTexts(view, IDC_ROLEUSERLIST)), Sorted(expected));
    };
  };
  const auto editReaders = DialogScript().Do(SelectItem(IDC_ACCESSLIST, 0)).Click(IDC_ACCESSEDIT);

  load(
      L"<User Name='ann' DisplayName='Ann'><RoleName>Readers</RoleName></User>"
      L"<User Name='ANN' DisplayName='Ann'><RoleName>readers</RoleName></User>");
  Run<DlgControlRoles>(
      {DialogScript(editReaders).Click(IDOK), DialogScript()
                                                  .SelectTab(IDC_TABCONTROL, 2)
                                                  .Inspect(members({me, ann, ANN}))
                                                  .Do(SelectText(IDC_ROLEUSERLIST, ANN))
                                                  .Click(IDC_ROLEUSERREMOVE)
                                                  .Inspect(members({me, ann}))
                                                  .Click(IDOK)});
  EXPECT_EQ(NodeCalls(), L"ModifyRole(\"Readers\", \"Look only\", {Read}, {Write}, workspace)");

  load(
      L"<User Name='ann' DisplayName='Ann'><RoleName>Readers</RoleName></User>"
      L"<User Name='ANN' DisplayName='Ann'/>");
  Run<DlgControlRoles>({DialogScript(editReaders).Click(IDOK),
                        DialogScript()
                            .SelectTab(IDC_TABCONTROL, 2)
                            .Inspect(members({me, ann}))
                            .Click(IDC_ROLEUSERADD)
                            .Click(IDCANCEL),
                        DialogScript()
                            .Inspect([](DialogView& view) {
                              EXPECT_EQ(ListTexts(view, IDC_MEMBERCANDIDATES), Texts{});
                            })
                            .Click(IDCANCEL)});
  EXPECT_EQ(ErrorCount(), 0);
}

// A role's members are found among the workspace's users and compared with those the role
// had by name, once each, and its lists are filled without a walk per name: a role with
// thousands of members opens, gives one up, takes it back and closes in a moment, and the
// server hears of no change of membership.
TEST_F(AccessDialogs, ARoleWithManyMembersIsEditedInAMoment) {
  constexpr int kMembers = 3000;
  std::wstring document = L"<AccessControl><Users>";
  for (int i = 0; i < kMembers; ++i)
    document += L"<User Name='user" + std::to_wstring(i) + L"'><RoleName>Readers</RoleName></User>";
  document += L"<User Name='ann'/></Users><Roles><Role Name='Readers'/></Roles></AccessControl>";
  ASSERT_EQ(wqstandins::SetAccessControl(node_.get(), document.c_str()), S_OK);
  const std::wstring host = accesstest::Host() + L"\\";
  const double start = Seconds();
  Run<DlgControlRoles>(
      {DialogScript().Do(SelectItem(IDC_ACCESSLIST, 0)).Click(IDC_ACCESSEDIT).Click(IDOK),
       DialogScript()
           .SelectTab(IDC_TABCONTROL, 2)
           .Do(SelectItem(IDC_ROLEUSERLIST, 1))
           .Click(IDC_ROLEUSERREMOVE)
           .Inspect([](DialogView& view) {
             EXPECT_EQ(plat::ListView(view.Item(IDC_ROLEUSERLIST)).GetItemCount(), kMembers - 1);
           })
           .Click(IDC_ROLEUSERADD)
           .Click(IDOK),
       DialogScript()
           .Inspect([&](DialogView& view) {
             EXPECT_EQ(ListTexts(view, IDC_MEMBERCANDIDATES),
                       (Texts{host + L"ann", host + L"user1"}));
           })
           .Do(SelectText(IDC_MEMBERCANDIDATES, host + L"user1"))
           .Click(IDOK)});
  // Some 3 s under the dialog driver; with a walk per name, close to a minute.
  EXPECT_LT(Seconds() - start, 20.0);
  EXPECT_EQ(NodeCalls(), L"ModifyRole(\"Readers\", \"\", {}, {}, workspace)");
}

TEST_F(AccessDialogs, RoleEditedWithoutItsGridKeepsItsRights) {
  ASSERT_EQ(wqstandins::FailAt(grid_.get(), L"Create", E_FAIL), S_OK);
  Run<DlgControlRoles>(
      {DialogScript().Do(SelectItem(IDC_ACCESSLIST, 0)).Click(IDC_ACCESSEDIT).Click(IDOK),
       DialogScript().SetText(IDC_ROLEDESCRIPTION, L"Read").Click(IDOK)});
  EXPECT_EQ(NodeCalls(), L"ModifyRole(\"Readers\", \"Read\", {Read}, {Write}, workspace)");
}

TEST_F(AccessDialogs, FailuresAreShownAndSkipTheRest) {
  ASSERT_EQ(wqstandins::FailAt(node_.get(), L"DeleteRole", E_ACCESSDENIED, L"Not yours"), S_OK);
  Run<DlgControlRoles>(
      {DialogScript()
           .Do(SelectItem(IDC_ACCESSLIST, 0))
           .Click(IDC_ACCESSREMOVE)
           .Inspect([](DialogView& view) { EXPECT_EQ(ListTexts(view, IDC_ACCESSLIST).size(), 2u); })
           .Click(IDC_ACCESSADD)
           .Click(IDOK),
       // "ann" has no account Wine knows: the role is added, her membership is not.
       DialogScript()
           .SetText(IDC_ROLENAME, L"Guests")
           .SelectTab(IDC_TABCONTROL, 2)
           .Click(IDC_ROLEUSERADD)
           .Click(IDOK),
       DialogScript()
           .Do(SelectText(IDC_MEMBERCANDIDATES, accesstest::Host() + L"\\ann"))
           .Click(IDOK)});
  ASSERT_EQ(ErrorCount(), 2);
  EXPECT_EQ(ShownError(1), L"Unable to delete role");
  EXPECT_NE(ShownError(2).find(L"ann"), std::wstring::npos) << ShownError(2);
  EXPECT_EQ(NodeCalls(),
            L"DeleteRole(\"Readers\", workspace) -> 0x80070005\n"
            L"AddRole(\"Guests\", \"\", {}, {}, workspace)");
}

// Accounts of a domain of their own are listed under it, in the users list and among a
// role's members, not under this computer's name. The documentation's pictures of both
// lists are taken here, so that they show only these accounts, none of the machine's.
TEST_F(AccessDialogs, AccountsOfADomainAreListedUnderIt) {
  std::wstring document = Document();
  const size_t users = document.find(L"<Users>") + 7;
  document.replace(users, document.find(L"</Users>") - users,
                   L"<User Name='ann' Domain='CORP' DisplayName='Ann'><RoleName>Readers</RoleName>"
                   L"<RoleName>Writers</RoleName></User>"
                   L"<User Name='bob' Domain='CORP' DisplayName='Bob'>"
                   L"<RoleName>Readers</RoleName></User>");
  ASSERT_EQ(wqstandins::SetAccessControl(node_.get(), document.c_str()), S_OK);
  const Texts accounts{L"CORP\\ann", L"CORP\\bob"};
  Run<DlgControlUsers>({DialogScript()
                            .Inspect([&](DialogView& view) {
                              EXPECT_EQ(ListTexts(view, IDC_ACCESSLIST), accounts);
                              EXPECT_EQ(ListTexts(view, IDC_ACCESSLIST, 2),
                                        (Texts{L"Readers, Writers", L"Readers"}));
                            })
                            .Screenshot(L"users.png")
                            .Click(IDOK)});
  Run<DlgControlRoles>(
      {DialogScript().Do(SelectItem(IDC_ACCESSLIST, 0)).Click(IDC_ACCESSEDIT).Click(IDOK),
       DialogScript()
           .SelectTab(IDC_TABCONTROL, 2)
           .Inspect([&](DialogView& view) {
             EXPECT_EQ(Sorted(ListTexts(view, IDC_ROLEUSERLIST)), accounts);
           })
           .Screenshot(L"roleusers.png")
           .Click(IDCANCEL)});
  EXPECT_EQ(ErrorCount(), 0);
}

TEST_F(AccessDialogs, UsersListShowsTheirRolesAndAddsAUserWithItsCheckedRoles) {
  const std::wstring me = me_;
  const std::wstring administrators = accesstest::Host() + L"\\Administrators";
  Run<DlgControlUsers>(
      {DialogScript()
           .Inspect([me](DialogView& view) {
             EXPECT_EQ(view.Text(), L"Users");
             EXPECT_EQ(ListTexts(view, IDC_ACCESSLIST), (Texts{me, accesstest::Host() + L"\\ann"}));
             EXPECT_EQ(ListTexts(view, IDC_ACCESSLIST, 1), (Texts{L"Me", L"Ann"}));
             EXPECT_EQ(ListTexts(view, IDC_ACCESSLIST, 2), (Texts{L"Readers, Writers", L""}));
           })
           .Inspect([me](DialogView& view) {
             // Searching the rows (type-ahead) as a list that holds its texts does.
             const auto find = [&](const std::wstring& text, UINT flags, int start) {
               LVFINDINFOW info{};
               info.flags = flags;
               info.psz = text.c_str();
               return static_cast<int>(SendMessageW(view.Item(IDC_ACCESSLIST), LVM_FINDITEMW, start,
                                                    reinterpret_cast<LPARAM>(&info)));
             };
             std::wstring ann = accesstest::Host() + L"\\ANN";
             EXPECT_EQ(find(ann, LVFI_STRING, -1), 1);
             EXPECT_EQ(find(ann.substr(0, ann.size() - 2), LVFI_PARTIAL | LVFI_STRING, -1), 1);
             EXPECT_EQ(find(ann.substr(0, ann.size() - 1), LVFI_STRING, -1), -1) << "whole names";
             // Wine hands LVM_FINDITEM's start to the list's owner as it is, and the owner
             // searches from that row on, as typing asks it to.
             EXPECT_EQ(find(me, LVFI_STRING, 0), 0);
             EXPECT_EQ(find(me, LVFI_STRING, 1), -1) << "from the start on";
             EXPECT_EQ(find(me, LVFI_STRING | LVFI_WRAP, 1), 0);
           })
           // Both names begin with the host's: typing goes on to the one that differs.
           .Focus(IDC_ACCESSLIST)
           .TypeKeys(accesstest::Host() + L"\\a")
           .Inspect([](DialogView& view) {
             EXPECT_EQ(plat::ListView(view.Item(IDC_ACCESSLIST)).GetSelectedItems(),
                       std::vector<int>{1});
           })
           .Click(IDC_ACCESSADD)
           .Inspect([administrators](DialogView& view) {
             EXPECT_EQ(ListTexts(view, IDC_ACCESSLIST, 0).back(), administrators);
             EXPECT_EQ(ListTexts(view, IDC_ACCESSLIST, 2).back(), L"Writers");
           })
           .Click(IDOK),
       DialogScript()
           .Inspect([](DialogView& view) {
             EXPECT_EQ(view.Text(), L"New User");
             EXPECT_TRUE(view.IsVisible(IDC_MEMBERBROWSE));
           })
           .SetText(IDC_MEMBERACCOUNT, L"Administrators")
           .SetText(IDC_MEMBERDISPLAYNAME, L"Admins")
           .SelectTab(IDC_TABCONTROL, 1)
           .Inspect([](DialogView& view) {
             EXPECT_EQ(GridContents(view, IDC_ROLEGRID), L"|Roles\n[ ]|Readers\n[ ]|Writers");
             ExpectColumnShares(view, IDC_ROLEGRID, {0.2, 0.8});
           })
           .Do(ClickCell(IDC_ROLEGRID, 2, 1, S_FALSE))
           .Do(ClickCell(IDC_ROLEGRID, 2, 0))
           .Screenshot(L"userroles.png")
           .Click(IDOK)});
  EXPECT_EQ(NodeCalls(), L"AddUser(\"" + administrators + L"\", \"Admins\", {Writers}, workspace)");
}

TEST_F(AccessDialogs, EditedUserKeepsItsAccountAndSendsItsRoles) {
  const std::wstring me = me_;
  Run<DlgControlUsers>(
      {DialogScript().Do(SelectItem(IDC_ACCESSLIST, 0)).Click(IDC_ACCESSEDIT).Click(IDOK),
       DialogScript()
           .Inspect([me](DialogView& view) {
             EXPECT_EQ(view.Text(), L"Properties for User " + me);
             EXPECT_EQ(view.Text(IDC_MEMBERACCOUNT), UserName());
             EXPECT_EQ(view.Text(IDC_MEMBERDOMAIN), accesstest::Host());
             EXPECT_EQ(view.Text(IDC_MEMBERDISPLAYNAME), L"Me");
             EXPECT_TRUE(GetWindowLongPtrW(view.Item(IDC_MEMBERACCOUNT), GWL_STYLE) & ES_READONLY);
             EXPECT_TRUE(GetWindowLongPtrW(view.Item(IDC_MEMBERDOMAIN), GWL_STYLE) & ES_READONLY);
             EXPECT_FALSE(view.IsVisible(IDC_MEMBERBROWSE));
           })
           .SelectTab(IDC_TABCONTROL, 1)
           .Inspect([](DialogView& view) {
             EXPECT_EQ(GridContents(view, IDC_ROLEGRID), L"|Roles\n[x]|Readers\n[x]|Writers");
           })
           .Do(ClickCell(IDC_ROLEGRID, 2, 0))
           .Click(IDOK)});
  EXPECT_EQ(NodeCalls(), L"ModifyUser(\"" + me + L"\", \"Me\", {Readers}, workspace)");
}

// Names are stored as the server last wrote them; the lists show the catalogue's and the
// roles' spelling. An edit that does not touch a right or a role must keep it.
TEST_F(AccessDialogs, StoredNamesInAnotherCaseStayTickedAndAreSentBack) {
  std::wstring document = Document();
  for (const auto& [from, to] :
       {std::pair<std::wstring, std::wstring>{L"<RoleName>Readers</RoleName>",
                                              L"<RoleName>readers</RoleName>"},
        {L"<PrivilegeRight Name='Write' Granted='2'/>",
         L"<PrivilegeRight Name='write' Granted='2'/>"}}) {
    const size_t at = document.find(from);
    ASSERT_NE(at, std::wstring::npos);
    document.replace(at, from.size(), to);
  }
  ASSERT_EQ(wqstandins::SetAccessControl(node_.get(), document.c_str()), S_OK);

  const std::wstring me = me_;
  Run<DlgControlUsers>(
      {DialogScript().Do(SelectItem(IDC_ACCESSLIST, 0)).Click(IDC_ACCESSEDIT).Click(IDOK),
       DialogScript()
           .SetText(IDC_MEMBERDISPLAYNAME, L"Me too")
           .Inspect([](DialogView& view) {
             EXPECT_EQ(GridContents(view, IDC_ROLEGRID), L"|Roles\n[x]|Readers\n[x]|Writers");
           })
           .Click(IDOK)});
  Run<DlgControlRoles>(
      {DialogScript().Do(SelectItem(IDC_ACCESSLIST, 1)).Click(IDC_ACCESSEDIT).Click(IDOK),
       DialogScript()
           .SetText(IDC_ROLEDESCRIPTION, L"Changes")
           .Inspect([](DialogView& view) {
             EXPECT_EQ(GridContents(view, IDC_PRIVILEGEGRID),
                       L"+*Data*||\n2:Read|[ ]|[ ]\n2:Write|[x]|[ ]\n"
                       L"+*Admin*||\n2:Audit|[ ]|[ ]\n2:READ|[ ]|[ ]");
           })
           .Click(IDOK)});
  const std::wstring calls = CallLog(node_.get());
  EXPECT_NE(calls.find(L"ModifyUser(\"" + me + L"\", \"Me too\", {Readers;Writers}, workspace)"),
            std::wstring::npos)
      << calls;
  EXPECT_NE(calls.find(L"ModifyRole(\"Writers\", \"Changes\", {Write}, {}, workspace)"),
            std::wstring::npos)
      << calls;
}

TEST_F(AccessDialogs, UsersListRemovesTheSelectedUser) {
  const std::wstring ann = accesstest::Host() + L"\\ann";
  const std::wstring me = me_;
  const INT_PTR result = Run<DlgControlUsers>(
      {DialogScript()
           .Inspect([](DialogView& view) {
             EXPECT_FALSE(view.IsEnabled(IDC_ACCESSREMOVE));
             // Sent as a click would send it, the disabled button does nothing.
             SendMessageW(view.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_ACCESSREMOVE, BN_CLICKED), 0);
           })
           .Do(SelectText(IDC_ACCESSLIST, ann))
           .Focus(IDC_ACCESSREMOVE)
           .Press(VK_SPACE)
           .Inspect([me](DialogView& view) {
             EXPECT_EQ(ListTexts(view, IDC_ACCESSLIST), Texts{me});
             EXPECT_EQ(ListTexts(view, IDC_ACCESSLIST, 1), Texts{L"Me"});
             EXPECT_FALSE(view.IsEnabled(IDC_ACCESSREMOVE)) << "nothing is selected any more";
             // A disabled button keeps no focus; the keyboard goes on from the list.
             EXPECT_TRUE(view.HasFocus(IDC_ACCESSLIST));
           })
           .Click(IDOK)});
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(NodeCalls(), L"DeleteUser(\"" + ann + L"\", workspace)");
  EXPECT_EQ(ErrorCount(), 0);
}

TEST_F(AccessDialogs, AddingAnExistingUserShowsTheClientsRefusal) {
  Run<DlgControlUsers>({DialogScript().Click(IDC_ACCESSADD).Click(IDOK),
                        DialogScript().SetText(IDC_MEMBERACCOUNT, UserName()).Click(IDOK)});
  ASSERT_EQ(ErrorCount(), 1);
  EXPECT_EQ(ShownError(1),
            L"The new user that you are trying to add already exists in this workspace");
  EXPECT_EQ(NodeCalls(), L"");
}

TEST_F(AccessDialogs, BrowseTakesTheFirstAccountThatResolves) {
  const std::wstring paths = L"WinNT://" + accesstest::Host() + L"/nobody-here\nWinNT://" +
                             accesstest::Host() + L"/" + UserName();
  ASSERT_EQ(wqstandins::SetPickerAnswer(picker_.get(), S_OK, paths.c_str()), S_OK);
  plat::com_ptr<IWQStandinObjectPicker> picker = picker_;
  Run<DlgControlUsers>({DialogScript().Click(IDC_ACCESSADD).Click(IDOK),
                        DialogScript()
                            .SetText(IDC_MEMBERDISPLAYNAME, L"Someone")
                            .Click(IDC_MEMBERBROWSE)
                            .Inspect([](DialogView& view) {
                              EXPECT_EQ(view.Text(IDC_MEMBERACCOUNT), UserName());
                              EXPECT_EQ(view.Text(IDC_MEMBERDOMAIN), accesstest::Host());
                              EXPECT_EQ(view.Text(IDC_MEMBERDISPLAYNAME), L"");
                            })
                            // A cancelled picker changes nothing.
                            .Do([picker](DialogView&) {
                              wqstandins::SetPickerAnswer(picker.get(), S_FALSE, L"");
                              return std::string();
                            })
                            .SetText(IDC_MEMBERDISPLAYNAME, L"Kept")
                            .Click(IDC_MEMBERBROWSE)
                            .Inspect([](DialogView& view) {
                              EXPECT_EQ(view.Text(IDC_MEMBERACCOUNT), UserName());
                              EXPECT_EQ(view.Text(IDC_MEMBERDISPLAYNAME), L"Kept");
                            })
                            .Click(IDCANCEL)});
  const std::wstring scope =
      L"Initialize(size 48, computer null, scopes 1, options 0x0, attributes 0)\n"
      L"Scope(size 56, type 0x36f, flags 0x3, uplevel 0x3f6, downlevel 0x80000007)\n";
  EXPECT_EQ(CallLog(picker_.get()), L"Create\n" + scope +
                                        L"InvokeDialog(window)\nGetData\nCreate\n" + scope +
                                        L"InvokeDialog(window)");
  EXPECT_EQ(NodeCalls(), L"");
}

TEST_F(AccessDialogs, ClosingTheListClosesItsOpenTabDialogs) {
  Run<DlgControlRoles>({DialogScript().Do(SelectItem(IDC_ACCESSLIST, 0)).Click(IDC_ACCESSEDIT),
                        DialogScript().SelectTab(IDC_TABCONTROL, 1).Do([](DialogView& view) {
                          SendMessageW(GetWindow(view.hwnd(), GW_OWNER), WM_COMMAND, IDOK, 0);
                          return std::string();
                        })});
  EXPECT_EQ(NodeCalls(), L"");
}

// The pages turn with the keys of tabbed dialogs, round the ends, and the focus never stays
// behind on a page that went.
TEST_F(AccessDialogs, TabDialogPagesTurnWithTheKeyboard) {
  const auto on = [](int tab, int shown) {
    return [=](DialogView& view) {
      EXPECT_EQ(plat::TabCtrl(view.Item(IDC_TABCONTROL)).GetCurSel(), tab);
      EXPECT_TRUE(view.IsVisible(shown)) << tab;
      EXPECT_TRUE(IsWindowVisible(GetFocus())) << tab;
    };
  };
  Run<DlgControlRoles>(
      {DialogScript().Click(IDC_ACCESSADD).Click(IDOK), DialogScript()
                                                            .Focus(IDC_ROLENAME)
                                                            .Press(VK_TAB, MOD_CONTROL)
                                                            .Inspect(on(1, IDC_PRIVILEGEGRID))
                                                            .Press(VK_NEXT, MOD_CONTROL)
                                                            .Inspect(on(2, IDC_ROLEUSERLIST))
                                                            .Press(VK_TAB, MOD_CONTROL | MOD_SHIFT)
                                                            .Press(VK_PRIOR, MOD_CONTROL)
                                                            .Inspect(on(0, IDC_ROLENAME))
                                                            .Press(VK_PRIOR, MOD_CONTROL)
                                                            .Inspect(on(2, IDC_ROLEUSERLIST))
                                                            .Click(IDCANCEL)});
  EXPECT_EQ(NodeCalls(), L"");
}

TEST_F(AccessDialogs, NodeThatCannotBeMadeLeavesTheListEmpty) {
  ASSERT_EQ(wqstandins::FailAt(node_.get(), L"Create", REGDB_E_CLASSNOTREG), S_OK);
  Run<DlgControlUsers>(
      {DialogScript()
           .Inspect([](DialogView& view) { EXPECT_TRUE(ListTexts(view, IDC_ACCESSLIST).empty()); })
           .Click(IDOK)});
  EXPECT_EQ(CallLog(node_.get()), L"Create -> 0x80040154");
  EXPECT_EQ(ErrorCount(), 0);
}

// Destroys every dialog as soon as it has answered WM_INITDIALOG, as the system does with
// a dialog it could not finish making.
LRESULT CALLBACK DestroyAfterInit(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_INITDIALOG) DestroyWindow(call->hwnd);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(TabHostDialog, ADialogDestroyedWhileBeingMadeIsFreedOnce) {
  int freed = 0;
  std::shared_ptr<void> shared(&freed, [](void* count) { ++*static_cast<int*>(count); });
  HHOOK hook =
      SetWindowsHookExW(WH_CALLWNDPROCRET, DestroyAfterInit, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  WQComException error;
  bool raised = false;
  try {
    CTabHostDlg::Open(error, nullptr, 1, L"Half made", std::move(shared));
  } catch (WQComException&) {
    raised = true;
  }
  UnhookWindowsHookEx(hook);
  EXPECT_TRUE(raised);
  EXPECT_EQ(freed, 1) << "the dialog and what it shares are freed exactly once";
  SetErrorInfo(0, nullptr);
}

TEST(AccountNames, SplitAtTheSeparators) {
  const struct {
    const wchar_t* name;
    const wchar_t* user;
    const wchar_t* domain;
  } cases[] = {
      {L"DOMAIN\\ann", L"ann", L"DOMAIN"}, {L"DOMAIN/ann", L"ann", L"DOMAIN"},
      {L"ONE\\TWO\\ann", L"ann", L"TWO"},  {L"ann", L"ann", L""},
      {L"DOMAIN\\", L"", L"DOMAIN"},       {nullptr, L"", L""},
  };
  for (const auto& c : cases) {
    const AccountParts parts = SplitAccountName(c.name);
    EXPECT_EQ(parts.user, c.user) << (c.name ? c.name : L"null");
    EXPECT_EQ(parts.domain, c.domain) << (c.name ? c.name : L"null");
  }
}

}  // namespace
