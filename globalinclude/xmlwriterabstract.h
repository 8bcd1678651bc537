// Writing an XML request through a data service call: XMLAttributeMap (attributes in
// name order), the abstract writer the VARIANT writers use, and
// IWQDataServiceCallXMLWriter, which forwards every operation to the call's own writing
// operations.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <handles.h>

#include <vector>

#include "WQOutside.h"
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

// Forwards every operation to a data service call.
class IWQDataServiceCallXMLWriter : public XMLWriterAbstract {
 public:
  explicit IWQDataServiceCallXMLWriter(IWQDataServiceCall* call) : call_(call) {}

  HRESULT StartDocument() override;
  HRESULT StartElement(const wchar_t* name) override;
  HRESULT StartElementWithAttributes(const wchar_t* name,
                                     const XMLAttributeMap& attributes) override;
  HRESULT CloseStartTag() override;
  HRESULT EndElement(const wchar_t* name) override;
  HRESULT WriteText(const wchar_t* text) override;
  HRESULT WriteRaw(const wchar_t* text) override;

 private:
  plat::com_ptr<IWQDataServiceCall> call_;
};
