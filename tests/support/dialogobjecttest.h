// Shared by the tests of the dialog objects: each is created through the registered server,
// as clients meet it, and shown under the dialog driver.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

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

// While it lives, every row inserted into a list view with id `listId` on this thread (or
// given to it by its count) is selected at once, and the list's parent is told LVN_ITEMCHANGED for
// it, as a list view may tell while a dialog fills it (Wine's does not by itself).
class ItemChangesDuringFill {
 public:
  explicit ItemChangesDuringFill(int listId) {
    listId_ = listId;
    sent_ = 0;
    hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, &ItemChangesDuringFill::Hook, nullptr,
                              GetCurrentThreadId());
    EXPECT_NE(hook_, nullptr);
  }
  ~ItemChangesDuringFill() {
    if (hook_) UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
  }
  ItemChangesDuringFill(const ItemChangesDuringFill&) = delete;
  ItemChangesDuringFill& operator=(const ItemChangesDuringFill&) = delete;

  // How many notifications were sent: a test of the guard must have sent some.
  int Sent() const { return sent_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && GetDlgCtrlID(message->hwnd) == listId_) {
      // A virtual list gets its rows all at once, by their count.
      if (message->message == LVM_INSERTITEMW && message->lResult >= 0)
        SelectAndTell(message->hwnd, static_cast<int>(message->lResult));
      else if (message->message == LVM_SETITEMCOUNT && message->lResult)
        for (int row = 0; row < static_cast<int>(message->wParam); ++row)
          SelectAndTell(message->hwnd, row);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static void SelectAndTell(HWND list, int row) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    NMLISTVIEW change{};
    change.hdr = {list, static_cast<UINT_PTR>(listId_), LVN_ITEMCHANGED};
    change.iItem = row;
    change.uChanged = LVIF_STATE;
    change.uNewState = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(GetParent(list), WM_NOTIFY, listId_, reinterpret_cast<LPARAM>(&change));
    ++sent_;
  }

  static inline HHOOK hook_ = nullptr;
  static inline int listId_ = 0;
  static inline int sent_ = 0;
};

// The newest message of the thread's error info.
inline std::wstring LastErrorMessage() {
  plat::unique_bstr message;
  ExtractErrorDescription(TakeErrorDescription().c_str(), message.put());
  return message.c_str();
}

}  // namespace wqtest
