#include "requesttext.h"

#include <handles.h>
#include <variantutil.h>
#include <wqcomexception.h>

#include <cwchar>

namespace {

constexpr wchar_t kNulTextMessage[] =
    L"The text of %ls holds a NUL character, which a request cannot carry";

// A self-referring chain or an array nested beyond this is refused elsewhere.
constexpr int kMaxDepth = 32;

bool ValueHoldsNul(const VARIANT& value, int depth);

bool ArrayHoldsNul(SAFEARRAY* array, VARTYPE vt, int depth) {
  // An array whose elements are not what its VARIANT says is refused where it is read.
  if (!array || (vt != VT_BSTR && vt != VT_VARIANT) ||
      SafeArrayGetElemsize(array) != (vt == VT_BSTR ? sizeof(BSTR) : sizeof(VARIANT)))
    return false;
  ULONG count = 1;
  for (UINT d = 0; d < array->cDims; ++d) count *= array->rgsabound[d].cElements;
  plat::safearray_data<void> data;
  if (FAILED(data.access(array))) return false;
  for (ULONG i = 0; i < count; ++i) {
    if (vt == VT_BSTR ? HoldsNul(static_cast<BSTR*>(data.get())[i])
                      : ValueHoldsNul(static_cast<VARIANT*>(data.get())[i], depth + 1))
      return true;
  }
  return false;
}

bool ValueHoldsNul(const VARIANT& value, int depth) {
  if (depth > kMaxDepth) return false;
  const VARIANT* v = VariantReferent(value);
  if (!v) return false;
  const VARTYPE vt = V_VT(v);
  if (vt & VT_ARRAY)
    return ArrayHoldsNul((vt & VT_BYREF) ? (V_ARRAYREF(v) ? *V_ARRAYREF(v) : nullptr) : V_ARRAY(v),
                         vt & VT_TYPEMASK, depth);
  if (vt == VT_BSTR) return HoldsNul(V_BSTR(v));
  if (vt == (VT_BSTR | VT_BYREF)) return V_BSTRREF(v) && HoldsNul(*V_BSTRREF(v));
  return false;
}

const RequestText* FirstHoldingNul(std::initializer_list<RequestText> texts) {
  for (const RequestText& text : texts)
    if (text.holdsNul()) return &text;
  return nullptr;
}

}  // namespace

bool HoldsNul(BSTR text) { return text && wcsnlen(text, SysStringLen(text)) < SysStringLen(text); }

RequestText::RequestText(const wchar_t* parameter, BSTR text)
    : parameter_(parameter), holdsNul_(HoldsNul(text)) {}

RequestText::RequestText(const wchar_t* parameter, const VARIANT& value)
    : parameter_(parameter), holdsNul_(ValueHoldsNul(value, 0)) {}

void CheckRequestTexts(WQComException& error, std::initializer_list<RequestText> texts) {
  if (const RequestText* text = FirstHoldingNul(texts))
    error.ThrowHrAt(WQ_HERE, E_INVALIDARG, kNulTextMessage, text->parameter());
}

HRESULT RefuseNulTexts(const wchar_t* method, std::initializer_list<RequestText> texts) {
  const RequestText* text = FirstHoldingNul(texts);
  if (!text) return S_OK;
  WQComException error;
  error.EnterMethod(method, 0);
  error.SetErrorHr(E_INVALIDARG, kNulTextMessage, text->parameter());
  return error.ReturnHResult();
}
