// Field formatting per value: FormatReal and FormatInteger against _snwprintf and
// GetNumberFormatW doing the same work with the locale's settings read beforehand, the text
// handed out as a BSTR as the methods do.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "WQCGenericSvcs.h"
#include "benchsupport.h"

namespace {

constexpr int kValues = 100000;

std::wstring LocaleText(LCTYPE type) {
  wchar_t text[16] = L"";
  GetLocaleInfoW(GetUserDefaultLCID(), type, text, 16);
  return text;
}

VARIANT RealValue(int i) {
  VARIANT value;
  V_VT(&value) = VT_R8;
  V_R8(&value) = (i % 2 ? -1 : 1) * (i * 1.37 + 0.125);
  return value;
}

VARIANT IntegerValue(int i) {
  VARIANT value;
  V_VT(&value) = VT_I4;
  V_I4(&value) = (i % 2 ? -1 : 1) * i * 37;
  return value;
}

// `format(value, &text)` against the value printed with `printFormat` and formatted with
// `numberFormat`, for kValues values.
template <class Format>
bench::Times TimeFormatting(Format&& format, VARIANT (*value)(int), const wchar_t* printFormat,
                            const NUMBERFMTW& numberFormat, bool* ok) {
  const LCID lcid = GetUserDefaultLCID();
  return bench::MedianTimes(
      [&] {
        for (int i = 0; i < kValues; ++i) {
          BSTR text = nullptr;
          *ok = *ok && SUCCEEDED(format(value(i), &text));
          SysFreeString(text);
        }
      },
      [&] {
        wchar_t number[400];
        wchar_t text[128];
        for (int i = 0; i < kValues; ++i) {
          const VARIANT v = value(i);
          if (V_VT(&v) == VT_R8)
            _snwprintf(number, 400, printFormat, V_R8(&v));
          else
            _snwprintf(number, 400, printFormat, V_I4(&v));
          const int length = GetNumberFormatW(lcid, 0, number, &numberFormat, text, 128);
          *ok = *ok && length > 0;
          SysFreeString(SysAllocStringLen(text, length - 1));
        }
      });
}

}  // namespace

int main(int argc, char**) {
  if (!bench::TakesNoArguments(argc, "format_bench")) return 2;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int status = 1;
  {
    plat::com_ptr<IWQCFieldFormatter> formatter;
    if (!bench::CreateRegistered(L"WQCGenericSvcs.WQCFieldFormatter", __uuidof(IWQCFieldFormatter),
                                 formatter))
      return 1;
    std::wstring decimal = LocaleText(LOCALE_SDECIMAL);
    NUMBERFMTW realFormat = {};
    realFormat.NumDigits = 2;
    realFormat.LeadingZero = static_cast<UINT>(_wtoi(LocaleText(LOCALE_ILZERO).c_str()));
    realFormat.lpDecimalSep = decimal.data();
    realFormat.lpThousandSep = const_cast<wchar_t*>(L"");
    realFormat.NegativeOrder = static_cast<UINT>(_wtoi(LocaleText(LOCALE_INEGNUMBER).c_str()));
    NUMBERFMTW integerFormat = realFormat;
    integerFormat.NumDigits = 0;
    integerFormat.lpDecimalSep = const_cast<wchar_t*>(L".");
    plat::unique_bstr realText = plat::unique_bstr::copy(L"%.2f");
    plat::unique_bstr integerText = plat::unique_bstr::copy(L"%d");
    bool ok = true;

    const bench::Times real = TimeFormatting(
        [&](VARIANT value, BSTR* text) {
          return formatter->FormatReal(value, nullptr, nullptr, nullptr, realText.get(), text);
        },
        RealValue, L"%.16f", realFormat, &ok);
    const bench::Times integer = TimeFormatting(
        [&](VARIANT value, BSTR* text) {
          return formatter->FormatInteger(value, nullptr, nullptr, nullptr, integerText.get(),
                                          text);
        },
        IntegerValue, L"%ld", integerFormat, &ok);
    bench::PrintHeader("Field formatting, against _snwprintf + GetNumberFormatW into a BSTR");
    bench::PrintFigure("FormatReal \"%.2f\", per value", kValues, real, 1.5, true);
    bench::PrintFigure("FormatInteger \"%d\", per value", kValues, integer, 1.5, true);
    status = ok && bench::AllMeasured() ? 0 : 1;
    if (!ok) std::printf("a value was not formatted\n");
  }
  CoUninitialize();
  return status;
}
