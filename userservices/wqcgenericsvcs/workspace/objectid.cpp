#include "objectid.h"

#include <handles.h>
#include <saxschemaparser.h>
#include <variantutil.h>
#include <wqcomexception.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "WQCGenericSvcs.h"

const wchar_t kObjectIdMessage[] =
    L"An id must be a whole number and a list must be an array of ids";
const wchar_t kObjectIdRangeMessage[] = L"An id must lie between -2147483648 and 2147483647";

namespace {

// A whole number in a long's range; DISP_E_OVERFLOW outside it, as the typed methods answer.
HRESULT FromWhole(LONGLONG number, long* id) {
  if (number < LONG_MIN || number > LONG_MAX) return DISP_E_OVERFLOW;
  *id = static_cast<long>(number);
  return S_OK;
}

HRESULT FromReal(double number, long* id) {
  if (!std::isfinite(number) || std::trunc(number) != number) return E_INVALIDARG;
  if (number < LONG_MIN || number > LONG_MAX) return DISP_E_OVERFLOW;
  *id = static_cast<long>(number);
  return S_OK;
}

// Read exactly: the OLE conversions of a DECIMAL go through a double and lose a fraction
// such as that of 12.00000000000000001.
HRESULT FromDecimal(const DECIMAL& decimal, long* id) {
  if (decimal.scale > 28 || (decimal.sign & ~DECIMAL_NEG)) return E_INVALIDARG;
  ULONG digits[] = {decimal.Hi32, decimal.Mid32, decimal.Lo32};  // most significant first
  for (BYTE place = 0; place < decimal.scale; ++place) {
    ULONGLONG remainder = 0;
    for (ULONG& part : digits) {
      const ULONGLONG current = (remainder << 32) | part;
      part = static_cast<ULONG>(current / 10);
      remainder = current % 10;
    }
    if (remainder) return E_INVALIDARG;
  }
  if (digits[0] || digits[1]) return DISP_E_OVERFLOW;
  const LONGLONG magnitude = digits[2];
  return FromWhole(decimal.sign & DECIMAL_NEG ? -magnitude : magnitude, id);
}

// A whole number and blanks around it, nothing else: "12" but not "1,2", "12abc", "12\0abc"
// or "". Read as a reply's number is read, whole.
HRESULT FromText(BSTR text, long* id) {
  SAXSchemaValue number;
  const HRESULT hr =
      SAXSchemaValue::FromText(text, SysStringLen(text), SAXSchemaValue::kInteger, number);
  if (hr == DISP_E_OVERFLOW) return hr;
  if (FAILED(hr) || number.missing) return E_INVALIDARG;
  *id = number.integer;
  return S_OK;
}

// One element of a one-dimensional array as a VARIANT of the array's element type.
HRESULT ElementAt(SAFEARRAY* array, VARTYPE vt, LONG index, plat::unique_variant& element) {
  HRESULT hr;
  switch (vt) {
    case VT_VARIANT: return SafeArrayGetElement(array, &index, element.put());
    case VT_RECORD: return E_INVALIDARG;
    // A DECIMAL fills the whole VARIANT, its type field included.
    case VT_DECIMAL: hr = SafeArrayGetElement(array, &index, &V_DECIMAL(&element)); break;
    default: hr = SafeArrayGetElement(array, &index, &V_UI1(&element)); break;
  }
  if (SUCCEEDED(hr)) V_VT(&element) = vt;
  return hr;
}

}  // namespace

HRESULT ReadObjectId(const VARIANT& value, long* id) {
  if (!id) return E_POINTER;
  const VARIANT* v = nullptr;
  if (FAILED(VariantReferent(value, &v))) return E_INVALIDARG;
  plat::unique_variant referent;
  if (V_VT(v) & VT_BYREF) {
    if (!V_BYREF(v) || (V_VT(v) & VT_ARRAY) ||
        FAILED(VariantCopyInd(referent.put(), const_cast<VARIANT*>(v))))
      return E_INVALIDARG;
    v = &referent;
  }
  switch (V_VT(v)) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_ERROR: return S_FALSE;
    case VT_DISPATCH:
    case VT_UNKNOWN: return V_UNKNOWN(v) ? E_INVALIDARG : S_FALSE;
    case VT_I1: return FromWhole(V_I1(v), id);
    case VT_UI1: return FromWhole(V_UI1(v), id);
    case VT_I2: return FromWhole(V_I2(v), id);
    case VT_UI2: return FromWhole(V_UI2(v), id);
    case VT_I4: return FromWhole(V_I4(v), id);
    case VT_UI4: return FromWhole(V_UI4(v), id);
    case VT_INT: return FromWhole(V_INT(v), id);
    case VT_UINT: return FromWhole(V_UINT(v), id);
    case VT_I8: return FromWhole(V_I8(v), id);
    case VT_UI8:
      return V_UI8(v) > static_cast<ULONGLONG>(LONG_MAX) ? DISP_E_OVERFLOW : FromWhole(V_I8(v), id);
    case VT_R4: return FromReal(V_R4(v), id);
    case VT_R8: return FromReal(V_R8(v), id);
    case VT_CY: return V_CY(v).int64 % 10000 ? E_INVALIDARG : FromWhole(V_CY(v).int64 / 10000, id);
    case VT_DECIMAL: return FromDecimal(V_DECIMAL(v), id);
    case VT_BSTR: return FromText(V_BSTR(v), id);
    // A date or a flag is no number; an array or a record no single one.
    default: return E_INVALIDARG;
  }
}

bool IsReadableObjectId(const VARIANT& value) {
  long id = 0;
  const VARIANT* v = VariantReferent(value);
  if (v && (V_VT(v) & VT_ARRAY)) return true;
  return ReadObjectId(value, &id) != E_INVALIDARG;
}

HRESULT ReadObjectIds(const VARIANT& ids, std::vector<long>& read) {
  read.clear();
  const VARIANT* value = nullptr;
  if (FAILED(VariantReferent(ids, &value))) return E_INVALIDARG;
  long id = 0;
  if (!(V_VT(value) & VT_ARRAY)) {
    const HRESULT hr = ReadObjectId(*value, &id);
    if (hr == S_OK) read.push_back(id);
    return FAILED(hr) ? hr : S_OK;
  }
  SAFEARRAY* array = (V_VT(value) & VT_BYREF) ? (V_ARRAYREF(value) ? *V_ARRAYREF(value) : nullptr)
                                              : V_ARRAY(value);
  if (!array) return E_POINTER;
  VARTYPE vt = VT_EMPTY;
  if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetVartype(array, &vt)))
    return kIdListNotAVector;
  LONG lower = 0;
  ULONG count = 0;
  if (FAILED(SafeArrayExtent(array, &lower, &count))) return kIdListNotAVector;
  for (ULONG n = 0; n < count; ++n) {
    plat::unique_variant element;
    HRESULT hr = ElementAt(array, vt, SafeArrayIndex(lower, n), element);
    if (SUCCEEDED(hr)) hr = ReadObjectId(element, &id);
    if (FAILED(hr)) {
      read.clear();
      return hr == DISP_E_OVERFLOW ? hr : E_INVALIDARG;
    }
    if (hr == S_OK) read.push_back(id);
  }
  return S_OK;
}

HRESULT CheckObjectIds(const VARIANT& ids) {
  std::vector<long> read;
  const HRESULT hr = ReadObjectIds(ids, read);
  // An array that cannot be read at all is refused by the method, which says why.
  return hr == E_POINTER || hr == kIdListNotAVector ? S_OK : hr;
}

const wchar_t* ObjectIdMessage(HRESULT hr) {
  switch (hr) {
    case DISP_E_OVERFLOW: return kObjectIdRangeMessage;
    case E_POINTER: return L"The object list array is null";
    case kIdListNotAVector: return L"Safe array is not a 1-Dimensional vector";
    default: return kObjectIdMessage;
  }
}

namespace {

// The failure a client is given for what ReadObjectIds answered.
HRESULT RefusalHr(HRESULT hr) { return hr == kIdListNotAVector ? E_INVALIDARG : hr; }

}  // namespace

std::vector<long> ReadListedIds(WQComException& error, const VARIANT& ids) {
  std::vector<long> read;
  const HRESULT hr = ReadObjectIds(ids, read);
  if (FAILED(hr)) error.ThrowHrAt(WQ_HERE, RefusalHr(hr), L"%ls", ObjectIdMessage(hr));
  return read;
}

HRESULT RefuseObjectIds(const wchar_t* method, HRESULT hr) {
  WQComException error;
  error.EnterMethod(method, 0);
  error.SetErrorHr(RefusalHr(hr), L"%ls", ObjectIdMessage(hr));
  return error.ReturnHResult();
}
