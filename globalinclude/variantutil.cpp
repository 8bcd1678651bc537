#include "variantutil.h"

#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <limits>
#include <new>

#include <conversion.h>
#include <handles.h>

#include "wqcomexception.h"
#include "wqstring.h"

namespace {

// VariantChangeType reads through a by-reference pointer without testing it.
bool IsNullReference(const VARIANT& v) { return (V_VT(&v) & VT_BYREF) && !V_BYREF(&v); }

// A NaN, as no integer and no boolean, is refused there (plat::ChangeType).
HRESULT ChangeType(const VARIANT& v, VARTYPE vt, plat::unique_variant& result) {
  if (IsNullReference(v)) return E_POINTER;
  return plat::ChangeType(&result, v, vt);
}

const wchar_t* StringOf(const VARIANT& v) {
  return V_VT(&v) == VT_BSTR ? V_BSTR(&v) : *V_BSTRREF(&v);
}

bool IsString(const VARIANT& v) {
  return V_VT(&v) == VT_BSTR || (V_VT(&v) == (VT_BYREF | VT_BSTR) && V_BSTRREF(&v));
}

}  // namespace

bool IsIntegerVariantType(VARTYPE vt) {
  switch (vt & ~VT_BYREF) {
    case VT_I2:
    case VT_I4:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_INT:
    case VT_UINT: return true;
    default: return false;
  }
}

namespace {

// The first character of a locale string of the C runtime, or `fallback` when it has none.
wchar_t LocaleChar(const char* text, wchar_t fallback) {
  wchar_t c = 0;
  if (!text || !*text || mbtowc(&c, text, MB_CUR_MAX) <= 0 || !c) return fallback;
  return c;
}

}  // namespace

// A VARIANT that refers to itself would otherwise be followed forever.
constexpr int kMaxIndirection = 32;

HRESULT SafeArrayExtent(SAFEARRAY* array, LONG* lower, ULONG* count) {
  if (!array) return E_POINTER;
  if (SafeArrayGetDim(array) != 1) return E_INVALIDARG;
  PLAT_RETURN_IF_FAILED(SafeArrayGetLBound(array, 1, lower));
  *count = array->rgsabound[0].cElements;
  return S_OK;
}

HRESULT VariantReferent(const VARIANT& value, const VARIANT** referent) {
  if (!referent) return E_POINTER;
  *referent = nullptr;
  const VARIANT* v = &value;
  for (int depth = 0; V_VT(v) == (VT_BYREF | VT_VARIANT); ++depth) {
    if (!V_VARIANTREF(v)) return E_POINTER;
    if (depth == kMaxIndirection) return E_INVALIDARG;
    v = V_VARIANTREF(v);
  }
  *referent = v;
  return S_OK;
}

const VARIANT* VariantReferent(const VARIANT& value) {
  const VARIANT* v = nullptr;
  VariantReferent(value, &v);
  return v;
}

HRESULT VariantToBool(const VARIANT& value, bool* out, bool convert) {
  if (!out) return E_POINTER;
  const VARIANT* v = nullptr;
  PLAT_RETURN_IF_FAILED(VariantReferent(value, &v));
  if (V_VT(v) == VT_BOOL) {
    *out = V_BOOL(v) != VARIANT_FALSE;
    return S_OK;
  }
  if (V_VT(v) == (VT_BYREF | VT_BOOL)) {
    *out = V_BOOLREF(v) && *V_BOOLREF(v) != VARIANT_FALSE;
    return S_OK;
  }
  if (!convert) return DISP_E_TYPEMISMATCH;
  if (IsString(*v)) return TextToBool(StringOf(*v), out);
  plat::unique_variant result;
  PLAT_RETURN_IF_FAILED(ChangeType(*v, VT_BOOL, result));
  *out = V_BOOL(&result) != VARIANT_FALSE;
  return S_OK;
}

HRESULT TextToBool(const wchar_t* text, bool* out) {
  static constexpr struct {
    const wchar_t* word;
    bool value;
  } kWords[] = {{L"0", false},  {L"1", true},   {L"false", false}, {L"true", true},
                {L"no", false}, {L"yes", true}, {L"off", false},   {L"on", true}};
  if (!text || !out) return text ? E_POINTER : E_FAIL;
  for (const auto& word : kWords) {
    if (WQStrCompareNoCase(text, word.word) == 0) {
      *out = word.value;
      return S_OK;
    }
  }
  return E_FAIL;
}

HRESULT VariantToLong(const VARIANT& value, long* out, bool convert) {
  if (!out) return E_POINTER;
  const VARIANT* v = nullptr;
  PLAT_RETURN_IF_FAILED(VariantReferent(value, &v));
  if (V_VT(v) == VT_I4) {
    *out = V_I4(v);
    return S_OK;
  }
  if (!convert && !IsIntegerVariantType(V_VT(v))) return DISP_E_TYPEMISMATCH;
  plat::unique_variant result;
  PLAT_RETURN_IF_FAILED(ChangeType(*v, VT_I4, result));
  *out = V_I4(&result);
  return S_OK;
}

HRESULT VariantToDouble(const VARIANT& value, double* out, bool convert) {
  if (!out) return E_POINTER;
  const VARIANT* v = nullptr;
  PLAT_RETURN_IF_FAILED(VariantReferent(value, &v));
  switch (V_VT(v)) {
    case VT_R4: *out = V_R4(v); return S_OK;
    case VT_R8: *out = V_R8(v); return S_OK;
    case VT_DATE: *out = V_DATE(v); return S_OK;
    case VT_BYREF | VT_R4: *out = V_R4REF(v) ? *V_R4REF(v) : 0.0; return S_OK;
    case VT_BYREF | VT_R8: *out = V_R8REF(v) ? *V_R8REF(v) : 0.0; return S_OK;
    case VT_BYREF | VT_DATE: *out = V_DATEREF(v) ? *V_DATEREF(v) : 0.0; return S_OK;
    default: break;
  }
  if (!convert) return DISP_E_TYPEMISMATCH;
  if (IsString(*v)) {
    // A text that is no number is a failed conversion, not a silent success.
    double parsed;
    if (!ParseDouble(StringOf(*v), &parsed)) return DISP_E_TYPEMISMATCH;
    *out = parsed;
    return S_OK;
  }
  plat::unique_variant result;
  PLAT_RETURN_IF_FAILED(ChangeType(*v, VT_R8, result));
  *out = V_R8(&result);
  return S_OK;
}

HRESULT VariantToBSTR(const VARIANT& value, BSTR* out) {
  if (!out) return E_POINTER;
  const VARIANT* v = nullptr;
  PLAT_RETURN_IF_FAILED(VariantReferent(value, &v));
  if (V_VT(v) == (VT_BYREF | VT_BSTR) && !V_BSTRREF(v)) return E_POINTER;
  if (V_VT(v) != VT_BSTR && V_VT(v) != (VT_BYREF | VT_BSTR)) return DISP_E_TYPEMISMATCH;
  const BSTR text = V_VT(v) == VT_BSTR ? V_BSTR(v) : *V_BSTRREF(v);
  if (!text) {
    *out = nullptr;
    return S_OK;
  }
  BSTR copy = SysAllocStringLen(text, SysStringLen(text));
  if (!copy) return E_OUTOFMEMORY;
  *out = copy;
  return S_OK;
}

HRESULT VariantCopyValue(const VARIANT& value, VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  const VARIANT* v = nullptr;
  PLAT_RETURN_IF_FAILED(VariantReferent(value, &v));
  if (IsNullReference(*v)) return E_POINTER;
  return VariantCopyInd(out, const_cast<VARIANT*>(v));
}

bool VariantHasValue(const VARIANT& value) {
  const VARIANT* v = VariantReferent(value);
  // Not an omitted argument: the conversion that reads it refuses it.
  if (!v) return true;
  switch (V_VT(v)) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_ERROR: return false;
    case VT_DISPATCH: return V_DISPATCH(v) != nullptr;
    case VT_UNKNOWN: return V_UNKNOWN(v) != nullptr;
    case VT_BYREF | VT_DISPATCH: return V_DISPATCHREF(v) && *V_DISPATCHREF(v);
    case VT_BYREF | VT_UNKNOWN: return V_UNKNOWNREF(v) && *V_UNKNOWNREF(v);
    default: return true;
  }
}

namespace {

bool SkipDigits(const wchar_t*& text) {
  const wchar_t* start = text;
  while (*text >= L'0' && *text <= L'9') ++text;
  return text != start;
}

// A decimal number with `point` as its decimal point, blanks around it aside: a sign, digits
// with a point among or after them, an exponent with digits of its own. The runtime's scan
// takes more: "1e" and "1e+" as 1, "0x10" as 16, "inf" and "nan".
bool IsDecimalNumberText(const wchar_t* text, wchar_t point) {
  while (iswspace(*text)) ++text;
  if (*text == L'+' || *text == L'-') ++text;
  bool mantissa = SkipDigits(text);
  if (*text == point) {
    ++text;
    mantissa = SkipDigits(text) || mantissa;
  }
  if (!mantissa) return false;
  if (*text == L'e' || *text == L'E') {
    ++text;
    if (*text == L'+' || *text == L'-') ++text;
    if (!SkipDigits(text)) return false;
  }
  while (iswspace(*text)) ++text;
  return *text == 0;
}

}  // namespace

bool ParseDouble(const wchar_t* text, double* out) {
  // The length of text that is rewritten for the locale; a longer one is refused rather than
  // cut, which would read a different number.
  constexpr size_t kMaxLocalizedLength = 63;
  if (!out) return false;
  *out = std::numeric_limits<double>::quiet_NaN();
  if (!text || !*text) return false;

  const lconv* conventions = localeconv();
  const wchar_t decimalPoint = LocaleChar(conventions ? conventions->decimal_point : nullptr, L'.');
  const wchar_t thousandsSep = LocaleChar(conventions ? conventions->thousands_sep : nullptr, L',');

  wchar_t localized[kMaxLocalizedLength + 1];
  const wchar_t* source = text;
  if (decimalPoint != L'.' && thousandsSep != L',') {
    const size_t length = wcslen(text);
    if (length > kMaxLocalizedLength) return false;
    for (size_t i = 0; i <= length; ++i) {
      const wchar_t c = text[i];
      localized[i] = c == L'.' ? decimalPoint : c == L',' ? thousandsSep : c;
    }
    source = localized;
  }
  // A number is the whole text, blanks around it aside: "1,500" or "12abc" is none.
  if (!IsDecimalNumberText(source, decimalPoint)) return false;
  double value = 0.0;
  int read = 0;
  if (swscanf(source, L"%lf%n", &value, &read) != 1) return false;
  for (const wchar_t* rest = source + read; *rest; ++rest) {
    if (!iswspace(*rest)) return false;
  }
  // Written too large for a double, "1e999" would be read as infinity.
  if (!std::isfinite(value)) return false;
  *out = value;
  return true;
}

// WQSafeArray

namespace {

// Raises a failed Attach of the VARIANT instance, with the pointer message for E_POINTER.
[[noreturn]] void RaiseAttachFailure(HRESULT hr, const wchar_t* message) {
  WQComException error;
  error.EnterMethod(L"WQSafeArray::Attach", 0);
  if (hr == E_POINTER) error.CheckPointer(nullptr);
  error.ThrowHr(hr, message);
}

VARTYPE ElementType(SAFEARRAY* psa) {
  const USHORT features = psa->fFeatures;
  if (features & FADF_BSTR) return VT_BSTR;
  if (features & FADF_UNKNOWN) return VT_UNKNOWN;
  if (features & FADF_DISPATCH) return VT_DISPATCH;
  if (features & FADF_VARIANT) return VT_VARIANT;
  VARTYPE vt = VT_EMPTY;
  if ((features & FADF_HAVEVARTYPE) && SUCCEEDED(SafeArrayGetVartype(psa, &vt))) return vt;
  return VT_EMPTY;
}

// The interface a VT_DISPATCH or VT_UNKNOWN value holds; other values are no interface.
HRESULT InterfaceOf(const VARIANT& value, IUnknown** unknown) {
  const VARIANT* v = nullptr;
  PLAT_RETURN_IF_FAILED(VariantReferent(value, &v));
  switch (V_VT(v)) {
    case VT_DISPATCH: *unknown = V_DISPATCH(v); return S_OK;
    case VT_UNKNOWN: *unknown = V_UNKNOWN(v); return S_OK;
    case VT_BYREF | VT_DISPATCH:
      if (!V_DISPATCHREF(v)) return E_POINTER;
      *unknown = *V_DISPATCHREF(v);
      return S_OK;
    case VT_BYREF | VT_UNKNOWN:
      if (!V_UNKNOWNREF(v)) return E_POINTER;
      *unknown = *V_UNKNOWNREF(v);
      return S_OK;
    default: return DISP_E_TYPEMISMATCH;
  }
}

}  // namespace

template <VARTYPE DefaultVt>
WQSafeArray<DefaultVt>::WQSafeArray(ULONG count, LONG lowerBound, bool destroyOnRelease) {
  SAFEARRAYBOUND bound{count, lowerBound};
  SAFEARRAY* psa = SafeArrayCreate(DefaultVt, 1, &bound);
  if (!psa) throw std::bad_alloc();
  lock_.access(psa);
  psa_ = psa;
  count_ = count;
  lowerBound_ = lowerBound;
  destroyOnRelease_ = destroyOnRelease;
}

template <VARTYPE DefaultVt>
WQSafeArray<DefaultVt>::WQSafeArray(SAFEARRAY* psa, bool destroyOnRelease) {
  if (psa) Attach(psa, destroyOnRelease);
}

template <VARTYPE DefaultVt>
WQSafeArray<DefaultVt>::~WQSafeArray() {
  Release(destroyOnRelease_);
}

template <VARTYPE DefaultVt>
void WQSafeArray<DefaultVt>::Release(bool destroy) {
  lock_.reset();
  if (psa_ && destroy) SafeArrayDestroy(psa_);
  psa_ = nullptr;
  count_ = 0;
  lowerBound_ = 0;
  vt_ = DefaultVt;
  destroyOnRelease_ = false;
}

template <VARTYPE DefaultVt>
void WQSafeArray<DefaultVt>::Destroy() {
  Release(true);
}

template <VARTYPE DefaultVt>
HRESULT WQSafeArray<DefaultVt>::Attach(SAFEARRAY* psa, bool destroyOnRelease) {
  constexpr bool kRaises = DefaultVt == VT_VARIANT;
  // Re-attaching the held array must not destroy it first.
  Release(destroyOnRelease_ && psa != psa_);
  if (!psa) {
    if constexpr (kRaises) RaiseAttachFailure(E_POINTER, nullptr);
    return E_POINTER;
  }
  const HRESULT locked = lock_.access(psa);
  if (FAILED(locked)) {
    if constexpr (kRaises) RaiseAttachFailure(locked, L"Could not lock the safe array");
    return locked;
  }
  const VARTYPE vt = ElementType(psa);
  const bool accepted = SafeArrayGetDim(psa) == 1 && (kRaises || vt == VT_BSTR || vt == VT_VARIANT);
  if (!accepted) {
    lock_.reset();
    if constexpr (kRaises)
      RaiseAttachFailure(E_INVALIDARG, L"Safe array is not a 1-Dimensional vector");
    return E_INVALIDARG;
  }
  psa_ = psa;
  vt_ = vt;
  lowerBound_ = psa->rgsabound[0].lLbound;
  count_ = psa->rgsabound[0].cElements;
  destroyOnRelease_ = destroyOnRelease;
  return S_OK;
}

template <VARTYPE DefaultVt>
SAFEARRAY* WQSafeArray<DefaultVt>::Detach() {
  SAFEARRAY* psa = psa_;
  Release(false);
  return psa;
}

template <VARTYPE DefaultVt>
HRESULT WQSafeArray<DefaultVt>::DetachToVariant(VARIANT* out) {
  if (!out) return E_POINTER;
  PLAT_RETURN_IF_FAILED(VariantClear(out));
  if (!psa_) return S_OK;
  const VARTYPE vt = vt_;
  V_ARRAY(out) = Detach();
  V_VT(out) = VT_ARRAY | vt;
  return S_OK;
}

template <VARTYPE DefaultVt>
HRESULT WQSafeArray<DefaultVt>::Position(LONG index, LONG* position) const {
  if (!psa_) return E_UNEXPECTED;
  const int64_t at = static_cast<int64_t>(lowerBound_) + index;
  if (at < std::numeric_limits<LONG>::min() || at > std::numeric_limits<LONG>::max())
    return DISP_E_BADINDEX;
  *position = static_cast<LONG>(at);
  return S_OK;
}

template <VARTYPE DefaultVt>
HRESULT WQSafeArray<DefaultVt>::SetAt(LONG index, const wchar_t* text) {
  LONG position;
  PLAT_RETURN_IF_FAILED(Position(index, &position));
  if (vt_ != VT_VARIANT && vt_ != VT_BSTR) return E_FAIL;
  // SafeArrayPutElement reads the length prefix, so a plain wide text is made a BSTR first.
  plat::unique_bstr copy;
  if (text) {
    copy.reset(SysAllocString(text));
    if (!copy) return E_OUTOFMEMORY;
  }
  if (vt_ == VT_BSTR) return SafeArrayPutElement(psa_, &position, copy.get());
  VARIANT element;
  V_VT(&element) = VT_BSTR;
  V_BSTR(&element) = copy.get();
  return SafeArrayPutElement(psa_, &position, &element);
}

template <VARTYPE DefaultVt>
HRESULT WQSafeArray<DefaultVt>::PutElement(LONG index, const VARIANT& value) {
  LONG position;
  PLAT_RETURN_IF_FAILED(Position(index, &position));
  switch (vt_) {
    case VT_VARIANT: return SafeArrayPutElement(psa_, &position, const_cast<VARIANT*>(&value));
    case VT_I2:
    case VT_I4: {
      long number;
      PLAT_RETURN_IF_FAILED(VariantToLong(value, &number, true));
      if (vt_ == VT_I4) return SafeArrayPutElement(psa_, &position, &number);
      if (number < SHRT_MIN || number > SHRT_MAX) return DISP_E_OVERFLOW;
      SHORT narrow = static_cast<SHORT>(number);
      return SafeArrayPutElement(psa_, &position, &narrow);
    }
    case VT_R4:
    case VT_R8: {
      double number;
      PLAT_RETURN_IF_FAILED(VariantToDouble(value, &number, true));
      if (vt_ == VT_R8) return SafeArrayPutElement(psa_, &position, &number);
      if (std::isfinite(number) && std::fabs(number) > FLT_MAX) return DISP_E_OVERFLOW;
      float narrow = static_cast<float>(number);
      return SafeArrayPutElement(psa_, &position, &narrow);
    }
    case VT_BSTR: {
      plat::unique_bstr text;
      PLAT_RETURN_IF_FAILED(VariantToBSTR(value, text.put()));
      return SafeArrayPutElement(psa_, &position, text.get());
    }
    case VT_BOOL: {
      bool flag;
      PLAT_RETURN_IF_FAILED(VariantToBool(value, &flag, true));
      VARIANT_BOOL stored = flag ? VARIANT_TRUE : VARIANT_FALSE;
      return SafeArrayPutElement(psa_, &position, &stored);
    }
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      IUnknown* given = nullptr;
      PLAT_RETURN_IF_FAILED(InterfaceOf(value, &given));
      // A null interface is a valid value ("Nothing") and empties the slot.
      plat::com_ptr<IUnknown> stored;
      if (given) {
        const IID& iid = vt_ == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
        PLAT_RETURN_IF_FAILED(given->QueryInterface(iid, stored.put_void()));
      }
      return SafeArrayPutElement(psa_, &position, stored.get());
    }
    default: return E_INVALIDARG;
  }
}

template <VARTYPE DefaultVt>
HRESULT WQSafeArray<DefaultVt>::GetAt(LONG index, VARIANT* out) const {
  if (!out) return E_POINTER;
  VariantInit(out);
  LONG position;
  HRESULT hr = Position(index, &position);
  if (SUCCEEDED(hr)) {
    switch (vt_) {
      case VT_VARIANT: hr = SafeArrayGetElement(psa_, &position, out); break;
      case VT_I2:
      case VT_I4:
      case VT_R4:
      case VT_R8:
      case VT_BSTR:
      case VT_DISPATCH:
      case VT_BOOL:
      case VT_UNKNOWN:
        // The element is read straight into the VARIANT's value of the same type.
        hr = SafeArrayGetElement(psa_, &position, &out->llVal);
        if (SUCCEEDED(hr)) V_VT(out) = vt_;
        break;
      default: hr = E_INVALIDARG; break;
    }
  }
  if (FAILED(hr)) {
    V_VT(out) = VT_ERROR;
    V_ERROR(out) = hr;
  }
  return hr;
}

template <VARTYPE DefaultVt>
HRESULT WQSafeArray<DefaultVt>::Resize(ULONG count, LONG lowerBound) {
  SAFEARRAYBOUND bound{count, lowerBound};
  if (psa_) {
    lock_.reset();
    const HRESULT redimmed = SafeArrayRedim(psa_, &bound);
    const HRESULT relocked = lock_.access(psa_);
    PLAT_RETURN_IF_FAILED(redimmed);
    PLAT_RETURN_IF_FAILED(relocked);
  } else {
    plat::unique_safearray created(SafeArrayCreate(vt_, 1, &bound));
    if (!created) return E_OUTOFMEMORY;
    PLAT_RETURN_IF_FAILED(lock_.access(created.get()));
    psa_ = created.release();
    destroyOnRelease_ = true;
  }
  count_ = count;
  lowerBound_ = lowerBound;
  return S_OK;
}

template class WQSafeArray<VT_BSTR>;
template class WQSafeArray<VT_VARIANT>;
