// Real and integer fields to text and back, under the locale the test runs in.
#include <cmath>
#include <limits>

#include "fieldformatting/fieldtext.h"
#include "fieldtest.h"

namespace {

using wqtest::FailureOf;
using wqtest::Localized;
using wqtest::UserLocale;

std::wstring FormatReal(std::optional<double> value, const wchar_t* format,
                        const wchar_t* prefix = nullptr, const wchar_t* postfix = nullptr,
                        const wchar_t* substitution = nullptr) {
  WQComException error;
  return wqc::FormatRealField(error, value, prefix, postfix, substitution, format, UserLocale());
}

TEST(FormatReal, FormatsAndExponents) {
  const struct {
    double value;
    const wchar_t* format;
    const wchar_t* expected;  // numbers written with '.'
  } cases[] = {
      {1500, L"%.1,3e", L"1.5e3"},
      {1500, L"%.1H", L"1.5E3"},  // upper case writes 'E'
      {1500, L"%.1h", L"1.5e3"},
      {0.00123, L"%.2E", L"1.23E-3"},
      {5, L"%.2E", L"5.00"},
      {0, L"%.2E", L"0.00"},
      {0, L"%.1,3e", L"0.0e3"},
      {1500, L"%.1,+3E", L"1.5E+3"},
      {0.5, L"%+.2f", L"+0.50"},
      {-0.5, L"%+.2f", L"-0.50"},
      {1234567.25, L"%.2f", L"1234567.25"},
      {1e6, L"%.0H", L"1000E3"},
      {1e6, L"%h", L"1000.00e3"},  // 1000 stays a mantissa
      {0.0005, L"%.1h", L"500.0e-6"},
      {0.05, L"%.2h", L"0.05"},
      {123456789, L"%.2g", L"1.23e8"},
      {12.5, L"%.2g", L"12.50"},
      {0.0001, L"%.4g", L"0.0001"},
      {0.00001, L"%.1G", L"1.0E-5"},
      {123456789, L"%g", L"1.23e8"},
      {2.5, L"", L"2.50"},
      {1500000, L"%.1,3H", L"1500.0E3"},  // a fixed exponent holds for G and H too
      {1500, L"%.1,3g", L"1.5e3"},
      {1.0 / 3, L"%.12f", L"0.333333333"},
      {1.7e308, L"%.1e", L"1.7e308"},
      {4.9e-324, L"%.1e", L"4.9e-324"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatReal(c.value, c.format), Localized(c.expected))
        << c.value << " " << testing::PrintToString(std::wstring(c.format));
  }
  EXPECT_EQ(FormatReal(1.5, L"%*.2f", L"approx", L"m", L"N/A"), L"N/A");
  EXPECT_EQ(FormatReal(1.5, L"%*.2f", L"approx", L"m", L""), Localized(L"approx 1.50 m"));
  EXPECT_EQ(FormatReal(1.5, L"%.2f", L"approx", L"m", L"N/A"), Localized(L"1.50"));
  EXPECT_EQ(FormatReal(std::nullopt, L"%*X", L"approx", L"m"), L"approx m");
}

TEST(FormatReal, HugeValuesAndTheRuntimesDecimalPoint) {
  // 2^1000 is a whole number of 302 digits.
  const std::wstring huge = FormatReal(std::ldexp(1.0, 1000), L"%.2f");
  EXPECT_EQ(huge.substr(0, 16), L"1071508607186267");
  EXPECT_EQ(huge.substr(302), Localized(L".00"));

  // A client may switch the C runtime to a comma locale; the number must still be read.
  const std::wstring saved = _wsetlocale(LC_NUMERIC, nullptr);
  ASSERT_NE(_wsetlocale(LC_NUMERIC, L"German"), nullptr);
  const std::wstring text = FormatReal(1.25, L"%.2f");
  _wsetlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(text, Localized(L"1.25"));
}

TEST(FormatReal, Failures) {
  const double infinity = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    const wchar_t* format;
    const wchar_t* message;
  } cases[] = {
      {1.5, L"%.2X", L"Invalid format type"},
      {0, L"%.2", L"Invalid format type"},
      {infinity, L"%.1h", nullptr},
      {-infinity, L"%e", nullptr},
      {std::nan(""), L"%g", nullptr},
      // Exponents the value cannot be scaled by, either way.
      {1, L"%.1,-400f", L"Invalid format string"},
      {1.5, L"%.2,400f", L"Invalid format string"},
      {1e-300, L"%.2,20e", L"Invalid format string"},
  };
  for (const auto& c : cases) {
    const wqtest::Failure failure = FailureOf([&](WQComException& error) {
      wqc::FormatRealField(error, c.value, nullptr, nullptr, nullptr, c.format, UserLocale());
    });
    EXPECT_EQ(failure.hr, E_INVALIDARG) << c.value;
    if (c.message) {
      EXPECT_EQ(failure.message, c.message);
    }
  }
}

TEST(FormatInteger, SignDescriptiveTextAndNoGrouping) {
  const wqc::NumberLocale& locale = UserLocale();
  EXPECT_EQ(wqc::FormatIntegerField(42, nullptr, nullptr, nullptr, L"%+d", locale), L"+42");
  EXPECT_EQ(wqc::FormatIntegerField(0, nullptr, nullptr, nullptr, L"%+d", locale), L"0");
  EXPECT_EQ(wqc::FormatIntegerField(-1234567, nullptr, nullptr, nullptr, L"+", locale),
            L"-1234567");
  EXPECT_EQ(wqc::FormatIntegerField(12, L"about", L"pcs", nullptr, L"", locale), L"about 12 pcs");
  EXPECT_EQ(wqc::FormatIntegerField(12, L"about", L"pcs", L"many", L"%d", locale), L"12");
  EXPECT_EQ(wqc::FormatIntegerField(-2147483647 - 1, nullptr, nullptr, nullptr, L"%d", locale),
            L"-2147483648");
  EXPECT_EQ(wqc::FormatIntegerField(2147483647, nullptr, nullptr, nullptr, L"%+d", locale),
            L"+2147483647");
}

wqc::DescriptiveStrings Strings() {
  wqc::DescriptiveStrings strings;
  for (const wchar_t* text : {L"ca", L"", L"ca.", L"CA.", L"approx"})
    strings.prefixes.Add(WQHeapString(text));
  for (const wchar_t* text : {L"", L"m", L"mm", L"kg"}) strings.postfixes.Add(WQHeapString(text));
  for (const wchar_t* text : {L"", L"N/A"}) strings.substitutions.Add(WQHeapString(text));
  return strings;
}

std::wstring Text(const wchar_t* text) { return text ? text : L"(null)"; }

TEST(DescriptiveText, WholeSubstitutionElseLongestPrefixAndPostfix) {
  const wqc::DescriptiveStrings strings = Strings();
  const struct {
    const wchar_t* text;
    const wchar_t* expected;  // found|prefix|postfix|substitution|number
  } cases[] = {
      {L"Ca. 12.5", L"1|ca.|(null)|(null)|12.5"},  // the first of the longest
      {L"approx 3 KG", L"1|approx|kg|(null)|3"},
      {L" 12.5 mm \t\n", L"1|(null)|mm|(null)|12.5"},
      {L"n/a  ", L"1|(null)|(null)|N/A|"},
      {L"12.5", L"0|(null)|(null)|(null)|12.5"},  // empty entries match nothing
      {L"12\r", L"0|(null)|(null)|(null)|12\r"},  // a carriage return is no blank
  };
  for (const auto& c : cases) {
    const wqc::DescriptiveParts parts = wqc::ParseDescriptiveText(c.text, strings);
    EXPECT_EQ(std::to_wstring(parts.found) + L"|" + Text(parts.prefix) + L"|" +
                  Text(parts.postfix) + L"|" + Text(parts.substitution) + L"|" + parts.number,
              c.expected);
  }
}

TEST(Unformat, ValueAndAFormatThatWritesTheTextBack) {
  const wqc::DescriptiveStrings strings = Strings();
  const struct {
    const wchar_t* text;  // numbers written with '.'
    const wchar_t* incoming;
    double value;
    const wchar_t* format;
  } cases[] = {
      {L"ca. 12.5", L"%.2f", 12.5, L"%*.1f"},
      {L"1.50e3", L"%.2f", 1500, L"%.2,3e"},
      {L"-3.5E-6", L"%f", -3.5e-6, L"%.1,-6E"},
      {L"+12.0 kg", L"%f", 12, L"%*+.1f"},
      {L"7", nullptr, 7, L"%*.0f"},
  };
  for (const auto& c : cases) {
    const std::wstring text = Localized(c.text);
    WQComException error;
    const wqc::UnformattedField field =
        wqc::UnformatRealField(error, text.c_str(), c.incoming, strings, UserLocale());
    EXPECT_DOUBLE_EQ(field.real.value_or(NAN), c.value) << testing::PrintToString(text);
    EXPECT_EQ(field.format, c.format);
    EXPECT_EQ(FormatReal(field.real, field.format.c_str(), field.parts.prefix, field.parts.postfix),
              text);
  }
  WQComException error;
  const wqc::UnformattedField none =
      wqc::UnformatRealField(error, L"  ", L"%f", strings, UserLocale());
  EXPECT_FALSE(none.real.has_value());
  EXPECT_EQ(none.format, L"%g");
  const wqc::UnformattedField integer =
      wqc::UnformatIntegerField(error, L"approx +3 kg", L"%d", strings, UserLocale());
  EXPECT_EQ(integer.integer, 3);
  EXPECT_EQ(integer.format, L"%*+d");
}

TEST(Unformat, IntegersTakeThousandsSeparators) {
  WQComException error;
  const std::wstring grouped = L"-1" + UserLocale().thousandsSeparator + L"500";
  const wqc::UnformattedField field =
      wqc::UnformatIntegerField(error, grouped.c_str(), L"%d", Strings(), UserLocale());
  EXPECT_EQ(field.integer, -1500);
  EXPECT_EQ(field.format, L"%d");
}

TEST(Unformat, EveryCharacterAfterTheDecimalSeparatorIsADecimal) {
  const struct {
    const wchar_t* text;  // numbers written with '.'
    double value;
    const wchar_t* format;
  } cases[] = {
      {L"1.50-", -1.5, L"%.3f"},  // a trailing minus sign
      {L"(2.5)", -2.5, L"%.2f"},  // a bracketed negative number
      {L"3.25e2", 325, L"%.2,2e"},
  };
  for (const auto& c : cases) {
    const std::wstring text = Localized(c.text);
    WQComException error;
    const wqc::UnformattedField field =
        wqc::UnformatRealField(error, text.c_str(), L"%f", Strings(), UserLocale());
    EXPECT_DOUBLE_EQ(field.real.value_or(NAN), c.value) << testing::PrintToString(text);
    EXPECT_EQ(field.format, c.format) << testing::PrintToString(text);
  }
}

TEST(Unformat, Failures) {
  const wqc::DescriptiveStrings strings = Strings();
  const std::wstring grouped = L"1" + UserLocale().thousandsSeparator + L"500";
  const struct {
    bool integer;
    std::wstring text;
    HRESULT hr;
    const wchar_t* message;
  } cases[] = {
      {false, grouped, E_FAIL, L"Thousands separator is not allowed for number input."},
      {false, L"ca twelve", DISP_E_TYPEMISMATCH, L"Invalid descriptive text"},
      {true, Localized(L"2.5"), DISP_E_TYPEMISMATCH, L"Invalid descriptive text"},  // not rounded
      {true, L"15e-1", DISP_E_TYPEMISMATCH, L"Invalid descriptive text"},
      {true, L"99999999999", DISP_E_OVERFLOW, L"Invalid descriptive text"},
  };
  for (const auto& c : cases) {
    const wqtest::Failure failure = FailureOf([&](WQComException& error) {
      auto unformat = c.integer ? &wqc::UnformatIntegerField : &wqc::UnformatRealField;
      unformat(error, c.text.c_str(), L"%f", strings, UserLocale());
    });
    EXPECT_EQ(failure.hr, c.hr) << testing::PrintToString(c.text);
    EXPECT_EQ(failure.message, c.message);
  }
}

}  // namespace
