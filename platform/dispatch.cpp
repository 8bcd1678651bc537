#include "dispatch.h"

#include <mutex>
#include <vector>

namespace plat {
namespace {

struct CachedTypeInfo {
  GUID guid;
  ITypeInfo* info;
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

}  // namespace

HRESULT GetModuleTypeInfo(REFGUID guid, ITypeInfo** typeInfo) noexcept try {
  if (!typeInfo) return E_POINTER;
  *typeInfo = nullptr;
  TypeInfoCache& cache = Cache();
  std::lock_guard<critical_section> guard(cache.lock);
  for (const CachedTypeInfo& entry : cache.entries) {
    if (entry.guid == guid) {
      entry.info->AddRef();
      *typeInfo = entry.info;
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
  cache.entries.reserve(cache.entries.size() + 1);
  cache.entries.push_back({guid, info.get()});
  info->AddRef();
  *typeInfo = info.detach();
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

// The parameters a caller passes: a trailing [out, retval] one comes back as the result.
SHORT PassedParams(const FUNCDESC& func) {
  SHORT count = func.cParams;
  if (count > 0 && (func.lprgelemdescParam[count - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL))
    --count;
  return count;
}

// Positional arguments (named ones are left to ITypeInfo::Invoke) of a method whose
// trailing optional parameters are 64-bit integers: widl writes no default value for
// them, so a client that omits one would get DISP_E_BADVARTYPE. They get 0.
bool NeedsInt64Defaults(const FUNCDESC& func, const DISPPARAMS& params) {
  if (params.cNamedArgs != 0) return false;
  const UINT given = params.cArgs;
  for (SHORT i = 0; i < PassedParams(func); ++i) {
    const ELEMDESC& param = func.lprgelemdescParam[i];
    if (param.tdesc.vt != VT_I8 || !(param.paramdesc.wParamFlags & PARAMFLAG_FOPT)) continue;
    if (static_cast<UINT>(i) >= given) return true;
    if (IsMissing(params.rgvarg[given - 1 - i])) return true;
  }
  return false;
}

}  // namespace

HRESULT InvokeWithTypeInfo(ITypeInfo* typeInfo, void* instance, DISPID member, WORD flags,
                           DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                           UINT* argErr) noexcept try {
  if (!params) return E_INVALIDARG;
  TYPEATTR* attr = nullptr;
  std::vector<VARIANT> args;
  if (SUCCEEDED(typeInfo->GetTypeAttr(&attr))) {
    const WORD funcs = attr->cFuncs;
    typeInfo->ReleaseTypeAttr(attr);
    for (WORD f = 0; f < funcs && args.empty(); ++f) {
      FUNCDESC* func = nullptr;
      if (FAILED(typeInfo->GetFuncDesc(f, &func))) continue;
      const SHORT passed = PassedParams(*func);
      if (func->memid == member && (func->invkind & flags) && passed > 0 &&
          static_cast<UINT>(passed) >= params->cArgs && NeedsInt64Defaults(*func, *params)) {
        // rgvarg holds the arguments last first.
        args.resize(passed);
        const UINT given = params->cArgs;
        for (SHORT i = 0; i < passed; ++i) {
          VARIANT& slot = args[passed - 1 - i];
          const bool isInt64Opt = func->lprgelemdescParam[i].tdesc.vt == VT_I8 &&
                                  (func->lprgelemdescParam[i].paramdesc.wParamFlags &
                                   PARAMFLAG_FOPT);
          if (static_cast<UINT>(i) < given && !(isInt64Opt && IsMissing(params->rgvarg[given - 1 - i]))) {
            slot = params->rgvarg[given - 1 - i];  // borrowed, not copied
          } else if (isInt64Opt) {
            V_VT(&slot) = VT_I8;
            V_I8(&slot) = 0;
          } else {
            V_VT(&slot) = VT_ERROR;
            V_ERROR(&slot) = DISP_E_PARAMNOTFOUND;
          }
        }
      }
      typeInfo->ReleaseFuncDesc(func);
    }
  }
  if (args.empty())
    return typeInfo->Invoke(instance, member, flags, params, result, excepInfo, argErr);
  DISPPARAMS filled{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
  return typeInfo->Invoke(instance, member, flags, &filled, result, excepInfo, argErr);
}
PLAT_CATCH_RETURN()

}  // namespace plat
