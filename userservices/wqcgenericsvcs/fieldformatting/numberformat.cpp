#include "numberformat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace wqc {

namespace {

std::wstring LocaleText(LCID lcid, LCTYPE type, const wchar_t* fallback) {
  int size = GetLocaleInfoW(lcid, type, nullptr, 0);
  if (size <= 0) return fallback;
  std::wstring text(static_cast<size_t>(size), L'\0');
  size = GetLocaleInfoW(lcid, type, text.data(), size);
  if (size <= 0) return fallback;
  text.resize(static_cast<size_t>(size) - 1);
  return text;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

bool IsRealType(wchar_t type) {
  switch (type) {
    case L'E':
    case L'e':
    case L'F':
    case L'f':
    case L'G':
    case L'g':
    case L'H':
    case L'h': return true;
    default: return false;
  }
}

// 10^n for n >= 0; exact up to 10^22, the largest power of ten a double holds.
double PowerOfTen(long n) {
  static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  return n < 23 ? kExact[n] : std::pow(10.0, static_cast<double>(n));
}

// value / 10^exponent. A negative exponent multiplies by the exact power, so 0.0001 scales
// to exactly 1; exponents near the ends of the double range are applied in two steps, so
// that a power of ten that is itself out of range does not turn the value into 0 or
// infinity.
double ScaleByPowerOfTen(double value, long exponent) {
  if (exponent < -300 || exponent > 300) {
    const long half = exponent / 2;
    return ScaleByPowerOfTen(ScaleByPowerOfTen(value, half), exponent - half);
  }
  return exponent >= 0 ? value / PowerOfTen(exponent) : value * PowerOfTen(-exponent);
}

// The decimal digits of a finite, non-zero magnitude as the runtime prints them: 17
// significant digits, the first not 0, and the power of ten of the first. The exponent of
// a value is read from these rather than computed with pow, which is inexact above 10^22
// and would put an exact power of ten one exponent too low.
struct PrintedDigits {
  wchar_t digits[17];
  long exponent;
};

PrintedDigits DigitsOf(double magnitude) {
  // "d.dddddddddddddddde+ddd"; the point is the runtime locale's and is skipped.
  wchar_t buffer[32];
  _snwprintf(buffer, 32, L"%.16e", magnitude);
  buffer[31] = L'\0';
  PrintedDigits printed;
  printed.digits[0] = buffer[0];
  wmemcpy(printed.digits + 1, buffer + 2, 16);
  printed.exponent = wcstol(buffer + 19, nullptr, 10);
  return printed;
}

// `digits` with a point after the first `integerDigits` of them, rounded half up to
// `decimals` decimals as the platform's number formatting rounds. A carry may add a leading
// digit.
std::wstring RoundedDecimalText(const wchar_t* digits, size_t count, size_t integerDigits,
                                UINT decimals) {
  std::wstring text(digits, std::min(count, integerDigits + decimals));
  text.resize(integerDigits + decimals, L'0');
  if (integerDigits + decimals < count && digits[integerDigits + decimals] >= L'5') {
    size_t i = text.size();
    while (i > 0 && text[i - 1] == L'9') text[--i] = L'0';
    if (i == 0) {
      text.insert(text.begin(), L'1');
      ++integerDigits;
    } else {
      ++text[i - 1];
    }
  }
  if (decimals > 0) text.insert(integerDigits, 1, L'.');
  return text;
}

// Whether the printed digits are those of an exact power of ten.
bool IsPowerOfTen(const PrintedDigits& printed) {
  return printed.digits[0] == L'1' &&
         std::all_of(printed.digits + 1, printed.digits + 17, [](wchar_t c) { return c == L'0'; });
}

// Engineering notation: the exponent moves in threes until the mantissa lies in [1, 1000].
// Values from 0.01 up to 1000 keep exponent 0, and a power of ten from 10^6 up keeps 1000 as
// its mantissa.
long EngineeringExponent(const PrintedDigits& printed) {
  const long exponent = printed.exponent;
  if (exponent >= -2 && exponent < 3) return 0;
  const long step = (exponent >= 0 ? exponent : exponent - 2) / 3 * 3;
  if (exponent >= 6 && exponent % 3 == 0 && IsPowerOfTen(printed)) return step - 3;
  return step;
}

// The exponent a type computes for a non-zero finite value when the format fixes none.
long ExponentForType(wchar_t type, const PrintedDigits& printed, const RealFormat& format) {
  switch (type) {
    case L'E':
    case L'e': return printed.exponent;
    case L'G':
    case L'g': {
      const int precision = format.hasPrecision ? format.precision : 8;
      return (printed.exponent < -4 || printed.exponent >= precision) ? printed.exponent : 0;
    }
    case L'H':
    case L'h': return EngineeringExponent(printed);
    default: return 0;
  }
}

// "%.16f" of a finite value, with '.' as decimal point whatever the C runtime's locale;
// empty when it cannot be written. The largest finite double has 309 digits before the
// point, so the buffer always holds it.
constexpr size_t kFixedPointCapacity = 400;
const wchar_t* FixedPointText(double value, wchar_t (&buffer)[kFixedPointCapacity]) {
  const int length = _snwprintf(buffer, kFixedPointCapacity, L"%.16f", value);
  if (length <= 0 || static_cast<size_t>(length) >= kFixedPointCapacity) return L"";
  for (wchar_t* p = buffer; p != buffer + length; ++p) {
    if (!IsDigit(*p) && *p != L'-') *p = L'.';
  }
  buffer[length] = L'\0';
  return buffer;
}

// "%d" of a value.
const wchar_t* IntegerText(long value, wchar_t (&buffer)[16]) {
  unsigned long magnitude =
      value < 0 ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
  wchar_t* p = buffer + 16;
  *--p = L'\0';
  do {
    *--p = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--p = L'-';
  return p;
}

// Appends GetNumberFormatW of a '.'-written number, without grouping; nothing when it fails.
void AppendPlatformNumber(std::wstring& text, const NumberLocale& locale, const wchar_t* number,
                          UINT digits, const wchar_t* decimalSeparator) {
  NUMBERFMTW format = {};
  format.NumDigits = digits;
  format.LeadingZero = static_cast<UINT>(locale.leadingZero);
  format.Grouping = 0;
  format.lpDecimalSep = const_cast<wchar_t*>(decimalSeparator);
  format.lpThousandSep = const_cast<wchar_t*>(L"");
  format.NegativeOrder = static_cast<UINT>(locale.negativeOrder);
  // One call does for every number short enough; a longer one is measured first.
  wchar_t buffer[128];
  int size = GetNumberFormatW(locale.lcid, 0, number, &format, buffer, 128);
  if (size > 0) {
    text.append(buffer, static_cast<size_t>(size) - 1);
    return;
  }
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return;
  size = GetNumberFormatW(locale.lcid, 0, number, &format, nullptr, 0);
  if (size <= 0) return;
  std::wstring formatted(static_cast<size_t>(size), L'\0');
  size = GetNumberFormatW(locale.lcid, 0, number, &format, formatted.data(), size);
  if (size > 0) text.append(formatted.c_str(), static_cast<size_t>(size) - 1);
}

// The longest number text handed to the platform's number formatting. Wine's ends the
// process for a negative number of about 290 characters and formats nothing from there on,
// so longer numbers (whole numbers of more than 40 digits in fixed point) are laid out here.
constexpr size_t kLongestPlatformNumber = 64;

// Appends a '.'-written number as the platform's number formatting writes it. A long one is
// rounded here, and the platform formats a stand-in with the integer part 1 and the same
// sign and decimals, whose 1 then becomes the whole integer part: numbers are never grouped,
// so the integer part does not change how the rest is laid out.
void AppendLocaleNumber(std::wstring& text, const NumberLocale& locale, const wchar_t* number,
                        UINT digits, const wchar_t* decimalSeparator) {
  if (wcslen(number) <= kLongestPlatformNumber) {
    AppendPlatformNumber(text, locale, number, digits, decimalSeparator);
    return;
  }
  const bool negative = *number == L'-';
  if (negative) ++number;
  const wchar_t* point = wcschr(number, L'.');
  const size_t integerDigits = point ? static_cast<size_t>(point - number) : wcslen(number);
  std::wstring allDigits(number, integerDigits);
  if (point) allDigits += point + 1;
  const std::wstring rounded =
      RoundedDecimalText(allDigits.c_str(), allDigits.size(), integerDigits, digits);
  const size_t roundedIntegerDigits = digits > 0 ? rounded.find(L'.') : rounded.size();

  std::wstring standIn = negative ? L"-1" : L"1";
  standIn.append(rounded, roundedIntegerDigits, std::wstring::npos);
  const size_t start = text.size();
  AppendPlatformNumber(text, locale, standIn.c_str(), digits, decimalSeparator);
  const size_t one = text.find(L'1', start);
  if (one != std::wstring::npos) text.replace(one, 1, rounded, 0, roundedIntegerDigits);
}

// `text` read by the platform's number parser without its hexadecimal and octal forms, and
// converted to `vt` (VT_R8, VT_I4).
HRESULT ReadLocaleNumber(const wchar_t* text, LCID lcid, VARTYPE vt, VARIANT* number) {
  NUMPARSE parsed = {};
  BYTE digits[1024];
  parsed.cDig = ARRAYSIZE(digits);
  parsed.dwInFlags = NUMPRS_STD & ~NUMPRS_HEX_OCT;
  PLAT_RETURN_IF_FAILED(
      VarParseNumFromStr(const_cast<wchar_t*>(text ? text : L""), lcid, 0, &parsed, digits));
  PLAT_RETURN_IF_FAILED(VarNumFromParseNum(&parsed, digits, 1ul << vt, number));
  return V_VT(number) == vt ? S_OK : DISP_E_TYPEMISMATCH;
}

void ThrowIfThousandsSeparator(WQComException& error, const std::wstring& text,
                               const NumberLocale& locale) {
  if (!locale.thousandsSeparator.empty() &&
      text.find(locale.thousandsSeparator) != std::wstring::npos) {
    error.ThrowHrAt(WQ_HERE, E_FAIL, L"Thousands separator is not allowed for number input.");
  }
}

}  // namespace

NumberLocale NumberLocale::For(LCID lcid) {
  NumberLocale locale;
  locale.lcid = lcid;
  locale.decimalSeparator = LocaleText(lcid, LOCALE_SDECIMAL, L".");
  locale.thousandsSeparator = LocaleText(lcid, LOCALE_STHOUSAND, L",");
  locale.digits = _wtoi(LocaleText(lcid, LOCALE_IDIGITS, L"2").c_str());
  locale.leadingZero = _wtoi(LocaleText(lcid, LOCALE_ILZERO, L"1").c_str());
  locale.negativeOrder = _wtoi(LocaleText(lcid, LOCALE_INEGNUMBER, L"1").c_str());
  return locale;
}

RealFormat ReadRealFormat(const wchar_t* text) {
  if (!text || !*text) text = L"%*g";
  RealFormat format;
  const wchar_t* p = text;
  while (*p && !iswalpha(*p)) {
    switch (*p++) {
      case L'*': format.descriptive = true; break;
      case L'+': format.plusSign = true; break;
      case L',': {
        const wchar_t* run = p;
        while (IsDigit(*p) || *p == L'-' || *p == L'+') ++p;
        format.hasExponent = true;
        format.exponentText.assign(run, p);
        format.exponent = wcstol(format.exponentText.c_str(), nullptr, 10);
        break;
      }
      case L'.': {
        // Any precision above 9 shows 9 decimals; the bound only keeps the count in range.
        int precision = 0;
        for (; IsDigit(*p); ++p) {
          if (precision < 100000) precision = precision * 10 + (*p - L'0');
        }
        format.hasPrecision = true;
        format.precision = precision;
        break;
      }
      default: break;
    }
  }
  format.type = *p;
  return format;
}

std::wstring FormatRealNumber(WQComException& error, double value, const RealFormat& format,
                              const NumberLocale& locale) {
  std::wstring text;
  FormatRealNumber(error, value, format, locale, text);
  return text;
}

void FormatRealNumber(WQComException& error, double value, const RealFormat& format,
                      const NumberLocale& locale, std::wstring& text) {
  text.clear();
  if (!IsRealType(format.type)) error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"Invalid format type");
  if (!std::isfinite(value)) {
    error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"Value is not a finite real number");
  }

  const int precision = format.hasPrecision ? format.precision : locale.digits;
  const UINT digits = static_cast<UINT>(precision < 0 ? 0 : (precision > 9 ? 9 : precision));
  if (format.plusSign && value > 0) text = L"+";

  // Without a fixed exponent, E, G and H choose one from the value's printed digits, and
  // those digits are the mantissa: scaling by a power of ten would round it off. F never
  // moves the point, so it needs no digits printed beforehand.
  const bool fixedPoint = format.type == L'F' || format.type == L'f';
  if (!format.hasExponent && !fixedPoint && value != 0) {
    const PrintedDigits printed = DigitsOf(std::fabs(value));
    long exponent = ExponentForType(format.type, printed, format);
    const bool scientific = format.type == L'E' || format.type == L'e';
    if (exponent != 0 || scientific) {
      const size_t integerDigits = static_cast<size_t>(printed.exponent - exponent + 1);
      std::wstring mantissa = RoundedDecimalText(printed.digits, 17, integerDigits, digits);
      // Rounded up to 10, the mantissa of E and G moves on to the next exponent; that of H
      // may be 1000.
      const bool engineering = format.type == L'H' || format.type == L'h';
      if (!engineering && mantissa.size() > integerDigits + digits + (digits > 0 ? 1 : 0)) {
        ++exponent;
        mantissa = RoundedDecimalText(L"1", 1, 1, digits);
      }
      if (value < 0) mantissa.insert(0, 1, L'-');
      AppendLocaleNumber(text, locale, mantissa.c_str(), digits, locale.decimalSeparator.c_str());
      if (exponent != 0) {
        text += iswupper(format.type) ? L'E' : L'e';
        text += std::to_wstring(exponent);
      }
      return;
    }
  }

  // A fixed exponent holds for every type.
  const long exponent = format.hasExponent ? format.exponent : 0;
  if (exponent != 0) {
    const double scaled = ScaleByPowerOfTen(value, exponent);
    // An exponent the value cannot be scaled by, in either direction, is a bad format: it
    // would write infinity, or zero for any value.
    if (!std::isfinite(scaled) || (value != 0 && std::fpclassify(scaled) != FP_NORMAL))
      error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"Invalid format string");
    value = scaled;
  }
  wchar_t number[kFixedPointCapacity];
  AppendLocaleNumber(text, locale, FixedPointText(value, number), digits,
                     locale.decimalSeparator.c_str());
  if (exponent != 0) {
    text += iswupper(format.type) ? L'E' : L'e';
    text += format.exponentText;
  }
}

std::wstring FormatIntegerNumber(long value, bool plusSign, const NumberLocale& locale) {
  std::wstring text;
  FormatIntegerNumber(value, plusSign, locale, text);
  return text;
}

void FormatIntegerNumber(long value, bool plusSign, const NumberLocale& locale,
                         std::wstring& text) {
  text.clear();
  if (plusSign && value >= 1) text = L"+";
  wchar_t number[16];
  AppendLocaleNumber(text, locale, IntegerText(value, number), 0, L".");
}

HRESULT ReadLocaleReal(const wchar_t* text, LCID lcid, double* value) {
  VARIANT number;
  PLAT_RETURN_IF_FAILED(ReadLocaleNumber(text, lcid, VT_R8, &number));
  *value = V_R8(&number);
  return S_OK;
}

HRESULT ReadLocaleInteger(const wchar_t* text, LCID lcid, LONG* value) {
  VARIANT number;
  PLAT_RETURN_IF_FAILED(ReadLocaleNumber(text, lcid, VT_I4, &number));
  *value = V_I4(&number);
  return S_OK;
}

RealNumberText ReadRealNumber(WQComException& error, const std::wstring& text,
                              const NumberLocale& locale) {
  RealNumberText result;
  const HRESULT hr = ReadLocaleReal(text.c_str(), locale.lcid, &result.value);
  if (FAILED(hr)) error.ThrowHrAt(WQ_HERE, hr, L"Invalid descriptive text");
  ThrowIfThousandsSeparator(error, text, locale);

  // The decimals and the exponent as typed decide the format that writes the value back;
  // every character between the decimal separator and the exponent counts as a decimal.
  const std::wstring& decimalSeparator = locale.decimalSeparator;
  int decimals = 0;
  bool inDecimals = false;
  wchar_t exponentLetter = 0;
  std::wstring exponentText;
  for (size_t i = 0; i < text.size();) {
    if (!decimalSeparator.empty() &&
        text.compare(i, decimalSeparator.size(), decimalSeparator) == 0) {
      inDecimals = true;
      i += decimalSeparator.size();
      continue;
    }
    const wchar_t c = text[i];
    if (c == L'e' || c == L'E') {
      exponentLetter = c;
      exponentText = text.substr(i + 1);
      break;
    }
    if (inDecimals) ++decimals;
    ++i;
  }

  result.formatTail = L"." + std::to_wstring(decimals);
  if (exponentLetter) {
    result.formatTail += L',';
    result.formatTail += exponentText;
    result.formatTail += exponentLetter;
  } else {
    result.formatTail += L'f';
  }
  return result;
}

LONG ReadIntegerNumber(WQComException& error, const std::wstring& text,
                       const NumberLocale& locale) {
  LONG value = 0;
  const HRESULT hr = ReadLocaleInteger(text.c_str(), locale.lcid, &value);
  if (FAILED(hr)) error.ThrowHrAt(WQ_HERE, hr, L"Invalid descriptive text");

  // The integer conversion rounds a fraction away; the exact value shows it.
  double exact = 0;
  if (FAILED(ReadLocaleReal(text.c_str(), locale.lcid, &exact)) ||
      exact != static_cast<double>(value)) {
    error.ThrowHrAt(WQ_HERE, DISP_E_TYPEMISMATCH, L"Invalid descriptive text");
  }
  return value;
}

}  // namespace wqc
