// The text of a date under a time format ("%d/%m/%Y", "%#x"): the C runtime's wcsftime
// conversions, written here for every date a VT_DATE holds (years 100 to 9999). The runtime's
// own wcsftime refuses years before 1900 for some conversions and writes nothing for them.
//
// Names, day periods and the locale's date and time pictures (%x, %X, %c) come from a
// locale: the runtime's "C" locale (LCID 0), whose texts are fixed, or a Windows locale.
#pragma once

#include <windows.h>

#include <string>

#include "wqcomexception.h"

namespace wqc {

// The second `value` is printed as: rounded to the nearest, as the platform rounds it, each
// field (the weekday too) of that one second; a time past the last second of 9999 is that
// second. False for a value that is no date.
bool PrintedTime(DATE value, SYSTEMTIME& time);

// The C runtime's current LC_TIME locale, which wcsftime writes in; 0 while it is "C".
LCID RuntimeTimeLocale();

// `time` under `format` in `lcid` (0 for the runtime's "C" locale). A conversion the runtime
// does not know fails with E_INVALIDARG "Invalid format string"; a locale text the platform
// cannot give, or a time-zone name the runtime writes nothing for, fails with its HRESULT.
std::wstring FormatTime(WQComException& error, const SYSTEMTIME& time, const wchar_t* format,
                        LCID lcid);

}  // namespace wqc
