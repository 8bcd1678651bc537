// Shared by the tests of the dialog objects: each is created through the registered server,
// as clients meet it, and shown under the dialog driver.
#pragma once

#include <gtest/gtest.h>

#include <handles.h>
#include <wqcomexception.h>

#include <string>
#include <vector>

#include "comtest.h"
#include "dialogdriver.h"

namespace wqtest {

// One object per test; the test fails when the server still holds an object afterwards.
template <class I>
class DialogObjectTest : public NoLeaks {
 protected:
  explicit DialogObjectTest(const wchar_t* progId) : NoLeaks(L"WQCGenericSvcs.dll") {
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I), dlg_.put_void()),
              S_OK);
  }
  void TearDown() override {
    dlg_ = nullptr;
    NoLeaks::TearDown();
  }

  // ShowDialog(leading..., &result) under `script` must answer `expected`.
  template <class... Leading>
  VARIANT_BOOL ShowWith(const DialogScript& script, HRESULT expected, Leading... leading) {
    DialogDriver driver;
    driver.Expect(script);
    VARIANT_BOOL result = 7;  // neither answer
    EXPECT_EQ(dlg_->ShowDialog(leading..., &result), expected);
    return result;
  }

  plat::com_ptr<I> dlg_;
};

// A one-dimensional integer array from 0 as text: its element type, then its elements
// ("3:1,2" is two VT_I4 elements).
inline std::wstring ArrayText(SAFEARRAY* array) {
  VARTYPE vt = VT_EMPTY;
  LONG lower = -1, upper = -2;
  SafeArrayGetVartype(array, &vt);
  SafeArrayGetLBound(array, 1, &lower);
  SafeArrayGetUBound(array, 1, &upper);
  std::wstring text = std::to_wstring(vt) + L":";
  for (LONG i = lower; i <= upper; ++i) {
    LONG value = 0;
    SafeArrayGetElement(array, &i, &value);
    text += (i > lower ? L"," : L"") + std::to_wstring(value);
  }
  return lower == 0 ? text : L"lower bound " + std::to_wstring(lower);
}

// Ends the dialog as a failed handler or a failed creation would: DialogBox answers -1.
inline DialogScript EndWithFailure() {
  return DialogScript().Do([](DialogView& view) {
    EndDialog(view.hwnd(), -1);
    return std::string();
  });
}

// The newest message of the thread's error info.
inline std::wstring LastErrorMessage() {
  plat::unique_bstr message;
  ExtractErrorDescription(TakeErrorDescription().c_str(), message.put());
  return message.c_str();
}

}  // namespace wqtest
