// The number part of a field's text: the locale's number settings, the reader of real-number
// formats ("%*+.2,3E"), the display text of a real or integer value, and the reading of a
// typed number back into a value and the format that writes it again.
//
// Texts passed between these steps write numbers with '.'; only the displayed text follows
// the locale (decimal separator, leading zero, negative order; thousands are never grouped).
#pragma once

#include <windows.h>

#include <string>

#include "wqcomexception.h"

namespace wqc {

// The settings of a locale that number formatting and parsing use.
struct NumberLocale {
  LCID lcid = LOCALE_USER_DEFAULT;
  std::wstring decimalSeparator = L".";
  std::wstring thousandsSeparator = L",";
  int digits = 2;         // decimals shown when a format gives no precision
  int leadingZero = 1;    // "0.5" rather than ".5"
  int negativeOrder = 1;  // where the minus sign goes

  static NumberLocale For(LCID lcid);
};

// A real-number format as read from its text.
struct RealFormat {
  bool descriptive = false;  // '*': prefix, postfix or substitution are added
  bool plusSign = false;     // '+': a positive value is written with '+'
  bool hasExponent = false;  // ',' and a run of digits and signs: a fixed exponent
  long exponent = 0;
  std::wstring exponentText;  // the run as written, printed after the exponent marker
  bool hasPrecision = false;  // '.' and digits: the number of decimals
  int precision = 0;
  wchar_t type = 0;  // the first letter of the format, 0 when it has none
};

// Reads a format; an empty or null one means "%*g". Never fails: the type is checked only
// when a value is formatted.
RealFormat ReadRealFormat(const wchar_t* format);

// The display text of `value` under `format`, without descriptive text. Raises
// E_INVALIDARG for a type other than E, F, G, H and for a value that is not finite or that
// a fixed exponent scales out of range. Any other finite value is written whole.
std::wstring FormatRealNumber(WQComException& error, double value, const RealFormat& format,
                              const NumberLocale& locale);
// The same into `text`, emptied first: a caller that keeps it formats without allocating.
void FormatRealNumber(WQComException& error, double value, const RealFormat& format,
                      const NumberLocale& locale, std::wstring& text);

// The display text of an integer; with `plusSign` a value of 1 or more gets a '+'.
std::wstring FormatIntegerNumber(long value, bool plusSign, const NumberLocale& locale);
void FormatIntegerNumber(long value, bool plusSign, const NumberLocale& locale, std::wstring& text);

// Reads a whole text as a number typed in `lcid`, as the platform's conversion reads it (the
// locale's separators, currency and negative forms), but not in its hexadecimal and octal
// forms ("&H10"): a field holds decimal numbers. DISP_E_TYPEMISMATCH for a text that is no
// such number, DISP_E_OVERFLOW for one out of the type's range; an integer is rounded as the
// platform rounds it. `value` is written only on success.
HRESULT ReadLocaleReal(const wchar_t* text, LCID lcid, double* value);
HRESULT ReadLocaleInteger(const wchar_t* text, LCID lcid, LONG* value);

// A typed real number read back: its value and the tail of the format that writes it the
// same way again (".2f", or ".2,3e" when it has an exponent).
struct RealNumberText {
  double value = 0;
  std::wstring formatTail;
};

// Reads a real number typed in the locale. Raises the conversion's HRESULT with "Invalid
// descriptive text", and E_FAIL when it holds the locale's thousands separator.
RealNumberText ReadRealNumber(WQComException& error, const std::wstring& text,
                              const NumberLocale& locale);

// Reads an integer typed in the locale, thousands separators allowed. Raises the
// conversion's HRESULT with "Invalid descriptive text"; a number with a fraction fails with
// DISP_E_TYPEMISMATCH rather than being rounded.
LONG ReadIntegerNumber(WQComException& error, const std::wstring& text, const NumberLocale& locale);

}  // namespace wqc
