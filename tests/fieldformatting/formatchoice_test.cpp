// The format controls' choices and layouts without windows: what a format selects, the
// format a choice gives back, and that the lists agree with what the formatter writes.
#include <gtest/gtest.h>

#include "fieldformatting/fieldtext.h"
#include "fieldformatting/formatchoice.h"
#include "fieldformatting/formatctllayout.h"

namespace {

std::wstring RoundTrip(const wchar_t* format) {
  return wqc::RealFormatText(wqc::ReadRealFormatChoice(format));
}

TEST(FormatChoice, ListsShowWhatTheFormatterWrites) {
  WQComException error;
  for (const wqc::BoolFormat& entry : wqc::kBoolFormats) {
    EXPECT_EQ(std::wstring(wqc::FormatBoolField(error, true, entry.code)) + L"/" +
                  wqc::FormatBoolField(error, false, entry.code),
              entry.label);
  }
  // The samples are written in the C runtime's own locale, as the list shows them.
  for (const wqc::DateFormat& entry : wqc::kDateFormats)
    EXPECT_EQ(wqc::FormatDateField(error, wqc::kSampleDate, entry.format), entry.sample);
}

TEST(FormatChoice, DateListTakesTheLocaleSeparator) {
  const wqc::DateFormatList points = wqc::MakeDateFormatList(L'.');
  EXPECT_EQ(points.formats[1], L"%#m.%#d");
  EXPECT_EQ(points.formats[0], L"%Y-%m-%d");
  // The default sample of the C runtime's locale is written with slashes.
  EXPECT_EQ(wqc::DateFormatIndex(points, L"", L"09/26/02"), 0);
  EXPECT_EQ(wqc::DateFormatIndex(wqc::MakeDateFormatList(L'/'), nullptr, L"09/26/02"), 5);
}

TEST(FormatChoice, IntegerFormatsTakeOnlyTheirFlags) {
  EXPECT_EQ(wqc::IntegerFormatText(wqc::ReadIntegerFormatChoice(L"")), L"%*d");
  EXPECT_EQ(wqc::IntegerFormatText(wqc::ReadIntegerFormatChoice(L"%+*x")), L"%*+d");
}

TEST(FormatChoice, RealFormatsComeBackAsTheControlShowsThem) {
  struct Case {
    const wchar_t* format;
    const wchar_t* expected;
  };
  for (const Case& c : {
           Case{L"%*.3,2e", L"%*.3,2e"}, Case{L"", L"%*g"},
           Case{L"%.2E", L"%g"},         // upper-case is no type: the precision is unused
           Case{L"%+.1,-3f", L"%+.1f"},  // decimal notation reads no exponent
           Case{L"%.2,3h", L"%.2h"},     // nor does engineering
           Case{L"%.150f", L"%f"},       // 100 and above means none
           Case{L"%,-12e", L"%,-12e"}, Case{L"%,-123e", L"%,-99e"},  // kept in the up-down's range
           Case{L"%.50,5e", L"%.16,5e"}, Case{L"%.2f%e", L"%.2e"},   // a later type wins
       }) {
    EXPECT_EQ(RoundTrip(c.format), c.expected) << c.format;
  }

  wqc::RealFormatChoice edited = wqc::ReadRealFormatChoice(L"%.3,2e");
  edited.notation = wqc::kDecimalNotation;
  edited.precision.clear();
  EXPECT_EQ(wqc::RealFormatText(edited), L"%f");
  edited.precision = L"12345";
  EXPECT_EQ(wqc::RealFormatText(edited), L"%.16f");
}

TEST(FormatChoice, EditsHoldNumbersKeptInRange) {
  struct Case {
    const wchar_t* text;
    const wchar_t* kept;  // within -99 to 99
  };
  // The control's own test types and pastes the common texts; these are the edge cases.
  for (const Case& c : {Case{L" 007 ", L"7"}, Case{L"-0", L"0"}, Case{L"  ", L""}, Case{L"-", L""},
                        Case{L"7x", L""}, Case{L"1 2", L""}}) {
    EXPECT_EQ(wqc::BoundedNumberText(c.text, -99, 99), c.kept) << c.text;
  }
}

TEST(FormatCtlLayout, IntegerSignBoxGoesBesideOrBelow) {
  const SIZE box{120, 16};
  EXPECT_EQ(wqc::IntegerSignBoxPosition({300, 20}, box, box).x, 125);
  const POINT below = wqc::IntegerSignBoxPosition({130, 60}, box, box);
  EXPECT_EQ(below.x, 0);
  EXPECT_EQ(below.y, 21);
}

TEST(FormatCtlLayout, RealPartsArrangeByTheRoomThereIs) {
  wqc::RealLayoutSizes sizes{};
  sizes.combo = {105, 21};
  sizes.precisionEdit = sizes.exponentEdit = {40, 20};
  sizes.precisionLabel = {43, 13};
  sizes.exponentLabel = {48, 13};
  sizes.descriptive = {127, 16};
  sizes.sign = {91, 16};
  // Needs: a row 105 + 88 + 93 + 127 + 91 + 20 = 524 wide, a column 21+20+20+16+16+20 =
  // 113 high, two columns 105 + 127 + 5 = 237 wide and 21 + 20 + 20 + 10 = 71 high.
  struct Case {
    SIZE client;
    wqc::RealArrangement arrangement;
  };
  for (const Case& c : {Case{{520, 30}, wqc::RealArrangement::kOneRow},
                        Case{{520, 70}, wqc::RealArrangement::kTwoColumns},
                        Case{{200, 120}, wqc::RealArrangement::kOneColumn},
                        Case{{240, 120}, wqc::RealArrangement::kTwoColumns},
                        Case{{200, 100}, wqc::RealArrangement::kTwoColumns}}) {
    EXPECT_EQ(wqc::LayoutRealFormatCtl(c.client, sizes).arrangement, c.arrangement)
        << c.client.cx << " x " << c.client.cy;
  }

  const wqc::RealLayout row = wqc::LayoutRealFormatCtl({600, 30}, sizes);
  EXPECT_EQ(row.exponentEdit.x, 105 + 10 + 88);
  EXPECT_EQ(row.sign.x, 105 + 88 + 93 + 127 + 20);
  const wqc::RealLayout column = wqc::LayoutRealFormatCtl({200, 200}, sizes);
  EXPECT_EQ(column.exponentEdit.y, 21 + 10 + 20);
  EXPECT_EQ(column.sign.y, 21 + 20 + 20 + 16 + 20);
}

}  // namespace
