#include "xmlwriterabstract.h"

#include <algorithm>
#include <cwchar>

#include "variantutil.h"

namespace {

// The call takes BSTRs; a null text stays null.
template <class Forward>
HRESULT WithBstr(IWQDataServiceCall* call, const wchar_t* text, Forward&& forward) {
  PLAT_RETURN_HR_IF_NULL(E_POINTER, call);
  plat::unique_bstr bstr(text ? SysAllocString(text) : nullptr);
  if (text && !bstr) return E_OUTOFMEMORY;
  return forward(bstr.get());
}

bool NameLess(const wchar_t* a, const wchar_t* b) {
  if (!a || !b) return !a && b;
  return wcscmp(a, b) < 0;
}

}  // namespace

HRESULT XMLAttributeMap::Add(const wchar_t* name, const VARIANT& value) {
  plat::unique_variant copy;
  PLAT_RETURN_IF_FAILED(VariantCopyValue(value, &copy));
  auto at = std::lower_bound(
      entries_.begin(), entries_.end(), name,
      [](const Entry& e, const wchar_t* n) { return NameLess(e.name.GetString(), n); });
  if (at != entries_.end() && !NameLess(name, at->name.GetString())) {
    at->value = std::move(copy);
    return S_OK;
  }
  try {
    entries_.insert(at, Entry{WQHeapString(name), std::move(copy)});
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT XMLAttributeMap::AddLong(const wchar_t* name, LONG value) {
  VARIANT number;
  number.vt = VT_I4;
  number.lVal = value;
  return Add(name, number);
}

HRESULT XMLAttributeMap::AddString(const wchar_t* name, const wchar_t* text, UINT length) {
  plat::unique_variant string;
  string.bstrVal = SysAllocStringLen(text, length);
  if (!string.bstrVal) return E_OUTOFMEMORY;
  string.vt = VT_BSTR;
  return Add(name, string);
}

HRESULT IWQDataServiceCallXMLWriter::StartDocument() {
  PLAT_RETURN_HR_IF_NULL(E_POINTER, call_);
  return call_->StartDocument();
}

HRESULT IWQDataServiceCallXMLWriter::StartElement(const wchar_t* name) {
  return WithBstr(call_.get(), name, [&](BSTR text) { return call_->StartElement(text); });
}

HRESULT IWQDataServiceCallXMLWriter::StartElementWithAttributes(const wchar_t* name,
                                                                const XMLAttributeMap& attributes) {
  PLAT_RETURN_IF_FAILED(StartElement(name));
  for (const XMLAttributeMap::Entry& entry : attributes.Entries())
    PLAT_RETURN_IF_FAILED(WithBstr(call_.get(), entry.name.GetString(), [&](BSTR text) {
      return call_->WriteVariantAttribute(text, entry.value);
    }));
  return S_OK;
}

HRESULT IWQDataServiceCallXMLWriter::CloseStartTag() {
  PLAT_RETURN_HR_IF_NULL(E_POINTER, call_);
  return call_->CloseStartTag();
}

HRESULT IWQDataServiceCallXMLWriter::EndElement(const wchar_t* name) {
  return WithBstr(call_.get(), name, [&](BSTR text) { return call_->EndElement(text); });
}

HRESULT IWQDataServiceCallXMLWriter::WriteText(const wchar_t* text) {
  return WithBstr(call_.get(), text, [&](BSTR bstr) { return call_->WriteText(bstr); });
}

HRESULT IWQDataServiceCallXMLWriter::WriteRaw(const wchar_t* text) {
  return WithBstr(call_.get(), text, [&](BSTR bstr) { return call_->WriteRaw(bstr); });
}
