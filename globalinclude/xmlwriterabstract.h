// Writing an XML request through a data service call: XMLAttributeMap (attributes in
// name order), the abstract writer the VARIANT writers use, and DataServiceCallXMLWriter,
// which forwards every operation to a call object's own writing operations.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <handles.h>

#include <vector>

#include "wqstring.h"

// Attribute values by name, ordered by wcscmp (a null name first), so the request's
// attributes always come in the same order ("count", "lbound", "type"; "value", "vt").
class XMLAttributeMap {
 public:
  struct Entry {
    WQHeapString name;
    plat::unique_variant value;
  };

  // Copies the value with references resolved; replaces an entry of the same name.
  HRESULT Add(const wchar_t* name, const VARIANT& value);
  HRESULT AddLong(const wchar_t* name, LONG value);
  HRESULT AddString(const wchar_t* name, const wchar_t* text, UINT length);

  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

inline HRESULT AddAttribute(XMLAttributeMap& map, const wchar_t* name, const VARIANT& value) {
  return map.Add(name, value);
}

class XMLWriterAbstract {
 public:
  virtual ~XMLWriterAbstract() = default;

  virtual HRESULT StartDocument() = 0;
  // A call has no such operation.
  virtual HRESULT EndDocument() { return E_FAIL; }
  virtual HRESULT StartElement(const wchar_t* name) = 0;
  // Stops at the first attribute that fails and returns its HRESULT.
  virtual HRESULT StartElementWithAttributes(const wchar_t* name,
                                             const XMLAttributeMap& attributes) = 0;
  virtual HRESULT CloseStartTag() { return S_OK; }
  virtual HRESULT EndElement(const wchar_t* name) = 0;
  virtual HRESULT WriteText(const wchar_t* text) = 0;
  HRESULT WriteEmptyElement(const wchar_t* name, const XMLAttributeMap& attributes) {
    PLAT_RETURN_IF_FAILED(StartElementWithAttributes(name, attributes));
    return EndElement(name);
  }
  // Text the caller has already formed as XML.
  virtual HRESULT WriteRaw(const wchar_t* text) = 0;
};

// Forwards to a call object (IWQDataServiceCall, or anything with its writing operations).
template <class Call>
class DataServiceCallXMLWriter : public XMLWriterAbstract {
 public:
  explicit DataServiceCallXMLWriter(Call* call) : call_(call) {}

  HRESULT StartDocument() override {
    PLAT_RETURN_HR_IF_NULL(E_POINTER, call_);
    return call_->StartDocument();
  }
  HRESULT StartElement(const wchar_t* name) override {
    return WithText(name, [&](BSTR text) { return call_->StartElement(text); });
  }
  HRESULT StartElementWithAttributes(const wchar_t* name,
                                     const XMLAttributeMap& attributes) override {
    PLAT_RETURN_IF_FAILED(StartElement(name));
    for (const XMLAttributeMap::Entry& entry : attributes.Entries())
      PLAT_RETURN_IF_FAILED(WithText(entry.name.GetString(), [&](BSTR text) {
        return call_->WriteVariantAttribute(text, entry.value);
      }));
    return S_OK;
  }
  HRESULT CloseStartTag() override {
    PLAT_RETURN_HR_IF_NULL(E_POINTER, call_);
    return call_->CloseStartTag();
  }
  HRESULT EndElement(const wchar_t* name) override {
    return WithText(name, [&](BSTR text) { return call_->EndElement(text); });
  }
  HRESULT WriteText(const wchar_t* text) override {
    return WithText(text, [&](BSTR bstr) { return call_->WriteText(bstr); });
  }
  HRESULT WriteRaw(const wchar_t* text) override {
    return WithText(text, [&](BSTR bstr) { return call_->WriteRaw(bstr); });
  }

 private:
  // The call takes BSTRs; a null text stays null.
  template <class Forward>
  HRESULT WithText(const wchar_t* text, Forward&& forward) {
    PLAT_RETURN_HR_IF_NULL(E_POINTER, call_);
    plat::unique_bstr bstr(text ? SysAllocString(text) : nullptr);
    if (text && !bstr) return E_OUTOFMEMORY;
    return forward(bstr.get());
  }

  plat::com_ptr<Call> call_;
};
