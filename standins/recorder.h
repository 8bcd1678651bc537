// What every stand-in shares: the record of the calls it was asked, in order, the
// failures scripted for its steps, the error info it raises, and the text forms of the
// values it records.
#pragma once

#include <handles.h>

#include <map>
#include <string>
#include <vector>

namespace standins {

struct Failure {
  HRESULT hr;
  std::wstring description;  // empty: the failure sets no error info
};

class Recorder {
 public:
  // `steps` are the names FailAt accepts; a step may be qualified as
  // "<qualifier>.<step>" when `qualified` is set (the workspace qualifies by method).
  Recorder(std::vector<std::wstring> steps, bool qualified);

  // Appends one line and answers its index.
  size_t Record(std::wstring line);
  void MarkFailed(size_t index, HRESULT hr);

  // hr 0 removes the failure of `step`; anything but a failure code or a known step is
  // E_INVALIDARG.
  HRESULT SetFailure(const std::wstring& step, HRESULT hr, std::wstring description);
  // The failure of "<qualifier>.<step>" before that of the plain step.
  const Failure* FindFailure(const wchar_t* step, const std::wstring& qualifier = {}) const;

  // Whether `step` (an interface query) is scripted to fail; a refusal is recorded.
  bool Refuses(const wchar_t* step) noexcept;

  void Clear();
  size_t Count() const { return lines_.size(); }
  const std::wstring& Line(size_t index) const { return lines_[index]; }
  // Every line, separated by "\n".
  std::wstring Joined() const;

  // Records `line`, then answers the failure scripted for `step` (raised as error info
  // from `source`) or runs `body`; a failed result is noted on the line.
  template <class Body>
  HRESULT Run(const wchar_t* step, std::wstring line, const wchar_t* source, Body&& body,
              const std::wstring& qualifier = {}) noexcept {
    try {
      const size_t index = Record(std::move(line));
      HRESULT hr;
      if (const Failure* failure = FindFailure(step, qualifier))
        hr = RaiseScripted(*failure, source);
      else
        hr = body();
      if (FAILED(hr)) MarkFailed(index, hr);
      return hr;
    } catch (...) {
      return plat::to_hresult();
    }
  }

 private:
  static HRESULT RaiseScripted(const Failure& failure, const wchar_t* source);
  bool IsKnownStep(const std::wstring& step) const;

  std::vector<std::wstring> steps_;
  bool qualified_;
  std::vector<std::wstring> lines_;
  std::map<std::wstring, Failure> failures_;
};

// Installs an error info with `description` and `source` on the thread (or clears the
// thread's error info when the description is empty) and answers hr.
HRESULT RaiseError(HRESULT hr, const std::wstring& description, const wchar_t* source);

// A value as the stand-ins record it: "vt<type>:<text>", e.g. "vt11:-1" for VARIANT_TRUE.
std::wstring TypedValue(const VARIANT& value);
// The text of a value alone: numbers in the invariant locale, booleans as their number
// (-1 true), errors as hexadecimal codes, arrays as "{a;b}", objects as "object".
std::wstring ValueText(const VARIANT& value);
// A text in double quotes, as calls record their string arguments ("null" for none).
std::wstring Quoted(const wchar_t* text);
// "0x%08lX" of a code.
std::wstring HexCode(HRESULT hr);

// Hands a copy of `text` to an out-parameter the caller has checked.
HRESULT CopyToBstr(const std::wstring& text, BSTR* out);

std::wstring Lower(std::wstring text);
std::wstring Text(const wchar_t* text);  // never null
// A BSTR with its length: a reply may hold a null, as the module must be shown.
std::wstring WholeText(BSTR text);

}  // namespace standins
