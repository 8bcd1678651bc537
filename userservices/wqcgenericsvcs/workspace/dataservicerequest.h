// One data service call, written in the order every request of the module follows:
// QueryInterface for IWQWorkspace, CreateDataServiceCall, flags 0, server and method,
// the input, Execute with 0, then the reply.
#pragma once

#include <handles.h>

#include <string_view>

#include "WQOutside.h"

// The server component that every data service call of the module goes to.
constexpr wchar_t kServerProgId[] = L"ZERAZevozarAdid.Main";

class DataServiceRequest {
 public:
  // E_INVALIDARG when the workspace has no IWQWorkspace (nothing is created then), else
  // the first failure of CreateDataServiceCall, put_ServerProgID and put_MethodName (the
  // flags are set unchecked). A call whose server or method could not be set is never
  // executed. A null `method` is set later, with SetMethodName.
  HRESULT Prepare(IDispatch* workspace, const wchar_t* serverProgId, const wchar_t* method);
  // The same on a workspace already asked for IWQWorkspace; E_INVALIDARG for none.
  HRESULT Prepare(IWQWorkspace* workspace, const wchar_t* serverProgId, const wchar_t* method);
  HRESULT SetMethodName(const wchar_t* method);

  HRESULT StartDocument();
  HRESULT StartElement(const wchar_t* name);
  // Attributes of the open element: a long is VT_I4, a text VT_BSTR, a flag VT_BOOL.
  HRESULT Attribute(const wchar_t* name, long value);
  HRESULT Attribute(const wchar_t* name, const wchar_t* text);
  HRESULT FlagAttribute(const wchar_t* name, bool value);
  HRESULT Attribute(const wchar_t* name, const VARIANT& value);
  HRESULT CloseStartTag();
  HRESULT EndElement(const wchar_t* name);
  // A whole child element holding the value; a long is VT_I4, a text VT_BSTR.
  HRESULT Element(const wchar_t* name, const VARIANT& value);
  HRESULT Element(const wchar_t* name, long value);
  HRESULT Element(const wchar_t* name, const wchar_t* text);
  HRESULT WriteText(const wchar_t* text);
  HRESULT PutInput(const wchar_t* input);

  // The first failure of the set-up or the writing above, with its own error info, without
  // sending anything: a request the call did not take whole is never executed, and no step
  // is written after the one that failed. Else the HRESULT of Execute.
  HRESULT Execute();
  HRESULT GetResponse(BSTR* reply);

  IWQDataServiceCall* get() const { return call_.get(); }

 private:
  // Runs one step of the writing. The first failed step ends it: a later step would only
  // complain of what the failed one left undone, and its text would replace the one that
  // names the failure. Every later step, and Execute, answers that failure and its text.
  template <class Step>
  HRESULT Write(Step step) {
    if (FAILED(firstFailure_)) return Refusal();
    if (!call_) return E_UNEXPECTED;
    const HRESULT hr = step();
    if (FAILED(hr)) {
      firstFailure_ = hr;
      if (::GetErrorInfo(0, firstError_.put()) != S_OK) firstError_.reset();
      ::SetErrorInfo(0, firstError_.get());
    }
    return hr;
  }
  HRESULT Refusal() const;

  plat::com_ptr<IWQDataServiceCall> call_;
  HRESULT firstFailure_ = S_OK;
  plat::com_ptr<IErrorInfo> firstError_;  // what the failed step said, if anything
};

// The workspace's IWQWorkspace; E_INVALIDARG, and none, for a workspace without it.
HRESULT QueryWorkspace(IDispatch* workspace, plat::com_ptr<IWQWorkspace>& wq);

// The one reader of a reply to `request` read as a number: a whole number within a long,
// blanks and line ends around it allowed; an empty reply is 0. Anything else fails with
// DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW, `value` left alone, and a text quoting the reply as
// the thread's error info: the leading digits of a text, or 0 for none, would be an id the
// server never sent. The reply is read whole, with its length: a null inside makes it none.
HRESULT ReadNumberReply(const wchar_t* request, std::wstring_view reply, long* value);
HRESULT ReadNumberReply(const wchar_t* request, const plat::unique_bstr& reply, long* value);
// A bare text would be read up to its first null.
HRESULT ReadNumberReply(const wchar_t* request, const wchar_t* reply, long* value) = delete;
