#include "idparameters.h"

#include <dispatch.h>
#include <handles.h>

#include <algorithm>
#include <cwchar>
#include <memory>
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

// Which parameters of one member, called one way, hold ids (bit i: parameter i, of the first
// kMaxParameters), and how many parameters it has.
struct IdMember {
  DISPID member;
  bool put;
  UINT count;
  ULONG ids;
};

bool Before(const IdMember& a, const IdMember& b) {
  return a.member != b.member ? a.member < b.member : a.put < b.put;
}

constexpr UINT kMaxParameters = 31;

// The id parameters of one function of the interface, from the table and its names.
IdMember FindIds(REFIID iid, ITypeInfo* info, const FUNCDESC& desc) {
  const bool put = desc.invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF);
  IdMember found{desc.memid, put, static_cast<UINT>(desc.cParams), 0};
  const UINT listed = std::min(found.count, kMaxParameters);
  BSTR rawNames[kMaxParameters + 1] = {};
  UINT nameCount = 0;
  info->GetNames(desc.memid, rawNames, kMaxParameters + 1, &nameCount);
  plat::unique_bstr names[kMaxParameters + 1];
  for (UINT i = 0; i < nameCount; ++i) names[i].reset(rawNames[i]);
  if (!names[0]) return found;

  for (const IdParameter& entry : kIdParameters) {
    if (*entry.iid != iid || wcscmp(entry.member, names[0].get()) != 0) continue;
    if (entry.parameter == kPutValue) {
      if (put && found.count > 0 && found.count <= kMaxParameters)
        found.ids |= 1UL << (found.count - 1);
      continue;
    }
    // A put's value is its last parameter; the ones before it are the property's indices.
    const UINT named = put && listed == found.count && listed > 0 ? listed - 1 : listed;
    for (UINT i = 0; i < named && i + 1 < nameCount; ++i) {
      if (names[i + 1] && wcscmp(names[i + 1].get(), entry.parameter) == 0) found.ids |= 1UL << i;
    }
  }
  return found;
}

// The check of one interface: its members with id parameters, found once from its type
// information, then only read.
class IdArgumentCheck : public plat::Module::ArgumentCheck {
 public:
  IdArgumentCheck(REFIID iid, ITypeInfo* info, std::vector<IdMember> members)
      : iid_(iid), info_(info), members_(std::move(members)) {}

  HRESULT Check(DISPID member, WORD flags, const DISPPARAMS* params) const noexcept override;

 private:
  HRESULT Refuse(DISPID member, HRESULT hr) const;

  GUID iid_;
  plat::com_ptr<ITypeInfo> info_;
  std::vector<IdMember> members_;  // in Before's order
};

HRESULT IdArgumentCheck::Refuse(DISPID member, HRESULT hr) const {
  if (AnswersBareHResults(iid_)) return hr;
  plat::unique_bstr interfaceName, memberName;
  info_->GetDocumentation(MEMBERID_NIL, interfaceName.put(), nullptr, nullptr, nullptr);
  info_->GetDocumentation(member, memberName.put(), nullptr, nullptr, nullptr);
  // The class's name: the interface's without its leading "I".
  std::wstring method = interfaceName.c_str();
  if (!method.empty() && method[0] == L'I') method.erase(0, 1);
  method += L"::";
  method += memberName.c_str();
  return RefuseObjectIds(method.c_str(), hr);
}

HRESULT IdArgumentCheck::Check(DISPID member, WORD flags, const DISPPARAMS* params) const noexcept
    try {
  if (!plat::ReadableArguments(params)) return S_OK;
  const IdMember key{member, (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0, 0, 0};
  const auto found = std::lower_bound(members_.begin(), members_.end(), key, Before);
  if (found == members_.end() || found->member != member || found->put != key.put) return S_OK;
  const IdMember& shape = *found;
  // Only what lands on an id parameter is read.
  return plat::ForEachParameterArgument(
      *params, shape.count, [&](UINT parameter, const VARIANT& argument) {
        // A long is what the parameter takes: the type library hands it on unchanged.
        if (parameter >= kMaxParameters || !(shape.ids & (1UL << parameter)) ||
            V_VT(&argument) == VT_I4)
          return S_OK;
        // One id goes here, so a list is refused as no id rather than left to the type
        // library's bare mismatch; a whole number beyond a long carries the range's text
        // rather than the type library's bare DISP_E_OVERFLOW.
        long id = 0;
        const HRESULT hr = ReadObjectId(argument, &id);
        return FAILED(hr) ? Refuse(member, hr) : S_OK;
      });
}
PLAT_CATCH_RETURN()

}  // namespace

std::unique_ptr<plat::Module::ArgumentCheck> MakeIdArgumentCheck(REFIID iid, ITypeInfo* info) {
  if (!info || std::none_of(kIdParameters.begin(), kIdParameters.end(),
                            [&](const IdParameter& entry) { return *entry.iid == iid; }))
    return nullptr;
  TYPEATTR* attributes = nullptr;
  plat::throw_if_failed(info->GetTypeAttr(&attributes));
  const WORD funcCount = attributes->cFuncs;
  info->ReleaseTypeAttr(attributes);
  std::vector<IdMember> members;
  for (UINT i = 0; i < funcCount; ++i) {
    FUNCDESC* rawDesc = nullptr;
    if (FAILED(info->GetFuncDesc(i, &rawDesc))) continue;
    const FuncDescScope desc(info, rawDesc);
    const IdMember found = FindIds(iid, info, *rawDesc);
    // The first function of a member and kind is the one the type library calls.
    const auto at = std::lower_bound(members.begin(), members.end(), found, Before);
    if (found.ids && (at == members.end() || Before(found, *at))) members.insert(at, found);
  }
  if (members.empty()) return nullptr;
  return std::make_unique<IdArgumentCheck>(iid, info, std::move(members));
}

}  // namespace wqc
