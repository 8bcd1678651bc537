// Real and integer fields to text and back, under the locale the test runs in.
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

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
      // A mantissa that rounds up to 10 moves on to the next exponent.
      {9.996, L"%.2e", L"1.00e1"},
      {-0.99999, L"%.2E", L"-1.00"},
      {9.99999e-5, L"%.2g", L"1.00e-4"},
      {1.7976931348623157e308, L"%.3e", L"1.798e308"},
      // Engineering notation keeps 1000 as the mantissa of a power of ten from 10^6 up.
      {1e24, L"%.1h", L"1000.0e21"},
      {1e21, L"%.1H", L"1000.0E18"},
      {-1.5e300, L"%.1h", L"-1.5e300"},
      {1e-300, L"%.1h", L"1.0e-300"},
      {2.5e-301, L"%.1h", L"250.0e-303"},
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

std::wstring Printed(const wchar_t* format, double value) {
  wchar_t text[400];
  _snwprintf(text, 400, format, value);
  text[399] = L'\0';
  return text;
}

// Every power of ten, both signs: fixed point writes every digit, the exponent types write
// the mantissa 1 whatever rounding error a power of ten has.
TEST(FormatReal, EveryPowerOfTen) {
  const int digits = UserLocale().digits;
  for (int n = -308; n <= 308; ++n) {
    for (const double sign : {1.0, -1.0}) {
      const double value = sign * std::wcstod((L"1e" + std::to_wstring(n)).c_str(), nullptr);
      const std::wstring minus = sign < 0 ? L"-" : L"";
      const std::wstring exponent = n == 0 ? L"" : std::to_wstring(n);
      const std::wstring mantissa =
          minus + L"1" + (digits > 0 ? L"." + std::wstring(digits, L'0') : L"");
      const std::wstring fixed = Printed(L"%.2f", value);
      const std::wstring fixedDefault =
          Printed((L"%." + std::to_wstring(digits) + L"f").c_str(), value);
      const bool gScientific = n < -4 || n >= 8;
      const struct {
        const wchar_t* format;
        std::wstring expected;  // written with '.'
      } cases[] = {
          {L"%.2f", fixed},
          {L"%e", mantissa + (n ? L"e" : L"") + exponent},
          {L"%E", mantissa + (n ? L"E" : L"") + exponent},
          {L"%g", gScientific ? mantissa + L"e" + exponent : fixedDefault},
          {L"", gScientific ? mantissa + L"e" + exponent : fixedDefault},
      };
      for (const auto& c : cases) {
        EXPECT_EQ(FormatReal(value, c.format), Localized(c.expected))
            << value << " " << testing::PrintToString(std::wstring(c.format));
      }
    }
  }
}

// Whatever the double, the mantissa lies in [1, 10) and the text reads back as
// the value to the precision shown.
TEST(FormatReal, MantissaOfAnyDouble) {
  std::mt19937_64 random(2026);
  for (int i = 0; i < 20000; ++i) {
    const uint64_t bits = random();
    double value;
    memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value) || value == 0) continue;
    for (const auto& [format, decimals] : {std::pair{L"%.2e", 2}, std::pair{L"%.9E", 9}}) {
      std::wstring text = FormatReal(value, format);
      const size_t separator = text.find(UserLocale().decimalSeparator);
      ASSERT_NE(separator, std::wstring::npos) << value;
      text.replace(separator, UserLocale().decimalSeparator.size(), L".");
      const double mantissa =
          std::fabs(std::wcstod(text.substr(0, text.find_first_of(L"eE")).c_str(), nullptr));
      EXPECT_TRUE(mantissa >= 1 && mantissa < 10) << value << " " << testing::PrintToString(text);
      const double read = std::wcstod(text.c_str(), nullptr);
      EXPECT_LE(std::fabs(read - value), std::fabs(value) * 0.51 * std::pow(10.0, -decimals))
          << value << " " << testing::PrintToString(text);
    }
  }
}

// A number longer than the platform's number formatting takes is laid out as it lays out a
// short one, under every negative order and with the locale's decimal separator.
TEST(FormatReal, LongNumbersFollowTheLocaleLayout) {
  for (UINT order = 0; order <= 4; ++order) {
    wqc::NumberLocale locale = UserLocale();
    locale.negativeOrder = static_cast<int>(order);
    locale.decimalSeparator = L"<>";
    const struct {
      double value;
      const wchar_t* format;
      double shown;  // the value the number shows
      const wchar_t* exponent;
    } cases[] = {
        {-1e275, L"%.3f", 1e275, L""},
        {-1e300, L"%.3f", 1e300, L""},
        {-1.7976931348623157e308, L"%.3f", 1.7976931348623157e308, L""},
        {1e308, L"%.3f", 1e308, L""},
        {-1e290, L"%.3,-5f", 1e290 * 1e5, L"e-5"},
    };
    for (const auto& c : cases) {
      WQComException error;
      const std::wstring text =
          wqc::FormatRealField(error, c.value, nullptr, nullptr, nullptr, c.format, locale);
      std::wstring expected = wqc::FormatRealField(error, c.value < 0 ? -1.0 : 1.0, nullptr,
                                                   nullptr, nullptr, L"%.3f", locale);
      expected.replace(expected.find(L'1'), 1, Printed(L"%.0f", c.shown));
      EXPECT_EQ(text, expected + c.exponent) << c.value << " order " << order;
    }
  }
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
