#include "dispatch.h"

#include <mutex>
#include <vector>

namespace plat {
namespace {

struct CachedTypeInfo {
  GUID guid;
  com_ptr<ITypeInfo> info;
};

struct TypeInfoCache {
  critical_section lock;
  com_ptr<ITypeLib> typeLib;
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
      *typeInfo = com_ptr<ITypeInfo>(entry.info).detach();
      return S_OK;
    }
  }
  if (!cache.typeLib) {
    const Module::TypeLibId& id = module().GetTypeLib();
    PLAT_RETURN_IF_FAILED(
        ::LoadRegTypeLib(id.libid, id.major, id.minor, id.lcid, cache.typeLib.put()));
  }
  com_ptr<ITypeInfo> info;
  PLAT_RETURN_IF_FAILED(cache.typeLib->GetTypeInfoOfGuid(guid, info.put()));
  cache.entries.push_back({guid, info});
  *typeInfo = info.detach();
  return S_OK;
}
PLAT_CATCH_RETURN()

void ReleaseTypeInfoCache() noexcept {
  TypeInfoCache& cache = Cache();
  std::lock_guard<critical_section> guard(cache.lock);
  cache.entries.clear();
  cache.typeLib = nullptr;
}

HRESULT ReportException(HRESULT failure, EXCEPINFO* excepInfo) noexcept {
  if (!excepInfo) return failure;
  *excepInfo = EXCEPINFO{};
  excepInfo->scode = failure;
  com_ptr<IErrorInfo> info;
  if (::GetErrorInfo(0, info.put()) == S_OK) {
    info->GetDescription(&excepInfo->bstrDescription);
    info->GetSource(&excepInfo->bstrSource);
    info->GetHelpFile(&excepInfo->bstrHelpFile);
    info->GetHelpContext(&excepInfo->dwHelpContext);
  }
  return DISP_E_EXCEPTION;
}

}  // namespace plat
