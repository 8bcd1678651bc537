// VARIANT values as data-service XML: the vocabulary ("Variant", "Datum", "SafeArray",
// "SAData") as a schema table, the value texts per VARTYPE, the writers that put a VARIANT
// or a SAFEARRAY through an XMLWriterAbstract, and the handlers that read one back.
//
//   <Variant value="42" vt="3"/>
//   <Variant value="" vt="8195"><SafeArray count="2" lbound="0" type="3">
//     <SAData>1</SAData><SAData>2</SAData></SafeArray></Variant>
//
// Arrays of VARIANTs hold nested "Variant" elements, so arrays nest.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <handles.h>

#include <memory>
#include <string>
#include <vector>

#include "saxschemaparser.h"
#include "variantutil.h"
#include "xmlwriterabstract.h"

// Element and attribute ids of the vocabulary.
enum : ULONG {
  kVariantElement = 0,
  kDatumElement = 1,
  kSafeArrayElement = 2,
  kSADataElement = 3,
  kVtAttribute = 4,
  kValueAttribute = 5,
  kIdAttribute = 6,
  kLBoundAttribute = 7,
  kCountAttribute = 8,
  kTypeAttribute = 9,
};

// Whether a VARTYPE has a value text (VT_EMPTY and VT_NULL have an empty one).
bool IsVariantTextType(VARTYPE vt);
// Whether `vt` may be the type of a VARIANT in the vocabulary: a scalar with a value text,
// or VT_ARRAY of one of those or of VT_VARIANT.
bool IsEncodableVariantType(VARTYPE vt);

// The value at `data` of type `vt` as text; *next is the storage behind it.
// DISP_E_BADVARTYPE for a type without a value text (VT_VARIANT included).
HRESULT VariantValueToText(const void* data, VARTYPE vt, std::wstring& text, const void** next);
// Reads `text` into the storage at `data`, which holds no value yet; *next is the storage
// behind it. A blank text reads as zero; a text that is not a value of the type fails
// with DISP_E_TYPEMISMATCH, a number out of the type's range with DISP_E_OVERFLOW.
HRESULT VariantValueFromText(const wchar_t* text, VARTYPE vt, void* data, void** next);

class SimpleVariantSchema : public SAXSchemaParser {
 public:
  const SAXSchemaEntry* GetSchema() override;
};

// Writes one VARIANT as a "Variant" (or "Datum") element. A VARIANT held by reference is
// written as the value it refers to.
template <class Schema>
class VariantWriter : public Schema {
 public:
  explicit VariantWriter(ULONG elementId = kVariantElement)
      : element_(this->GetElementName(elementId)),
        value_(this->GetAttributeName(kValueAttribute)),
        vt_(this->GetAttributeName(kVtAttribute)) {}

  // The first failure of the writer, or DISP_E_BADVARTYPE (nothing written) for a type
  // the vocabulary cannot carry.
  HRESULT Write(XMLWriterAbstract& writer, const VARIANT* value);

 private:
  const wchar_t* element_;
  const wchar_t* value_;
  const wchar_t* vt_;
};

// Writes one one-dimensional SAFEARRAY as a "SafeArray" element.
template <class Schema>
class SAWriter : public Schema {
 public:
  SAWriter()
      : safeArray_(this->GetElementName(kSafeArrayElement)),
        saData_(this->GetElementName(kSADataElement)),
        lbound_(this->GetAttributeName(kLBoundAttribute)),
        count_(this->GetAttributeName(kCountAttribute)),
        type_(this->GetAttributeName(kTypeAttribute)) {}

  // E_POINTER for no array, E_INVALIDARG for more than one dimension, DISP_E_BADVARTYPE
  // for an element type the vocabulary cannot carry (nothing written for these).
  HRESULT Write(XMLWriterAbstract& writer, SAFEARRAY* array);

 private:
  const wchar_t* safeArray_;
  const wchar_t* saData_;
  const wchar_t* lbound_;
  const wchar_t* count_;
  const wchar_t* type_;
};

class SAHandler;

// Reads a "Variant" element: a complete parser for a reply that is one, and the handler
// of each "Variant" inside an array of VARIANTs. Holds the value until it is destroyed.
class VariantHandler : public SimpleVariantSchema {
 public:
  // `depth`: how many arrays hold this Variant.
  explicit VariantHandler(int depth = 0);
  ~VariantHandler() override;

  const VARIANT& GetValue() const { return value_; }
  // Hands the value over, leaving VT_EMPTY.
  VARIANT Detach() { return value_.release(); }

  HRESULT StartElement(ULONG id) override;
  HRESULT EndElement(ULONG id) override;
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;
  HRESULT EndChildElement(ULONG id, SAXSchemaElementHandler* child) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  void AbandonChildElement(ULONG id, SAXSchemaElementHandler* child) override;

  // Handlers alive in the process, for leak checks.
  static LONG LiveCount();
  // The deepest arrays of VARIANTs may nest: each level costs the reader a handler.
  static constexpr int kMaxDepth = 32;

 private:
  plat::unique_variant value_;
  std::wstring text_;
  VARTYPE vt_ = VT_EMPTY;  // from "vt", checked; becomes the value's type once it holds one
  bool open_ = false;      // inside its "Variant" element
  bool arrayDone_ = false;
  int depth_;
  // The handler of the "SafeArray" being read; the parser hands it back when it ends.
  std::unique_ptr<SAHandler> arrayHandler_;
};

// Reads a "SafeArray" element into a new SAFEARRAY. The elements are kept aside as they
// arrive and the array is made at the end tag, from the final attributes and only when
// its count agrees with the elements present: a short reply never makes a big array.
class SAHandler : public SimpleVariantSchema {
 public:
  explicit SAHandler(int depth = 0);
  ~SAHandler() override;

  // Hands the array over; null when none was made.
  SAFEARRAY* Detach();

  HRESULT StartElement(ULONG id) override;
  HRESULT EndElement(ULONG id) override;
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;
  HRESULT EndChildElement(ULONG id, SAXSchemaElementHandler* child) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT Characters(const wchar_t* text, int length) override;
  void AbandonChildElement(ULONG id, SAXSchemaElementHandler* child) override;

  static LONG LiveCount();
  // The most elements a reply may ask for.
  static constexpr LONG kMaxCount = 1 << 24;

 private:
  HRESULT CheckRoomForOneMore();
  HRESULT CreateArray();
  void ClearElements();

  plat::unique_safearray array_;
  SAFEARRAYBOUND bound_{0, 0};
  VARTYPE vt_ = 0;
  std::vector<BYTE> elements_;  // the values read so far, each ValueSize(vt_) bytes
  ULONG written_ = 0;           // elements in elements_
  std::wstring text_;
  bool lboundGiven_ = false;
  bool countGiven_ = false;
  int depth_;
  // The handler of the element "Variant" being read; the parser hands it back when it ends.
  std::unique_ptr<VariantHandler> elementHandler_;
};

// ---------------------------------------------------------------- writer bodies

template <class Schema>
HRESULT VariantWriter<Schema>::Write(XMLWriterAbstract& writer, const VARIANT* value) {
  PLAT_RETURN_HR_IF_NULL(E_POINTER, value);
  plat::unique_variant direct;
  if (value->vt & VT_BYREF) {
    PLAT_RETURN_IF_FAILED(VariantCopyValue(*value, &direct));
    value = &direct;
  }
  const bool isArray = (value->vt & VT_ARRAY) != 0;
  if (!IsEncodableVariantType(value->vt)) return DISP_E_BADVARTYPE;

  std::wstring text;
  if (!isArray) {
    const void* storage = value->vt == VT_DECIMAL ? static_cast<const void*>(value)
                                                  : static_cast<const void*>(&value->lVal);
    const void* next = nullptr;
    PLAT_RETURN_IF_FAILED(VariantValueToText(storage, value->vt, text, &next));
  }
  XMLAttributeMap attributes;
  PLAT_RETURN_IF_FAILED(attributes.AddLong(vt_, value->vt));
  PLAT_RETURN_IF_FAILED(attributes.AddString(value_, text.c_str(), static_cast<UINT>(text.size())));
  PLAT_RETURN_IF_FAILED(writer.StartElementWithAttributes(element_, attributes));
  if (isArray) {
    PLAT_RETURN_IF_FAILED(writer.CloseStartTag());
    PLAT_RETURN_IF_FAILED(SAWriter<Schema>().Write(writer, value->parray));
  }
  return writer.EndElement(element_);
}

// Reads the bounds and element type of a one-dimensional array the vocabulary can carry.
HRESULT DescribeSafeArray(SAFEARRAY* array, LONG& lowerBound, ULONG& count, VARTYPE& vt);

template <class Schema>
HRESULT SAWriter<Schema>::Write(XMLWriterAbstract& writer, SAFEARRAY* array) {
  LONG lowerBound = 0;
  ULONG count = 0;
  VARTYPE vt = VT_EMPTY;
  PLAT_RETURN_IF_FAILED(DescribeSafeArray(array, lowerBound, count, vt));
  plat::safearray_data<BYTE> data;
  PLAT_RETURN_IF_FAILED(data.access(array));

  XMLAttributeMap attributes;
  PLAT_RETURN_IF_FAILED(attributes.AddLong(type_, vt));
  PLAT_RETURN_IF_FAILED(attributes.AddLong(lbound_, lowerBound));
  PLAT_RETURN_IF_FAILED(attributes.AddLong(count_, static_cast<LONG>(count)));
  PLAT_RETURN_IF_FAILED(writer.StartElementWithAttributes(safeArray_, attributes));
  PLAT_RETURN_IF_FAILED(writer.CloseStartTag());

  // Elements are found by index and the array's own element size, never by walking on.
  const ULONG size = SafeArrayGetElemsize(array);
  VariantWriter<Schema> elementWriter;
  std::wstring text;
  for (ULONG i = 0; i < count; ++i) {
    const BYTE* element = data.get() + static_cast<size_t>(i) * size;
    if (vt == VT_VARIANT) {
      PLAT_RETURN_IF_FAILED(elementWriter.Write(writer, reinterpret_cast<const VARIANT*>(element)));
      continue;
    }
    const void* next = nullptr;
    PLAT_RETURN_IF_FAILED(VariantValueToText(element, vt, text, &next));
    PLAT_RETURN_IF_FAILED(writer.StartElement(saData_));
    PLAT_RETURN_IF_FAILED(writer.WriteText(text.c_str()));
    PLAT_RETURN_IF_FAILED(writer.EndElement(saData_));
  }
  return writer.EndElement(safeArray_);
}
