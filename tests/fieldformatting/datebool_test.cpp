// Dates through time formats and booleans as words.
#include <clocale>
#include <ctime>
#include <iterator>
#include <utility>
#include <vector>

#include "fieldformatting/dateformat.h"
#include "fieldformatting/fieldtext.h"
#include "fieldformatting/formatchoice.h"
#include "fieldtest.h"

namespace {

using wqtest::FailureOf;

DATE DateOf(SYSTEMTIME time) {
  DATE date = 0;
  EXPECT_TRUE(SystemTimeToVariantTime(&time, &date));
  return date;
}

std::wstring FormatDate(WORD year, WORD month, WORD day, const wchar_t* format) {
  WQComException error;
  return wqc::FormatDateField(error, DateOf({year, month, 0, day, 13, 4, 5, 0}), format);
}

TEST(FormatDate, FieldsLongTextsAndTheUserLocale) {
  EXPECT_EQ(FormatDate(2024, 3, 5, L"%Y-%m-%d %H:%M:%S %A"), L"2024-03-05 13:04:05 Tuesday");
  EXPECT_EQ(FormatDate(2024, 12, 31, L"%j"), L"366");  // the day of the year is filled in
  const std::wstring literal(500, L'x');
  EXPECT_EQ(FormatDate(2024, 3, 5, (literal + L"%Y").c_str()), literal + L"2024");

  // An empty format is the user's date; the runtime's own setting is left as it was.
  const std::wstring before = _wsetlocale(LC_TIME, nullptr);
  const std::wstring text = FormatDate(2024, 3, 5, L"");
  EXPECT_EQ(_wsetlocale(LC_TIME, nullptr), before);
  EXPECT_NE(text.find(L"2024"), std::wstring::npos) << testing::PrintToString(text);
}

// What the C runtime's wcsftime writes for a date of a year it takes (1900 on) in its current
// locale; an empty format is its "%x" in the user's locale, as the formatter's is.
std::wstring RuntimeText(SYSTEMTIME time, const wchar_t* format) {
  const std::wstring saved = _wsetlocale(LC_TIME, nullptr);
  if (!*format) _wsetlocale(LC_TIME, L"");
  const SYSTEMTIME newYear = {time.wYear, 1, 0, 1};
  tm fields = {};
  fields.tm_year = time.wYear - 1900;
  fields.tm_mon = time.wMonth - 1;
  fields.tm_mday = time.wDay;
  fields.tm_wday = time.wDayOfWeek;
  fields.tm_yday = static_cast<int>(DateOf(time) - DateOf(newYear));
  fields.tm_hour = time.wHour;
  fields.tm_min = time.wMinute;
  fields.tm_sec = time.wSecond;
  wchar_t text[1024];
  const size_t length = wcsftime(text, 1024, *format ? format : L"%x", &fields);
  _wsetlocale(LC_TIME, saved.c_str());
  return std::wstring(text, length);
}

// The text a date should have: the runtime's own from 1900 on; before, the runtime's text of
// the same day 400 years on (the calendar repeats, weekdays and all) with the year put back.
std::wstring ExpectedText(DATE date, const wchar_t* format) {
  SYSTEMTIME time;
  EXPECT_TRUE(VariantTimeToSystemTime(date, &time));
  if (time.wYear >= 1900) return RuntimeText(time, format);
  const WORD year = time.wYear;
  while (time.wYear < 1900) time.wYear += 400;
  EXPECT_TRUE(VariantTimeToSystemTime(DateOf(time), &time));
  std::wstring text = RuntimeText(time, format);
  wchar_t later[8], real[8];
  swprintf(later, 8, L"%04d", time.wYear);
  swprintf(real, 8, L"%04d", year);
  for (size_t at; (at = text.find(later)) != std::wstring::npos;) text.replace(at, 4, real);
  return text;
}

// The runtime keeps a locale's names in the ANSI code page: a character outside it reads '?'.
std::wstring AsTheRuntimeKeepsIt(const std::wstring& text) {
  std::string narrow(text.size() * 2, '\0');
  narrow.resize(WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                                    static_cast<int>(text.size()), narrow.data(),
                                    static_cast<int>(narrow.size()), nullptr, nullptr));
  std::wstring wide(narrow.size(), L'\0');
  wide.resize(MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()),
                                  wide.data(), static_cast<int>(wide.size())));
  return wide;
}

TEST(FormatDate, EveryDateUnderEveryFormat) {
  const DATE dates[] = {
      -657434,  // 100-01-01, the first a date holds
      DateOf({1500, 6, 0, 1, 13, 4, 5, 0}),
      0,         // 1899-12-30
      -1.25,     // 1899-12-29 06:00: before 0 the time still counts up
      1.770833,  // 1899-12-31 18:30, rounded to the second
      2,         // 1900-01-01
      DateOf({2002, 9, 0, 26, 9, 19, 30, 0}),
      DateOf({9999, 12, 0, 31, 23, 59, 59, 0}),  // the last
  };
  // Each date with the second it is printed as; a time at .999999 of a day is the next day's
  // first, every field of that day, and the last half second of 9999 is 9999's last.
  std::vector<std::pair<DATE, DATE>> printed;
  for (const DATE date : dates) printed.emplace_back(date, date);
  printed.insert(printed.end(),
                 {{DateOf({2023, 12, 0, 31}) + 0.999999, DateOf({2024, 1, 0, 1})},  // a year end
                  {DateOf({2024, 2, 0, 28}) + 0.999999, DateOf({2024, 2, 0, 29})},  // a leap day
                  {DateOf({2024, 2, 0, 29}) + 0.999999, DateOf({2024, 3, 0, 1})},
                  {0.99999999, 1},
                  {-1.999999, 0},
                  {DateOf({9999, 12, 0, 31}) + 0.9999999, dates[std::size(dates) - 1]}});
  // The user's date, the locale's forms, every conversion, and the date control's formats.
  std::vector<const wchar_t*> formats = {L"", L"%x", L"%#x", L"%X", L"%#X", L"%c", L"%#c"};
  formats.push_back(L"%a %A %b %B %d %H %I %j %m %M %p %S %U %w %W %y %Y %z %Z %%");
  formats.push_back(L"%#a %#A %#b %#B %#d %#H %#I %#j %#m %#M %#p %#S %#U %#w %#W %#y %#Z %#%");
  for (const wqc::DateFormat& entry : wqc::kDateFormats) formats.push_back(entry.format);
  const std::wstring saved = _wsetlocale(LC_TIME, nullptr);
  // In the runtime's "C" locale, and in others whose names and pictures it takes from Windows
  // (a 12-hour clock, quoted words).
  for (const wchar_t* runtimeLocale : {L"C", L"German", L"English_United States", L"Spanish"}) {
    if (!_wsetlocale(LC_TIME, runtimeLocale)) {
      ADD_FAILURE() << "no runtime locale " << runtimeLocale;
      continue;
    }
    for (const auto& [date, second] : printed) {
      for (const wchar_t* format : formats) {
        WQComException error;
        EXPECT_EQ(AsTheRuntimeKeepsIt(wqc::FormatDateField(error, date, format)),
                  ExpectedText(second, format))
            << runtimeLocale << " " << date << " " << testing::PrintToString(format);
      }
    }
  }
  _wsetlocale(LC_TIME, saved.c_str());

  WQComException error;
  EXPECT_EQ(wqc::FormatDateField(error, -657434, L"%#Y|%Y|%#y|%y|%#j"), L"100|0100|0|00|1");
  // The formatter's names are the locale's whole.
  const LCID spanish = LocaleNameToLCID(L"es-ES", 0);
  wchar_t morning[16] = {};
  GetLocaleInfoW(spanish, LOCALE_S1159, morning, 16);
  EXPECT_EQ(wqc::FormatTime(error, {2002, 9, 4, 26, 9}, L"%p", spanish), morning);
}

TEST(FormatDate, Failures) {
  // Formats the runtime writes nothing for (it calls its invalid-parameter handler), in any
  // year: a text written before the fault is no answer either.
  for (const DATE date : {45000.0, 0.0}) {
    for (const wchar_t* format : {L"%Q", L"abc%", L"%#", L"%e", L"%d %e"}) {
      const wqtest::Failure failure =
          FailureOf([&](WQComException& error) { wqc::FormatDateField(error, date, format); });
      EXPECT_EQ(failure.hr, E_INVALIDARG) << date << testing::PrintToString(format);
      EXPECT_EQ(failure.message, L"Invalid format string");
    }
  }
  const wqtest::Failure failure =
      FailureOf([&](WQComException& error) { wqc::FormatDateField(error, 1e8, L"%Y"); });
  EXPECT_EQ(failure.message, L"Invalid date value");
  // A locale the platform gives no names for writes no date either.
  const wqtest::Failure noLocale = FailureOf([&](WQComException& error) {
    wqc::FormatTime(error, {1899, 12, 6, 30}, L"%d %x", MAKELCID(0x3ff, SORT_DEFAULT));
  });
  EXPECT_EQ(noLocale.hr, HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(noLocale.message, L"The locale gives no date and time texts");
}

TEST(FormatBool, WordsByFormat) {
  const wchar_t* const cases[][3] = {{L"", L"Yes", L"No"},
                                     {L"%Y", L"Y", L"N"},
                                     {L"%t", L"True", L"False"},
                                     {L"%o", L"On", L"Off"}};
  for (const auto& c : cases) {
    WQComException error;
    EXPECT_STREQ(wqc::FormatBoolField(error, true, c[0]), c[1]);
    EXPECT_STREQ(wqc::FormatBoolField(error, false, c[0]), c[2]);
  }
  for (const wchar_t* format : {L"%T", L"%yy", L"y"}) {
    const wqtest::Failure failure =
        FailureOf([&](WQComException& error) { wqc::FormatBoolField(error, true, format); });
    EXPECT_EQ(failure.hr, E_INVALIDARG);
    EXPECT_EQ(failure.message, L"Invalid format string");
  }
}

}  // namespace
