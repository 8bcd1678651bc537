#include "fieldtext.h"

#include <cwchar>

#include "dateformat.h"

namespace wqc {

namespace {

// The start of a rebuilt format: "%", and '*' when the text held descriptive text or the
// caller's format asks for it (a caller without a format gets it too).
std::wstring UnformatFormatStart(const DescriptiveParts& parts, const wchar_t* incomingFormat) {
  std::wstring format = L"%";
  if (parts.found || !incomingFormat || wcschr(incomingFormat, L'*')) format += L'*';
  if (!parts.number.empty() && parts.number[0] == L'+') format += L'+';
  return format;
}

}  // namespace

std::wstring FormatRealField(WQComException& error, std::optional<double> value,
                             const wchar_t* prefix, const wchar_t* postfix,
                             const wchar_t* substitution, const wchar_t* format,
                             const NumberLocale& locale) {
  std::wstring text;
  FormatRealField(error, value, prefix, postfix, substitution, format, locale, text);
  return text;
}

void FormatRealField(WQComException& error, std::optional<double> value, const wchar_t* prefix,
                     const wchar_t* postfix, const wchar_t* substitution, const wchar_t* format,
                     const NumberLocale& locale, std::wstring& text) {
  const RealFormat realFormat = ReadRealFormat(format);
  text.clear();
  if (value) FormatRealNumber(error, *value, realFormat, locale, text);
  if (realFormat.descriptive) text = BuildDescriptiveText(text, prefix, postfix, substitution);
}

std::wstring FormatIntegerField(std::optional<long> value, const wchar_t* prefix,
                                const wchar_t* postfix, const wchar_t* substitution,
                                const wchar_t* format, const NumberLocale& locale) {
  std::wstring text;
  FormatIntegerField(value, prefix, postfix, substitution, format, locale, text);
  return text;
}

void FormatIntegerField(std::optional<long> value, const wchar_t* prefix, const wchar_t* postfix,
                        const wchar_t* substitution, const wchar_t* format,
                        const NumberLocale& locale, std::wstring& text) {
  if (!format || !*format) format = L"%*d";
  text.clear();
  if (value) FormatIntegerNumber(*value, wcschr(format, L'+') != nullptr, locale, text);
  if (wcschr(format, L'*')) text = BuildDescriptiveText(text, prefix, postfix, substitution);
}

UnformattedField UnformatRealField(WQComException& error, const wchar_t* text,
                                   const wchar_t* incomingFormat, const DescriptiveStrings& strings,
                                   const NumberLocale& locale) {
  UnformattedField field;
  field.parts = ParseDescriptiveText(text, strings);
  field.format = UnformatFormatStart(field.parts, incomingFormat);
  if (field.parts.number.empty()) {
    field.format += L'g';
    return field;
  }
  RealNumberText number = ReadRealNumber(error, field.parts.number, locale);
  field.real = number.value;
  field.format += number.formatTail;
  return field;
}

UnformattedField UnformatIntegerField(WQComException& error, const wchar_t* text,
                                      const wchar_t* incomingFormat,
                                      const DescriptiveStrings& strings,
                                      const NumberLocale& locale) {
  UnformattedField field;
  field.parts = ParseDescriptiveText(text, strings);
  field.format = UnformatFormatStart(field.parts, incomingFormat);
  if (!field.parts.number.empty())
    field.integer = ReadIntegerNumber(error, field.parts.number, locale);
  field.format += L'd';
  return field;
}

std::wstring FormatDateField(WQComException& error, DATE value, const wchar_t* format) {
  SYSTEMTIME time = {};
  if (!PrintedTime(value, time)) error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"Invalid date value");
  // An empty format is the user's date; any other is written in the runtime's locale, as
  // wcsftime writes it.
  if (!format || !*format) return FormatTime(error, time, L"%x", GetUserDefaultLCID());
  return FormatTime(error, time, format, RuntimeTimeLocale());
}

const wchar_t* FormatBoolField(WQComException& error, bool value, const wchar_t* format) {
  if (!format || !*format) format = L"%y";
  if (format[0] == L'%' && format[1] && !format[2]) {
    switch (format[1]) {
      case L'y': return value ? L"Yes" : L"No";
      case L'Y': return value ? L"Y" : L"N";
      case L't': return value ? L"True" : L"False";
      case L'o': return value ? L"On" : L"Off";
      default: break;
    }
  }
  error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"Invalid format string");
}

}  // namespace wqc
