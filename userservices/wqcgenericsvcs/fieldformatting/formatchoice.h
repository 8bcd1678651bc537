// What the four format controls offer, apart from their windows: the entries of their
// lists, the choice a format string makes in each control, and the format string a choice
// gives back. The strings are those of the field formatter.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace wqc {

// ---------------------------------------------------------------- boolean

struct BoolFormat {
  const wchar_t* code;   // the format string
  const wchar_t* label;  // what the list shows
};
extern const BoolFormat kBoolFormats[4];

// The entry whose code is `format` exactly (case counts), else the first.
int BoolFormatIndex(const wchar_t* format);

// ---------------------------------------------------------------- date

struct DateFormat {
  const wchar_t* format;  // a time-format string
  const wchar_t* sample;  // the date 2002-09-26 in that format
};
extern const DateFormat kDateFormats[19];

// The date every sample shows, with the time of day the default sample is made for.
constexpr double kSampleDate = 37525.388541667;  // 2002-09-26 09:19:30

// The date list as a locale shows it: where a sample holds '/', the sample and its format
// hold the locale's date separator instead.
struct DateFormatList {
  std::vector<std::wstring> samples;
  std::vector<std::wstring> formats;
};
DateFormatList MakeDateFormatList(wchar_t separator);

// The entry a format selects: the last whose format equals it; for an empty format the
// last whose sample equals `defaultSample`; else the first.
int DateFormatIndex(const DateFormatList& list, const wchar_t* format,
                    const std::wstring& defaultSample);

// ---------------------------------------------------------------- integer

struct IntegerFormatChoice {
  bool descriptive = false;  // "Show descriptive text"
  bool plusSign = false;     // Show "+" sign
};

// An empty format, or one holding '*', asks for descriptive text; '+' for the sign.
IntegerFormatChoice ReadIntegerFormatChoice(const wchar_t* format);
std::wstring IntegerFormatText(const IntegerFormatChoice& choice);

// ---------------------------------------------------------------- real

struct Notation {
  wchar_t letter;        // the format type
  const wchar_t* label;  // what the list shows
};
extern const Notation kNotations[4];
enum NotationIndex : int {
  kDefaultNotation,
  kDecimalNotation,
  kScientificNotation,
  kEngineeringNotation
};

// Whether a notation reads the precision and the exponent edits.
inline bool UsesPrecision(int notation) { return notation != kDefaultNotation; }
inline bool UsesExponent(int notation) { return notation == kScientificNotation; }

struct RealFormatChoice {
  int notation = kDefaultNotation;  // -1 while the list offers none
  bool descriptive = false;
  bool plusSign = false;
  std::wstring precision;  // the texts of the precision and exponent edits
  std::wstring exponent;
};

// The ranges of the up-down controls, which the format keeps to.
constexpr int kMinPrecision = 0, kMaxPrecision = 16;
constexpr int kMinExponent = -99, kMaxExponent = 99;

// The number an edit's text holds (blanks around it, an optional sign and decimal digits),
// brought into [minimum, maximum]; none for any other text.
std::optional<int> ReadBoundedNumber(const std::wstring& text, int minimum, int maximum);
// The text an edit keeps once left: the number brought into range, or nothing.
std::wstring BoundedNumberText(const std::wstring& text, int minimum, int maximum);

// An empty format means "%*g". Only the lower-case letters e, f, g and h are types; the
// last one wins. A precision or exponent of 100 or more is not shown; others are brought
// into the ranges of the up-down controls.
RealFormatChoice ReadRealFormatChoice(const wchar_t* format);
// "%", '*', '+', then the precision and exponent the notation uses, where their edits hold
// numbers (brought into range), then the notation's letter.
std::wstring RealFormatText(const RealFormatChoice& choice);

}  // namespace wqc
