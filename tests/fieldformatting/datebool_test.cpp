// Dates through time formats and booleans as words.
#include <clocale>

#include "fieldformatting/fieldtext.h"
#include "fieldtest.h"

namespace {

using wqtest::FailureOf;

DATE MakeDate(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0) {
  SYSTEMTIME time = {};
  time.wYear = year;
  time.wMonth = month;
  time.wDay = day;
  time.wHour = hour;
  time.wMinute = minute;
  time.wSecond = second;
  DATE date = 0;
  EXPECT_TRUE(SystemTimeToVariantTime(&time, &date));
  return date;
}

std::wstring FormatDate(DATE date, const wchar_t* format) {
  WQComException error;
  return wqc::FormatDateField(error, date, format);
}

TEST(FormatDate, FieldsOfTheDate) {
  const DATE date = MakeDate(2024, 3, 5, 13, 4, 5);
  EXPECT_EQ(FormatDate(date, L"%Y-%m-%d %H:%M:%S"), L"2024-03-05 13:04:05");
  EXPECT_EQ(FormatDate(date, L"%A %j %%"), L"Tuesday 065 %");  // weekday and day of year
  EXPECT_EQ(FormatDate(MakeDate(2023, 12, 31), L"%j"), L"365");
  EXPECT_EQ(FormatDate(MakeDate(2024, 12, 31), L"%j"), L"366");
  EXPECT_EQ(FormatDate(MakeDate(100, 1, 1), L"%Y"), L"0100");
  EXPECT_EQ(FormatDate(MakeDate(9999, 12, 31), L"%Y"), L"9999");
}

TEST(FormatDate, LongTextIsWhole) {
  const std::wstring literal(500, L'x');
  EXPECT_EQ(FormatDate(MakeDate(2024, 3, 5), (literal + L"%Y").c_str()), literal + L"2024");
  std::wstring many;
  for (int i = 0; i < 100; ++i) many += L"%#x|";
  EXPECT_GT(FormatDate(MakeDate(2024, 3, 5), many.c_str()).size(), 1000u);
}

TEST(FormatDate, EmptyFormatUsesTheUserLocaleAndRestoresTheRuntime) {
  const std::wstring before = _wsetlocale(LC_TIME, nullptr);
  const std::wstring text = FormatDate(MakeDate(2024, 3, 5), L"");
  EXPECT_EQ(_wsetlocale(LC_TIME, nullptr), before);
  // The C locale writes "03/05/24"; every user locale here writes the whole year.
  EXPECT_NE(text.find(L"2024"), std::wstring::npos) << testing::PrintToString(text);
  EXPECT_EQ(FormatDate(MakeDate(2024, 3, 5), nullptr), text);
}

TEST(FormatDate, RefusesFormatsTheRuntimeRejects) {
  for (const wchar_t* format : {L"%Q", L"abc%", L"%#", L"%e", L"%Y-%", L"%#q"}) {
    const wqtest::Failure failure = FailureOf(
        [&](WQComException& error) { wqc::FormatDateField(error, MakeDate(2024, 3, 5), format); });
    EXPECT_EQ(failure.hr, E_INVALIDARG) << testing::PrintToString(std::wstring(format));
    EXPECT_EQ(failure.message, L"Invalid format string");
  }
  EXPECT_TRUE(wqc::IsValidTimeFormat(L"%#d.%#m.%Y %%e"));
}

TEST(FormatDate, RefusesDatesOutOfRange) {
  const wqtest::Failure failure =
      FailureOf([&](WQComException& error) { wqc::FormatDateField(error, 1e8, L"%Y"); });
  EXPECT_EQ(failure.hr, E_INVALIDARG);
  EXPECT_EQ(failure.message, L"Invalid date value");
}

TEST(FormatBool, WordsByFormat) {
  struct Case {
    const wchar_t* format;
    const wchar_t* yes;
    const wchar_t* no;
  } const cases[] = {
      {L"%y", L"Yes", L"No"}, {nullptr, L"Yes", L"No"}, {L"", L"Yes", L"No"},
      {L"%Y", L"Y", L"N"},    {L"%t", L"True", L"False"}, {L"%o", L"On", L"Off"},
  };
  for (const Case& c : cases) {
    WQComException error;
    EXPECT_STREQ(wqc::FormatBoolField(error, true, c.format), c.yes);
    EXPECT_STREQ(wqc::FormatBoolField(error, false, c.format), c.no);
  }
  for (const wchar_t* format : {L"%T", L"%yy", L"y", L"%", L"yY"}) {
    const wqtest::Failure failure =
        FailureOf([&](WQComException& error) { wqc::FormatBoolField(error, true, format); });
    EXPECT_EQ(failure.hr, E_INVALIDARG) << testing::PrintToString(std::wstring(format));
    EXPECT_EQ(failure.message, L"Invalid format string");
  }
}

}  // namespace
