// The module's error object and exception, and the "WQError" error texts.
//
// A COM method that keeps an error object is written:
//
//   STDMETHODIMP WQCClaimDlg::Initialize(IDispatch* workspace, ...) {
//     WQ_METHOD_BEGIN(error, L"WQCClaimDlg::Initialize", 0)
//       ...
//       if (FAILED(hr)) error.ThrowHrAt(WQ_HERE, hr, L"Failed to ...");
//     WQ_METHOD_END(error)
//   }
//
// Every raise builds one "<WQError .../>" element and puts it in front of the chain held
// so far; the chain is installed as the thread's error info.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <handles.h>

#include <cstdarg>
#include <utility>

#include "wqstring.h"
#include "wqtrace.h"

#include <comdef.h>

class WQComException {
 public:
  WQComException() = default;

  // Stores the code; for a failure, takes the thread's error info as the held one.
  WQComException& operator=(HRESULT hr);

  bool Failed() const { return FAILED(hr_); }
  bool Succeeded() const { return SUCCEEDED(hr_); }
  HRESULT GetHResult() const { return hr_; }
  IErrorInfo* GetHeldErrorInfo() const { return errorInfo_.get(); }
  const wchar_t* GetMethodName() const { return methodName_; }
  const wchar_t* GetActivity() const { return activity_; }

  void EnterMethod(const wchar_t* name, int level);
  void SetActivity(const wchar_t* text);
  void Reset();
  void Clear();

  // The held error's description (see the .cpp); the caller frees it.
  HRESULT GetDescription(BSTR* description);
  // Installs the held error info on the thread; returns the held code.
  HRESULT ReturnHResult();
  HRESULT PublishError();

  // Throws E_POINTER with "Invalid pointer passed to method %ls" (or the given message)
  // when the pointer is null.
  void CheckPointer(const void* pointer, const wchar_t* format = nullptr, ...);

  void SetErrorText(const wchar_t* format, ...);
  void SetErrorHr(HRESULT code, const wchar_t* format, ...);
  void SetErrorAt(const WQSourceLocation& location, HRESULT code, const wchar_t* format, ...);

  [[noreturn]] void Throw(const wchar_t* format = nullptr, ...);
  [[noreturn]] void ThrowAt(const WQSourceLocation& location, const wchar_t* format = nullptr, ...);
  [[noreturn]] void ThrowHr(HRESULT code, const wchar_t* format = nullptr, ...);
  [[noreturn]] void ThrowHrAt(const WQSourceLocation& location, HRESULT code,
                              const wchar_t* format = nullptr, ...);

  // The three handlers at a method's boundary, in this order.
  void CatchComException(const WQSourceLocation& location, WQComException& caught);
  void CatchComError(const WQSourceLocation& location, const _com_error& caught);
  // Call only inside a catch block: the exception in flight becomes a failure with error
  // info, so the method never reports success for it.
  void CatchUnhandled(const WQSourceLocation& location);
  // Call only inside a catch block: runs the one of the three handlers that fits the
  // exception in flight. Nothing leaves it: when a handler fails in turn (no memory for
  // the text), the object holds that failure without error info.
  void CatchAtBoundary(const WQSourceLocation& location) noexcept;
  // The last statement of a COM method: a failure leaves its own error info on the thread
  // (or none); a success leaves none.
  HRESULT LeaveMethod() noexcept;

  // Show the held error through the client tools' error display over `parent`.
  void ShowError(HWND parent);
  void ShowErrorEx(HWND parent, const VARIANT& first, const VARIANT& second);

  // Makes a new error info with `text` and installs it as held and on the thread.
  void InstallErrorInfo(const wchar_t* text, const wchar_t* source = nullptr,
                        BSTR* installed = nullptr);
  // Turns a foreign description of the held error into a chain and installs it.
  void WrapDescription(BSTR* installed = nullptr);

 protected:
  void SetError(const WQSourceLocation* location, HRESULT code, const wchar_t* format,
                va_list args);
  void SetErrorNoMessage(const WQSourceLocation* location, HRESULT code);
  void ReleaseErrorInfo();

 private:
  HRESULT hr_ = S_OK;
  plat::com_ptr<IErrorInfo> errorInfo_;  // shared by copies
  int traceLevel_ = 0;
  const wchar_t* methodName_ = nullptr;
  const wchar_t* activity_ = nullptr;
};

// The system text of an HRESULT, or "Unknown error 0x..." (the caller frees it).
HRESULT FormatSystemMessage(HRESULT code, BSTR* text);
// The message of the newest element of a chain; a plain text is returned whole.
HRESULT ExtractErrorDescription(const wchar_t* text, BSTR* description);
// name="value" followed by a blank; double quotes in the value become single quotes.
void AppendXmlAttribute(WQStringBuffer& buffer, const wchar_t* name, const wchar_t* value);
// HR="E_FAIL" (or the code in lower-case hexadecimal) followed by a blank.
void AppendHResultAttribute(WQStringBuffer& buffer, HRESULT code);

// Opens and closes the body of a COM method that keeps the error object `error`. The
// thread's error info is cleared on entry, so that the method never picks up, nor leaves
// behind, an error that its own call did not produce.
#define WQ_METHOD_BEGIN(error, name, level) \
  WQComException error;                     \
  ::SetErrorInfo(0, nullptr);               \
  try {                                     \
    error.EnterMethod(name, level);
#define WQ_METHOD_END(error)        \
  }                                 \
  catch (...) {                     \
    error.CatchAtBoundary(WQ_HERE); \
  }                                 \
  return error.LeaveMethod();

// Opens the body of a COM method that keeps no error object and answers bare HRESULTs: the
// thread's error info is cleared on entry, so that a failure without error info of its own
// is never described by one from before. Error info that the method's own calls install
// after it stays.
#define WQ_BARE_METHOD() ::SetErrorInfo(0, nullptr)

// Runs one operation as a COM method: its failures come back as the HRESULT with the
// error info installed; no exception leaves. `methodName` may be null.
template <class Body>
HRESULT WQRunComMethod(const wchar_t* methodName, Body&& body) noexcept {
  WQ_METHOD_BEGIN(error, methodName, 0)
  body(error);
  WQ_METHOD_END(error)
}

// Raises a failed step with no message of its own: the description is the component's
// error info, else the system text of the code.
inline void WQThrowIfFailed(WQComException& error, HRESULT hr) {
  if (FAILED(hr)) {
    error = hr;
    error.Throw();
  }
}

// Runs one operation of a dialog: a failure is shown to the user through the client
// tools' error display over `parent`, and no exception leaves. `location` names the
// dialog's own source in the trace. Returns the operation's HRESULT; `error` keeps it with
// its error info, for a caller that must report the failure after the dialog.
template <class Body>
HRESULT WQRunShowingErrors(const WQSourceLocation& location, HWND parent, WQComException& error,
                           Body&& body) noexcept {
  try {
    body(error);
  } catch (...) {
    error.CatchAtBoundary(location);
  }
  try {
    if (error.Failed()) error.ShowError(parent);
  } catch (...) {
  }
  // The user has seen the error; it must not describe a later, unrelated failure.
  ::SetErrorInfo(0, nullptr);
  return error.GetHResult();
}

template <class Body>
HRESULT WQRunShowingErrors(const WQSourceLocation& location, HWND parent, Body&& body) noexcept {
  WQComException error;
  return WQRunShowingErrors(location, parent, error, std::forward<Body>(body));
}
