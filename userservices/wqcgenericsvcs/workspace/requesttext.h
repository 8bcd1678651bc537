// A client's text on its way into a request. XML cannot carry U+0000, and a copy of the text
// up to its first NUL would send another text than the client gave: a text that holds one is
// refused, naming the parameter, before anything is sent.
#pragma once

#include <oaidl.h>

#include <initializer_list>

class WQComException;

// One text argument: the parameter's name and whether its value holds a NUL. A VARIANT is
// looked through: references, and texts inside arrays, at any depth.
class RequestText {
 public:
  RequestText(const wchar_t* parameter, BSTR text);
  RequestText(const wchar_t* parameter, const VARIANT& value);

  const wchar_t* parameter() const { return parameter_; }
  bool holdsNul() const { return holdsNul_; }

 private:
  const wchar_t* parameter_;
  bool holdsNul_;
};

// Whether the BSTR holds a NUL before its end.
bool HoldsNul(BSTR text);

// For a method that keeps an error object: raises E_INVALIDARG with the refusal's text for
// the first text that holds a NUL.
void CheckRequestTexts(WQComException& error, std::initializer_list<RequestText> texts);

// For a method that answers bare HRESULTs: S_OK, else E_INVALIDARG with the refusal's text
// installed as the thread's error info, recorded for `method`.
HRESULT RefuseNulTexts(const wchar_t* method, std::initializer_list<RequestText> texts);
