#include "wqsecurityutils.h"

#include <iads.h>
#include <adshlp.h>

#include <cwchar>
#include <memory>
#include <new>
#include <vector>

#include "wqcomexception.h"

namespace {

constexpr wchar_t kAdsPrefix[] = L"WinNt://";
constexpr size_t kAdsPrefixLength = 8;
constexpr wchar_t kBuiltinDomain[] = L"BUILTIN";
// LookupAccountNameW reports the sizes it needs; a few rounds are enough for any account.
constexpr int kMaxLookupRounds = 8;

bool EqualNoCase(const wchar_t* a, const wchar_t* b) { return WQStrCompareNoCase(a, b) == 0; }

bool IsLocalDomain(const wchar_t* domain) {
  return !*domain || EqualNoCase(domain, L".") || EqualNoCase(domain, L"localhost");
}

void CopyGroups(const WQGroupList& from, WQGroupList& to) {
  to.RemoveAll();
  for (int i = 0; i < from.GetCount(); ++i) to.Set(from[i].name.GetString(), from[i].value);
}

// A heap copy of a SID. The copy constructor chains the system text of a failed copy below
// its message; assignment raises the message alone.
WQSidPtr CopySidOrRaise(PSID sid, bool chainSystemText) {
  if (!sid) return {};
  WQComException error;
  const DWORD length = GetLengthSid(sid);
  WQSidPtr copy(LocalAlloc(LMEM_FIXED, length));
  if (!copy) error.ThrowHr(E_OUTOFMEMORY, L"Out of memory trying to copy SID");
  if (!CopySid(length, copy.get(), sid)) {
    const HRESULT hr = plat::hresult_from_last_error();
    copy.reset();
    if (chainSystemText) {
      plat::unique_bstr text;
      FormatSystemMessage(hr, text.put());
      error.SetErrorHr(hr, L"%ls", text.c_str());
    }
    error.ThrowHr(hr, L"System error copying SID");
  }
  return copy;
}

// One LookupAccountNameW, repeated with the buffer sizes it asks for. Returns the Windows
// error code; on success `sid` and `domain` hold the results.
DWORD LookupAccount(WQComException& error, const wchar_t* systemName, const wchar_t* account,
                    WQSidPtr& sid, std::unique_ptr<wchar_t[]>& domain) {
  DWORD sidSize = 128;
  DWORD domainSize = 16;
  DWORD result = ERROR_INSUFFICIENT_BUFFER;
  for (int round = 0; round < kMaxLookupRounds && result == ERROR_INSUFFICIENT_BUFFER; ++round) {
    sid.reset(LocalAlloc(LMEM_FIXED, sidSize));
    domain.reset(new (std::nothrow) wchar_t[domainSize]);
    if (!sid || !domain) error.ThrowHr(E_OUTOFMEMORY, L"Insufficient memory to allocate SID");
    SID_NAME_USE use;
    result = LookupAccountNameW(systemName, account, sid.get(), &sidSize, domain.get(), &domainSize,
                                &use)
                 ? ERROR_SUCCESS
                 : GetLastError();
  }
  if (result != ERROR_SUCCESS) sid.reset();
  return result;
}

}  // namespace

// The lookup of a principal's name, made once for it and its copies.
struct WQSecurityPrincipal::DeferredSid {
  bool done = false;
  HRESULT hr = S_OK;
  WQSidPtr sid;
  plat::com_ptr<IErrorInfo> errorInfo;
};

WQSecurityPrincipal::WQSecurityPrincipal(const wchar_t* name, const wchar_t* domain) {
  const HRESULT hr = Resolve(name, domain);
  if (FAILED(hr)) {
    WQComException error;
    error = hr;
    error.Throw();
  }
}

WQSecurityPrincipal::WQSecurityPrincipal(const WQSecurityPrincipal& other)
    : name_(plat::unique_bstr::copy(other.name_.get())),
      sid_(CopySidOrRaise(other.sid_.get(), true)),
      deferred_(other.deferred_) {
  CopyGroups(other.groups_, groups_);
}

WQSecurityPrincipal& WQSecurityPrincipal::operator=(const WQSecurityPrincipal& other) {
  if (this == &other) return *this;
  plat::unique_bstr name = plat::unique_bstr::copy(other.name_.get());
  WQSidPtr sid = CopySidOrRaise(other.sid_.get(), false);
  CopyGroups(other.groups_, groups_);
  name_ = std::move(name);
  sid_ = std::move(sid);
  deferred_ = other.deferred_;
  return *this;
}

void WQSecurityPrincipal::Clear() {
  name_.reset();
  sid_.reset();
  deferred_.reset();
}

HRESULT WQSecurityPrincipal::Resolve(const wchar_t* name, const wchar_t* domain) {
  return Resolve(name, domain, false);
}

HRESULT WQSecurityPrincipal::ResolveName(const wchar_t* name, const wchar_t* domain) {
  return Resolve(name, domain, true);
}

HRESULT WQSecurityPrincipal::Resolve(const wchar_t* name, const wchar_t* domain, bool deferSid) {
  WQ_METHOD_BEGIN(error, L"WQSecurityPrincipal::Resolve", 0)
  Clear();
  if (name && _wcsnicmp(name, kAdsPrefix, 6) == 0)
    ResolveAdsPath(error, name, deferSid);
  else
    ResolveAccount(error, name, domain, deferSid);
  WQ_METHOD_END(error)
}

HRESULT WQSecurityPrincipal::LookupDeferredSid() const {
  if (!deferred_) return S_OK;
  DeferredSid& deferred = *deferred_;
  if (!deferred.done) {
    // Under Resolve's name, so that the failure reads as the one Resolve would have raised.
    deferred.hr = [&]() -> HRESULT {
      WQ_METHOD_BEGIN(error, L"WQSecurityPrincipal::Resolve", 0)
      deferred.sid = LookupSidOrRaise(error, GetName(), nullptr);
      WQ_METHOD_END(error)
    }();
    if (FAILED(deferred.hr)) GetErrorInfo(0, deferred.errorInfo.put());
    deferred.done = true;
  }
  SetErrorInfo(0, FAILED(deferred.hr) ? deferred.errorInfo.get() : nullptr);
  return deferred.hr;
}

PSID WQSecurityPrincipal::GetSid() const {
  if (!deferred_) return sid_.get();
  if (FAILED(LookupDeferredSid())) SetErrorInfo(0, nullptr);
  return deferred_->sid.get();
}

void WQSecurityPrincipal::LookupSidOfName(WQComException& error, bool deferSid) {
  if (deferSid)
    deferred_ = std::make_shared<DeferredSid>();
  else
    sid_ = LookupSidOrRaise(error, GetName(), nullptr);
}

void WQSecurityPrincipal::ResolveAccount(WQComException& error, const wchar_t* name,
                                         const wchar_t* domain, bool deferSid) {
  if (!name || !*name) return;
  wchar_t domainStorage[64];
  WQStringBuffer domainPart(domainStorage);
  const wchar_t* account = name;
  // An empty domain (a blank field of a dialog) is no domain: the name may carry one.
  if (domain && *domain) {
    domainPart.Assign(domain);
  } else if (const wchar_t* separator = wcspbrk(name, L"\\/")) {
    domainPart.Assign(name, static_cast<size_t>(separator - name));
    account = separator + 1;
  }
  if (!*account) return;

  if (IsLocalDomain(domainPart)) {
    GetComputerName(ComputerNameDnsHostname, domainPart);
    if (!domainPart.GetLength()) domainPart.Assign(L".");
  }
  wchar_t fullStorage[256];
  WQStringBuffer full(fullStorage);
  full.Append(domainPart);
  full.AppendChar(L'\\');
  full.Append(account);
  name_ = plat::unique_bstr::copy(full);
  LookupSidOfName(error, deferSid);
}

void WQSecurityPrincipal::ResolveAdsPath(WQComException& error, const wchar_t* path,
                                         bool deferSid) {
  if (_wcsnicmp(path, kAdsPrefix, kAdsPrefixLength) != 0)
    error.ThrowHr(E_INVALIDARG, L"Invalid ADS path '%ls'", path);

  wchar_t fullStorage[256];
  WQStringBuffer full(fullStorage);
  plat::com_ptr<IADs> object;
  if (SUCCEEDED(ADsGetObject(path, IID_IADs, object.put_void()))) {
    plat::unique_bstr objectName;
    plat::unique_bstr parent;
    error = object->get_Name(objectName.put());
    if (error.Failed()) error.ThrowAt(WQ_HERE);
    error = object->get_Parent(parent.put());
    if (error.Failed()) error.ThrowAt(WQ_HERE);
    const wchar_t* container = L"";
    if (parent.length() >= kAdsPrefixLength) {
      container = parent.get() + kAdsPrefixLength;
      if (const wchar_t* slash = wcsrchr(container, L'/')) container = slash + 1;
    }
    full.Append(container);
    full.AppendChar(L'\\');
    full.Append(objectName.c_str());
  } else {
    // Unbound (no provider, no network): the path is read as text. What binding left on
    // the thread must not end up in a later error's chain.
    SetErrorInfo(0, nullptr);
    const wchar_t* component = path + kAdsPrefixLength;
    const wchar_t* domainBegin = component;
    size_t domainLength = 0;
    for (const wchar_t* p = component; *p; ++p) {
      if (*p == L'/') {
        domainBegin = component;
        domainLength = static_cast<size_t>(p - component);
        component = p + 1;
      }
    }
    full.Append(domainBegin, domainLength);
    full.AppendChar(L'\\');
    full.Append(component);
  }
  name_ = plat::unique_bstr::copy(full);
  if (full.GetLength()) LookupSidOfName(error, deferSid);
}

HRESULT WQSecurityPrincipal::LookupSid(const wchar_t* account, WQSidPtr& sid,
                                       const wchar_t* systemName) {
  sid.reset();
  WQ_METHOD_BEGIN(error, L"WQSecurityPrincipal::LookupSid", 0)
  error.CheckPointer(account);
  sid = LookupSidOrRaise(error, account, systemName);
  WQ_METHOD_END(error)
}

WQSidPtr WQSecurityPrincipal::LookupSidOrRaise(WQComException& error, const wchar_t* account,
                                               const wchar_t* systemName) {
  const wchar_t* backslash = wcschr(account, L'\\');
  const size_t domainLength = backslash ? static_cast<size_t>(backslash - account) : 0;
  wchar_t givenStorage[64];
  WQStringBuffer givenDomain(givenStorage);
  givenDomain.Assign(account, domainLength);

  WQSidPtr sid;
  std::unique_ptr<wchar_t[]> reportedDomain;
  DWORD result = LookupAccount(error, systemName, account, sid, reportedDomain);
  if (result != ERROR_SUCCESS) {
    const HRESULT first = HRESULT_FROM_WIN32(result);
    plat::unique_bstr systemText;
    FormatSystemMessage(first, systemText.put());
    if (domainLength) result = LookupAccount(error, systemName, backslash + 1, sid, reportedDomain);
    if (result != ERROR_SUCCESS) {
      error.SetErrorHr(first, L"%ls", systemText.c_str());
      error.ThrowHr(first, L"System error while trying to access SID for account %ls", account);
    }
  }

  if (domainLength) {
    // Windows reports local groups in "BUILTIN"; they are named with the computer's name.
    bool matches;
    if (EqualNoCase(reportedDomain.get(), kBuiltinDomain)) {
      wchar_t computerStorage[64];
      WQStringBuffer computer(computerStorage);
      GetComputerName(ComputerNameDnsHostname, computer);
      matches = EqualNoCase(givenDomain, computer) || EqualNoCase(givenDomain, kBuiltinDomain);
    } else {
      matches = EqualNoCase(givenDomain, reportedDomain.get());
    }
    if (!matches) error.ThrowHr(E_FAIL, L"Could not access SID for account %ls", account);
  }
  return sid;
}

HRESULT WQSecurityPrincipal::GetComputerName(COMPUTER_NAME_FORMAT format, WQStringBuffer& out) {
  out.Clear();
  DWORD size = static_cast<DWORD>(out.GetCapacity() ? out.GetCapacity() : 16);
  std::vector<wchar_t> buffer(size);
  if (!GetComputerNameExW(format, buffer.data(), &size)) {
    if (GetLastError() != ERROR_MORE_DATA) return plat::hresult_from_last_error();
    buffer.resize(size + 1);
    size = static_cast<DWORD>(buffer.size());
    if (!GetComputerNameExW(format, buffer.data(), &size)) return plat::hresult_from_last_error();
  }
  out.Assign(buffer.data(), size);
  return S_OK;
}
