#include "dialogobject.h"

#include <algorithm>

namespace wqc {

plat::unique_safearray NewIntegerArray(WQComException& error, VARTYPE vt,
                                       const std::vector<LONG>& values) {
  plat::unique_safearray array(SafeArrayCreateVector(vt, 0, static_cast<ULONG>(values.size())));
  if (!array) error.ThrowHrAt(WQ_HERE, E_OUTOFMEMORY, L"Failed to create the result array");
  if (values.empty()) return array;
  // VT_I4 and VT_UI4 elements are both four bytes: the values keep their bits.
  plat::safearray_data<LONG> data;
  const HRESULT hr = data.access(array.get());
  if (FAILED(hr)) error.ThrowHrAt(WQ_HERE, hr, L"Failed to fill the result array");
  std::copy(values.begin(), values.end(), data.get());
  return array;
}

}  // namespace wqc
