#include "wqcomexception.h"

#include <comdef.h>
#include <oledb.h>

#include <WQOutside.h>
#include <handles.h>

#include <cwchar>
#include <new>
#include <utility>

namespace {

constexpr wchar_t kElementStart[] = L"<WQError ";
constexpr size_t kChainTagLength = 8;  // "<WQError"

// Whether a description is already a "WQError" chain rather than a foreign text.
bool IsChain(const wchar_t* text) {
  return text && wcslen(text) > kChainTagLength &&
         _wcsnicmp(text, kElementStart, kChainTagLength) == 0;
}

size_t Length(BSTR text) { return text ? SysStringLen(text) : 0; }

// Whether `element` is the first line of the chain `chain`.
bool StartsWithElement(const wchar_t* chain, const wchar_t* element) {
  const size_t length = wcslen(element);
  return wcsncmp(chain, element, length) == 0 && (!chain[length] || chain[length] == L'\r');
}

plat::unique_bstr SystemText(HRESULT code) {
  plat::unique_bstr text;
  FormatSystemMessage(code, text.put());
  return text;
}

plat::unique_bstr DescriptionOf(IErrorInfo* info) {
  plat::unique_bstr text;
  if (info) info->GetDescription(text.put());
  return text;
}

plat::unique_bstr SourceOf(IErrorInfo* info) {
  plat::unique_bstr text;
  if (info) info->GetSource(text.put());
  return text;
}

// The message used when a raise gives none: "Error while <activity> (<system text>)".
void AppendDefaultMessage(WQStringBuffer& message, HRESULT code, const wchar_t* activity) {
  plat::unique_bstr system = SystemText(code);
  if (activity)
    message.Format(L"Error while %ls (%ls)", activity, system.c_str());
  else
    message.Assign(system.c_str());
}

// One element per OLE DB error record, CR LF between them.
void WrapErrorRecords(IErrorRecords* records, WQStringBuffer& text) {
  ULONG count = 0;
  if (FAILED(records->GetRecordCount(&count))) return;
  const LCID lcid = GetSystemDefaultLCID();
  for (ULONG i = 0; i < count; ++i) {
    ERRORINFO basic = {};
    records->GetBasicErrorInfo(i, &basic);
    plat::com_ptr<IErrorInfo> info;
    records->GetErrorInfo(i, lcid, info.put());
    plat::unique_bstr description = DescriptionOf(info.get());
    plat::unique_bstr source = SourceOf(info.get());

    wchar_t elementStorage[1024];
    WQStringBuffer element(elementStorage);
    element.Append(kElementStart);
    if (Length(description.get())) AppendXmlAttribute(element, L"Desc", description.get());
    if (Length(source.get())) {
      AppendXmlAttribute(element, L"Src", source.get());
    } else {
      wchar_t iid[39] = {};
      StringFromGUID2(basic.iid, iid, 39);
      wchar_t src[64];
      _snwprintf(src, 64, L"OLEDB Interface::%ls", iid);
      src[63] = L'\0';
      AppendXmlAttribute(element, L"Src", src);
    }
    wchar_t hr[16];
    _snwprintf(hr, 16, L"0x%lx", static_cast<unsigned long>(basic.hrError));
    hr[15] = L'\0';
    AppendXmlAttribute(element, L"HR", hr);
    element.Append(L"/>");
    TraceError(element);
    if (i) text.Append(L"\r\n");
    text.Append(element);
  }
}

}  // namespace

// ---------------------------------------------------------------- free functions

HRESULT FormatSystemMessage(HRESULT code, BSTR* text) {
  if (!text) return E_POINTER;
  *text = nullptr;
  wchar_t buffer[512] = {};
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                static_cast<DWORD>(code), LANG_USER_DEFAULT, buffer, 512, nullptr);
  if (length > 1 && buffer[length - 1] == L'\n') {
    buffer[--length] = L'\0';
    if (length && buffer[length - 1] == L'\r') buffer[--length] = L'\0';
  }
  if (length == 0)
    _snwprintf(buffer, 512, L"Unknown error 0x%0lX", static_cast<unsigned long>(code));
  buffer[511] = L'\0';
  *text = SysAllocString(buffer);
  return *text ? S_OK : E_OUTOFMEMORY;
}

// Scans name="value" pairs of the chain; the first "Desc" is the newest message. An
// attribute without "=" or without its closing quote ends the scan.
HRESULT ExtractErrorDescription(const wchar_t* text, BSTR* description) {
  if (!description) return E_POINTER;
  *description = nullptr;
  if (!text) return S_OK;
  if (_wcsnicmp(text, kElementStart, kChainTagLength) != 0) {
    *description = SysAllocString(text);
    return *description ? S_OK : E_OUTOFMEMORY;
  }
  const wchar_t* p = text;
  wchar_t nameStorage[32];
  wchar_t valueStorage[1024];
  WQStringBuffer name(nameStorage);
  WQStringBuffer value(valueStorage);
  while (*p) {
    while (*p == L' ' || *p == L'\t' || *p == L'\n') ++p;
    if (_wcsnicmp(p, kElementStart, 9) == 0) {
      p += 9;
      while (*p == L' ') ++p;
    }
    if (!*p) break;
    if (p[0] == L'/' && p[1] == L'>') {
      p += 2;
      continue;
    }
    const wchar_t* equals = wcschr(p, L'=');
    if (!equals || !equals[1]) break;
    name.Assign(p, equals - p);
    const wchar_t* valueStart = equals + 2;  // behind the opening quote
    const wchar_t* close = wcschr(valueStart, L'"');
    if (!close) break;
    value.Assign(valueStart, close - valueStart);
    p = close + 1;
    if (_wcsicmp(name, L"Desc") == 0) {
      *description = SysAllocStringLen(value, static_cast<UINT>(value.GetLength()));
      return *description ? S_OK : E_OUTOFMEMORY;
    }
  }
  return S_OK;
}

void AppendXmlAttribute(WQStringBuffer& buffer, const wchar_t* name, const wchar_t* value) {
  buffer.Append(name);
  buffer.Append(L"=\"");
  for (const wchar_t* p = value; p && *p; ++p) buffer.AppendChar(*p == L'"' ? L'\'' : *p);
  buffer.Append(L"\" ");
}

void AppendHResultAttribute(WQStringBuffer& buffer, HRESULT code) {
  static const struct {
    HRESULT code;
    const wchar_t* name;
  } kNames[] = {
      {E_NOTIMPL, L"E_NOTIMPL"},         {E_NOINTERFACE, L"E_NOINTERFACE"},
      {E_POINTER, L"E_POINTER"},         {E_FAIL, L"E_FAIL"},
      {E_UNEXPECTED, L"E_UNEXPECTED"},   {E_ACCESSDENIED, L"E_ACCESSDENIED"},
      {E_OUTOFMEMORY, L"E_OUTOFMEMORY"}, {E_INVALIDARG, L"E_INVALIDARG"},
  };
  for (const auto& entry : kNames) {
    if (entry.code == code) {
      AppendXmlAttribute(buffer, L"HR", entry.name);
      return;
    }
  }
  wchar_t hex[16];
  _snwprintf(hex, 16, L"0x%lx", static_cast<unsigned long>(code));
  hex[15] = L'\0';
  AppendXmlAttribute(buffer, L"HR", hex);
}

// ---------------------------------------------------------------- WQComException

void WQComException::ReleaseErrorInfo() { errorInfo_.reset(); }

WQComException& WQComException::operator=(HRESULT hr) {
  hr_ = hr;
  ReleaseErrorInfo();
  if (FAILED(hr) && ::GetErrorInfo(0, errorInfo_.put()) != S_OK) errorInfo_.reset();
  return *this;
}

void WQComException::EnterMethod(const wchar_t* name, int level) {
  methodName_ = name;
  traceLevel_ = level;
  if (name) TraceEnter(level, name);
}

void WQComException::SetActivity(const wchar_t* text) {
  activity_ = text;
  if (text) TraceInfo(traceLevel_, text);
}

void WQComException::Reset() {
  hr_ = S_OK;
  ReleaseErrorInfo();
  traceLevel_ = 0;
  methodName_ = nullptr;
  activity_ = nullptr;
}

void WQComException::Clear() {
  ReleaseErrorInfo();
  hr_ = S_OK;
  ::SetErrorInfo(0, nullptr);
}

HRESULT WQComException::GetDescription(BSTR* description) {
  if (!description) return E_POINTER;
  *description = nullptr;
  plat::unique_bstr text;
  if (errorInfo_) {
    errorInfo_->GetDescription(text.put());
  } else {
    plat::com_ptr<IErrorInfo> current;
    if (::GetErrorInfo(0, current.put()) == S_OK && current) current->GetDescription(text.put());
  }
  if (!Length(text.get()) && FAILED(hr_)) return FormatSystemMessage(hr_, description);
  *description = text.release();
  return S_OK;
}

HRESULT WQComException::ReturnHResult() {
  if (errorInfo_) ::SetErrorInfo(0, errorInfo_.get());
  return hr_;
}

HRESULT WQComException::PublishError() {
  if (FAILED(hr_)) {
    plat::unique_bstr description = DescriptionOf(errorInfo_.get());
    if (IsChain(description.get()))
      ::SetErrorInfo(0, errorInfo_.get());
    else
      WrapDescription();
  }
  return hr_;
}

void WQComException::InstallErrorInfo(const wchar_t* text, const wchar_t* source, BSTR* installed) {
  if (installed) *installed = nullptr;
  plat::com_ptr<ICreateErrorInfo> create;
  if (FAILED(::CreateErrorInfo(create.put()))) return;

  plat::unique_bstr heldSource;
  if (!source) source = methodName_;
  if (!source && errorInfo_) {
    heldSource = SourceOf(errorInfo_.get());
    source = heldSource.get();
  }
  if (source) create->SetSource(const_cast<LPOLESTR>(source));
  if (text && *text) {
    create->SetDescription(const_cast<LPOLESTR>(text));
    if (installed) *installed = SysAllocString(text);
  }
  plat::com_ptr<IErrorInfo> info;
  if (FAILED(create.query_to(info))) return;
  errorInfo_ = std::move(info);
  ::SetErrorInfo(0, errorInfo_.get());
}

void WQComException::WrapDescription(BSTR* installed) {
  if (installed) *installed = nullptr;
  if (!FAILED(hr_)) return;
  plat::unique_bstr source = SourceOf(errorInfo_.get());

  wchar_t textStorage[5102];
  WQStringBuffer text(textStorage);
  plat::com_ptr<IErrorRecords> records;
  ULONG recordCount = 0;
  if (errorInfo_ && SUCCEEDED(errorInfo_->QueryInterface(IID_IErrorRecords, records.put_void())) &&
      SUCCEEDED(records->GetRecordCount(&recordCount)) && recordCount > 0) {
    WrapErrorRecords(records.get(), text);
  } else {
    plat::unique_bstr description = DescriptionOf(errorInfo_.get());
    if (IsChain(description.get())) return;
    if (!Length(description.get())) description = SystemText(hr_);
    text.Append(kElementStart);
    AppendXmlAttribute(text, L"Desc", description.c_str());
    if (Length(source.get())) AppendXmlAttribute(text, L"Src", source.get());
    AppendHResultAttribute(text, hr_);
    text.Append(L"/>");
  }
  TraceError(text);
  InstallErrorInfo(text, source.get(), installed);
}

void WQComException::SetError(const WQSourceLocation* location, HRESULT code, const wchar_t* format,
                              va_list args) {
  const HRESULT effective = FAILED(code) ? code : hr_;

  // A failure raised straight after a component's call (an object that holds nothing yet)
  // chains what that component said: its words name what failed.
  if (!errorInfo_ && FAILED(effective)) {
    if (::GetErrorInfo(0, errorInfo_.put()) != S_OK) errorInfo_.reset();
    if (errorInfo_ && SUCCEEDED(hr_)) hr_ = effective;
  }
  plat::unique_bstr old;
  GetDescription(old.put());
  if (Length(old.get()) > kChainTagLength && !IsChain(old.get())) {
    plat::unique_bstr wrapped;
    WrapDescription(wrapped.put());
    old = std::move(wrapped);
  }

  wchar_t elementStorage[5102];
  WQStringBuffer element(elementStorage);
  if (FAILED(effective)) {
    if (location) TraceAtLocation(*location, L"!!!! WQComException Error !!!!");
    wchar_t messageStorage[2056];
    WQStringBuffer message(messageStorage);
    if (format) {
      message.FormatV(format, args);
    } else {
      plat::unique_bstr newest;
      ExtractErrorDescription(old.get(), newest.put());
      if (Length(newest.get()))
        message.Assign(newest.get());
      else
        AppendDefaultMessage(message, effective, activity_);
    }
    element.Append(kElementStart);
    if (message.GetLength()) AppendXmlAttribute(element, L"Desc", message);
    if (activity_) AppendXmlAttribute(element, L"Activity", activity_);
    AppendHResultAttribute(element, effective);
    element.Append(L"/>");
    TraceError(element);
  }

  // A re-raise that adds nothing (the newest element's message and code, no activity) keeps
  // the chain as it is: the reader would see the same line twice.
  if (element.GetLength() && Length(old.get()) && StartsWithElement(old.get(), element))
    element.Clear();
  if (element.GetLength() && Length(old.get())) element.Append(L"\r\n");
  if (Length(old.get())) element.Append(old.get());
  if (element.GetLength()) InstallErrorInfo(element);
  if (FAILED(effective)) hr_ = effective;
}

void WQComException::SetErrorNoMessage(const WQSourceLocation* location, HRESULT code) {
  va_list none{};
  SetError(location, code, nullptr, none);
}

void WQComException::CheckPointer(const void* pointer, const wchar_t* format, ...) {
  if (pointer) return;
  if (!format && methodName_)
    CheckPointer(pointer, L"Invalid pointer passed to method %ls", methodName_);

  ReleaseErrorInfo();
  ::SetErrorInfo(0, nullptr);
  hr_ = E_POINTER;

  wchar_t messageStorage[2056];
  WQStringBuffer message(messageStorage);
  if (format) {
    va_list args;
    va_start(args, format);
    message.FormatV(format, args);
    va_end(args);
  } else {
    AppendDefaultMessage(message, E_POINTER, activity_);
  }
  wchar_t elementStorage[2056];
  WQStringBuffer element(elementStorage);
  element.Append(kElementStart);
  if (message.GetLength()) AppendXmlAttribute(element, L"Desc", message);
  if (methodName_) AppendXmlAttribute(element, L"Src", methodName_);
  if (activity_) AppendXmlAttribute(element, L"Activity", activity_);
  AppendHResultAttribute(element, E_POINTER);
  element.Append(L"/>");
  TraceError(element);
  InstallErrorInfo(element);
  throw WQComException(*this);
}

void WQComException::SetErrorText(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  SetError(nullptr, S_OK, format, args);
  va_end(args);
}

void WQComException::SetErrorHr(HRESULT code, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  SetError(nullptr, code, format, args);
  va_end(args);
  hr_ = code;
}

void WQComException::SetErrorAt(const WQSourceLocation& location, HRESULT code,
                                const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  SetError(&location, code, format, args);
  va_end(args);
  hr_ = code;
}

void WQComException::Throw(const wchar_t* format, ...) {
  if (!format && !methodName_ && !activity_) {
    PublishError();
    throw WQComException(*this);
  }
  va_list args;
  va_start(args, format);
  SetError(nullptr, hr_, format, args);
  va_end(args);
  throw WQComException(*this);
}

void WQComException::ThrowAt(const WQSourceLocation& location, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  SetError(&location, hr_, format, args);
  va_end(args);
  throw WQComException(*this);
}

void WQComException::ThrowHr(HRESULT code, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  SetError(nullptr, code, format, args);
  va_end(args);
  hr_ = code;
  throw WQComException(*this);
}

void WQComException::ThrowHrAt(const WQSourceLocation& location, HRESULT code,
                               const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  SetError(&location, code, format, args);
  va_end(args);
  hr_ = code;
  throw WQComException(*this);
}

void WQComException::CatchComException(const WQSourceLocation& location, WQComException& caught) {
  if (errorInfo_ && caught.errorInfo_.get() == errorInfo_.get()) {
    TraceAtLocation(location, L"~~~~ Caught WQComException ~~~~");
    return;
  }
  errorInfo_ = std::move(caught.errorInfo_);
  hr_ = caught.hr_;
  caught.hr_ = S_OK;
  if (methodName_ || activity_) SetErrorNoMessage(nullptr, S_OK);
}

void WQComException::CatchComError(const WQSourceLocation& location, const _com_error& caught) {
  // ErrorInfo() hands out a reference of its own.
  if (const auto info = plat::com_ptr<IErrorInfo>::attach(caught.ErrorInfo()))
    ::SetErrorInfo(0, info.get());
  WQComException temporary;
  temporary = caught.Error();
  temporary.SetErrorNoMessage(&location, S_OK);
  CatchComException(location, temporary);
}

void WQComException::CatchUnhandled(const WQSourceLocation& location) {
  TraceAtLocation(location, L"!!!! Unhandled Exception !!!!");
  HRESULT code = E_UNEXPECTED;
  const wchar_t* message = L"Unhandled exception";
  try {
    throw;
  } catch (const std::bad_alloc&) {
    code = E_OUTOFMEMORY;
    message = L"Out of memory";
  } catch (const plat::hresult_error& e) {
    if (FAILED(e.code)) code = e.code;
  } catch (...) {
  }
  SetErrorAt(location, code, L"%ls", message);
}

void WQComException::CatchAtBoundary(const WQSourceLocation& location) noexcept {
  try {
    try {
      throw;
    } catch (WQComException& caught) {
      CatchComException(location, caught);
    } catch (const _com_error& caught) {
      CatchComError(location, caught);
    } catch (...) {
      CatchUnhandled(location);
    }
  } catch (...) {
    ReleaseErrorInfo();
    hr_ = plat::to_hresult();
  }
}

HRESULT WQComException::LeaveMethod() noexcept {
  ::SetErrorInfo(0, FAILED(hr_) ? errorInfo_.get() : nullptr);
  return hr_;
}

void WQComException::ShowError(HWND parent) {
  VARIANT empty;
  VariantInit(&empty);
  ShowErrorEx(parent, empty, empty);
}

void WQComException::ShowErrorEx(HWND parent, const VARIANT& first, const VARIANT& second) {
  wchar_t progId[64];
  _snwprintf(progId, 64, L"DIZevuziZozid.Globals.%ld", 380L);
  progId[63] = L'\0';
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(progId, &clsid))) return;
  plat::com_ptr<IWQErrorDisplay> display;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, __uuidof(IWQErrorDisplay),
                              display.put_void())))
    return;
  plat::unique_bstr description;
  GetDescription(description.put());
  display->ShowErrorDescription(description.get(), first, second,
                                reinterpret_cast<LONGLONG>(parent));
}
