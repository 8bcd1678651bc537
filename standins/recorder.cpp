#include "recorder.h"

#include <oleauto.h>

#include <algorithm>
#include <cwctype>
#include <utility>

namespace standins {

Recorder::Recorder(std::vector<std::wstring> steps, bool qualified)
    : steps_(std::move(steps)), qualified_(qualified) {}

size_t Recorder::Record(std::wstring line) {
  lines_.push_back(std::move(line));
  return lines_.size() - 1;
}

void Recorder::MarkFailed(size_t index, HRESULT hr) {
  if (index < lines_.size()) lines_[index] += L" -> " + HexCode(hr);
}

bool Recorder::IsKnownStep(const std::wstring& step) const {
  std::wstring plain = step;
  if (qualified_) {
    const size_t dot = step.rfind(L'.');
    if (dot != std::wstring::npos) {
      if (dot == 0) return false;
      plain = step.substr(dot + 1);
    }
  }
  return std::find(steps_.begin(), steps_.end(), plain) != steps_.end();
}

HRESULT Recorder::SetFailure(const std::wstring& step, HRESULT hr, std::wstring description) {
  if (!IsKnownStep(step))
    return RaiseError(E_INVALIDARG, L"FailAt: no step is named \"" + step + L"\"", L"WQStandins");
  if (hr == S_OK) {
    failures_.erase(step);
    return S_OK;
  }
  if (SUCCEEDED(hr))
    return RaiseError(E_INVALIDARG, L"FailAt: " + HexCode(hr) + L" is not a failure code",
                      L"WQStandins");
  failures_[step] = Failure{hr, std::move(description)};
  return S_OK;
}

const Failure* Recorder::FindFailure(const wchar_t* step, const std::wstring& qualifier) const {
  if (!qualifier.empty()) {
    auto found = failures_.find(qualifier + L"." + step);
    if (found != failures_.end()) return &found->second;
  }
  auto found = failures_.find(step);
  return found != failures_.end() ? &found->second : nullptr;
}

bool Recorder::Refuses(const wchar_t* step) noexcept try {
  if (!FindFailure(step)) return false;
  MarkFailed(Record(step), E_NOINTERFACE);
  return true;
} catch (...) {
  return true;
}

void Recorder::Clear() {
  lines_.clear();
  failures_.clear();
}

std::wstring Recorder::Joined() const {
  std::wstring joined;
  for (const std::wstring& line : lines_) {
    if (!joined.empty()) joined += L'\n';
    joined += line;
  }
  return joined;
}

HRESULT Recorder::RaiseScripted(const Failure& failure, const wchar_t* source) {
  return RaiseError(failure.hr, failure.description, source);
}

HRESULT RaiseError(HRESULT hr, const std::wstring& description, const wchar_t* source) {
  if (description.empty()) {
    ::SetErrorInfo(0, nullptr);
    return hr;
  }
  plat::com_ptr<ICreateErrorInfo> create;
  if (FAILED(::CreateErrorInfo(create.put()))) return hr;
  create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
  create->SetSource(const_cast<LPOLESTR>(source));
  plat::com_ptr<IErrorInfo> info;
  if (SUCCEEDED(create.query_to(info))) ::SetErrorInfo(0, info.get());
  return hr;
}

namespace {

std::wstring Format(const wchar_t* format, long long value) {
  wchar_t text[32];
  _snwprintf(text, 32, format, value);
  text[31] = L'\0';
  return text;
}

// One element of a one-dimensional array, read as a VARIANT of the element type.
bool ReadElement(SAFEARRAY* array, VARTYPE type, LONG index, plat::unique_variant& element) {
  if (type == VT_VARIANT) return SUCCEEDED(::SafeArrayGetElement(array, &index, &element));
  if (type == VT_DECIMAL) {
    // A DECIMAL fills the whole VARIANT, type field included.
    if (FAILED(::SafeArrayGetElement(array, &index, &V_DECIMAL(&element)))) return false;
    V_VT(&element) = VT_DECIMAL;
    return true;
  }
  if (type == VT_RECORD) return false;
  if (FAILED(::SafeArrayGetElement(array, &index, &V_I8(&element)))) return false;
  V_VT(&element) = type;
  return true;
}

std::wstring ArrayText(const VARIANT& value) {
  SAFEARRAY* array = (V_VT(&value) & VT_BYREF) ? *V_ARRAYREF(&value) : V_ARRAY(&value);
  if (!array) return L"{}";
  if (::SafeArrayGetDim(array) != 1) return L"{array}";
  LONG lower = 0, upper = -1;
  ::SafeArrayGetLBound(array, 1, &lower);
  ::SafeArrayGetUBound(array, 1, &upper);
  const VARTYPE type = V_VT(&value) & VT_TYPEMASK;
  std::wstring text = L"{";
  for (LONG i = lower; i <= upper; ++i) {
    if (i != lower) text += L';';
    plat::unique_variant element;
    if (!ReadElement(array, type, i, element))
      text += L'?';
    else
      text += type == VT_VARIANT ? TypedValue(element) : ValueText(element);
  }
  return text + L"}";
}

}  // namespace

std::wstring ValueText(const VARIANT& value) {
  const VARTYPE type = V_VT(&value);
  if (type & VT_ARRAY) return ArrayText(value);
  if (type & VT_BYREF) {
    plat::unique_variant target;
    if (FAILED(::VariantCopyInd(&target, const_cast<VARIANT*>(&value)))) return L"?";
    return ValueText(target);
  }
  switch (type) {
    case VT_EMPTY:
    case VT_NULL: return L"";
    case VT_BOOL: return Format(L"%lld", V_BOOL(&value));
    case VT_ERROR: return HexCode(V_ERROR(&value));
    case VT_BSTR: return Text(V_BSTR(&value));
    case VT_DISPATCH:
    case VT_UNKNOWN: return V_UNKNOWN(&value) ? L"object" : L"null";
    default: break;
  }
  plat::unique_variant text;
  if (FAILED(
          ::VariantChangeTypeEx(&text, const_cast<VARIANT*>(&value), LOCALE_INVARIANT, 0, VT_BSTR)))
    return L"?";
  return Text(V_BSTR(&text));
}

std::wstring TypedValue(const VARIANT& value) {
  return Format(L"vt%lld:", V_VT(&value)) + ValueText(value);
}

std::wstring Quoted(const wchar_t* text) {
  return text ? L"\"" + std::wstring(text) + L"\"" : L"null";
}

std::wstring HexCode(HRESULT hr) { return Format(L"0x%08llX", static_cast<unsigned long>(hr)); }

HRESULT CopyToBstr(const std::wstring& text, BSTR* out) {
  *out = plat::unique_bstr::copy(text.c_str(), static_cast<UINT>(text.size())).release();
  return S_OK;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring Text(const wchar_t* text) { return text ? text : L""; }

std::wstring WholeText(BSTR text) {
  return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

}  // namespace standins
