// Real and integer fields to text and back, under the locale the test runs in.
#include <cmath>
#include <limits>

#include "fieldformatting/fieldtext.h"
#include "fieldtest.h"

namespace {

using wqtest::FailureOf;
using wqtest::Localized;
using wqtest::UserLocale;

std::wstring FormatReal(double value, const wchar_t* format, const wchar_t* prefix = nullptr,
                        const wchar_t* postfix = nullptr, const wchar_t* substitution = nullptr) {
  WQComException error;
  return wqc::FormatRealField(error, value, prefix, postfix, substitution, format, UserLocale());
}

struct RealCase {
  double value;
  const wchar_t* format;
  const wchar_t* expected;  // written with '.'
};

TEST(FormatReal, FormatsAndExponents) {
  const RealCase cases[] = {
      {1500, L"%.1,3e", L"1.5e3"},
      {1500, L"%.1H", L"1.5E3"},  // an upper-case type writes 'E'
      {1500, L"%.1h", L"1.5e3"},
      {0.00123, L"%.2E", L"1.23E-3"},
      {5, L"%.2E", L"5.00"},       // exponent 0 is not written
      {0, L"%.2E", L"0.00"},
      {0, L"%.1,3e", L"0.0e3"},    // a fixed exponent is written for 0 too
      {1000, L"%.1E", L"1.0E3"},
      {999.99, L"%.4e", L"9.9999e2"},
      {-1500, L"%.1,3e", L"-1.5e3"},
      {1500, L"%.1,+3E", L"1.5E+3"},
      {1500, L"%.1,03e", L"1.5e03"},
      {0.5, L"%+.2f", L"+0.50"},
      {-0.5, L"%+.2f", L"-0.50"},
      {1234567.25, L"%.2f", L"1234567.25"},  // never grouped
      {1500, L"%.2,3f", L"1.50e3"},
      // Engineering: exponents in threes, 1000 stays a mantissa, 0.01 to 1000 keep none.
      {1e6, L"%.0H", L"1000E3"},
      {1e6, L"%h", L"1000.00e3"},
      {1e9, L"%.1h", L"1000.0e6"},
      {0.005, L"%.1h", L"5.0e-3"},
      {0.0005, L"%.1h", L"500.0e-6"},
      {0.05, L"%.2h", L"0.05"},
      {-25000, L"%.1h", L"-25.0e3"},
      // G: an exponent only outside [1e-4, 10^precision), precision 8 when none is given.
      {123456789, L"%.2g", L"1.23e8"},
      {12.5, L"%.2g", L"12.50"},
      {0.00001, L"%.1G", L"1.0E-5"},
      {0.0001, L"%.4g", L"0.0001"},
      {1234, L"%g", L"1234.00"},
      {123456789, L"%g", L"1.23e8"},
      {2.5, L"", L"2.50"},
      // A fixed exponent holds for G and H as for E.
      {1500, L"%.1,3g", L"1.5e3"},
      {1500000, L"%.1,3H", L"1500.0E3"},
      {1.0 / 3, L"%.12f", L"0.333333333"},  // at most 9 decimals
      {2.5, L"%.f", L"3"},
      {7, L"#%.1f", L"7.0"},
      {1.7e308, L"%.1e", L"1.7e308"},
      {4.9e-324, L"%.1e", L"4.9e-324"},
      {2.5e-320, L"%.1h", L"25.0e-321"},
  };
  for (const RealCase& c : cases) {
    EXPECT_EQ(FormatReal(c.value, c.format), Localized(c.expected))
        << "value " << c.value << " format " << testing::PrintToString(std::wstring(c.format));
  }
}

TEST(FormatReal, FixedPointOfHugeValuesIsWhole) {
  // Powers of two are whole numbers with an exact decimal form (2^1000 has 302 digits).
  const std::wstring huge = FormatReal(std::ldexp(1.0, 1000), L"%.2f");
  ASSERT_EQ(huge.size(), 302 + Localized(L".00").size()) << huge;
  EXPECT_EQ(huge.substr(0, 16), L"1071508607186267");
  EXPECT_EQ(huge.substr(302), Localized(L".00"));
  const std::wstring negative = FormatReal(-std::ldexp(1.0, 700), L"%.0f");
  ASSERT_EQ(negative.size(), 1u + 211u) << negative;
  EXPECT_EQ(negative.substr(0, 16), L"-526013590154837");
}

TEST(FormatReal, IgnoresTheRuntimesDecimalPoint) {
  // A client may switch the C runtime to a comma locale; the number must still be read.
  const std::wstring saved = _wsetlocale(LC_NUMERIC, nullptr);
  ASSERT_NE(_wsetlocale(LC_NUMERIC, L"German"), nullptr);
  const std::wstring text = FormatReal(1.25, L"%.2f");
  _wsetlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(text, Localized(L"1.25"));
}

TEST(FormatReal, DescriptiveText) {
  EXPECT_EQ(FormatReal(1.5, L"%*.2f", L"approx", L"m", L"N/A"), L"N/A");
  EXPECT_EQ(FormatReal(1.5, L"%*.2f", L"approx", L"m", L""), Localized(L"approx 1.50 m"));
  EXPECT_EQ(FormatReal(1.5, L"%*.2f", nullptr, L"m", nullptr), Localized(L"1.50 m"));
  EXPECT_EQ(FormatReal(1.5, L"%.2f", L"approx", L"m", L"N/A"), Localized(L"1.50"));
  EXPECT_EQ(FormatReal(1.5, L"", L"approx", nullptr, nullptr), Localized(L"approx 1.50"));

  WQComException error;
  EXPECT_EQ(wqc::FormatRealField(error, std::nullopt, L"approx", L"m", nullptr, L"%*X",
                                 UserLocale()),
            L"approx m");
  EXPECT_EQ(wqc::FormatRealField(error, std::nullopt, L"approx", L"m", nullptr, L"%.2f",
                                 UserLocale()),
            L"");
}

TEST(FormatReal, Failures) {
  const std::pair<double, const wchar_t*> badTypes[] = {{1.5, L"%.2X"}, {1.5, L"%.2"}, {0, L"%d"}};
  for (const auto& [value, format] : badTypes) {
    const wqtest::Failure failure = FailureOf([&](WQComException& error) {
      wqc::FormatRealField(error, value, nullptr, nullptr, nullptr, format, UserLocale());
    });
    EXPECT_EQ(failure.hr, E_INVALIDARG) << testing::PrintToString(std::wstring(format));
    EXPECT_EQ(failure.message, L"Invalid format type");
  }

  const double infinite = std::numeric_limits<double>::infinity();
  for (double value : {infinite, -infinite, std::numeric_limits<double>::quiet_NaN()}) {
    for (const wchar_t* format : {L"%.1h", L"%e", L"%f", L"%g"}) {
      const wqtest::Failure failure = FailureOf([&](WQComException& error) {
        wqc::FormatRealField(error, value, nullptr, nullptr, nullptr, format, UserLocale());
      });
      EXPECT_EQ(failure.hr, E_INVALIDARG) << value;
    }
  }

  const wqtest::Failure outOfRange = FailureOf([&](WQComException& error) {
    wqc::FormatRealField(error, 1.0, nullptr, nullptr, nullptr, L"%.1,-400f", UserLocale());
  });
  EXPECT_EQ(outOfRange.hr, E_INVALIDARG);
}

TEST(FormatInteger, SignDescriptiveTextAndNoGrouping) {
  const wqc::NumberLocale& locale = UserLocale();
  EXPECT_EQ(wqc::FormatIntegerField(42, nullptr, nullptr, nullptr, L"%+d", locale), L"+42");
  EXPECT_EQ(wqc::FormatIntegerField(0, nullptr, nullptr, nullptr, L"%+d", locale), L"0");
  EXPECT_EQ(wqc::FormatIntegerField(-7, nullptr, nullptr, nullptr, L"+", locale), L"-7");
  EXPECT_EQ(wqc::FormatIntegerField(1234567, nullptr, nullptr, nullptr, L"%d", locale),
            L"1234567");
  EXPECT_EQ(wqc::FormatIntegerField(-2147483647 - 1, nullptr, nullptr, nullptr, L"%d", locale),
            L"-2147483648");
  EXPECT_EQ(wqc::FormatIntegerField(12, L"about", L"pcs", nullptr, L"", locale), L"about 12 pcs");
  EXPECT_EQ(wqc::FormatIntegerField(12, L"about", L"pcs", L"many", L"%*d", locale), L"many");
  EXPECT_EQ(wqc::FormatIntegerField(12, L"about", L"pcs", L"many", L"%d", locale), L"12");
  EXPECT_EQ(wqc::FormatIntegerField(std::nullopt, L"about", nullptr, nullptr, L"*", locale),
            L"about");
}

wqc::DescriptiveStrings Strings() {
  wqc::DescriptiveStrings strings;
  for (const wchar_t* text : {L"ca", L"", L"ca.", L"approx"}) strings.prefixes.Add(WQHeapString(text));
  for (const wchar_t* text : {L"", L"m", L"mm", L"kg"}) strings.postfixes.Add(WQHeapString(text));
  for (const wchar_t* text : {L"", L"N/A", L"unknown"}) strings.substitutions.Add(WQHeapString(text));
  return strings;
}

std::wstring Text(const wchar_t* text) { return text ? text : L"(null)"; }

TEST(DescriptiveText, LongestPrefixAndPostfix) {
  const wqc::DescriptiveStrings strings = Strings();
  struct Case {
    const wchar_t* text;
    bool found;
    const wchar_t* prefix;
    const wchar_t* postfix;
    const wchar_t* substitution;
    const wchar_t* number;
  } const cases[] = {
      {L"ca. 12.5", true, L"ca.", nullptr, nullptr, L"12.5"},
      {L"CA 12.5", true, L"ca", nullptr, nullptr, L"12.5"},
      {L" 12.5 mm \t\n", true, nullptr, L"mm", nullptr, L"12.5"},
      {L"approx 3 KG", true, L"approx", L"kg", nullptr, L"3"},
      {L"n/a  ", true, nullptr, nullptr, L"N/A", L""},
      {L"12.5", false, nullptr, nullptr, nullptr, L"12.5"},  // empty entries match nothing
      {L"   ", false, nullptr, nullptr, nullptr, L""},
      {L"12\r", false, nullptr, nullptr, nullptr, L"12\r"},  // a carriage return is no blank
      {L"approx", true, L"approx", nullptr, nullptr, L""},
  };
  for (const Case& c : cases) {
    const wqc::DescriptiveParts parts = wqc::ParseDescriptiveText(c.text, strings);
    const std::string label = testing::PrintToString(std::wstring(c.text));
    EXPECT_EQ(parts.found, c.found) << label;
    EXPECT_EQ(Text(parts.prefix), Text(c.prefix)) << label;
    EXPECT_EQ(Text(parts.postfix), Text(c.postfix)) << label;
    EXPECT_EQ(Text(parts.substitution), Text(c.substitution)) << label;
    EXPECT_EQ(parts.number, c.number) << label;
  }
}

TEST(DescriptiveText, FirstOfEqualLengthWins) {
  wqc::DescriptiveStrings strings;
  strings.prefixes.Add(WQHeapString(L"ab"));
  strings.prefixes.Add(WQHeapString(L"AB"));
  strings.prefixes.Add(WQHeapString(L"abcdef"));  // longer than the text: never matches
  EXPECT_STREQ(wqc::ParseDescriptiveText(L"ab 1", strings).prefix, L"ab");
}

struct UnformatCase {
  const wchar_t* text;        // written with '.'
  const wchar_t* incoming;    // null: the caller gave no format
  double value;
  const wchar_t* format;
};

TEST(UnformatReal, ValueAndRebuiltFormat) {
  const wqc::DescriptiveStrings strings = Strings();
  const UnformatCase cases[] = {
      {L"ca. 12.5", L"%.2f", 12.5, L"%*.1f"},
      {L"1.50e3", L"%.2f", 1500, L"%.2,3e"},
      {L"1.50E-3", L"%f", 0.0015, L"%.2,-3E"},
      {L"+2.5", L"%f", 2.5, L"%+.1f"},
      {L"12", L"%*f", 12, L"%*.0f"},
      {L"12", nullptr, 12, L"%*.0f"},
      {L"-0.125 mm", L"%f", -0.125, L"%*.3f"},
  };
  for (const UnformatCase& c : cases) {
    WQComException error;
    const wqc::UnformattedField field = wqc::UnformatRealField(
        error, Localized(c.text).c_str(), c.incoming, strings, UserLocale());
    const std::string label = testing::PrintToString(std::wstring(c.text));
    ASSERT_TRUE(field.real.has_value()) << label;
    EXPECT_DOUBLE_EQ(*field.real, c.value) << label;
    EXPECT_EQ(field.format, c.format) << label;
  }
}

TEST(UnformatReal, FormatWritesTheTextBack) {
  const wqc::DescriptiveStrings strings = Strings();
  for (const wchar_t* typed : {L"1.50e3", L"ca. 0.250 kg", L"+12.0", L"-3.5E-6", L"7"}) {
    const std::wstring text = Localized(typed);
    WQComException error;
    const wqc::UnformattedField field =
        wqc::UnformatRealField(error, text.c_str(), L"", strings, UserLocale());
    ASSERT_TRUE(field.real.has_value());
    EXPECT_EQ(wqc::FormatRealField(error, field.real, field.parts.prefix, field.parts.postfix,
                                   field.parts.substitution, field.format.c_str(), UserLocale()),
              text);
  }
}

TEST(UnformatReal, NoNumber) {
  const wqc::DescriptiveStrings strings = Strings();
  WQComException error;
  wqc::UnformattedField field =
      wqc::UnformatRealField(error, L"unknown ", L"%.2f", strings, UserLocale());
  EXPECT_STREQ(field.parts.substitution, L"unknown");
  EXPECT_FALSE(field.real.has_value());
  EXPECT_EQ(field.format, L"%*g");

  field = wqc::UnformatRealField(error, L"  ", L"%.2f", strings, UserLocale());
  EXPECT_FALSE(field.parts.found);
  EXPECT_FALSE(field.real.has_value());
  EXPECT_EQ(field.format, L"%g");
}

TEST(Unformat, RefusesTheThousandsSeparatorAndWords) {
  const wqc::DescriptiveStrings strings = Strings();
  const std::wstring thousands = L"1" + UserLocale().thousandsSeparator + L"500";
  for (auto unformat : {&wqc::UnformatRealField, &wqc::UnformatIntegerField}) {
    const wqtest::Failure grouped = FailureOf([&](WQComException& error) {
      unformat(error, thousands.c_str(), L"%f", strings, UserLocale());
    });
    EXPECT_EQ(grouped.hr, E_FAIL);
    EXPECT_EQ(grouped.message, L"Thousands separator is not allowed for number input.");

    const wqtest::Failure notANumber = FailureOf([&](WQComException& error) {
      unformat(error, L"ca. twelve", L"%f", strings, UserLocale());
    });
    EXPECT_EQ(notANumber.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(notANumber.message, L"Invalid descriptive text");
  }
}

TEST(UnformatInteger, ValueAndFormat) {
  const wqc::DescriptiveStrings strings = Strings();
  WQComException error;
  wqc::UnformattedField field =
      wqc::UnformatIntegerField(error, L"+12", L"%d", strings, UserLocale());
  EXPECT_EQ(field.integer, 12);
  EXPECT_EQ(field.format, L"%+d");

  field = wqc::UnformatIntegerField(error, L"approx -3 kg", L"%d", strings, UserLocale());
  EXPECT_EQ(field.integer, -3);
  EXPECT_EQ(field.format, L"%*d");
  EXPECT_STREQ(field.parts.prefix, L"approx");
  EXPECT_STREQ(field.parts.postfix, L"kg");

  field = wqc::UnformatIntegerField(error, L"", nullptr, strings, UserLocale());
  EXPECT_FALSE(field.integer.has_value());
  EXPECT_EQ(field.format, L"%*d");
}

TEST(UnformatInteger, RefusesFractionsAndOverflow) {
  const wqc::DescriptiveStrings strings = Strings();
  for (const wchar_t* typed : {L"2.5", L"15e-1", L"0.4"}) {
    const std::wstring text = Localized(typed);
    const wqtest::Failure failure = FailureOf([&](WQComException& error) {
      wqc::UnformatIntegerField(error, text.c_str(), L"%d", strings, UserLocale());
    });
    EXPECT_EQ(failure.hr, DISP_E_TYPEMISMATCH) << testing::PrintToString(text);
    EXPECT_EQ(failure.message, L"Invalid descriptive text");
  }

  const wqtest::Failure overflow = FailureOf([&](WQComException& error) {
    wqc::UnformatIntegerField(error, L"99999999999", L"%d", strings, UserLocale());
  });
  EXPECT_EQ(overflow.hr, DISP_E_OVERFLOW);
  EXPECT_EQ(overflow.message, L"Invalid descriptive text");
}

}  // namespace
