#include "dialogobject.h"

#include <algorithm>

namespace wqc {

plat::unique_safearray NewIntegerArray(WQComException& error, VARTYPE vt,
                                       const std::vector<LONG>& values) {
  plat::unique_safearray array(SafeArrayCreateVector(vt, 0, static_cast<ULONG>(values.size())));
  if (!array) error.ThrowHrAt(WQ_HERE, E_OUTOFMEMORY, L"Failed to create the result array");
  if (values.empty()) return array;
  void* data = nullptr;
  const HRESULT hr = SafeArrayAccessData(array.get(), &data);
  if (FAILED(hr)) error.ThrowHrAt(WQ_HERE, hr, L"Failed to fill the result array");
  // VT_I4 and VT_UI4 elements are both four bytes: the values keep their bits.
  std::copy(values.begin(), values.end(), static_cast<LONG*>(data));
  SafeArrayUnaccessData(array.get());
  return array;
}

}  // namespace wqc
