#include "objectid.h"

#include <handles.h>
#include <variantutil.h>
#include <wqcomexception.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "WQCGenericSvcs.h"

const wchar_t kObjectIdMessage[] =
    L"An id must be a whole number and a list must be an array of ids";

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Blanks around an optional sign and digits, nothing else: "12" but not "1,2" or "12abc".
bool IsWholeNumberText(const wchar_t* text) {
  if (!text) return false;
  while (IsBlank(*text)) ++text;
  if (*text == L'+' || *text == L'-') ++text;
  const wchar_t* digits = text;
  while (*text >= L'0' && *text <= L'9') ++text;
  if (text == digits) return false;
  while (IsBlank(*text)) ++text;
  return *text == 0;
}

bool IsWhole(double number) { return std::isfinite(number) && std::trunc(number) == number; }

// The types whose values can be read as a wrong id; the others need no look.
bool MayBeWrongId(VARTYPE vt) {
  switch (vt & ~VT_BYREF) {
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_BSTR:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
    case VT_VARIANT: return true;
    default: return false;
  }
}

// Each element of a one-dimensional array of a type that can hold a wrong id.
bool AreReadableElements(SAFEARRAY* array) {
  VARTYPE vt = VT_EMPTY;
  if (!array || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetVartype(array, &vt)) ||
      !MayBeWrongId(vt) || vt == VT_DECIMAL)
    return true;  // the caller refuses what it cannot read, and nothing else can go wrong
  LONG lower = 0, upper = -1;
  SafeArrayGetLBound(array, 1, &lower);
  SafeArrayGetUBound(array, 1, &upper);
  for (LONG i = lower; i <= upper; ++i) {
    plat::unique_variant element;
    HRESULT hr;
    if (vt == VT_VARIANT) {
      hr = SafeArrayGetElement(array, &i, element.put());
    } else {
      hr = SafeArrayGetElement(array, &i, &V_UI1(&element));
      if (SUCCEEDED(hr)) V_VT(&element) = vt;
    }
    if (SUCCEEDED(hr) && !IsReadableObjectId(element)) return false;
  }
  return true;
}

}  // namespace

bool IsReadableObjectId(const VARIANT& value) {
  // What cannot be followed is refused by the conversion that reads it.
  const VARIANT* v = VariantReferent(value);
  if (!v || (V_VT(v) & VT_ARRAY)) return true;
  plat::unique_variant referent;
  if (V_VT(v) & VT_BYREF) {
    if (FAILED(VariantCopyInd(referent.put(), const_cast<VARIANT*>(v)))) return true;
    v = &referent;
  }
  switch (V_VT(v)) {
    case VT_DISPATCH: return !V_DISPATCH(v);
    case VT_UNKNOWN: return !V_UNKNOWN(v);
    case VT_BSTR: return IsWholeNumberText(V_BSTR(v));
    case VT_R4: return IsWhole(V_R4(v));
    case VT_R8: return IsWhole(V_R8(v));
    case VT_CY: return V_CY(v).int64 % 10000 == 0;
    case VT_DECIMAL: {
      DECIMAL decimal = V_DECIMAL(v);
      double number = 0;
      return SUCCEEDED(VarR8FromDec(&decimal, &number)) && IsWhole(number);
    }
    default: return true;
  }
}

HRESULT CheckObjectIds(const VARIANT& ids) {
  const VARIANT* value = VariantReferent(ids);
  if (!value) return S_OK;  // refused by the conversion that reads it
  if (!(V_VT(value) & VT_ARRAY)) return IsReadableObjectId(*value) ? S_OK : E_INVALIDARG;
  SAFEARRAY* array = (V_VT(value) & VT_BYREF) ? (V_ARRAYREF(value) ? *V_ARRAYREF(value) : nullptr)
                                              : V_ARRAY(value);
  return AreReadableElements(array) ? S_OK : E_INVALIDARG;
}

void RequireObjectIds(WQComException& error, const VARIANT& ids) {
  if (FAILED(CheckObjectIds(ids))) error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"%ls", kObjectIdMessage);
}

HRESULT RefuseObjectIds(const wchar_t* method) {
  WQComException error;
  error.EnterMethod(method, 0);
  error.SetErrorHr(E_INVALIDARG, L"%ls", kObjectIdMessage);
  return error.ReturnHResult();
}

namespace {

// A long parameter holds an id when its name (a property put's value: the property's)
// says so: "lOID", "lDocOID", "nObjectId", "lCaseID", the property "DocumentOID"...
bool IsIdName(const wchar_t* name) {
  const size_t length = name ? wcslen(name) : 0;
  auto endsWith = [&](const wchar_t* suffix) {
    const size_t n = wcslen(suffix);
    return length >= n && wcscmp(name + length - n, suffix) == 0;
  };
  return endsWith(L"OID") || endsWith(L"ID") || endsWith(L"Id");
}

// Of the interfaces with id parameters, these answer bare HRESULTs, without error info.
bool AnswersBareHResults(REFIID iid) {
  return iid == __uuidof(IWQCSelectCaseDlg) || iid == __uuidof(IWQCSelectKBDlg) ||
         iid == __uuidof(IWQCKBDialogRequest);
}

class FuncDescScope {
 public:
  FuncDescScope(ITypeInfo* info, FUNCDESC* desc) : info_(info), desc_(desc) {}
  FuncDescScope(const FuncDescScope&) = delete;
  FuncDescScope& operator=(const FuncDescScope&) = delete;
  ~FuncDescScope() { info_->ReleaseFuncDesc(desc_); }
  const FUNCDESC* operator->() const { return desc_; }

 private:
  ITypeInfo* info_;
  FUNCDESC* desc_;
};

HRESULT RefuseArgument(REFIID iid, ITypeInfo* info, DISPID member) {
  if (AnswersBareHResults(iid)) return E_INVALIDARG;
  plat::unique_bstr interfaceName, memberName;
  info->GetDocumentation(MEMBERID_NIL, interfaceName.put(), nullptr, nullptr, nullptr);
  info->GetDocumentation(member, memberName.put(), nullptr, nullptr, nullptr);
  // The class's name: the interface's without its leading "I".
  std::wstring method = interfaceName.c_str();
  if (!method.empty() && method[0] == L'I') method.erase(0, 1);
  method += L"::";
  method += memberName.c_str();
  return RefuseObjectIds(method.c_str());
}

// Which parameters of one member, called one way, are long ids (bit i: parameter i), and how
// many parameters it has; worked out from the type information once per member.
struct IdParameters {
  GUID iid;
  DISPID member;
  bool put;
  UINT count;
  ULONG ids;
};

IdParameters FindIdParameters(REFIID iid, ITypeInfo* info, DISPID member, bool put) {
  IdParameters found{iid, member, put, 0, 0};
  // A property put is a function of its own beside the get.
  const int kinds = put ? INVOKE_PROPERTYPUT : (INVOKE_FUNC | INVOKE_PROPERTYGET);
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes))) return found;
  const WORD funcCount = attributes->cFuncs;
  info->ReleaseTypeAttr(attributes);
  FUNCDESC* rawDesc = nullptr;
  for (UINT i = 0; i < funcCount && !rawDesc; ++i) {
    FUNCDESC* candidate = nullptr;
    if (FAILED(info->GetFuncDesc(i, &candidate))) continue;
    if (candidate->memid == member && (candidate->invkind & kinds))
      rawDesc = candidate;
    else
      info->ReleaseFuncDesc(candidate);
  }
  if (!rawDesc) return found;
  const FuncDescScope desc(info, rawDesc);

  constexpr UINT kMaxNames = 32;
  BSTR rawNames[kMaxNames] = {};
  UINT nameCount = 0;
  info->GetNames(member, rawNames, kMaxNames, &nameCount);
  plat::unique_bstr names[kMaxNames];
  for (UINT i = 0; i < nameCount; ++i) names[i].reset(rawNames[i]);

  found.count = std::min<UINT>(static_cast<UINT>(desc->cParams), kMaxNames - 1);
  for (UINT i = 0; i < found.count; ++i) {
    // A put's value is named after the property.
    const wchar_t* name = put && i + 1 == found.count ? names[0].get()
                          : i + 1 < nameCount         ? names[i + 1].get()
                                                      : nullptr;
    if (desc->lprgelemdescParam[i].tdesc.vt == VT_I4 && IsIdName(name)) found.ids |= 1UL << i;
  }
  return found;
}

IdParameters CachedIdParameters(REFIID iid, ITypeInfo* info, DISPID member, bool put) {
  static plat::critical_section lock;
  static std::vector<IdParameters> cache;
  std::lock_guard<plat::critical_section> guard(lock);
  for (const IdParameters& entry : cache)
    if (entry.member == member && entry.put == put && entry.iid == iid) return entry;
  cache.push_back(FindIdParameters(iid, info, member, put));
  return cache.back();
}

}  // namespace

HRESULT CheckIdArguments(REFIID iid, ITypeInfo* info, DISPID member, WORD flags,
                         const DISPPARAMS* params) noexcept try {
  if (!info || !params || !params->rgvarg || params->cNamedArgs > params->cArgs ||
      (params->cNamedArgs && !params->rgdispidNamedArgs))
    return S_OK;  // the type library refuses what it cannot read
  bool suspect = false;
  for (UINT i = 0; i < params->cArgs && !suspect; ++i)
    suspect = MayBeWrongId(V_VT(&params->rgvarg[i]));
  if (!suspect) return S_OK;

  const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  const IdParameters shape = CachedIdParameters(iid, info, member, put);
  const UINT positional = params->cArgs - params->cNamedArgs;
  for (UINT i = 0; i < shape.count; ++i) {
    if (!(shape.ids & (1UL << i))) continue;
    const VARIANT* argument = nullptr;
    if (put && i + 1 == shape.count) {
      for (UINT n = 0; n < params->cNamedArgs; ++n)
        if (params->rgdispidNamedArgs[n] == DISPID_PROPERTYPUT) argument = &params->rgvarg[n];
    } else if (i < positional) {
      argument = &params->rgvarg[params->cArgs - 1 - i];
    }
    if (argument && !IsReadableObjectId(*argument)) return RefuseArgument(iid, info, member);
  }
  return S_OK;
}
PLAT_CATCH_RETURN()
