// VARIANT and SAFEARRAY utilities: lenient reading of VARIANT arguments as boolean, integer,
// double or string, the test for an omitted optional argument, the locale-aware text-to-double
// conversion, and WQSafeArray, a one-dimensional SAFEARRAY kept locked while it is filled or read.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <handles.h>

// Each conversion follows VT_BYREF|VT_VARIANT to the VARIANT it refers to. `convert` allows
// conversion from other types; without it only the natural types are accepted and anything
// else gives DISP_E_TYPEMISMATCH. `out` is written only on success.
HRESULT VariantToBool(const VARIANT& value, bool* out, bool convert);
HRESULT VariantToLong(const VARIANT& value, long* out, bool convert);
HRESULT VariantToDouble(const VARIANT& value, double* out, bool convert);
// The integer types of 8 to 32 bits, also by reference: those VariantToLong reads without
// `convert`.
bool IsIntegerVariantType(VARTYPE vt);

// A copy of a string VARIANT, freed by the caller; other types are not converted.
HRESULT VariantToBSTR(const VARIANT& value, BSTR* out);

// "0"/"1", "false"/"true", "no"/"yes", "off"/"on", without regard to case; else E_FAIL.
HRESULT TextToBool(const wchar_t* text, bool* out);

// The VARIANT that a VT_BYREF|VT_VARIANT chain ends in (`value` itself when it is none):
// E_POINTER for a null reference, E_INVALIDARG for a chain that does not end (a VARIANT that
// refers to itself). The module follows every chain here and nowhere else.
HRESULT VariantReferent(const VARIANT& value, const VARIANT** referent);
// The same, null for either failure.
const VARIANT* VariantReferent(const VARIANT& value);

// A copy of the value a VARIANT argument stands for: VT_BYREF|VT_VARIANT chains and
// by-reference values are followed, as scripting hosts pass their variables by reference.
// E_POINTER for a null reference, E_INVALIDARG for a chain that does not end.
HRESULT VariantCopyValue(const VARIANT& value, VARIANT* out);

// Whether an optional argument was given: empty, null and omitted (VT_ERROR) arguments and
// null interface pointers hold no value. A reference that cannot be followed holds one, which
// the conversions refuse.
bool VariantHasValue(const VARIANT& value);

// The lower bound and the element count of a one-dimensional array; E_POINTER for none,
// E_INVALIDARG for other dimensions. Walk the count, not the bounds: the upper bound of an
// empty array at the lowest bound wraps round to the highest.
HRESULT SafeArrayExtent(SAFEARRAY* array, LONG* lower, ULONG* count);
// The index of element `n` of an array whose first is at `lower`.
inline LONG SafeArrayIndex(LONG lower, ULONG n) {
  return static_cast<LONG>(static_cast<ULONG>(lower) + n);
}

// Reads a double written with '.' as decimal point as well as one in the C runtime's current
// locale. The whole text must be a finite decimal number, blanks around it aside (no "1e",
// hexadecimal, infinity or NaN); `out` is NaN when the text is not one.
bool ParseDouble(const wchar_t* text, double* out);

// A one-dimensional SAFEARRAY, kept locked while wrapped. Indices are zero-based and count from
// the array's lower bound. Two instances: WQBstrSafeArray (string lists; Attach accepts only
// string and VARIANT elements and returns its failures) and WQVariantSafeArray (any element
// type; Attach raises its failures as WQComException).
template <VARTYPE DefaultVt>
class WQSafeArray {
 public:
  // A new array of the default element type; throws std::bad_alloc when it cannot be made.
  WQSafeArray(ULONG count, LONG lowerBound, bool destroyOnRelease);
  // Empty, or wrapping `psa` as Attach does.
  explicit WQSafeArray(SAFEARRAY* psa = nullptr, bool destroyOnRelease = false);
  WQSafeArray(const WQSafeArray&) = delete;
  WQSafeArray& operator=(const WQSafeArray&) = delete;
  ~WQSafeArray();

  // Releases the array held so far (destroying it only when owned) and wraps `psa`.
  HRESULT Attach(SAFEARRAY* psa, bool destroyOnRelease);
  // Unlocks the array and hands it out; the wrapper is empty afterwards.
  SAFEARRAY* Detach();
  // Moves the array (unlocked) into `out` as VT_ARRAY of the element type; an empty wrapper
  // leaves `out` empty.
  HRESULT DetachToVariant(VARIANT* out);

  // Stores a copy of a string into a string or VARIANT array; other arrays give E_FAIL.
  HRESULT SetAt(LONG index, const wchar_t* text);
  // Stores a value converted to the element type.
  HRESULT PutElement(LONG index, const VARIANT& value);
  // Reads an element; `out` is treated as uninitialised and on failure holds VT_ERROR with the
  // failing code.
  HRESULT GetAt(LONG index, VARIANT* out) const;
  // New count and lower bound, keeping the elements that remain; without an array makes one
  // (which the wrapper then owns).
  HRESULT Resize(ULONG count, LONG lowerBound);
  // Unlocks and destroys the array whoever owns it.
  void Destroy();

  SAFEARRAY* Get() const { return psa_; }
  ULONG GetCount() const { return count_; }
  LONG GetLowerBound() const { return lowerBound_; }
  VARTYPE GetType() const { return vt_; }
  bool OwnsArray() const { return psa_ && destroyOnRelease_; }

 private:
  void Release(bool destroy);
  HRESULT Position(LONG index, LONG* position) const;

  SAFEARRAY* psa_ = nullptr;
  plat::safearray_data<void> lock_;  // psa_'s, for as long as it is wrapped
  ULONG count_ = 0;
  LONG lowerBound_ = 0;
  VARTYPE vt_ = DefaultVt;
  bool destroyOnRelease_ = false;
};

using WQBstrSafeArray = WQSafeArray<VT_BSTR>;
using WQVariantSafeArray = WQSafeArray<VT_VARIANT>;

extern template class WQSafeArray<VT_BSTR>;
extern template class WQSafeArray<VT_VARIANT>;
