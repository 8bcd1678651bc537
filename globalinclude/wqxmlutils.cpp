#include "wqxmlutils.h"

#include <clocale>
#include <cstdio>

#include "variantutil.h"

void WQAppendXMLEscaped(WQStringBuffer& out, const wchar_t* text, size_t length) {
  if (!text) return;
  const wchar_t* run = text;
  const wchar_t* const end = text + length;
  for (const wchar_t* p = text; p != end; ++p) {
    const wchar_t* entity;
    switch (*p) {
      case L'\0': entity = L"&#00;"; break;
      case L'\n': entity = L"&#10;"; break;
      case L'\r': entity = L"&#13;"; break;
      case L'"': entity = L"&quot;"; break;
      case L'&': entity = L"&amp;"; break;
      case L'\'': entity = L"&apos;"; break;
      case L'<': entity = L"&lt;"; break;
      case L'>': entity = L"&gt;"; break;
      default: continue;
    }
    out.Append(run, static_cast<size_t>(p - run));
    out.Append(entity);
    run = p + 1;
  }
  out.Append(run, static_cast<size_t>(end - run));
}

// The C runtime formats with its current locale's decimal point; XML wants '.'.
size_t WQFormatXMLDouble(double value, wchar_t (&text)[64]) {
  int length = _snwprintf(text, 63, L"%.16g", value);
  if (length < 0) length = 0;
  text[length] = L'\0';
  const lconv* conv = localeconv();
  const char point =
      conv && conv->decimal_point && *conv->decimal_point ? *conv->decimal_point : '.';
  const char separator =
      conv && conv->thousands_sep && *conv->thousands_sep ? *conv->thousands_sep : ',';
  if (point == '.' && separator == ',') return static_cast<size_t>(length);
  for (wchar_t* p = text; *p; ++p) {
    if (*p == static_cast<wchar_t>(static_cast<unsigned char>(separator))) {
      *p = L',';
    } else if (*p == static_cast<wchar_t>(static_cast<unsigned char>(point))) {
      *p = L'.';
      break;
    }
  }
  return static_cast<size_t>(length);
}

size_t WQFormatXMLLong(LONG value, wchar_t (&text)[64]) {
  const int length = _snwprintf(text, 63, L"%ld", value);
  text[length < 0 ? 0 : length] = L'\0';
  return length < 0 ? 0 : static_cast<size_t>(length);
}

int WQMissingUtf8Bytes(const BYTE* data, size_t count) {
  const BYTE b1 = count >= 1 ? data[count - 1] : 0;
  const BYTE b2 = count >= 2 ? data[count - 2] : 0;
  const BYTE b3 = count >= 3 ? data[count - 3] : 0;
  const auto continuation = [](BYTE b) { return b >= 0x80 && b <= 0xBF; };
  if (b1 < 0x80) return 0;
  if (continuation(b1)) {
    if (continuation(b2)) return b3 >= 0xF0 && b3 <= 0xF4 ? 1 : 0;
    if (b2 >= 0xC2 && b2 <= 0xDF) return 0;
    if (b2 >= 0xE0 && b2 <= 0xEF) return 1;
    return 2;
  }
  if (b1 >= 0xC2 && b1 <= 0xDF) return 1;
  if (b1 >= 0xE0 && b1 <= 0xEF) return 2;
  return 3;
}

// Strict conversions: a VARIANT of another class than the operation's is not coerced.
HRESULT WQReadXMLVariantValue(const VARIANT& value, WQXMLVariantValue& out) {
  const VARIANT* v = nullptr;
  PLAT_RETURN_IF_FAILED(VariantReferent(value, &v));
  const bool byRef = (v->vt & VT_BYREF) != 0;
  if (byRef && !v->byref) return E_POINTER;
  switch (v->vt & ~VT_BYREF) {
    case VT_EMPTY:
    case VT_NULL:
      out.kind = WQXMLVariantValue::kString;
      out.text = L"";
      out.length = 0;
      return S_OK;
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT: {
      long number = 0;
      const HRESULT hr = VariantToLong(*v, &number, false);
      if (FAILED(hr)) return hr;
      out.kind = WQXMLVariantValue::kLong;
      out.longValue = number;
      return S_OK;
    }
    case VT_R4:
    case VT_R8:
    case VT_DATE:
      out.kind = WQXMLVariantValue::kDouble;
      return VariantToDouble(*v, &out.doubleValue, false);
    case VT_BSTR: {
      // Written from the BSTR itself: no copy, and embedded NULs are kept.
      const BSTR text = byRef ? *v->pbstrVal : v->bstrVal;
      out.kind = WQXMLVariantValue::kString;
      out.text = text ? text : L"";
      out.length = SysStringLen(text);
      return S_OK;
    }
    case VT_BOOL:
      out.kind = WQXMLVariantValue::kBool;
      return VariantToBool(*v, &out.boolValue, false);
    default: return E_FAIL;
  }
}
