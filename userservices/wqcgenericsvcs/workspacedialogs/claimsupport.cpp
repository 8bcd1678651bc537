#include "claimsupport.h"
#include "workspace/dataservicerequest.h"

#include <handles.h>
#include <variantutil.h>

#include "WQOutside.h"

namespace wqc {

void RequireWorkspace(WQComException& error, IDispatch* workspace) {
  plat::com_ptr<IWQWorkspace> wq;
  if (FAILED(QueryWorkspace(workspace, wq)))
    error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"The workspace object is not valid");
}

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
  if (!fallback) error.ThrowHrAt(WQ_HERE, E_FAIL, L"%ls", notInitialized);
  return *fallback;
}

template long ArgumentOrFallback<long>(WQComException&, const VARIANT&,
                                       HRESULT (*)(const VARIANT&, long*, bool), const wchar_t*,
                                       const long*, const wchar_t*);
template bool ArgumentOrFallback<bool>(WQComException&, const VARIANT&,
                                       HRESULT (*)(const VARIANT&, bool*, bool), const wchar_t*,
                                       const bool*, const wchar_t*);

}  // namespace wqc
