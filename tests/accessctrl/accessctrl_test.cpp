// The access-control model: its XML read back as a compact dump, bad XML failing with the
// element named, and the look-ups and changes the dialogs and the node client make.
#include <gtest/gtest.h>

#include <string>

#include "accessctrl/accessctrl.h"
#include "accesstest.h"
#include "comtest.h"

namespace {

using accesstest::Dump;
using accesstest::Host;

const wchar_t kDocument[] =
    L"<AccessControl>"
    L"<Users>"
    L"<User Name='ann' DisplayName='Ann A' IsGroup='false'><RoleName>Readers</RoleName>"
    L"<RoleName>Writers</RoleName></User>"
    L"<User Name='bob' Domain='CORP' IsGroup='yes'/>"
    L"<User Name='WinNT://CORP/carl'><RoleName>readers</RoleName></User>"
    L"</Users>"
    L"<Privileges><PrivilegeCategory Name='Data'><Privilege Name='Read' Description='See'/>"
    L"<Privilege Name='Write'/></PrivilegeCategory><PrivilegeCategory Name='Admin'/>"
    L"</Privileges>"
    L"<Roles><Role Name='Readers' Description='Look only'><PrivilegeRight Name='Read' "
    L"Granted='2'/><PrivilegeRight Name='Write' Granted='7'/><PrivilegeRight Name='Admin'/>"
    L"</Role><Role Name='Writers'/></Roles>"
    L"</AccessControl>";

TEST(AccessControl, ParsesUsersRolesAndPrivileges) {
  CAccessControl model;
  ASSERT_EQ(model.Parse(kDocument), S_OK) << wqtest::TakeErrorDescription();
  // A user without a display name has none, whatever the user before had; an account
  // that does not resolve keeps the name its resolution made.
  EXPECT_EQ(Dump(model),
            L"users: " + Host() +
                L"\\ann 'Ann A' [Readers,Writers]; CORP\\bob '' []; "
                L"CORP\\carl '' [readers] | roles: Readers 'Look only' {Read=2,Write=7,Admin=0}; "
                L"Writers '' {} | privileges: Data(Read:See,Write:); Admin()");
  EXPECT_EQ(wqtest::TakeErrorDescription(), L"") << "an account that did not resolve";

  ASSERT_EQ(model.Parse(L"<AccessControl/>"), S_OK);
  EXPECT_EQ(Dump(model), L"users:  | roles:  | privileges: ");
  // No text at all is no document, and reads nothing.
  for (const wchar_t* nothing : {L"", static_cast<const wchar_t*>(nullptr)}) {
    ASSERT_EQ(model.Parse(kDocument), S_OK);
    EXPECT_TRUE(FAILED(model.Parse(nothing)));
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(Dump(model), L"users:  | roles:  | privileges: ");
  }
}

// The model names its accounts at once and looks each SID up when first asked, once per
// account however many users share it; an account that cannot be looked up then fails as
// its resolution would have.
TEST(AccessControl, LooksEachAccountUpWhenFirstAskedOnce) {
  wchar_t me[256];
  DWORD length = 256;
  ASSERT_TRUE(GetUserNameW(me, &length));
  const std::wstring xml = std::wstring(L"<AccessControl><Users><User Name='") + me +
                           L"'/><User Name='bob' Domain='CORP'/><User Name='" + me +
                           L"' DisplayName='Again'/></Users></AccessControl>";
  CAccessControl model;
  ASSERT_EQ(model.Parse(xml.c_str()), S_OK);
  const AccessUser& first = model.Users()[0];
  const AccessUser& again = model.Users()[2];
  EXPECT_EQ(std::wstring(first.GetName()), Host() + L"\\" + me);
  EXPECT_STREQ(again.GetName(), first.GetName());
  ASSERT_NE(first.Account.GetSid(), nullptr);
  EXPECT_TRUE(EqualSid(first.Account.GetSid(), WQSecurityPrincipal(first.GetName()).GetSid()));
  EXPECT_EQ(again.Account.GetSid(), first.Account.GetSid()) << "looked up once";

  // Accounts are told apart by Name and Domain together, whatever characters they hold.
  ASSERT_EQ(model.Parse(L"<AccessControl><Users><User Name='a&#10;b'/><User Name='a' "
                        L"Domain='b&#10;'/></Users></AccessControl>"),
            S_OK);
  EXPECT_EQ(std::wstring(model.Users()[1].GetName()), L"b\n\\a");
  ASSERT_EQ(model.Parse(xml.c_str()), S_OK);

  const WQSecurityPrincipal& bob = model.Users()[1].Account;
  EXPECT_EQ(bob.GetSid(), nullptr);
  EXPECT_TRUE(FAILED(bob.LookupDeferredSid()));
  EXPECT_NE(wqtest::TakeErrorDescription().find(
                L"System error while trying to access SID for account CORP\\bob"),
            std::wstring::npos);
}

TEST(AccessControl, BadXmlNamesTheElementAndKeepsWhatWasComplete) {
  struct Case {
    const wchar_t* xml;
    HRESULT hr;
    const wchar_t* inError;
  } cases[] = {
      {L"<AccessControl><Roles><Role Name='R'><RoleName>x</RoleName></Role></Roles>"
       L"</AccessControl>",
       E_INVALIDARG, L"Activity=\"Parsing element RoleName(Ln 1, Col "},
      {L"<AccessControl><Roles><Role Name='R'><Privilege Name='P'/></Role></Roles>"
       L"</AccessControl>",
       E_INVALIDARG, L"Parsing element Privilege(Ln 1"},
      {L"<AccessControl><Roles><Role Name='R'><PrivilegeRight Name='P'><Role/></PrivilegeRight>"
       L"</Role></Roles></AccessControl>",
       E_INVALIDARG, L"Parsing element Role(Ln 1"},
      {L"<Users><User Name='u'/></Users>", E_INVALIDARG, L"Parsing element Users(Ln 1"},
      {L"<RoleName>x</RoleName>", E_INVALIDARG, L"Parsing element RoleName(Ln 1"},
      {L"<AccessControl><Roles><Role Name='R'><PrivilegeRight Name='P' Granted='yes'/>"
       L"</Role></Roles></AccessControl>",
       DISP_E_TYPEMISMATCH, L"Parsing element PrivilegeRight(Ln 1"},
  };
  for (const Case& c : cases) {
    CAccessControl model;
    ASSERT_EQ(model.Parse(kDocument), S_OK);
    EXPECT_EQ(model.Parse(c.xml), c.hr) << c.xml;
    const std::wstring error = wqtest::TakeErrorDescription();
    EXPECT_NE(error.find(c.inError), std::wstring::npos) << c.xml << L"\n" << error;
    EXPECT_EQ(model.Roles().GetCount(), 0) << "the failing role was not complete";
  }

  // A document cut short keeps the users that ended before the cut.
  CAccessControl model;
  EXPECT_TRUE(FAILED(
      model.Parse(L"<AccessControl><Users><User Name='ann'/></Users><Roles><Role Name='R'>")));
  EXPECT_EQ(Dump(model), L"users: " + Host() + L"\\ann '' [] | roles:  | privileges: ");
}

TEST(AccessControl, LooksNamesUpWithoutRegardToCase) {
  CAccessControl model;
  ASSERT_EQ(model.Parse(kDocument), S_OK);
  AccessRole* readers = model.FindRole(L"READERS");
  ASSERT_EQ(readers, &model.Roles()[0]);
  EXPECT_EQ(model.FindUserIndex(L"corp\\BOB"), 1);

  plat::unique_bstr write = plat::unique_bstr::copy(L"WRITE");
  readers->SetPrivilegeRight(write.get(), PrivilegeRightRecord::kDenied);
  EXPECT_EQ(accesstest::Dump(*readers), L"Readers 'Look only' {Read=2,Write=1,Admin=0}");
  // Adding a role is not looking one up: a name added twice is listed twice.
  AccessUser& carl = model.Users()[2];
  carl.AddRole(write.get());
  carl.AddRole(write.get());
  EXPECT_EQ(accesstest::Dump(carl), L"CORP\\carl '' [readers,WRITE,WRITE]");
}

// A record's copy is a copy of each name: its whole length, embedded zeros included; a name
// made from text ends at its first zero; a missing name stays missing.
TEST(AccessControl, RecordCopiesKeepWholeNames) {
  const plat::unique_bstr zeroed = plat::unique_bstr::copy(L"a\0b", 3);
  AccessRole role;
  role.Name = zeroed.get();
  static_cast<plat::unique_bstr&>(role.Description) = plat::unique_bstr::copy(zeroed.get(), 3);
  const AccessRole copy = role;
  EXPECT_EQ(copy.Name.length(), 1u);
  EXPECT_NE(copy.Description.get(), role.Description.get());
  EXPECT_EQ(std::wstring(copy.Description.get(), copy.Description.length()),
            std::wstring(L"a\0b", 3));
  EXPECT_FALSE(PrivilegeRecord(PrivilegeRecord()).Name);
}

}  // namespace
