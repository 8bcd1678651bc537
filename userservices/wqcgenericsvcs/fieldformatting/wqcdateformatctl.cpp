#include "wqcdateformatctl.h"

#include "fieldtext.h"
#include "formatchoice.h"

namespace {

// The first character of the user's date separator; '/' when the locale gives none.
wchar_t UserDateSeparator() {
  wchar_t separator[8] = {};
  if (GetLocaleInfoW(GetUserDefaultLCID(), LOCALE_SDATE, separator, 8) <= 0 || !separator[0])
    return L'/';
  return separator[0];
}

// The sample date as "%x" writes it in the C runtime's current locale.
std::wstring DefaultSample() {
  WQComException error;
  return wqc::FormatDateField(error, wqc::kSampleDate, L"%x");
}

}  // namespace

DateFormatChoice WQCDateFormatCtl::ReadFormat(const wchar_t* format) const {
  DateFormatChoice choice;
  choice.separator = UserDateSeparator();
  const bool empty = !format || !*format;
  choice.index = wqc::DateFormatIndex(wqc::MakeDateFormatList(choice.separator), format,
                                      empty ? DefaultSample() : std::wstring());
  return choice;
}

std::optional<std::wstring> WQCDateFormatCtl::FormatText() const {
  const wqc::DateFormatList list = wqc::MakeDateFormatList(choice_.separator);
  if (choice_.index < 0 || choice_.index >= static_cast<int>(list.formats.size()))
    return std::nullopt;
  return list.formats[choice_.index];
}

void WQCDateFormatCtl::ShowChoice() {
  ShowList(wqc::MakeDateFormatList(choice_.separator).samples, choice_.index);
}
