// Accounts and directory paths: WQSecurityPrincipal turns an account name (domain\account or
// domain/account) or a "WinNT://" directory path into one canonical domain\account name and
// the account's SID, so that accounts can be compared and stored in one form.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <handles.h>

#include "wqarray.h"
#include "wqstring.h"

class WQComException;

// A SID in heap memory of its own.
inline void FreeSidCopy(PSID sid) noexcept { ::LocalFree(sid); }
using WQSidPtr = plat::unique_any<plat::handle_traits<PSID, FreeSidCopy>>;

class WQSecurityPrincipal {
 public:
  WQSecurityPrincipal() = default;
  // Resolves as Resolve does; a failure is raised as WQComException.
  explicit WQSecurityPrincipal(const wchar_t* name, const wchar_t* domain = nullptr);
  // Copies raise WQComException when the SID cannot be copied.
  WQSecurityPrincipal(const WQSecurityPrincipal& other);
  WQSecurityPrincipal& operator=(const WQSecurityPrincipal& other);
  ~WQSecurityPrincipal() = default;

  // A name beginning with "WinNt:" is a directory path, any other an account name, split at
  // its first '\' or '/' unless `domain` is given. On failure the error info is installed
  // and the principal holds no SID.
  HRESULT Resolve(const wchar_t* name, const wchar_t* domain = nullptr);
  void Clear();

  // The canonical domain\account name; empty when unresolved.
  const wchar_t* GetName() const { return name_.c_str(); }
  PSID GetSid() const { return sid_.get(); }
  const WQGroupList& GetGroups() const { return groups_; }
  void SetGroup(const wchar_t* name, LONG value) { groups_.Set(name, value); }

  // The SID of an account; on failure `sid` is empty and the error info installed.
  static HRESULT LookupSid(const wchar_t* account, WQSidPtr& sid,
                           const wchar_t* systemName = nullptr);
  // The computer's name in the given format (the module uses the DNS host name).
  static HRESULT GetComputerName(COMPUTER_NAME_FORMAT format, WQStringBuffer& out);

 private:
  void ResolveAccount(WQComException& error, const wchar_t* name, const wchar_t* domain);
  void ResolveAdsPath(WQComException& error, const wchar_t* path);
  static WQSidPtr LookupSidOrRaise(WQComException& error, const wchar_t* account,
                                   const wchar_t* systemName);

  plat::unique_bstr name_;
  WQSidPtr sid_;
  WQGroupList groups_;
};
