#include "dispatch.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace plat {
namespace {

struct CachedTypeInfo {
  GUID guid;
  DispatchInfo dispatch;
  // The callers' own places that hold `dispatch`, cleared with the cache.
  std::vector<std::atomic<const DispatchInfo*>*> slots;
};

struct TypeInfoCache {
  critical_section lock;
  com_ptr<ITypeLib> typeLib;
  // Each entry stays where it is until the cache is released: callers hold its address.
  std::vector<std::unique_ptr<CachedTypeInfo>> entries;
};

TypeInfoCache& Cache() {
  static TypeInfoCache cache;
  return cache;
}

// The entry of `guid`, loaded when missing, with the server's argument check made from it;
// under the cache's lock.
CachedTypeInfo& Entry(TypeInfoCache& cache, REFGUID guid) {
  for (const std::unique_ptr<CachedTypeInfo>& entry : cache.entries)
    if (entry->guid == guid) return *entry;
  if (!cache.typeLib) {
    const Module::TypeLibId& id = module().GetTypeLib();
    throw_if_failed(::LoadRegTypeLib(id.libid, id.major, id.minor, id.lcid, cache.typeLib.put()));
  }
  auto entry = std::make_unique<CachedTypeInfo>();
  entry->guid = guid;
  throw_if_failed(cache.typeLib->GetTypeInfoOfGuid(guid, entry->dispatch.typeInfo.put()));
  if (const Module::MakeArgumentCheckFn make = module().GetArgumentCheck())
    entry->dispatch.check = make(guid, entry->dispatch.typeInfo.get());
  cache.entries.push_back(std::move(entry));
  return *cache.entries.back();
}

}  // namespace

HRESULT GetModuleTypeInfo(REFGUID guid, ITypeInfo** typeInfo) noexcept try {
  if (!typeInfo) return E_POINTER;
  *typeInfo = nullptr;
  TypeInfoCache& cache = Cache();
  std::lock_guard<critical_section> guard(cache.lock);
  *typeInfo = com_ptr<ITypeInfo>(Entry(cache, guid).dispatch.typeInfo).detach();
  return S_OK;
}
PLAT_CATCH_RETURN()

HRESULT GetDispatchInfo(REFIID iid, std::atomic<const DispatchInfo*>& slot,
                        const DispatchInfo** dispatch) noexcept try {
  *dispatch = nullptr;
  TypeInfoCache& cache = Cache();
  std::lock_guard<critical_section> guard(cache.lock);
  CachedTypeInfo& entry = Entry(cache, iid);
  if (std::find(entry.slots.begin(), entry.slots.end(), &slot) == entry.slots.end())
    entry.slots.push_back(&slot);
  slot.store(&entry.dispatch, std::memory_order_release);
  *dispatch = &entry.dispatch;
  return S_OK;
}
PLAT_CATCH_RETURN()

void ReleaseTypeInfoCache() noexcept {
  TypeInfoCache& cache = Cache();
  std::lock_guard<critical_section> guard(cache.lock);
  for (const std::unique_ptr<CachedTypeInfo>& entry : cache.entries)
    for (std::atomic<const DispatchInfo*>* slot : entry->slots)
      slot->store(nullptr, std::memory_order_release);
  cache.entries.clear();
  cache.typeLib = nullptr;
}

bool ReadableArguments(const DISPPARAMS* params) noexcept {
  return params && (!params->cArgs || params->rgvarg) && params->cNamedArgs <= params->cArgs &&
         (!params->cNamedArgs || params->rgdispidNamedArgs);
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
