#include "idparameters.h"

#include <handles.h>

#include <algorithm>
#include <cwchar>
#include <mutex>
#include <string>
#include <vector>

#include "WQCGenericSvcs.h"
#include "workspace/objectid.h"

namespace wqc {

namespace {

constexpr const wchar_t* kPutValue = nullptr;

const IdParameter kIdParameterList[] = {
    {&__uuidof(IWQCGenericSvcsMain), L"CloneObject", L"lOID"},
    {&__uuidof(IWQCGenericSvcsMain), L"CopyObject", L"lOID"},
    {&__uuidof(IWQCGenericSvcsMain), L"CopyObjectCase", L"lOID"},
    {&__uuidof(IWQCGenericSvcsMain), L"RemoveObjectCase", L"lOID"},
    {&__uuidof(IWQCGenericSvcsMain), L"AssignObjectCase", L"lOID"},
    {&__uuidof(IWQCGenericSvcsMain), L"SpawnExecution", L"lOID"},
    {&__uuidof(IWQCGenericSvcsMain), L"ObjectDisplayName", L"lOID"},
    {&__uuidof(IWQCGenericSvcsMain), L"RunKBMethod", L"lOID"},
    {&__uuidof(IWQCGenericSvcsMain), L"RunKBMethod", L"lCaseID"},
    {&__uuidof(IWQCGenericSvcsMain), L"RunKBMethod", L"lDocOID"},
    {&__uuidof(IWQCGenericSvcsMain), L"RunKBRule", L"lCaseID"},
    {&__uuidof(IWQCGenericSvcsMain), L"RunKBRule", L"lDocOID"},
    {&__uuidof(IWQCGenericSvcsMain), L"ObjectClass", L"lOID"},
    {&__uuidof(IWQCSelectCaseDlg), L"AppendContext", L"lOID"},
    {&__uuidof(IWQCOpenDatasheetDlg), L"AddNewDatasheet", L"nObjectId"},
    {&__uuidof(IWQCOpenDatasheetDlg), L"AddExistingDatasheet", L"nDocumentId"},
    {&__uuidof(IWQCOpenDatasheetDlg), L"AddExistingDiagram", L"nDocumentId"},
    {&__uuidof(IWQCClaimDlg), L"Initialize", L"iOID"},
    {&__uuidof(IWQCUnClaimDlg), L"Initialize", L"iOID"},
    {&__uuidof(IWQCSelectKBDlg), L"OID", kPutValue},
    {&__uuidof(IWQCSelectKBDlg), L"CaseID", kPutValue},
    {&__uuidof(IWQCSelectKBDlg), L"DocumentOID", kPutValue},
    {&__uuidof(IWQCSelectKBDlg), L"RunMethod", L"nOID"},
    {&__uuidof(IWQCKBDialogRequest), L"Initialise", L"lOID"},
};

}  // namespace

const std::span<const IdParameter> kIdParameters(kIdParameterList);

namespace {

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

HRESULT RefuseArgument(REFIID iid, ITypeInfo* info, DISPID member, HRESULT hr) {
  if (AnswersBareHResults(iid)) return hr;
  plat::unique_bstr interfaceName, memberName;
  info->GetDocumentation(MEMBERID_NIL, interfaceName.put(), nullptr, nullptr, nullptr);
  info->GetDocumentation(member, memberName.put(), nullptr, nullptr, nullptr);
  // The class's name: the interface's without its leading "I".
  std::wstring method = interfaceName.c_str();
  if (!method.empty() && method[0] == L'I') method.erase(0, 1);
  method += L"::";
  method += memberName.c_str();
  return RefuseObjectIds(method.c_str(), hr);
}

// Which parameters of one member, called one way, hold ids (bit i: parameter i), and how
// many parameters it has; found from the table and the type information once per member.
struct IdPositions {
  GUID iid;
  DISPID member;
  bool put;
  UINT count;
  ULONG ids;
};

constexpr UINT kMaxParameters = 31;

IdPositions FindIdPositions(REFIID iid, ITypeInfo* info, DISPID member, bool put) {
  IdPositions found{iid, member, put, 0, 0};
  // A property put is a function of its own beside the get.
  const int kinds =
      put ? INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF : INVOKE_FUNC | INVOKE_PROPERTYGET;
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
  found.count = std::min<UINT>(static_cast<UINT>(desc->cParams), kMaxParameters);

  plat::unique_bstr memberName;
  info->GetDocumentation(member, memberName.put(), nullptr, nullptr, nullptr);
  BSTR rawNames[kMaxParameters + 1] = {};
  UINT nameCount = 0;
  info->GetNames(member, rawNames, kMaxParameters + 1, &nameCount);
  plat::unique_bstr names[kMaxParameters + 1];
  for (UINT i = 0; i < nameCount; ++i) names[i].reset(rawNames[i]);

  for (const IdParameter& entry : kIdParameters) {
    if (*entry.iid != iid || !memberName || wcscmp(entry.member, memberName.get()) != 0) continue;
    if (entry.parameter == kPutValue) {
      if (put && found.count > 0) found.ids |= 1UL << (found.count - 1);
      continue;
    }
    // A put's value is its last parameter; the ones before it are the property's indices.
    const UINT named = put && found.count > 0 ? found.count - 1 : found.count;
    for (UINT i = 0; i < named && i + 1 < nameCount; ++i) {
      if (names[i + 1] && wcscmp(names[i + 1].get(), entry.parameter) == 0) found.ids |= 1UL << i;
    }
  }
  return found;
}

IdPositions CachedIdPositions(REFIID iid, ITypeInfo* info, DISPID member, bool put) {
  static plat::critical_section lock;
  static std::vector<IdPositions> cache;
  std::lock_guard<plat::critical_section> guard(lock);
  for (const IdPositions& entry : cache)
    if (entry.member == member && entry.put == put && entry.iid == iid) return entry;
  cache.push_back(FindIdPositions(iid, info, member, put));
  return cache.back();
}

}  // namespace

HRESULT CheckIdArguments(REFIID iid, ITypeInfo* info, DISPID member, WORD flags,
                         const DISPPARAMS* params) noexcept try {
  if (!info || !params || (params->cArgs && !params->rgvarg) ||
      params->cNamedArgs > params->cArgs || (params->cNamedArgs && !params->rgdispidNamedArgs))
    return S_OK;  // the type library refuses what it cannot read
  const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  const IdPositions shape = CachedIdPositions(iid, info, member, put);
  if (!shape.ids) return S_OK;

  // Named arguments come first, positional ones after them, last first. A parameter takes
  // the argument named by its position (the last one also DISPID_PROPERTYPUT, a put's value)
  // or else a positional one. Where a call names a parameter that a positional argument also
  // reaches, implementations hand the positional ones on differently: in turn to the
  // parameters not named, or by position alone. Every argument that either way lands on an
  // id parameter is checked.
  const UINT namedCount = params->cNamedArgs;
  const UINT positionalCount = params->cArgs - namedCount;
  auto positional = [&](UINT i) -> const VARIANT& { return params->rgvarg[params->cArgs - 1 - i]; };
  // A whole number beyond a long is refused here too, so that it carries the range's text
  // rather than the type library's bare DISP_E_OVERFLOW.
  HRESULT refusal = S_OK;
  auto wrong = [&refusal](const VARIANT& argument) {
    const HRESULT hr = CheckObjectIds(argument);
    if (FAILED(hr)) refusal = hr;
    return FAILED(hr);
  };
  UINT handedOut = 0;
  for (UINT i = 0; i < shape.count; ++i) {
    const bool isId = shape.ids & (1UL << i);
    bool named = false;
    for (UINT n = 0; n < namedCount; ++n) {
      const DISPID name = params->rgdispidNamedArgs[n];
      if (name != static_cast<DISPID>(i) && !(name == DISPID_PROPERTYPUT && i + 1 == shape.count))
        continue;
      named = true;
      if (isId && wrong(params->rgvarg[n])) return RefuseArgument(iid, info, member, refusal);
    }
    if (!named && handedOut < positionalCount) {
      if (isId && wrong(positional(handedOut))) return RefuseArgument(iid, info, member, refusal);
      ++handedOut;
    }
    if (isId && i < positionalCount && wrong(positional(i)))
      return RefuseArgument(iid, info, member, refusal);
  }
  return S_OK;
}
PLAT_CATCH_RETURN()

}  // namespace wqc
