#include "formatchoice.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace wqc {

namespace {

// A number's text of a format: `_wtol` of it, and whether it is shown at all.
constexpr long kNotGiven = 100;

bool IsEmpty(const wchar_t* text) { return !text || !*text; }

}  // namespace

const BoolFormat kBoolFormats[4] = {
    {L"%y", L"Yes/No"},
    {L"%Y", L"Y/N"},
    {L"%t", L"True/False"},
    {L"%o", L"On/Off"},
};

int BoolFormatIndex(const wchar_t* format) {
  for (int i = 0; i < 4; ++i) {
    if (!IsEmpty(format) && wcscmp(format, kBoolFormats[i].code) == 0) return i;
  }
  return 0;
}

const DateFormat kDateFormats[19] = {
    {L"%Y-%m-%d", L"2002-09-26"},
    {L"%#m/%#d", L"9/26"},
    {L"%#d/%#m", L"26/9"},
    {L"%#m/%#d/%y", L"9/26/02"},
    {L"%#d/%#m/%y", L"26/9/02"},
    {L"%m/%d/%y", L"09/26/02"},
    {L"%d/%m/%y", L"26/09/02"},
    {L"%#m/%#d/%Y", L"9/26/2002"},
    {L"%#d/%#m/%Y", L"26/9/2002"},
    {L"%m/%d/%Y", L"09/26/2002"},
    {L"%d/%m/%Y", L"26/09/2002"},
    {L"%#d-%b", L"26-Sep"},
    {L"%#d-%b-%y", L"26-Sep-02"},
    {L"%#d-%b-%Y", L"26-Sep-2002"},
    {L"%b-%y", L"Sep-02"},
    {L"%B-%y", L"September-02"},
    {L"%B-%Y", L"September-2002"},
    {L"%B %#d, %y", L"September 26, 02"},
    {L"%B %#d, %Y", L"September 26, 2002"},
};

DateFormatList MakeDateFormatList(wchar_t separator) {
  DateFormatList list;
  for (const DateFormat& entry : kDateFormats) {
    std::wstring sample = entry.sample;
    std::wstring format = entry.format;
    if (separator != L'/' && sample.find(L'/') != std::wstring::npos) {
      std::replace(sample.begin(), sample.end(), L'/', separator);
      std::replace(format.begin(), format.end(), L'/', separator);
    }
    list.samples.push_back(std::move(sample));
    list.formats.push_back(std::move(format));
  }
  return list;
}

int DateFormatIndex(const DateFormatList& list, const wchar_t* format,
                    const std::wstring& defaultSample) {
  int selected = 0;
  for (size_t i = 0; i < list.formats.size(); ++i) {
    const bool match =
        IsEmpty(format) ? list.samples[i] == defaultSample : list.formats[i] == format;
    if (match) selected = static_cast<int>(i);
  }
  return selected;
}

IntegerFormatChoice ReadIntegerFormatChoice(const wchar_t* format) {
  IntegerFormatChoice choice;
  choice.descriptive = IsEmpty(format) || wcschr(format, L'*');
  choice.plusSign = !IsEmpty(format) && wcschr(format, L'+');
  return choice;
}

std::wstring IntegerFormatText(const IntegerFormatChoice& choice) {
  std::wstring format = L"%";
  if (choice.descriptive) format += L'*';
  if (choice.plusSign) format += L'+';
  return format + L'd';
}

const Notation kNotations[4] = {
    {L'g', L"Default"},
    {L'f', L"Decimal"},
    {L'e', L"Scientific"},
    {L'h', L"Engineering"},
};

RealFormatChoice ReadRealFormatChoice(const wchar_t* format) {
  if (IsEmpty(format)) format = L"%*g";
  RealFormatChoice choice;
  long precision = kNotGiven;
  long exponent = kNotGiven;
  for (const wchar_t* p = format; *p;) {
    const wchar_t c = *p++;
    if (c == L'*') {
      choice.descriptive = true;
    } else if (c == L'+') {
      choice.plusSign = true;
    } else if (c == L',') {
      const wchar_t* run = p;
      while (iswdigit(*p) || *p == L'-' || *p == L'+') ++p;
      exponent = wcstol(std::wstring(run, p).c_str(), nullptr, 10);
    } else if (c == L'.') {
      const wchar_t* run = p;
      while (iswdigit(*p)) ++p;
      precision = wcstol(std::wstring(run, p).c_str(), nullptr, 10);
    } else {
      for (int i = 0; i < 4; ++i) {
        if (c == kNotations[i].letter) choice.notation = i;
      }
    }
  }
  if (precision < kNotGiven)
    choice.precision = std::to_wstring(std::clamp<long>(precision, kMinPrecision, kMaxPrecision));
  if (exponent < kNotGiven)
    choice.exponent = std::to_wstring(std::clamp<long>(exponent, kMinExponent, kMaxExponent));
  return choice;
}

std::optional<int> ReadBoundedNumber(const std::wstring& text, int minimum, int maximum) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return std::nullopt;
  const size_t end = text.find_last_not_of(L" \t") + 1;
  size_t p = first;
  const bool negative = text[p] == L'-';
  if (text[p] == L'-' || text[p] == L'+') ++p;
  if (p == end) return std::nullopt;
  // Past the range the value only needs to stay past it: a long run of digits saturates.
  long long value = 0;
  for (; p < end; ++p) {
    if (text[p] < L'0' || text[p] > L'9') return std::nullopt;
    value = std::min(value * 10 + (text[p] - L'0'), 1000000LL);
  }
  return static_cast<int>(std::clamp<long long>(negative ? -value : value, minimum, maximum));
}

std::wstring BoundedNumberText(const std::wstring& text, int minimum, int maximum) {
  const std::optional<int> value = ReadBoundedNumber(text, minimum, maximum);
  return value ? std::to_wstring(*value) : std::wstring();
}

std::wstring RealFormatText(const RealFormatChoice& choice) {
  const int notation =
      choice.notation >= 0 && choice.notation < 4 ? choice.notation : kDefaultNotation;
  std::wstring format = L"%";
  if (choice.descriptive) format += L'*';
  if (choice.plusSign) format += L'+';
  if (UsesPrecision(notation)) {
    if (const auto precision = ReadBoundedNumber(choice.precision, kMinPrecision, kMaxPrecision))
      format += L"." + std::to_wstring(*precision);
  }
  if (UsesExponent(notation)) {
    if (const auto exponent = ReadBoundedNumber(choice.exponent, kMinExponent, kMaxExponent))
      format += L"," + std::to_wstring(*exponent);
  }
  return format + kNotations[notation].letter;
}

}  // namespace wqc
