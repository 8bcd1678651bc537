// Accounts and directory paths: WQSecurityPrincipal turns an account name (domain\account or
// domain/account) or a "WinNT://" directory path into one canonical domain\account name and
// the account's SID, so that accounts can be compared and stored in one form.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <handles.h>

#include <memory>

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
  // As Resolve, but the SID is looked up only when first asked for, once for this principal
  // and every copy of it: a lookup costs far more than making the name, and most principals
  // are only ever named.
  HRESULT ResolveName(const wchar_t* name, const wchar_t* domain = nullptr);
  // Completes a lookup that ResolveName left: the HRESULT Resolve would have given, with the
  // same error info installed, each time it is asked. S_OK when nothing is left.
  HRESULT LookupDeferredSid() const;
  void Clear();

  // The canonical domain\account name; empty when unresolved.
  const wchar_t* GetName() const { return name_.c_str(); }
  // Null when the account could not be looked up (a deferred failure leaves no error info).
  PSID GetSid() const;
  const WQGroupList& GetGroups() const { return groups_; }
  void SetGroup(const wchar_t* name, LONG value) { groups_.Set(name, value); }

  // The SID of an account; on failure `sid` is empty and the error info installed.
  static HRESULT LookupSid(const wchar_t* account, WQSidPtr& sid,
                           const wchar_t* systemName = nullptr);
  // The computer's name in the given format (the module uses the DNS host name).
  static HRESULT GetComputerName(COMPUTER_NAME_FORMAT format, WQStringBuffer& out);

 private:
  struct DeferredSid;

  HRESULT Resolve(const wchar_t* name, const wchar_t* domain, bool deferSid);
  void ResolveAccount(WQComException& error, const wchar_t* name, const wchar_t* domain,
                      bool deferSid);
  void ResolveAdsPath(WQComException& error, const wchar_t* path, bool deferSid);
  // The SID of the name just made, now or when first asked for.
  void LookupSidOfName(WQComException& error, bool deferSid);
  static WQSidPtr LookupSidOrRaise(WQComException& error, const wchar_t* account,
                                   const wchar_t* systemName);

  plat::unique_bstr name_;
  WQSidPtr sid_;
  // Shared by the copies of a principal whose lookup was deferred.
  std::shared_ptr<DeferredSid> deferred_;
  WQGroupList groups_;
};
