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

// Opens and closes the body of a COM method that keeps the error object `error`.
#define WQ_METHOD_BEGIN(error, name, level) \
  WQComException error;                     \
  error.EnterMethod(name, level);           \
  try {
#define WQ_METHOD_END(error)                           \
  }                                                    \
  catch (WQComException & wq_caught_) {                \
    error.CatchComException(WQ_HERE, wq_caught_);      \
  }                                                    \
  catch (const _com_error& wq_caught_) {               \
    error.CatchComError(WQ_HERE, wq_caught_);          \
  }                                                    \
  catch (...) {                                        \
    error.CatchUnhandled(WQ_HERE);                     \
  }                                                    \
  return error.ReturnHResult();

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
// dialog's own source in the trace. Returns the operation's HRESULT.
template <class Body>
HRESULT WQRunShowingErrors(const WQSourceLocation& location, HWND parent, Body&& body) noexcept {
  WQComException error;
  try {
    body(error);
  } catch (WQComException& caught) {
    error.CatchComException(location, caught);
  } catch (const _com_error& caught) {
    error.CatchComError(location, caught);
  } catch (...) {
    error.CatchUnhandled(location);
  }
  try {
    if (error.Failed()) error.ShowError(parent);
  } catch (...) {
  }
  return error.GetHResult();
}
