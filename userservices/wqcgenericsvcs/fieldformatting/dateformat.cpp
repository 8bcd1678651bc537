#include "dateformat.h"

#include <clocale>
#include <cmath>
#include <ctime>
#include <cwchar>

#include <handles.h>

// Exported by msvcrt.dll, which mingw's headers do not declare: the LCID of each category.
extern "C" __declspec(dllimport) LCID* __cdecl ___lc_handle_func(void);

namespace wqc {

namespace {

// The texts of the runtime's "C" locale.
constexpr const wchar_t* kCDayNames[7] = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                          L"Thursday", L"Friday", L"Saturday"};
constexpr const wchar_t* kCShortDayNames[7] = {L"Sun", L"Mon", L"Tue", L"Wed",
                                               L"Thu", L"Fri", L"Sat"};
constexpr const wchar_t* kCMonthNames[12] = {L"January",   L"February", L"March",    L"April",
                                             L"May",       L"June",     L"July",     L"August",
                                             L"September", L"October",  L"November", L"December"};
constexpr const wchar_t* kCShortMonthNames[12] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                                  L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};

int DayOfYear(const SYSTEMTIME& time) {
  static constexpr int kDaysBeforeMonth[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const int year = time.wYear;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return kDaysBeforeMonth[time.wMonth - 1] + (leap && time.wMonth > 2 ? 1 : 0) + time.wDay - 1;
}

// 0 for Sunday; 1 January of the year 1 was a Monday.
WORD DayOfWeek(const SYSTEMTIME& time) {
  const long before = time.wYear - 1;
  const long days = before * 365 + before / 4 - before / 100 + before / 400 + DayOfYear(time);
  return static_cast<WORD>((days + 1) % 7);
}

// Writes a time under one format: the conversions as the runtime's wcsftime writes them
// ('#' drops leading zeros and makes %x and %c long), the pictures as GetDateFormatW reads them.
class TimeWriter {
 public:
  TimeWriter(WQComException& error, const SYSTEMTIME& time, LCID lcid)
      : error_(error), time_(time), lcid_(lcid) {}

  std::wstring Write(const wchar_t* format) {
    for (const wchar_t* p = format; *p; ++p) {
      if (*p != L'%') {
        text_ += *p;
        continue;
      }
      const bool alternate = p[1] == L'#';
      if (alternate) ++p;
      if (!p[1] || !Conversion(*++p, alternate))
        error_.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"Invalid format string");
    }
    return std::move(text_);
  }

 private:
  bool Conversion(wchar_t letter, bool alternate) {
    const int width = alternate ? 0 : 2;
    const int weekday = time_.wDayOfWeek, yearDay = DayOfYear(time_);
    switch (letter) {
      case L'a': text_ += DayName(true); break;
      case L'A': text_ += DayName(false); break;
      case L'b': text_ += MonthName(true); break;
      case L'B': text_ += MonthName(false); break;
      case L'c':
        Picture(alternate ? LongDatePicture() : ShortDatePicture());
        text_ += L' ';
        Picture(TimePicture());
        break;
      case L'd': Number(time_.wDay, width); break;
      case L'H': Number(time_.wHour, width); break;
      case L'I': Number((time_.wHour + 11) % 12 + 1, width); break;
      case L'j': Number(yearDay + 1, alternate ? 0 : 3); break;
      case L'm': Number(time_.wMonth, width); break;
      case L'M': Number(time_.wMinute, width); break;
      case L'p': text_ += DayPeriod(); break;
      case L'S': Number(time_.wSecond, width); break;
      case L'U': Number((yearDay + 7 - weekday) / 7, width); break;  // weeks begin on Sunday
      case L'w': Number(weekday, 0); break;
      case L'W': Number((yearDay + 7 - (weekday + 6) % 7) / 7, width); break;  // on Monday
      case L'x': Picture(alternate ? LongDatePicture() : ShortDatePicture()); break;
      case L'X': Picture(TimePicture()); break;
      case L'y': Number(time_.wYear % 100, width); break;
      case L'Y': Number(time_.wYear, alternate ? 0 : 4); break;
      case L'z':  // the runtime writes the zone's name for both
      case L'Z': text_ += TimeZoneName(); break;
      case L'%': text_ += L'%'; break;
      default: return false;
    }
    return true;
  }

  // A locale's date or time picture: runs of d, M, y, h, H, m, s and t; text in quotes ('' is
  // a quote); anything else as it stands.
  void Picture(const std::wstring& picture) {
    for (size_t i = 0; i < picture.size();) {
      const wchar_t letter = picture[i];
      if (letter == L'\'') {
        i = QuotedText(picture, i);
        continue;
      }
      size_t count = 1;
      while (i + count < picture.size() && picture[i + count] == letter) ++count;
      i += count;
      const int width = count == 1 ? 0 : 2;
      switch (letter) {
        case L'd':  // a number, then the name in short and in full
        case L'M': {
          const bool day = letter == L'd';
          if (count <= 2)
            Number(day ? time_.wDay : time_.wMonth, width);
          else
            text_ += day ? DayName(count == 3) : MonthName(count == 3);
          break;
        }
        case L'y':
          Number(count <= 2 ? time_.wYear % 100 : time_.wYear, count <= 2 ? width : 4);
          break;
        case L'h': Number((time_.wHour + 11) % 12 + 1, width); break;
        case L'H': Number(time_.wHour, width); break;
        case L'm': Number(time_.wMinute, width); break;
        case L's': Number(time_.wSecond, width); break;
        case L't': text_ += count == 1 ? DayPeriod().substr(0, 1) : DayPeriod(); break;
        default: text_.append(count, letter); break;
      }
    }
  }

  // The text of a quote that starts at `start`; the position after its closing quote.
  size_t QuotedText(const std::wstring& picture, size_t start) {
    size_t i = start + 1;
    if (i < picture.size() && picture[i] == L'\'') {
      text_ += L'\'';
      return i + 1;
    }
    for (; i < picture.size(); ++i) {
      if (picture[i] != L'\'') {
        text_ += picture[i];
      } else if (i + 1 < picture.size() && picture[i + 1] == L'\'') {
        text_ += L'\'';
        ++i;
      } else {
        return i + 1;
      }
    }
    return i;
  }

  void Number(int value, int width) {
    wchar_t digits[16];
    text_.append(digits, swprintf(digits, 16, L"%0*d", width, value));
  }

  std::wstring DayName(bool abbreviated) {
    const int weekday = time_.wDayOfWeek;
    // The locale's names start on Monday.
    return abbreviated
               ? LocaleText(LOCALE_SABBREVDAYNAME1 + (weekday + 6) % 7, kCShortDayNames[weekday])
               : LocaleText(LOCALE_SDAYNAME1 + (weekday + 6) % 7, kCDayNames[weekday]);
  }
  std::wstring MonthName(bool abbreviated) {
    const int month = time_.wMonth - 1;
    return abbreviated ? LocaleText(LOCALE_SABBREVMONTHNAME1 + month, kCShortMonthNames[month])
                       : LocaleText(LOCALE_SMONTHNAME1 + month, kCMonthNames[month]);
  }
  std::wstring DayPeriod() {
    return time_.wHour < 12 ? LocaleText(LOCALE_S1159, L"AM") : LocaleText(LOCALE_S2359, L"PM");
  }
  std::wstring ShortDatePicture() { return LocaleText(LOCALE_SSHORTDATE, L"MM/dd/yy"); }
  std::wstring LongDatePicture() { return LocaleText(LOCALE_SLONGDATE, L"dddd, MMMM dd, yyyy"); }
  std::wstring TimePicture() { return LocaleText(LOCALE_STIMEFORMAT, L"HH:mm:ss"); }

  std::wstring LocaleText(LCTYPE type, const wchar_t* cText) {
    if (!lcid_) return cText;
    const int size = GetLocaleInfoW(lcid_, type, nullptr, 0);
    std::wstring text(size > 0 ? size : 0, L'\0');
    if (size <= 0 || GetLocaleInfoW(lcid_, type, text.data(), size) != size) {
      error_.ThrowHrAt(WQ_HERE, plat::hresult_from_last_error(),
                       L"The locale gives no date and time texts");
    }
    text.resize(size - 1);
    return text;
  }

  // The runtime's name of the time zone (TZ's or the system's): the date does not change it.
  std::wstring TimeZoneName() {
    tm anyDate = {};
    anyDate.tm_year = 100;
    anyDate.tm_mday = 1;
    wchar_t name[128];
    const size_t length = wcsftime(name, 128, L"%Z", &anyDate);
    if (!length) error_.ThrowHrAt(WQ_HERE, E_FAIL, L"The C runtime wrote no time zone name");
    return std::wstring(name, length);
  }

  WQComException& error_;
  const SYSTEMTIME& time_;
  const LCID lcid_;
  std::wstring text_;
};

}  // namespace

bool PrintedTime(DATE value, SYSTEMTIME& time) {
  // The platform makes a date of a NaN too.
  if (!std::isfinite(value) || !VariantTimeToSystemTime(value, &time)) return false;
  // The platform rounds the time but leaves the weekday of the time before, and rounds the
  // last half second of 9999 into a year no date holds.
  if (time.wYear > 9999) time = {9999, 12, 0, 31, 23, 59, 59, 0};
  time.wDayOfWeek = DayOfWeek(time);
  time.wMilliseconds = 0;
  return true;
}

LCID RuntimeTimeLocale() { return ___lc_handle_func()[LC_TIME]; }

std::wstring FormatTime(WQComException& error, const SYSTEMTIME& time, const wchar_t* format,
                        LCID lcid) {
  return TimeWriter(error, time, lcid).Write(format);
}

}  // namespace wqc
