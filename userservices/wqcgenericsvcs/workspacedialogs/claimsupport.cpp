#include "claimsupport.h"
#include "workspace/dataservicerequest.h"
#include "workspace/objectid.h"

#include <handles.h>
#include <variantutil.h>

#include "WQOutside.h"

namespace wqc {

void RequireWorkspace(WQComException& error, IDispatch* workspace) {
  plat::com_ptr<IWQWorkspace> wq;
  if (FAILED(QueryWorkspace(workspace, wq)))
    error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"The workspace object is not valid");
}

namespace {

template <class T>
T Fallback(WQComException& error, const T* fallback, const wchar_t* notInitialized) {
  if (!fallback) error.ThrowHrAt(WQ_HERE, E_FAIL, L"%ls", notInitialized);
  return *fallback;
}

}  // namespace

template <class T>
T ArgumentOrFallback(WQComException& error, const VARIANT& argument,
                     HRESULT (*convert)(const VARIANT&, T*, bool), const wchar_t* unconvertible,
                     const T* fallback, const wchar_t* notInitialized) {
  if (VariantHasValue(argument)) {
    T value{};
    const HRESULT hr = convert(argument, &value, true);
    if (FAILED(hr)) error.ThrowHrAt(WQ_HERE, hr, L"%ls", unconvertible);
    return value;
  }
  return Fallback(error, fallback, notInitialized);
}

long ObjectIdOrFallback(WQComException& error, const VARIANT& argument, const long* fallback,
                        const wchar_t* notInitialized) {
  long id = 0;
  const HRESULT hr = ReadObjectId(argument, &id);
  if (FAILED(hr)) error.ThrowHrAt(WQ_HERE, hr, L"%ls", ObjectIdMessage(hr));
  return hr == S_OK ? id : Fallback(error, fallback, notInitialized);
}

template long ArgumentOrFallback<long>(WQComException&, const VARIANT&,
                                       HRESULT (*)(const VARIANT&, long*, bool), const wchar_t*,
                                       const long*, const wchar_t*);
template bool ArgumentOrFallback<bool>(WQComException&, const VARIANT&,
                                       HRESULT (*)(const VARIANT&, bool*, bool), const wchar_t*,
                                       const bool*, const wchar_t*);

}  // namespace wqc
