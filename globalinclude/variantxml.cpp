#include "variantxml.h"

#include <atomic>
#include <cstring>
#include <cwchar>
#include <memory>
#include <limits>
#include <locale>
#include <sstream>

namespace {

const SAXSchemaEntry kSimpleVariantSchema[] = {
    {kSchemaStart, nullptr, 0},
    {kSchemaElement, L"Datum", kDatumElement},
    {kSchemaStringAttribute, L"id", kIdAttribute},
    {kSchemaIntegerAttribute, L"vt", kVtAttribute},
    {kSchemaStringAttribute, L"value", kValueAttribute},
    {kSchemaChild, nullptr, kSafeArrayElement},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaElement, L"Variant", kVariantElement},
    {kSchemaIntegerAttribute, L"vt", kVtAttribute},
    {kSchemaStringAttribute, L"value", kValueAttribute},
    {kSchemaChild, nullptr, kSafeArrayElement},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaElement, L"SafeArray", kSafeArrayElement},
    {kSchemaIntegerAttribute, L"type", kTypeAttribute},
    {kSchemaIntegerAttribute, L"lbound", kLBoundAttribute},
    {kSchemaIntegerAttribute, L"count", kCountAttribute},
    {kSchemaChild, nullptr, kVariantElement},
    {kSchemaChild, nullptr, kSADataElement},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaElement, L"SAData", kSADataElement},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaEnd, nullptr, 0},
};

// Bytes of one value of a type with a value text (0 for VT_EMPTY and VT_NULL).
size_t ValueSize(VARTYPE vt) {
  switch (vt) {
    case VT_UI1: return 1;
    case VT_I2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_ERROR:
    case VT_R4: return 4;
    case VT_R8:
    case VT_DATE:
    case VT_CY: return 8;
    case VT_BSTR: return sizeof(BSTR);
    case VT_DECIMAL: return sizeof(DECIMAL);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
  }
}

// Numbers are written and read in the classic locale, whatever the process has set.
std::wostringstream NumberWriter() {
  std::wostringstream out;
  out.imbue(std::locale::classic());
  out.precision(24);
  return out;
}

// Reads `count` blank-separated numbers of type T; only blanks may follow. A blank text
// reads as zeros.
template <class T>
HRESULT ReadNumbers(const wchar_t* text, T* out, int count) {
  std::wistringstream in(text ? text : L"");
  in.imbue(std::locale::classic());
  in >> std::ws;
  if (in.eof()) {
    for (int i = 0; i < count; ++i) out[i] = T();
    return S_OK;
  }
  for (int i = 0; i < count; ++i) {
    T value{};
    in >> value;
    if (in.fail())
      return value == std::numeric_limits<T>::max() || value == std::numeric_limits<T>::lowest()
                 ? DISP_E_OVERFLOW
                 : DISP_E_TYPEMISMATCH;
    out[i] = value;
  }
  in >> std::ws;
  return in.eof() ? S_OK : DISP_E_TYPEMISMATCH;
}

// A handler's failure with its text installed as the thread's error info.
HRESULT Refuse(HRESULT hr, const wchar_t* format, ...) {
  wchar_t storage[256];
  WQStringBuffer text(storage);
  va_list args;
  va_start(args, format);
  text.FormatV(format, args);
  va_end(args);
  SetErrorInfo(0, nullptr);
  WQComException error;
  error.SetErrorHr(hr, L"%ls", text.GetString());
  return error.ReturnHResult();
}

HRESULT RefuseValue(HRESULT hr, const wchar_t* text, VARTYPE vt) {
  return Refuse(hr, L"The value '%.64ls' is not valid for the VARIANT type %u", text ? text : L"",
                static_cast<unsigned>(vt));
}

// Handlers are made on any apartment's thread.
std::atomic<LONG> variantHandlers{0};
std::atomic<LONG> arrayHandlers{0};

}  // namespace

bool IsVariantTextType(VARTYPE vt) {
  return vt == VT_EMPTY || vt == VT_NULL || (vt != VT_VARIANT && ValueSize(vt) != 0);
}

bool IsEncodableVariantType(VARTYPE vt) {
  if (vt & VT_ARRAY) {
    const VARTYPE element = vt & ~VT_ARRAY;
    return element != VT_EMPTY && element != VT_NULL &&
           (element == VT_VARIANT || IsVariantTextType(element));
  }
  return IsVariantTextType(vt);
}

HRESULT VariantValueToText(const void* data, VARTYPE vt, std::wstring& text, const void** next) {
  text.clear();
  if (!IsVariantTextType(vt)) return DISP_E_BADVARTYPE;
  const BYTE* bytes = static_cast<const BYTE*>(data);
  if (next) *next = bytes + ValueSize(vt);
  std::wostringstream out = NumberWriter();
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL: return S_OK;
    case VT_UI1: out << static_cast<unsigned>(*bytes); break;
    case VT_I2: out << *reinterpret_cast<const SHORT*>(bytes); break;
    case VT_I4:
    case VT_ERROR: out << *reinterpret_cast<const LONG*>(bytes); break;
    case VT_R4: out << *reinterpret_cast<const float*>(bytes); break;
    case VT_R8:
    case VT_DATE: out << *reinterpret_cast<const double*>(bytes); break;
    case VT_CY:
    case VT_DECIMAL: {
      const LONG* words = reinterpret_cast<const LONG*>(bytes);
      const int count = vt == VT_CY ? 2 : 4;
      for (int i = 0; i < count; ++i) out << (i ? L" " : L"") << words[i];
      break;
    }
    case VT_BOOL:
      text = *reinterpret_cast<const VARIANT_BOOL*>(bytes) == VARIANT_TRUE ? L"true" : L"false";
      return S_OK;
    case VT_BSTR: {
      const BSTR string = *reinterpret_cast<const BSTR*>(bytes);
      text.assign(string ? string : L"", SysStringLen(string));
      return S_OK;
    }
  }
  text = out.str();
  return S_OK;
}

HRESULT VariantValueFromText(const wchar_t* text, VARTYPE vt, void* data, void** next) {
  if (!IsVariantTextType(vt)) return DISP_E_BADVARTYPE;
  BYTE* bytes = static_cast<BYTE*>(data);
  if (next) *next = bytes + ValueSize(vt);
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL: return S_OK;
    case VT_UI1: {
      LONG value = 0;
      PLAT_RETURN_IF_FAILED(ReadNumbers(text, &value, 1));
      if (value < 0 || value > 255) return DISP_E_OVERFLOW;
      *bytes = static_cast<BYTE>(value);
      return S_OK;
    }
    case VT_I2: return ReadNumbers(text, reinterpret_cast<SHORT*>(bytes), 1);
    case VT_I4:
    case VT_ERROR: return ReadNumbers(text, reinterpret_cast<LONG*>(bytes), 1);
    case VT_R4: return ReadNumbers(text, reinterpret_cast<float*>(bytes), 1);
    case VT_R8:
    case VT_DATE: return ReadNumbers(text, reinterpret_cast<double*>(bytes), 1);
    case VT_CY: return ReadNumbers(text, reinterpret_cast<LONG*>(bytes), 2);
    case VT_DECIMAL: return ReadNumbers(text, reinterpret_cast<LONG*>(bytes), 4);
    case VT_BOOL: {
      bool truth = text && _wcsicmp(text, L"true") == 0;
      LONG number = 0;
      if (!truth && text && SUCCEEDED(ReadNumbers(text, &number, 1))) truth = number == 1;
      *reinterpret_cast<VARIANT_BOOL*>(bytes) = truth ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    }
    case VT_BSTR: {
      BSTR string = SysAllocString(text ? text : L"");
      if (!string) return E_OUTOFMEMORY;
      *reinterpret_cast<BSTR*>(bytes) = string;
      return S_OK;
    }
  }
  return DISP_E_BADVARTYPE;
}

HRESULT DescribeSafeArray(SAFEARRAY* array, LONG& lowerBound, ULONG& count, VARTYPE& vt) {
  PLAT_RETURN_IF_FAILED(SafeArrayExtent(array, &lowerBound, &count));
  PLAT_RETURN_IF_FAILED(SafeArrayGetVartype(array, &vt));
  if (!IsEncodableVariantType(VT_ARRAY | vt)) return DISP_E_BADVARTYPE;
  if (SafeArrayGetElemsize(array) != ValueSize(vt)) return E_INVALIDARG;
  return S_OK;
}

const SAXSchemaEntry* SimpleVariantSchema::GetSchema() { return kSimpleVariantSchema; }

// ---------------------------------------------------------------- VariantHandler

VariantHandler::VariantHandler(int depth) : depth_(depth) { ++variantHandlers; }
VariantHandler::~VariantHandler() { --variantHandlers; }
LONG VariantHandler::LiveCount() { return variantHandlers; }

HRESULT VariantHandler::StartElement(ULONG id) {
  if (id != kVariantElement) return E_INVALIDARG;
  value_.reset();
  text_.clear();
  vt_ = VT_EMPTY;
  open_ = true;
  arrayDone_ = false;
  return S_OK;
}

// A reply's "vt" is checked before it is used: a type the vocabulary does not carry
// could make the value's storage mean something else (a pointer) when it is freed.
HRESULT VariantHandler::SetAttribute(ULONG id, const SAXSchemaValue& value) {
  switch (id) {
    case kVtAttribute: {
      const LONG vt = value.GetLong();
      if (vt < 0 || vt > 0xFFFF || !IsEncodableVariantType(static_cast<VARTYPE>(vt)))
        return Refuse(E_INVALIDARG, L"The VARIANT type %ld is not supported", vt);
      vt_ = static_cast<VARTYPE>(vt);
      return S_OK;
    }
    case kValueAttribute: try { text_ = value.GetString();
      } catch (...) {
        return E_OUTOFMEMORY;
      }
      return S_OK;
    default: return E_INVALIDARG;
  }
}

HRESULT VariantHandler::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  if (id == kVariantElement && !open_) {
    *child = this;  // the document element of a reply
    return S_OK;
  }
  if (id != kSafeArrayElement || !open_)
    return Refuse(E_INVALIDARG, L"Unexpected element in a Variant");
  if (!(vt_ & VT_ARRAY) || arrayDone_)
    return Refuse(E_INVALIDARG, L"A SafeArray belongs only once into a Variant of an array type");
  arrayHandler_.reset(new (std::nothrow) SAHandler(depth_));
  *child = arrayHandler_.get();
  return *child ? S_OK : E_OUTOFMEMORY;
}

// The VARIANT's type comes from the array itself, never from the reply's "vt".
HRESULT VariantHandler::EndChildElement(ULONG id, SAXSchemaElementHandler* child) {
  if (child == this) return S_OK;
  if (id != kSafeArrayElement || !child || child != arrayHandler_.get()) return E_INVALIDARG;
  const std::unique_ptr<SAHandler> arrayHandler = std::move(arrayHandler_);
  plat::unique_safearray array(arrayHandler->Detach());
  arrayDone_ = true;
  if (!array) return Refuse(E_INVALIDARG, L"The SafeArray of a Variant is missing");
  VARTYPE element = VT_EMPTY;
  PLAT_RETURN_IF_FAILED(SafeArrayGetVartype(array.get(), &element));
  value_.reset();
  value_.parray = array.release();
  value_.vt = VT_ARRAY | element;
  return S_OK;
}

void VariantHandler::AbandonChildElement(ULONG, SAXSchemaElementHandler* child) {
  if (child == arrayHandler_.get()) arrayHandler_.reset();
}

HRESULT VariantHandler::EndElement(ULONG id) {
  if (id != kVariantElement) return E_INVALIDARG;
  open_ = false;
  if (vt_ & VT_ARRAY) {
    // Clients read an array type's array without checking it for null.
    if (!arrayDone_)
      return Refuse(E_INVALIDARG, L"The Variant of the array type %u holds no SafeArray",
                    static_cast<unsigned>(vt_));
    return S_OK;
  }
  // The value is built aside and becomes the VARIANT only when complete.
  VARIANT value;
  VariantInit(&value);
  void* storage = vt_ == VT_DECIMAL ? static_cast<void*>(&value) : static_cast<void*>(&value.lVal);
  void* next = nullptr;
  const HRESULT hr = VariantValueFromText(text_.c_str(), vt_, storage, &next);
  if (FAILED(hr)) return RefuseValue(hr, text_.c_str(), vt_);
  value.vt = vt_;
  value_.reset();
  static_cast<VARIANT&>(value_) = value;
  return S_OK;
}

// ---------------------------------------------------------------- SAHandler

SAHandler::SAHandler(int depth) : depth_(depth) { ++arrayHandlers; }
SAHandler::~SAHandler() {
  ClearElements();
  --arrayHandlers;
}
LONG SAHandler::LiveCount() { return arrayHandlers; }

// Frees what the elements read so far own.
void SAHandler::ClearElements() {
  const size_t size = ValueSize(vt_);
  for (ULONG i = 0; i < written_; ++i) {
    BYTE* element = elements_.data() + static_cast<size_t>(i) * size;
    if (vt_ == VT_BSTR) SysFreeString(*reinterpret_cast<BSTR*>(element));
    if (vt_ == VT_VARIANT) VariantClear(reinterpret_cast<VARIANT*>(element));
  }
  elements_.clear();
  written_ = 0;
}

SAFEARRAY* SAHandler::Detach() { return array_.release(); }

HRESULT SAHandler::StartElement(ULONG id) {
  if (id == kSADataElement) {
    text_.clear();
    return S_OK;
  }
  if (id != kSafeArrayElement) return E_INVALIDARG;
  ClearElements();
  array_.reset();
  bound_ = SAFEARRAYBOUND{0, 0};
  vt_ = 0;
  text_.clear();
  lboundGiven_ = countGiven_ = false;
  return S_OK;
}

HRESULT SAHandler::SetAttribute(ULONG id, const SAXSchemaValue& value) {
  const LONG number = value.GetLong();
  switch (id) {
    case kLBoundAttribute:
      bound_.lLbound = number;
      lboundGiven_ = true;
      return S_OK;
    case kCountAttribute:
      if (number < 0 || number > kMaxCount)
        return Refuse(E_INVALIDARG, L"The SafeArray count %ld is out of range", number);
      bound_.cElements = static_cast<ULONG>(number);
      countGiven_ = true;
      return S_OK;
    case kTypeAttribute:
      if (number <= 0 || number > 0xFFFF ||
          !IsEncodableVariantType(static_cast<VARTYPE>(VT_ARRAY | number)) || (number & VT_ARRAY))
        return Refuse(E_INVALIDARG, L"The SafeArray element type %ld is not supported", number);
      vt_ = static_cast<VARTYPE>(number);
      return S_OK;
    default: return E_INVALIDARG;
  }
}

// Every attribute is final once the first element arrives.
HRESULT SAHandler::CheckRoomForOneMore() {
  if (!countGiven_ || !lboundGiven_ || !vt_)
    return Refuse(E_INVALIDARG, L"SafeArray data comes before its count, lbound and type");
  if (written_ >= bound_.cElements)
    return Refuse(E_INVALIDARG, L"A SafeArray holds more elements than its count %lu",
                  bound_.cElements);
  return S_OK;
}

HRESULT SAHandler::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  if (id == kSADataElement) {
    if (vt_ == VT_VARIANT)
      return Refuse(E_INVALIDARG, L"An array of VARIANTs holds Variant elements");
    PLAT_RETURN_IF_FAILED(CheckRoomForOneMore());
    *child = this;
    return S_OK;
  }
  if (id != kVariantElement) return E_INVALIDARG;
  if (vt_ != VT_VARIANT)
    return Refuse(E_INVALIDARG, L"Only an array of VARIANTs holds Variant elements");
  PLAT_RETURN_IF_FAILED(CheckRoomForOneMore());
  if (depth_ + 1 > VariantHandler::kMaxDepth)
    return Refuse(E_INVALIDARG, L"Arrays of VARIANTs nest deeper than %d levels",
                  VariantHandler::kMaxDepth);
  elementHandler_.reset(new (std::nothrow) VariantHandler(depth_ + 1));
  *child = elementHandler_.get();
  return *child ? S_OK : E_OUTOFMEMORY;
}

HRESULT SAHandler::Characters(const wchar_t* text, int length) {
  if (!text || length <= 0) return S_OK;
  try {
    text_.append(text, static_cast<size_t>(length));
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT SAHandler::EndChildElement(ULONG id, SAXSchemaElementHandler* child) {
  if (id == kSADataElement) {
    PLAT_RETURN_IF_FAILED(CheckRoomForOneMore());
    const size_t size = ValueSize(vt_);
    try {
      elements_.resize(elements_.size() + size);  // zeroed: nothing to free on a failure
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    void* next = nullptr;
    const HRESULT hr =
        VariantValueFromText(text_.c_str(), vt_, elements_.data() + elements_.size() - size, &next);
    if (FAILED(hr)) {
      elements_.resize(elements_.size() - size);
      return RefuseValue(hr, text_.c_str(), vt_);
    }
    ++written_;
    return S_OK;
  }
  if (id != kVariantElement || !child || child != elementHandler_.get()) return E_INVALIDARG;
  const std::unique_ptr<VariantHandler> element = std::move(elementHandler_);
  PLAT_RETURN_IF_FAILED(CheckRoomForOneMore());
  try {
    elements_.resize(elements_.size() + sizeof(VARIANT));
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  VARIANT value = element->Detach();
  std::memcpy(elements_.data() + elements_.size() - sizeof(VARIANT), &value, sizeof(VARIANT));
  ++written_;
  return S_OK;
}

void SAHandler::AbandonChildElement(ULONG, SAXSchemaElementHandler* child) {
  if (child == elementHandler_.get()) elementHandler_.reset();
}

HRESULT SAHandler::EndElement(ULONG id) {
  if (id != kSafeArrayElement) return S_OK;
  if (!countGiven_ || !lboundGiven_ || !vt_)
    return Refuse(E_INVALIDARG, L"A SafeArray needs its count, lbound and type");
  if (static_cast<LONGLONG>(bound_.lLbound) + bound_.cElements - 1 > LONG_MAX)
    return Refuse(E_INVALIDARG, L"The SafeArray bounds are out of range");
  if (written_ != bound_.cElements)
    return Refuse(E_INVALIDARG, L"The SafeArray count %lu disagrees with the %lu elements present",
                  bound_.cElements, written_);
  return CreateArray();
}

// The elements move into the array: their strings and VARIANTs are its own from here.
HRESULT SAHandler::CreateArray() {
  plat::unique_safearray array(SafeArrayCreate(vt_, 1, &bound_));
  if (!array)
    return Refuse(E_OUTOFMEMORY, L"Could not create a SafeArray of %lu elements", bound_.cElements);
  if (written_) {
    plat::safearray_data<BYTE> data;
    PLAT_RETURN_IF_FAILED(data.access(array.get()));
    std::memcpy(data.get(), elements_.data(), elements_.size());
  }
  elements_.clear();
  written_ = 0;
  array_ = std::move(array);
  return S_OK;
}
