// Dates through time formats and booleans as words.
#include <clocale>

#include "fieldformatting/fieldtext.h"
#include "fieldtest.h"

namespace {

using wqtest::FailureOf;

std::wstring FormatDate(WORD year, WORD month, WORD day, const wchar_t* format) {
  SYSTEMTIME time = {year, month, 0, day, 13, 4, 5, 0};
  DATE date = 0;
  EXPECT_TRUE(SystemTimeToVariantTime(&time, &date));
  WQComException error;
  return wqc::FormatDateField(error, date, format);
}

TEST(FormatDate, FieldsLongTextsAndTheUserLocale) {
  EXPECT_EQ(FormatDate(2024, 3, 5, L"%Y-%m-%d %H:%M:%S %A"), L"2024-03-05 13:04:05 Tuesday");
  EXPECT_EQ(FormatDate(2024, 12, 31, L"%j"), L"366");  // the day of the year is filled in
  const std::wstring literal(500, L'x');
  EXPECT_EQ(FormatDate(2024, 3, 5, (literal + L"%Y").c_str()), literal + L"2024");

  // An empty format is the user's date; the runtime's own setting is restored.
  const std::wstring before = _wsetlocale(LC_TIME, nullptr);
  const std::wstring text = FormatDate(2024, 3, 5, L"");
  EXPECT_EQ(_wsetlocale(LC_TIME, nullptr), before);
  EXPECT_NE(text.find(L"2024"), std::wstring::npos) << testing::PrintToString(text);
}

TEST(FormatDate, Failures) {
  // Formats the runtime would answer with its invalid-parameter handler.
  for (const wchar_t* format : {L"%Q", L"abc%", L"%#", L"%e"}) {
    const wqtest::Failure failure =
        FailureOf([&](WQComException& error) { wqc::FormatDateField(error, 45000, format); });
    EXPECT_EQ(failure.hr, E_INVALIDARG);
    EXPECT_EQ(failure.message, L"Invalid format string");
  }
  const wqtest::Failure failure =
      FailureOf([&](WQComException& error) { wqc::FormatDateField(error, 1e8, L"%Y"); });
  EXPECT_EQ(failure.message, L"Invalid date value");
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
