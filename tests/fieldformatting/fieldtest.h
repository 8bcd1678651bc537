// Shared by the field-formatting tests, which run once under a point-decimal and once under
// a comma-decimal user locale: texts in that locale, and the failure a raising call leaves.
#pragma once

#include <gtest/gtest.h>

#include <handles.h>

#include <string>

#include "fieldformatting/numberformat.h"
#include "wqcomexception.h"

namespace wqtest {

inline const wqc::NumberLocale& UserLocale() {
  static const wqc::NumberLocale locale = wqc::NumberLocale::For(GetUserDefaultLCID());
  return locale;
}

// Numbers written with '.' as the locale shows them; a point before no digit ("ca.") stays.
inline std::wstring Localized(const std::wstring& text) {
  std::wstring result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'.' && i + 1 < text.size() && iswdigit(text[i + 1]))
      result += UserLocale().decimalSeparator;
    else
      result += text[i];
  }
  return result;
}

struct Failure {
  HRESULT hr = S_OK;
  std::wstring message;  // the newest Desc of the error text
};

template <class Body>
Failure FailureOf(Body body) {
  Failure failure;
  try {
    WQComException error;
    body(error);
  } catch (WQComException& caught) {
    failure.hr = caught.GetHResult();
    plat::unique_bstr description, message;
    caught.GetDescription(description.put());
    ExtractErrorDescription(description.get(), message.put());
    failure.message = message.c_str();
  }
  SetErrorInfo(0, nullptr);
  return failure;
}

}  // namespace wqtest
