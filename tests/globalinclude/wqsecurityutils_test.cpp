#include <gtest/gtest.h>

#include <string>

#include "comtest.h"
#include "wqcomexception.h"
#include "wqsecurityutils.h"

namespace {

std::wstring ComputerName() {
  wchar_t storage[64];
  WQStringBuffer name(storage);
  EXPECT_EQ(WQSecurityPrincipal::GetComputerName(ComputerNameDnsHostname, name), S_OK);
  return name.GetString();
}

std::wstring UserName() {
  wchar_t name[256];
  DWORD length = 256;
  EXPECT_TRUE(GetUserNameW(name, &length));
  return name;
}

// The SID the process runs as, to compare a looked-up SID with.
std::string TokenUserSid() {
  plat::unique_handle token;
  EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()));
  BYTE buffer[256];
  DWORD length = 0;
  EXPECT_TRUE(GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &length));
  const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
  return std::string(static_cast<const char*>(sid), GetLengthSid(sid));
}

std::string Bytes(PSID sid) {
  return sid ? std::string(static_cast<const char*>(sid), GetLengthSid(sid)) : std::string();
}

std::string WellKnown(WELL_KNOWN_SID_TYPE type) {
  BYTE buffer[SECURITY_MAX_SID_SIZE];
  DWORD length = sizeof buffer;
  EXPECT_TRUE(CreateWellKnownSid(type, nullptr, buffer, &length));
  return std::string(reinterpret_cast<const char*>(buffer), length);
}

// The message of the newest element of the installed error.
std::wstring NewestMessage() {
  plat::unique_bstr message;
  ExtractErrorDescription(wqtest::TakeErrorDescription().c_str(), message.put());
  return message.c_str();
}

TEST(SecurityPrincipal, CurrentUserInEveryLocalSpelling) {
  const std::wstring user = UserName();
  const std::wstring canonical = ComputerName() + L"\\" + user;
  for (const std::wstring& name :
       {user, L".\\" + user, L"localhost\\" + user, L"LOCALHOST/" + user, canonical}) {
    WQSecurityPrincipal principal;
    ASSERT_EQ(principal.Resolve(name.c_str()), S_OK) << name;
    EXPECT_EQ(principal.GetName(), canonical) << name;
    EXPECT_EQ(Bytes(principal.GetSid()), TokenUserSid()) << name;
  }
}

TEST(SecurityPrincipal, DomainMustBeTheOneWindowsReports) {
  const std::string administrators = WellKnown(WinBuiltinAdministratorsSid);
  const std::wstring local = ComputerName() + L"\\Administrators";
  WQSecurityPrincipal principal;
  ASSERT_EQ(principal.Resolve(local.c_str()), S_OK);
  EXPECT_EQ(Bytes(principal.GetSid()), administrators);
  ASSERT_EQ(principal.Resolve(L"BUILTIN\\Administrators"), S_OK);
  EXPECT_EQ(Bytes(principal.GetSid()), administrators);

  EXPECT_EQ(principal.Resolve(L"ELSEWHERE\\Administrators"), E_FAIL);
  EXPECT_EQ(NewestMessage(), L"Could not access SID for account ELSEWHERE\\Administrators");
  EXPECT_EQ(principal.GetSid(), nullptr);
  // Windows finds the user alone, in another domain than the one given.
  const std::wstring user = L"ELSEWHERE\\" + UserName();
  EXPECT_EQ(principal.Resolve(user.c_str()), E_FAIL);
  EXPECT_EQ(NewestMessage(), L"Could not access SID for account " + user);
}

TEST(SecurityPrincipal, UnknownAccountChainsTheSystemText) {
  const std::wstring name = ComputerName() + L"\\no-such-account-4711";
  const HRESULT noneMapped = HRESULT_FROM_WIN32(ERROR_NONE_MAPPED);
  WQSecurityPrincipal principal;
  EXPECT_EQ(principal.Resolve(name.c_str()), noneMapped);
  EXPECT_EQ(principal.GetName(), name) << "the name is kept for display";
  EXPECT_EQ(principal.GetSid(), nullptr);

  plat::com_ptr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
  plat::unique_bstr description, source, systemText;
  info->GetDescription(description.put());
  info->GetSource(source.put());
  FormatSystemMessage(noneMapped, systemText.put());
  const std::wstring chain = description.c_str();
  const size_t newline = chain.find(L"\r\n");
  ASSERT_NE(newline, std::wstring::npos) << chain;
  EXPECT_LT(chain.find(L"System error while trying to access SID for account " + name), newline);
  EXPECT_NE(chain.find(std::wstring(L"Desc=\"") + systemText.c_str(), newline), std::wstring::npos);
  EXPECT_STREQ(source.get(), L"WQSecurityPrincipal::Resolve");

  EXPECT_THROW(WQSecurityPrincipal raised(name.c_str()), WQComException);
  SetErrorInfo(0, nullptr);
}

TEST(SecurityPrincipal, DirectoryPathsReadAsTextWhenUnbound) {
  const std::wstring computer = ComputerName();
  const std::wstring user = UserName();
  for (const std::wstring& path :
       {L"WinNT://" + computer + L"/" + user, L"winnt://WORKGROUP/" + computer + L"/" + user}) {
    WQSecurityPrincipal principal;
    ASSERT_EQ(principal.Resolve(path.c_str()), S_OK) << path;
    EXPECT_EQ(principal.GetName(), computer + L"\\" + user);
    EXPECT_EQ(Bytes(principal.GetSid()), TokenUserSid());
  }
  WQSecurityPrincipal principal;
  EXPECT_EQ(principal.Resolve(L"WINNT:/x/y"), E_INVALIDARG);
  EXPECT_EQ(NewestMessage(), L"Invalid ADS path 'WINNT:/x/y'");
  EXPECT_EQ(principal.Resolve(L"WinNT://ELSEWHERE/Administrators"), E_FAIL);
}

TEST(SecurityPrincipal, CopiesOwnTheirSid) {
  WQSecurityPrincipal original(L"BUILTIN\\Users");
  original.SetGroup(L"A", 1);
  WQSecurityPrincipal copy(original);
  WQSecurityPrincipal assigned;
  assigned = copy;
  EXPECT_NE(copy.GetSid(), original.GetSid());
  original.Clear();
  copy.Clear();
  EXPECT_STREQ(assigned.GetName(), L"BUILTIN\\Users");
  EXPECT_EQ(Bytes(assigned.GetSid()), WellKnown(WinBuiltinUsersSid));
  EXPECT_EQ(assigned.GetGroups().GetCount(), 1);
}

// A deferred lookup gives what Resolve gives, when first asked, once for a principal and
// all its copies; a failure reads the same each time it is asked.
TEST(SecurityPrincipal, DeferredLookupWaitsAndAnswersAsResolve) {
  const std::wstring canonical = ComputerName() + L"\\" + UserName();
  WQSecurityPrincipal principal;
  ASSERT_EQ(principal.ResolveName((L"localhost/" + UserName()).c_str()), S_OK);
  EXPECT_EQ(principal.GetName(), canonical);
  const WQSecurityPrincipal copiedBefore(principal);
  WQSecurityPrincipal assignedBefore;
  assignedBefore = principal;
  EXPECT_EQ(Bytes(principal.GetSid()), TokenUserSid());
  EXPECT_EQ(copiedBefore.GetSid(), principal.GetSid()) << "one lookup for all copies";
  EXPECT_EQ(assignedBefore.GetSid(), principal.GetSid());
  EXPECT_EQ(principal.LookupDeferredSid(), S_OK);

  const std::wstring unknown = ComputerName() + L"\\no-such-account-4711";
  WQSecurityPrincipal expected;
  const HRESULT hr = expected.Resolve(unknown.c_str());
  const std::wstring expectedError = wqtest::TakeErrorDescription();
  ASSERT_TRUE(FAILED(hr));
  WQSecurityPrincipal deferred;
  ASSERT_EQ(deferred.ResolveName(unknown.c_str()), S_OK) << "nothing looked up yet";
  EXPECT_EQ(deferred.GetName(), unknown);
  const WQSecurityPrincipal copy(deferred);
  EXPECT_EQ(deferred.GetSid(), nullptr);
  EXPECT_EQ(wqtest::TakeErrorDescription(), L"") << "GetSid leaves no error behind";
  const WQSecurityPrincipal* asked[] = {&deferred, &copy, &deferred};
  for (const WQSecurityPrincipal* principal : asked) {
    EXPECT_EQ(principal->LookupDeferredSid(), hr);
    EXPECT_EQ(wqtest::TakeErrorDescription(), expectedError);
  }

  // What fails before any lookup fails at once, as with Resolve.
  EXPECT_EQ(deferred.ResolveName(L"WINNT:/x/y"), E_INVALIDARG);
  EXPECT_EQ(NewestMessage(), L"Invalid ADS path 'WINNT:/x/y'");
  deferred.Clear();
  EXPECT_EQ(deferred.LookupDeferredSid(), S_OK);
  EXPECT_EQ(deferred.GetSid(), nullptr);
}

}  // namespace
