#include "fieldtext.h"

#include <clocale>
#include <cmath>
#include <ctime>
#include <cwchar>

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

// Conversions the C runtime's wcsftime knows, after '%' and an optional '#'. Anything else
// reaches the runtime's invalid-parameter handler, which may end the process.
constexpr wchar_t kTimeConversions[] = L"aAbBcdHIjmMpSUwWxXyYzZ%";

// The most characters one conversion writes (names and whole dates of any locale).
constexpr size_t kMaxConversionLength = 256;

size_t TimeTextCapacity(const wchar_t* format) {
  size_t capacity = 1;
  for (const wchar_t* p = format; *p; ++p) {
    if (*p == L'%') {
      capacity += kMaxConversionLength;
      if (p[1] == L'#') ++p;
      if (p[1]) ++p;
    } else {
      ++capacity;
    }
  }
  return capacity;
}

int DayOfYear(const SYSTEMTIME& time) {
  static constexpr int kDaysBeforeMonth[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const int year = time.wYear;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return kDaysBeforeMonth[time.wMonth - 1] + (leap && time.wMonth > 2 ? 1 : 0) + time.wDay - 1;
}

// The C runtime's LC_TIME set to the user's default for one scope, restored afterwards.
class UserDefaultTimeLocale {
 public:
  UserDefaultTimeLocale() {
    if (const wchar_t* current = _wsetlocale(LC_TIME, nullptr)) saved_ = current;
    _wsetlocale(LC_TIME, L"");
  }
  UserDefaultTimeLocale(const UserDefaultTimeLocale&) = delete;
  UserDefaultTimeLocale& operator=(const UserDefaultTimeLocale&) = delete;
  ~UserDefaultTimeLocale() { _wsetlocale(LC_TIME, saved_.empty() ? L"C" : saved_.c_str()); }

 private:
  std::wstring saved_;
};

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

bool IsValidTimeFormat(const wchar_t* format) {
  for (const wchar_t* p = format; *p; ++p) {
    if (*p != L'%') continue;
    if (*++p == L'#') ++p;
    if (!*p || !wcschr(kTimeConversions, *p)) return false;
  }
  return true;
}

std::wstring FormatDateField(WQComException& error, DATE value, const wchar_t* format) {
  SYSTEMTIME time = {};
  // The platform makes a date of a NaN too.
  if (!std::isfinite(value) || !VariantTimeToSystemTime(value, &time)) {
    error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"Invalid date value");
  }
  tm fields = {};
  fields.tm_year = time.wYear - 1900;
  fields.tm_mon = time.wMonth - 1;
  fields.tm_mday = time.wDay;
  fields.tm_wday = time.wDayOfWeek;
  fields.tm_yday = DayOfYear(time);
  fields.tm_hour = time.wHour;
  fields.tm_min = time.wMinute;
  fields.tm_sec = time.wSecond;

  const bool userDefault = !format || !*format;
  if (userDefault) format = L"%x";
  if (!IsValidTimeFormat(format)) error.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"Invalid format string");

  std::optional<UserDefaultTimeLocale> timeLocale;
  if (userDefault) timeLocale.emplace();
  std::wstring text(TimeTextCapacity(format), L'\0');
  text.resize(wcsftime(text.data(), text.size(), format, &fields));
  return text;
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
