// Members of Main that this build does not carry out yet: each fails with E_NOTIMPL and an
// error text naming it.
#include <wqcomexception.h>

#include "main.h"

namespace {

HRESULT NotImplemented(const wchar_t* method) {
  WQComException error;
  error.EnterMethod(method, 0);
  error.SetErrorHr(E_NOTIMPL, L"%ls is not implemented", method);
  return error.ReturnHResult();
}

}  // namespace

// Pipe compaction after a deletion is not carried out yet; the deletion's result stands.
void Main::CompactPipes(IDispatch*, const wchar_t*) {}

STDMETHODIMP Main::RunKBMethod(BSTR, long, IDispatch*, LONGLONG, long, long, VARIANT, VARIANT*) {
  return NotImplemented(L"Main::RunKBMethod");
}
STDMETHODIMP Main::RunKBRule(BSTR, IDispatch*, LONGLONG, long, long, VARIANT, VARIANT*) {
  return NotImplemented(L"Main::RunKBRule");
}
STDMETHODIMP Main::SubmitDatasheets(IDispatch*, SAFEARRAY*, LONGLONG, INT*) {
  return NotImplemented(L"Main::SubmitDatasheets");
}
STDMETHODIMP Main::CheckDatasheets(IDispatch*, SAFEARRAY*, LONGLONG, INT*) {
  return NotImplemented(L"Main::CheckDatasheets");
}
STDMETHODIMP Main::IssueDatasheets(IDispatch*, SAFEARRAY*, LONGLONG, BSTR, BSTR, INT*) {
  return NotImplemented(L"Main::IssueDatasheets");
}
STDMETHODIMP Main::SubmitDiagrams(IDispatch*, SAFEARRAY*, LONGLONG, INT*) {
  return NotImplemented(L"Main::SubmitDiagrams");
}
STDMETHODIMP Main::CheckDiagrams(IDispatch*, SAFEARRAY*, LONGLONG, INT*) {
  return NotImplemented(L"Main::CheckDiagrams");
}
STDMETHODIMP Main::IssueDiagrams(IDispatch*, SAFEARRAY*, LONGLONG, BSTR, BSTR, INT*) {
  return NotImplemented(L"Main::IssueDiagrams");
}
