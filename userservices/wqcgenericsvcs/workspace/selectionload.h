// The plain functions behind every selection object: the one data service call that
// loads its items, the "Select" document of a selection, and the HRESULT of a dialog
// that could not run.
#pragma once

#include <handles.h>
#include <saxschemaparser.h>
#include <wqarray.h>

#include <functional>

class DataServiceRequest;

// The request document of a list call. Its calls' HRESULTs are not checked here: a request
// the call object did not take whole is not sent, and its first failure is the answer.
using WriteListRequest = std::function<void(DataServiceRequest&)>;

// Calls `method` of the server component `kServerProgId` with the request `write` makes (none when
// empty) and reads the reply with `parser`. E_INVALIDARG for a workspace without
// IWQWorkspace; else the HRESULT of making the call, of Execute, of reading the reply, or
// of the parse.
HRESULT RequestList(IDispatch* workspace, const wchar_t* method, const WriteListRequest& write,
                    SAXSchemaParser& parser) noexcept;

// The XML declaration and a "Select" element with one "Option" per selected item, whose
// "Value" is the item's key; an empty string for an empty selection.
HRESULT SelectionXml(const WQArray<LONG>& selection, const WQArray<LONG>& keys, BSTR* xml);

// A modal dialog ended with -1: the failure of its handler, else of its creation, with
// "The dialog could not be shown" installed as the thread's error info.
HRESULT DialogFailure(HRESULT handlerError) noexcept;

// The owner window a client passed as a number; E_INVALIDARG for one that is no window
// (0 means none).
inline HRESULT OwnerWindow(LONGLONG value, HWND* owner) {
  *owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(value));
  return *owner && !::IsWindow(*owner) ? E_INVALIDARG : S_OK;
}

// Copies an item's value to an out-parameter.
inline HRESULT CopyOut(BSTR value, BSTR* out) {
  *out = plat::unique_bstr::copy(value, ::SysStringLen(value)).release();
  return S_OK;
}
inline HRESULT CopyOut(LONG value, long* out) {
  *out = value;
  return S_OK;
}
inline HRESULT CopyOut(BYTE flag, VARIANT_BOOL* out) {
  *out = flag ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}
