#include "dispatch.h"

#include <memory>
#include <mutex>
#include <vector>

namespace plat {
namespace {

// A member with optional 64-bit integer parameters that the type library gives no default:
// widl cannot write one, so a client that omits such an argument would get
// DISP_E_BADVARTYPE from ITypeInfo::Invoke. The dispatch layer passes 0 for it.
struct Int64OptionalMember {
  MEMBERID member;
  INVOKEKIND kind;
  std::vector<bool> isInt64Optional;  // per parameter a caller passes, first first
};
using Int64OptionalMembers = std::vector<Int64OptionalMember>;

// The parameters a caller passes: a trailing [out, retval] one comes back as the result.
SHORT PassedParams(const FUNCDESC& func) {
  SHORT count = func.cParams;
  if (count > 0 && (func.lprgelemdescParam[count - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL))
    --count;
  return count;
}

bool IsInt64WithoutDefault(const ELEMDESC& param) {
  const USHORT flags = param.paramdesc.wParamFlags;
  return param.tdesc.vt == VT_I8 && (flags & PARAMFLAG_FOPT) && !(flags & PARAMFLAG_FHASDEFAULT);
}

// Walks the interface's functions once; most interfaces have no such member.
Int64OptionalMembers FindInt64OptionalMembers(ITypeInfo* typeInfo) {
  Int64OptionalMembers members;
  TYPEATTR* attr = nullptr;
  if (FAILED(typeInfo->GetTypeAttr(&attr))) return members;
  const WORD funcs = attr->cFuncs;
  typeInfo->ReleaseTypeAttr(attr);
  for (WORD f = 0; f < funcs; ++f) {
    FUNCDESC* func = nullptr;
    if (FAILED(typeInfo->GetFuncDesc(f, &func))) continue;
    const SHORT passed = PassedParams(*func);
    std::vector<bool> isInt64Optional(passed > 0 ? passed : 0);
    bool any = false;
    for (SHORT i = 0; i < passed; ++i)
      any |= isInt64Optional[i] = IsInt64WithoutDefault(func->lprgelemdescParam[i]);
    if (any) members.push_back({func->memid, func->invkind, std::move(isInt64Optional)});
    typeInfo->ReleaseFuncDesc(func);
  }
  return members;
}

struct CachedTypeInfo {
  GUID guid;
  ITypeInfo* info;
  // Worked out on the first Invoke; kept apart so it stays put while entries are added.
  std::unique_ptr<const Int64OptionalMembers> int64Members;
};

struct TypeInfoCache {
  critical_section lock;
  ITypeLib* typeLib = nullptr;
  std::vector<CachedTypeInfo> entries;
};

TypeInfoCache& Cache() {
  static TypeInfoCache cache;
  return cache;
}

// The cache's entry for `guid`, loaded on first use; called with the lock held.
HRESULT FindEntry(TypeInfoCache& cache, REFGUID guid, CachedTypeInfo** found) {
  for (CachedTypeInfo& entry : cache.entries) {
    if (entry.guid == guid) {
      *found = &entry;
      return S_OK;
    }
  }
  if (!cache.typeLib) {
    const Module::TypeLibId& id = module().GetTypeLib();
    PLAT_RETURN_IF_FAILED(
        ::LoadRegTypeLib(id.libid, id.major, id.minor, id.lcid, &cache.typeLib));
  }
  com_ptr<ITypeInfo> info;
  PLAT_RETURN_IF_FAILED(cache.typeLib->GetTypeInfoOfGuid(guid, info.put()));
  cache.entries.push_back({guid, info.get(), nullptr});
  info.detach();  // the entry holds the reference now
  *found = &cache.entries.back();
  return S_OK;
}

}  // namespace

HRESULT GetModuleTypeInfo(REFGUID guid, ITypeInfo** typeInfo) noexcept try {
  if (!typeInfo) return E_POINTER;
  *typeInfo = nullptr;
  TypeInfoCache& cache = Cache();
  std::lock_guard<critical_section> guard(cache.lock);
  CachedTypeInfo* entry = nullptr;
  PLAT_RETURN_IF_FAILED(FindEntry(cache, guid, &entry));
  entry->info->AddRef();
  *typeInfo = entry->info;
  return S_OK;
}
PLAT_CATCH_RETURN()

void ReleaseTypeInfoCache() noexcept {
  TypeInfoCache& cache = Cache();
  std::lock_guard<critical_section> guard(cache.lock);
  for (CachedTypeInfo& entry : cache.entries) entry.info->Release();
  cache.entries.clear();
  if (cache.typeLib) {
    cache.typeLib->Release();
    cache.typeLib = nullptr;
  }
}

namespace {

bool IsMissing(const VARIANT& v) {
  return V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND;
}

// Positional arguments only: named ones are left to ITypeInfo::Invoke.
bool NeedsInt64Defaults(const Int64OptionalMember& func, const DISPPARAMS& params) {
  if (params.cNamedArgs != 0) return false;
  const UINT given = params.cArgs;
  for (size_t i = 0; i < func.isInt64Optional.size(); ++i) {
    if (!func.isInt64Optional[i]) continue;
    if (i >= given) return true;
    if (IsMissing(params.rgvarg[given - 1 - i])) return true;
  }
  return false;
}

HRESULT InvokeWithMembers(ITypeInfo* typeInfo, const Int64OptionalMembers& members,
                          void* instance, DISPID member, WORD flags, DISPPARAMS* params,
                          VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
  if (!params) return E_INVALIDARG;
  std::vector<VARIANT> args;
  for (const Int64OptionalMember& func : members) {
    const size_t passed = func.isInt64Optional.size();
    if (func.member != member || !(func.kind & flags) || passed < params->cArgs ||
        !NeedsInt64Defaults(func, *params))
      continue;
    // rgvarg holds the arguments last first.
    args.resize(passed);
    const UINT given = params->cArgs;
    for (size_t i = 0; i < passed; ++i) {
      VARIANT& slot = args[passed - 1 - i];
      const bool isInt64Opt = func.isInt64Optional[i];
      if (i < given && !(isInt64Opt && IsMissing(params->rgvarg[given - 1 - i]))) {
        slot = params->rgvarg[given - 1 - i];  // borrowed, not copied
      } else if (isInt64Opt) {
        V_VT(&slot) = VT_I8;
        V_I8(&slot) = 0;
      } else {
        V_VT(&slot) = VT_ERROR;
        V_ERROR(&slot) = DISP_E_PARAMNOTFOUND;
      }
    }
    break;
  }
  if (args.empty())
    return typeInfo->Invoke(instance, member, flags, params, result, excepInfo, argErr);
  DISPPARAMS filled{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
  return typeInfo->Invoke(instance, member, flags, &filled, result, excepInfo, argErr);
}

}  // namespace

HRESULT InvokeWithTypeInfo(ITypeInfo* typeInfo, void* instance, DISPID member, WORD flags,
                           DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                           UINT* argErr) noexcept try {
  if (!params) return E_INVALIDARG;
  return InvokeWithMembers(typeInfo, FindInt64OptionalMembers(typeInfo), instance, member, flags,
                           params, result, excepInfo, argErr);
}
PLAT_CATCH_RETURN()

HRESULT InvokeModuleInterface(REFGUID iid, void* instance, DISPID member, WORD flags,
                              DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                              UINT* argErr) noexcept try {
  if (!params) return E_INVALIDARG;
  com_ptr<ITypeInfo> info;
  const Int64OptionalMembers* members = nullptr;
  {
    TypeInfoCache& cache = Cache();
    std::lock_guard<critical_section> guard(cache.lock);
    CachedTypeInfo* entry = nullptr;
    PLAT_RETURN_IF_FAILED(FindEntry(cache, iid, &entry));
    if (!entry->int64Members)
      entry->int64Members = std::make_unique<const Int64OptionalMembers>(
          FindInt64OptionalMembers(entry->info));
    info = com_ptr<ITypeInfo>(entry->info);
    members = entry->int64Members.get();
  }
  return InvokeWithMembers(info.get(), *members, instance, member, flags, params, result,
                           excepInfo, argErr);
}
PLAT_CATCH_RETURN()

}  // namespace plat
