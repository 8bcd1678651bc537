// The texts of the field formatter's methods, free of VARIANTs and BSTRs: the COM class
// converts the arguments, calls these and hands the results out. Failures are raised through
// the method's error object.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "descriptivetext.h"
#include "numberformat.h"
#include "wqcomexception.h"

namespace wqc {

// A real value as display text. Without a value the number is empty and only the format's
// '*' matters (its type is not checked).
std::wstring FormatRealField(WQComException& error, std::optional<double> value,
                             const wchar_t* prefix, const wchar_t* postfix,
                             const wchar_t* substitution, const wchar_t* format,
                             const NumberLocale& locale);

// An integer value as display text; the format ("%*d" when empty) only turns descriptive
// text ('*') and the plus sign ('+') on.
std::wstring FormatIntegerField(std::optional<long> value, const wchar_t* prefix,
                                const wchar_t* postfix, const wchar_t* substitution,
                                const wchar_t* format, const NumberLocale& locale);

// Both into `text`, emptied first: a caller that keeps it formats without allocating.
void FormatRealField(WQComException& error, std::optional<double> value, const wchar_t* prefix,
                     const wchar_t* postfix, const wchar_t* substitution, const wchar_t* format,
                     const NumberLocale& locale, std::wstring& text);
void FormatIntegerField(std::optional<long> value, const wchar_t* prefix, const wchar_t* postfix,
                        const wchar_t* substitution, const wchar_t* format,
                        const NumberLocale& locale, std::wstring& text);

// A typed text read back: the descriptive parts found, the value (none when the text held
// no number) and the format that writes it back the same way.
struct UnformattedField {
  DescriptiveParts parts;
  std::wstring format;
  std::optional<double> real;
  std::optional<LONG> integer;
};

// `incomingFormat` is the caller's format, null when it gave none.
UnformattedField UnformatRealField(WQComException& error, const wchar_t* text,
                                   const wchar_t* incomingFormat, const DescriptiveStrings& strings,
                                   const NumberLocale& locale);
UnformattedField UnformatIntegerField(WQComException& error, const wchar_t* text,
                                      const wchar_t* incomingFormat,
                                      const DescriptiveStrings& strings,
                                      const NumberLocale& locale);

// A date through a wcsftime format in the C runtime's locale, for every date a VT_DATE
// holds; an empty format is "%x" in the user's default locale. A format the runtime would
// refuse fails with E_INVALIDARG "Invalid format string".
std::wstring FormatDateField(WQComException& error, DATE value, const wchar_t* format);

// The word for a boolean: "%y" Yes/No (the default), "%Y" Y/N, "%t" True/False, "%o" On/Off.
const wchar_t* FormatBoolField(WQComException& error, bool value, const wchar_t* format);

}  // namespace wqc
