#include "objectid.h"

#include <handles.h>
#include <variantutil.h>
#include <wqcomexception.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "WQCGenericSvcs.h"

const wchar_t kObjectIdMessage[] =
    L"An id must be a whole number and a list must be an array of ids";

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Blanks around an optional sign and digits, nothing else: "12" but not "1,2" or "12abc".
bool IsWholeNumberText(const wchar_t* text) {
  if (!text) return false;
  while (IsBlank(*text)) ++text;
  if (*text == L'+' || *text == L'-') ++text;
  const wchar_t* digits = text;
  while (*text >= L'0' && *text <= L'9') ++text;
  if (text == digits) return false;
  while (IsBlank(*text)) ++text;
  return *text == 0;
}

bool IsWhole(double number) { return std::isfinite(number) && std::trunc(number) == number; }

// The types whose values can be read as a wrong id; the others need no look.
bool MayBeWrongId(VARTYPE vt) {
  switch (vt & ~VT_BYREF) {
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_BSTR:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
    case VT_VARIANT: return true;
    default: return false;
  }
}

// Each element of a one-dimensional array of a type that can hold a wrong id.
bool AreReadableElements(SAFEARRAY* array) {
  VARTYPE vt = VT_EMPTY;
  if (!array || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetVartype(array, &vt)) ||
      !MayBeWrongId(vt) || vt == VT_DECIMAL)
    return true;  // the caller refuses what it cannot read, and nothing else can go wrong
  LONG lower = 0, upper = -1;
  SafeArrayGetLBound(array, 1, &lower);
  SafeArrayGetUBound(array, 1, &upper);
  for (LONG i = lower; i <= upper; ++i) {
    plat::unique_variant element;
    HRESULT hr;
    if (vt == VT_VARIANT) {
      hr = SafeArrayGetElement(array, &i, element.put());
    } else {
      hr = SafeArrayGetElement(array, &i, &V_UI1(&element));
      if (SUCCEEDED(hr)) V_VT(&element) = vt;
    }
    if (SUCCEEDED(hr) && !IsReadableObjectId(element)) return false;
  }
  return true;
}

}  // namespace

bool IsReadableObjectId(const VARIANT& value) {
  // What cannot be followed is refused by the conversion that reads it.
  const VARIANT* v = VariantReferent(value);
  if (!v || (V_VT(v) & VT_ARRAY)) return true;
  plat::unique_variant referent;
  if (V_VT(v) & VT_BYREF) {
    if (FAILED(VariantCopyInd(referent.put(), const_cast<VARIANT*>(v)))) return true;
    v = &referent;
  }
  switch (V_VT(v)) {
    case VT_DISPATCH: return !V_DISPATCH(v);
    case VT_UNKNOWN: return !V_UNKNOWN(v);
    case VT_BSTR: return IsWholeNumberText(V_BSTR(v));
    case VT_R4: return IsWhole(V_R4(v));
    case VT_R8: return IsWhole(V_R8(v));
    case VT_CY: return V_CY(v).int64 % 10000 == 0;
    case VT_DECIMAL: {
      DECIMAL decimal = V_DECIMAL(v);
      double number = 0;
      return SUCCEEDED(VarR8FromDec(&decimal, &number)) && IsWhole(number);
    }
    default: return true;
  }
}

HRESULT CheckObjectIds(const VARIANT& ids) {
  const VARIANT* value = VariantReferent(ids);
  if (!value) return S_OK;  // refused by the conversion that reads it
  if (!(V_VT(value) & VT_ARRAY)) return IsReadableObjectId(*value) ? S_OK : E_INVALIDARG;
  SAFEARRAY* array = (V_VT(value) & VT_BYREF) ? (V_ARRAYREF(value) ? *V_ARRAYREF(value) : nullptr)
                                              : V_ARRAY(value);
  return AreReadableElements(array) ? S_OK : E_INVALIDARG;
}

void RequireObjectIds(WQComException& error, const VARIANT& ids) {
  if (FAILED(CheckObjectIds(ids))) error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"%ls", kObjectIdMessage);
}

HRESULT RefuseObjectIds(const wchar_t* method) {
  WQComException error;
  error.EnterMethod(method, 0);
  error.SetErrorHr(E_INVALIDARG, L"%ls", kObjectIdMessage);
  return error.ReturnHResult();
}
