// Helpers of the field-formatting tests: texts in the locale the test runs under (the tests
// run once under a point-decimal and once under a comma-decimal locale), and the failure a
// raising call leaves behind.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include <handles.h>

#include "fieldformatting/numberformat.h"
#include "wqcomexception.h"

namespace wqtest {

inline const wqc::NumberLocale& UserLocale() {
  static const wqc::NumberLocale locale = wqc::NumberLocale::For(GetUserDefaultLCID());
  return locale;
}

// A text whose numbers are written with '.' as the user's locale displays it; a point not
// followed by a digit ("ca.") is text and stays.
inline std::wstring Localized(const std::wstring& text) {
  std::wstring result;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool decimalPoint = text[i] == L'.' && i + 1 < text.size() && iswdigit(text[i + 1]);
    if (decimalPoint) result += UserLocale().decimalSeparator;
    else result += text[i];
  }
  return result;
}

// The code and the newest message of a failure raised through an error object.
struct Failure {
  HRESULT hr = S_OK;
  std::wstring message;
};

template <class Body>
Failure FailureOf(Body body) {
  Failure failure;
  WQComException error;
  try {
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
