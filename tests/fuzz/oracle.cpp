// The oracle: whether a reader's answer to an input is wrong, decided from a real parse of
// the input by the XML reader the module uses (with the module's settings), never from
// the mutator's own tag scan, which text inside attribute values or comments can fool.
// The parser is given the bytes a sender would have sent, made here: nothing of the
// module's own reply handling takes part in the verdict on it.
#include <windows.h>
#include <shlwapi.h>

#include <handles.h>

#include "fuzz.h"
#include "wqmsxml.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <regex>

namespace fuzz {

namespace {

struct ParsedAttribute {
  std::wstring uri, local, qname, value;
};

struct ParsedElement {
  std::wstring uri, local, qname;
  std::vector<ParsedAttribute> attributes;
  int parent;
  std::wstring text;  // the characters directly inside it
  std::vector<size_t> children;
};

struct Parsed {
  bool wellFormed = false;
  std::vector<ParsedElement> elements;  // in document order

  const ParsedAttribute* Find(size_t element, const wchar_t* local) const {
    for (const ParsedAttribute& a : elements[element].attributes)
      if (a.uri.empty() && a.local == local) return &a;
    return nullptr;
  }
};

class Collector final : public ISAXContentHandler {
 public:
  explicit Collector(Parsed& out) : out_(out) {}
  STDMETHOD(QueryInterface)(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == __uuidof(ISAXContentHandler)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return 2; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
  STDMETHOD(putDocumentLocator)(ISAXLocator*) override { return S_OK; }
  STDMETHOD(startDocument)() override { return S_OK; }
  STDMETHOD(endDocument)() override { return S_OK; }
  STDMETHOD(startPrefixMapping)(const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  STDMETHOD(endPrefixMapping)(const WCHAR*, int) override { return S_OK; }
  STDMETHOD(startElement)
  (const WCHAR* uri, int uriLength, const WCHAR* local, int localLength, const WCHAR* qname,
   int qnameLength, ISAXAttributes* attributes) override {
    ParsedElement e{Text(uri, uriLength),
                    Text(local, localLength),
                    Text(qname, qnameLength),
                    {},
                    open_.empty() ? -1 : open_.back()};
    int count = 0;
    if (attributes) attributes->getLength(&count);
    for (int i = 0; i < count; ++i) {
      const WCHAR *aUri = nullptr, *aLocal = nullptr, *aQname = nullptr, *aValue = nullptr;
      int aUriLength = 0, aLocalLength = 0, aQnameLength = 0, aValueLength = 0;
      attributes->getName(i, &aUri, &aUriLength, &aLocal, &aLocalLength, &aQname, &aQnameLength);
      attributes->getValue(i, &aValue, &aValueLength);
      e.attributes.push_back({Text(aUri, aUriLength), Text(aLocal, aLocalLength),
                              Text(aQname, aQnameLength), Text(aValue, aValueLength)});
    }
    out_.elements.push_back(std::move(e));
    const size_t index = out_.elements.size() - 1;
    if (!open_.empty()) out_.elements[static_cast<size_t>(open_.back())].children.push_back(index);
    open_.push_back(static_cast<int>(index));
    return S_OK;
  }
  STDMETHOD(endElement)(const WCHAR*, int, const WCHAR*, int, const WCHAR*, int) override {
    if (!open_.empty()) open_.pop_back();
    return S_OK;
  }
  STDMETHOD(characters)(const WCHAR* text, int length) override {
    if (!open_.empty()) out_.elements[static_cast<size_t>(open_.back())].text += Text(text, length);
    return S_OK;
  }
  STDMETHOD(ignorableWhitespace)(const WCHAR*, int) override { return S_OK; }
  STDMETHOD(processingInstruction)(const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  STDMETHOD(skippedEntity)(const WCHAR*, int) override { return S_OK; }

 private:
  static std::wstring Text(const WCHAR* text, int length) {
    return text && length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
  }
  Parsed& out_;
  std::vector<int> open_;
};

// The reply as a sender would have sent it: UTF-8 bytes, a declared encoding named UTF-8
// (the text is decoded already: the name it carries says how it was sent, no longer what
// it is); UTF-16 behind a byte-order mark, named so, when it holds half a surrogate pair,
// which UTF-8 cannot carry. The text ends at its first null past one byte-order mark, as
// a reply does. The declaration is read by the XML rule (version first, then encoding,
// each value in either quote), not by the module's code.
class SentReply {
 public:
  explicit SentReply(const std::wstring& xml) {
    std::wstring text(xml.c_str() + (!xml.empty() && xml[0] == 0xFEFF ? 1 : 0));
    empty_ = text.empty();
    size_t begin = 0, end = 0;
    const bool named = DeclaredEncoding(text, begin, end);
    std::wstring utf8 = text;
    if (named) utf8.replace(begin, end - begin, L"UTF-8");
    const int size =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf8.data(),
                            static_cast<int>(utf8.size()), nullptr, 0, nullptr, nullptr);
    if (size > 0) {
      bytes_.resize(static_cast<size_t>(size));
      WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                          &bytes_[0], size, nullptr, nullptr);
      return;
    }
    if (named) text.replace(begin, end - begin, L"UTF-16");
    bytes_ = "\xFF\xFE";
    bytes_.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  }

  // The source to hand a parser: a stream of the bytes, or the empty string (a stream
  // of none is no document either, but a string is what a reply of none is given as).
  bool Source(plat::com_ptr<IStream>& stream, plat::unique_bstr& none, VARIANT& source) const {
    if (empty_) {
      none = plat::unique_bstr::copy(L"");
      source.vt = VT_BSTR;
      source.bstrVal = none.get();
      return true;
    }
    stream = plat::com_ptr<IStream>::attach(SHCreateMemStream(
        reinterpret_cast<const BYTE*>(bytes_.data()), static_cast<UINT>(bytes_.size())));
    source.vt = VT_UNKNOWN;
    source.punkVal = stream.get();
    return stream.get() != nullptr;
  }

 private:
  static bool DeclaredEncoding(const std::wstring& text, size_t& begin, size_t& end) {
    if (text.compare(0, 5, L"<?xml") != 0) return false;
    static const std::wregex declaration(
        L"^<\\?xml[ \t\r\n]+version[ \t\r\n]*=[ \t\r\n]*(\"[^\"]*\"|'[^']*')"
        L"[ \t\r\n]+encoding[ \t\r\n]*=[ \t\r\n]*(\"|')([A-Za-z][-A-Za-z0-9._]*)\\2");
    const std::wstring head = text.substr(0, 512);
    std::wsmatch match;
    if (!std::regex_search(head, match, declaration)) return false;
    begin = static_cast<size_t>(match.position(3));
    end = begin + static_cast<size_t>(match.length(3));
    return true;
  }

  std::string bytes_;
  bool empty_ = false;
};

// Parses with the reader the module uses, set up as the module sets it up (no document
// type, no external entities), from the bytes the reply was sent as.
Parsed Parse(const std::wstring& xml) {
  Parsed parsed;
  plat::com_ptr<ISAXXMLReader> reader;
  if (FAILED(CoCreateInstance(__uuidof(SAXXMLReader60), nullptr, CLSCTX_ALL,
                              __uuidof(ISAXXMLReader), reader.put_void())) ||
      FAILED(reader->putFeature(L"prohibit-dtd", VARIANT_TRUE)) ||
      FAILED(reader->putFeature(L"http://xml.org/sax/features/external-general-entities",
                                VARIANT_FALSE)) ||
      FAILED(reader->putFeature(L"http://xml.org/sax/features/external-parameter-entities",
                                VARIANT_FALSE)))
    return parsed;
  plat::com_ptr<IStream> stream;
  plat::unique_bstr none;
  VARIANT source;
  if (!SentReply(xml).Source(stream, none, source)) return parsed;
  Collector collector(parsed);
  reader->putContentHandler(&collector);
  parsed.wellFormed = SUCCEEDED(reader->parse(source));
  reader->putContentHandler(nullptr);
  return parsed;
}

// Whether the DOM document the module loads a reply into takes it, set up as the module
// sets it up: no document type (one that the parser lets pass counts as refused), no
// external resolution, no validation.
bool DomLoads(const std::wstring& xml) {
  plat::com_ptr<IXMLDOMDocument> document;
  plat::com_ptr<IXMLDOMDocument2> settings;
  VARIANT prohibit;
  prohibit.vt = VT_BOOL;
  prohibit.boolVal = VARIANT_TRUE;
  if (FAILED(CoCreateInstance(__uuidof(DOMDocument60), nullptr, CLSCTX_ALL,
                              __uuidof(IXMLDOMDocument), document.put_void())) ||
      FAILED(document->put_resolveExternals(VARIANT_FALSE)) ||
      FAILED(document->put_validateOnParse(VARIANT_FALSE)) ||
      FAILED(document->QueryInterface(__uuidof(IXMLDOMDocument2), settings.put_void())) ||
      FAILED(settings->setProperty(plat::unique_bstr::copy(L"ProhibitDTD").get(), prohibit)))
    return false;
  plat::com_ptr<IStream> stream;
  plat::unique_bstr none;
  VARIANT source;
  VARIANT_BOOL loaded = VARIANT_FALSE;
  if (!SentReply(xml).Source(stream, none, source)) return false;
  if (source.vt == VT_BSTR) {
    if (FAILED(document->loadXML(source.bstrVal, &loaded))) return false;
  } else if (FAILED(document->load(source, &loaded))) {
    return false;
  }
  plat::com_ptr<IXMLDOMDocumentType> type;
  return loaded == VARIANT_TRUE && document->get_doctype(type.put()) != S_OK;
}

bool IsNamespaceDeclaration(const std::wstring& qname) {
  return qname == L"xmlns" || qname.compare(0, 6, L"xmlns:") == 0;
}

// Whether the mutator's scan of the text it changed saw the elements the parser sees, and
// the target's attributes: only then did the mutation land where it meant to.
bool ScanWasRight(const Mutant& m, const Parsed& before) {
  if (!before.wellFormed || before.elements.size() != m.scanned.size() ||
      m.target >= before.elements.size())
    return false;
  for (size_t i = 0; i < m.scanned.size(); ++i)
    if (before.elements[i].qname != m.scanned[i]) return false;
  std::vector<std::wstring> parsed, scanned;
  for (const ParsedAttribute& a : before.elements[m.target].attributes)
    if (!IsNamespaceDeclaration(a.qname)) parsed.push_back(a.qname);
  for (const std::wstring& name : m.targetAttributes)
    if (!IsNamespaceDeclaration(name)) scanned.push_back(name);
  return parsed == scanned;
}

// Whether the VARIANT reader reads the element: every element from the document element
// down to it is one of the vocabulary's, in no namespace, where the vocabulary puts it
// (Variant, SafeArray, Variant, ...). Elsewhere the reader skips it by design.
bool VariantReads(const Parsed& parsed, size_t element) {
  std::vector<size_t> path;
  for (int i = static_cast<int>(element); i >= 0;
       i = parsed.elements[static_cast<size_t>(i)].parent)
    path.insert(path.begin(), static_cast<size_t>(i));
  for (size_t depth = 0; depth < path.size(); ++depth) {
    const ParsedElement& e = parsed.elements[path[depth]];
    if (!e.uri.empty() || e.local != (depth % 2 ? L"SafeArray" : L"Variant")) return false;
  }
  return true;
}

// Whether a well-formed input breaks the VARIANT vocabulary where the reader must refuse it.
bool VariantMustRefuse(const Mutant& m, const Parsed& after) {
  if (m.target >= after.elements.size() || !VariantReads(after, m.target)) return false;
  if (m.oracle == Oracle::kBadVt) {
    const ParsedAttribute* vt = after.Find(m.target, L"vt");
    return vt && vt->value == m.value;
  }
  const ParsedAttribute* count = after.Find(m.target, L"count");
  if (!count || count->value != m.value) return false;
  // The reader matches elements by their local name: a namespaced element may count or
  // not; the count must disagree either way.
  size_t plain = 0, all = 0;
  for (const ParsedElement& e : after.elements)
    if (e.parent == static_cast<int>(m.target) && (e.local == L"Variant" || e.local == L"SAData")) {
      ++all;
      plain += e.uri.empty();
    }
  return std::to_wstring(plain) != m.value && std::to_wstring(all) != m.value;
}

// ---------------------------------------------------------------- an independent reading

// The VARIANT a plain VARIANT reply holds, read from the parse alone, as the vocabulary
// defines it, to compare with what the module's reader made of the same input. "Plain":
// every element is the vocabulary's, in no namespace, where it belongs, every attribute
// one the element has, every number written plainly. Anything else makes no claim
// (false), so only a value that is certain is compared.
class IndependentVariant {
 public:
  explicit IndependentVariant(const Parsed& parsed) : parsed_(parsed) {}

  bool Read(VARIANT& out) { return !parsed_.elements.empty() && ReadVariant(0, out, 0); }

 private:
  static bool Blank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

  // Blank-separated whole numbers, each an optional sign and digits; a blank text is zeros.
  static bool Integers(const std::wstring& text, LONGLONG* out, int count) {
    size_t i = 0;
    while (i < text.size() && Blank(text[i])) ++i;
    if (i == text.size()) {
      for (int n = 0; n < count; ++n) out[n] = 0;
      return true;
    }
    for (int n = 0; n < count; ++n) {
      while (i < text.size() && Blank(text[i])) ++i;
      bool negative = false;
      if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
      const size_t digits = i;
      LONGLONG value = 0;
      for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > (1ll << 40)) return false;
      }
      if (i == digits) return false;
      out[n] = negative ? -value : value;
    }
    while (i < text.size() && Blank(text[i])) ++i;
    return i == text.size();
  }

  static bool InRange(const LONGLONG* values, int count, LONGLONG low, LONGLONG high) {
    for (int n = 0; n < count; ++n)
      if (values[n] < low || values[n] > high) return false;
    return true;
  }

  // A plain decimal fraction with an optional exponent, within the type's range.
  template <class T>
  static bool Real(const std::wstring& text, T& out) {
    size_t begin = 0, end = text.size();
    while (begin < end && Blank(text[begin])) ++begin;
    while (end > begin && Blank(text[end - 1])) --end;
    if (begin == end) {
      out = 0;
      return true;
    }
    const std::wstring number = text.substr(begin, end - begin);
    size_t i = number[0] == L'+' || number[0] == L'-' ? 1 : 0;
    size_t digits = 0;
    bool nonzero = false;
    for (; i < number.size() && iswdigit(number[i]); ++i, ++digits) nonzero |= number[i] != L'0';
    if (i < number.size() && number[i] == L'.')
      for (++i; i < number.size() && iswdigit(number[i]); ++i, ++digits)
        nonzero |= number[i] != L'0';
    if (!digits) return false;
    if (i < number.size() && (number[i] == L'e' || number[i] == L'E')) {
      ++i;
      if (i < number.size() && (number[i] == L'+' || number[i] == L'-')) ++i;
      const size_t exponent = i;
      while (i < number.size() && iswdigit(number[i])) ++i;
      if (i == exponent || i - exponent > 4) return false;
    }
    if (i != number.size()) return false;
    const double value = wcstod(number.c_str(), nullptr);
    const double limit = sizeof(T) == sizeof(float) ? 3.0e38 : 1.0e307;
    const double tiny = sizeof(T) == sizeof(float) ? 1.0e-37 : 1.0e-300;
    // Near the ends of the range (overflow, denormals) the readers may differ: no claim.
    if (!(value == value) || value > limit || value < -limit ||
        (nonzero && value < tiny && value > -tiny))
      return false;
    out = sizeof(T) == sizeof(float) ? static_cast<T>(wcstof(number.c_str(), nullptr))
                                     : static_cast<T>(value);
    return true;
  }

  // The value of `text` for `vt` into `storage` (the VARIANT for VT_DECIMAL, its value
  // member for the rest).
  static bool Value(const std::wstring& text, VARTYPE vt, BYTE* storage) {
    LONGLONG numbers[4] = {};
    switch (vt) {
      case VT_EMPTY:
      case VT_NULL: return true;
      case VT_UI1:
        if (!Integers(text, numbers, 1) || !InRange(numbers, 1, 0, 255)) return false;
        *storage = static_cast<BYTE>(numbers[0]);
        return true;
      case VT_I2: {
        if (!Integers(text, numbers, 1) || !InRange(numbers, 1, SHRT_MIN, SHRT_MAX)) return false;
        const SHORT value = static_cast<SHORT>(numbers[0]);
        std::memcpy(storage, &value, sizeof(value));
        return true;
      }
      case VT_I4:
      case VT_ERROR:
      case VT_CY:
      case VT_DECIMAL: {
        const int count = vt == VT_CY ? 2 : vt == VT_DECIMAL ? 4 : 1;
        if (!Integers(text, numbers, count) || !InRange(numbers, count, LONG_MIN, LONG_MAX))
          return false;
        for (int n = 0; n < count; ++n) {
          const LONG word = static_cast<LONG>(numbers[n]);
          std::memcpy(storage + n * sizeof(LONG), &word, sizeof(word));
        }
        return true;
      }
      case VT_R4: {
        float value = 0;
        if (!Real(text, value)) return false;
        std::memcpy(storage, &value, sizeof(value));
        return true;
      }
      case VT_R8:
      case VT_DATE: {
        double value = 0;
        if (!Real(text, value)) return false;
        std::memcpy(storage, &value, sizeof(value));
        return true;
      }
      case VT_BOOL: {
        VARIANT_BOOL value = VARIANT_FALSE;
        if (Integers(text, numbers, 1))
          value = numbers[0] == 1 ? VARIANT_TRUE : VARIANT_FALSE;
        else if (_wcsicmp(text.c_str(), L"true") == 0)
          value = VARIANT_TRUE;
        else if (_wcsicmp(text.c_str(), L"false") != 0)
          return false;
        std::memcpy(storage, &value, sizeof(value));
        return true;
      }
      case VT_BSTR: {
        BSTR value = SysAllocString(text.c_str());  // up to its first null, as the reader
        if (!value) return false;
        std::memcpy(storage, &value, sizeof(value));
        return true;
      }
      default: return false;
    }
  }

  // The types an array's elements may have.
  static bool ElementType(LONGLONG vt) {
    for (const VARTYPE allowed : {VT_UI1, VT_I2, VT_I4, VT_ERROR, VT_R4, VT_R8, VT_DATE, VT_CY,
                                  VT_DECIMAL, VT_BOOL, VT_BSTR, VT_VARIANT})
      if (vt == allowed) return true;
    return false;
  }

  // The element's attributes by name, only those `names` allows, each a plain number
  // where `numbers` says so; namespaced copies and declarations are not the element's own.
  bool Attributes(size_t element, std::initializer_list<const wchar_t*> names,
                  std::vector<const ParsedAttribute*>& found) const {
    const ParsedElement& e = parsed_.elements[element];
    found.assign(names.size(), nullptr);
    for (const ParsedAttribute& a : e.attributes) {
      if (!a.uri.empty() || IsDeclaration(a.qname)) continue;
      size_t n = 0;
      for (const wchar_t* name : names) {
        if (a.local == name) break;
        ++n;
      }
      if (n == names.size()) return false;
      found[n] = &a;
    }
    return true;
  }

  static bool IsDeclaration(const std::wstring& qname) {
    return qname == L"xmlns" || qname.compare(0, 6, L"xmlns:") == 0;
  }

  static bool Number(const ParsedAttribute* attribute, LONGLONG& out) {
    return attribute && Integers(attribute->value, &out, 1) && !attribute->value.empty();
  }

  bool Is(size_t element, const wchar_t* local) const {
    const ParsedElement& e = parsed_.elements[element];
    return e.uri.empty() && e.local == local && e.qname == local;
  }

  bool ReadVariant(size_t element, VARIANT& out, int depth) {
    std::vector<const ParsedAttribute*> a;
    if (!Is(element, L"Variant") || !Attributes(element, {L"vt", L"value"}, a)) return false;
    const ParsedElement& e = parsed_.elements[element];
    LONGLONG vt = VT_EMPTY;
    if (a[0] && !Number(a[0], vt)) return false;
    if (vt < 0 || vt > 0xFFFF) return false;
    if (vt & VT_ARRAY) {
      if (e.children.size() != 1) return false;
      return ReadArray(e.children[0], out, depth);
    }
    if (!e.children.empty()) return false;
    std::wstring text = a[1] ? a[1]->value : L"";
    text.resize(wcslen(text.c_str()));
    VARIANT value;
    VariantInit(&value);
    BYTE* storage =
        vt == VT_DECIMAL ? reinterpret_cast<BYTE*>(&value) : reinterpret_cast<BYTE*>(&value.lVal);
    if (!Value(text, static_cast<VARTYPE>(vt), storage)) return false;
    value.vt = static_cast<VARTYPE>(vt);
    out = value;
    return true;
  }

  // The array's own type makes the VARIANT's, whatever the Variant's "vt" said.
  bool ReadArray(size_t element, VARIANT& out, int depth) {
    std::vector<const ParsedAttribute*> a;
    LONGLONG type = 0, lbound = 0, count = 0;
    if (!Is(element, L"SafeArray") || !Attributes(element, {L"type", L"lbound", L"count"}, a) ||
        !Number(a[0], type) || !Number(a[1], lbound) || !Number(a[2], count))
      return false;
    const ParsedElement& e = parsed_.elements[element];
    if (!ElementType(type) || lbound < LONG_MIN || lbound > LONG_MAX || count < 0 || count > 4096 ||
        lbound + count - 1 > LONG_MAX || static_cast<size_t>(count) != e.children.size() ||
        depth + 1 > 32)
      return false;
    const VARTYPE vt = static_cast<VARTYPE>(type);
    SAFEARRAYBOUND bound{static_cast<ULONG>(count), static_cast<LONG>(lbound)};
    plat::unique_safearray array(SafeArrayCreate(vt, 1, &bound));
    if (!array) return false;
    plat::safearray_data<BYTE> data;
    const size_t size = SafeArrayGetElemsize(array.get());
    if (FAILED(data.access(array.get()))) return false;
    for (size_t i = 0; i < e.children.size(); ++i) {
      const size_t child = e.children[i];
      BYTE* item = data.get() + i * size;
      if (vt == VT_VARIANT) {
        if (!ReadVariant(child, *reinterpret_cast<VARIANT*>(item), depth + 1)) return false;
        continue;
      }
      std::vector<const ParsedAttribute*> none;
      if (!Is(child, L"SAData") || !Attributes(child, {}, none) ||
          !parsed_.elements[child].children.empty())
        return false;
      if (!Value(parsed_.elements[child].text, vt, item)) return false;
    }
    out.vt = static_cast<VARTYPE>(VT_ARRAY | vt);
    out.parray = array.release();
    return true;
  }

  const Parsed& parsed_;
};

// ---------------------------------------------------------------- number replies

bool IsReplyBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// The rule of number replies, read here apart from the module: a whole number that a long
// holds, blanks and line ends around it allowed, every character of the text counted (a null
// too); an empty text is 0. DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW for anything else.
HRESULT ExpectedNumber(const std::wstring& text, long& value) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsReplyBlank(text[begin])) ++begin;
  while (end > begin && IsReplyBlank(text[end - 1])) --end;
  value = 0;
  if (begin == end) return S_OK;
  const bool negative = text[begin] == L'-';
  if (text[begin] == L'-' || text[begin] == L'+') ++begin;
  if (begin == end) return DISP_E_TYPEMISMATCH;
  long long magnitude = 0;
  for (size_t i = begin; i < end; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return DISP_E_TYPEMISMATCH;
    if (magnitude <= 2147483648LL) magnitude = magnitude * 10 + (text[i] - L'0');
  }
  const long long number = negative ? -magnitude : magnitude;
  if (number < LONG_MIN || number > LONG_MAX) return DISP_E_OVERFLOW;
  value = static_cast<long>(number);
  return S_OK;
}

// A number reply answered otherwise than the rule reads it: taken when the rule refuses it,
// refused with another code, or read as another number.
bool NumberAnswerWrong(const std::wstring& text, const ReaderResult& result) {
  long value = 0;
  const HRESULT expected = ExpectedNumber(text, value);
  return result.hr != expected ||
         (SUCCEEDED(expected) && result.shape != L" " + std::to_wstring(value));
}

// ---------------------------------------------------------------- texts read

// Where `token` stands in a digest as a whole value (behind a blank, a quote or a bracket,
// before one or the end), and how often.
size_t TokenCount(const std::wstring& digest, const std::wstring& token, size_t& first) {
  const auto bounds = [](wchar_t c) { return c == L' ' || c == L'\'' || c == L'(' || c == L')'; };
  size_t count = 0;
  for (size_t at = digest.find(token); at != std::wstring::npos; at = digest.find(token, at + 1)) {
    const size_t after = at + token.size();
    if (at == 0 || !bounds(digest[at - 1]) || (after < digest.size() && !bounds(digest[after])))
      continue;
    if (!count++) first = at;
  }
  return count;
}

// Whether the parse holds `text` as an attribute's value (in no namespace) or as the whole
// text of an element, blanks around it aside.
bool HoldsText(const Parsed& parsed, const std::wstring& text) {
  for (const ParsedElement& e : parsed.elements) {
    for (const ParsedAttribute& a : e.attributes)
      if (a.uri.empty() && a.value == text) return true;
    const size_t begin = e.text.find_first_not_of(L" \t\r\n");
    if (begin != std::wstring::npos &&
        e.text.substr(begin, e.text.find_last_not_of(L" \t\r\n") + 1 - begin) == text)
      return true;
  }
  return false;
}

// A plain text the reader read changed to another: where both readings succeed, the answer
// is the one before with the new text in the old one's place. That the reader reads the text
// at all is known from a probe: the text before with a third value of the kind in the old
// one's place reads as the answer before with the probe in its place (an old value that
// stands in the answer by chance, from elsewhere, fails it).
bool TextReadWrong(const Reader& reader, const Mutant& m, const ReaderResult& result,
                   const ReaderResult* before) {
  const size_t place = m.before.find(m.replaced);
  if (!IsPlainText(m.replaced) || !IsPlainText(m.value) || place == std::wstring::npos ||
      m.before.find(m.replaced, place + 1) != std::wstring::npos)
    return false;
  ReaderResult own;
  if (!before) before = &(own = reader.read(m.before));
  size_t at = 0;
  if (FAILED(before->hr) || TokenCount(before->shape, m.replaced, at) != 1) return false;
  const Parsed parsed = Parse(m.before);
  if (!parsed.wellFormed || !HoldsText(parsed, m.replaced)) return false;
  const auto answerWith = [&](const std::wstring& text) {
    std::wstring answer = before->shape;
    return answer.replace(at, m.replaced.size(), text);
  };
  const std::wstring probe =
      m.value.find_first_not_of(L"0123456789") == std::wstring::npos ? L"8765" : L"Tprobex";
  std::wstring probed = m.before;
  probed.replace(place, m.replaced.size(), probe);
  const ReaderResult read = reader.read(probed);
  if (FAILED(read.hr) || read.shape != answerWith(probe)) return false;
  return answerWith(m.value) != result.shape;
}

// The digest of the independent reading of a plain VARIANT reply; false for no claim.
bool ExpectedVariantShape(const Parsed& parsed, std::wstring& shape) {
  plat::unique_variant value;
  if (!IndependentVariant(parsed).Read(value)) return false;
  shape = VariantShape(value);
  return true;
}

}  // namespace

bool WrongAnswer(const Reader& reader, const Mutant& m, const ReaderResult& result,
                 const ReaderResult* before) {
  if (reader.anyAnswer) return false;
  if (reader.number) return NumberAnswerWrong(m.xml, result);
  // Where both succeed, they must have read the same values.
  if (m.oracle == Oracle::kSameAsSeed && before &&
      (SUCCEEDED(before->hr) != SUCCEEDED(result.hr) ||
       (SUCCEEDED(result.hr) && before->shape != result.shape)))
    return ScanWasRight(m, Parse(m.before));
  if (FAILED(result.hr)) return false;
  if (reader.dom) return !DomLoads(m.xml);
  const Parsed after = Parse(m.xml);
  if (!after.wellFormed) return true;  // an ill-formed reply answered with success
  // A plain VARIANT reply read as other values than an independent reading finds.
  std::wstring expected;
  if (reader.independent && ExpectedVariantShape(after, expected) && expected != result.shape)
    return true;
  if (m.oracle == Oracle::kTextRead) return TextReadWrong(reader, m, result, before);
  if (m.oracle != Oracle::kBadVt && m.oracle != Oracle::kBadCount) return false;
  return ScanWasRight(m, Parse(m.before)) && VariantMustRefuse(m, after);
}

bool WellFormed(const Reader& reader, const std::wstring& xml) {
  long number = 0;
  if (reader.number) return SUCCEEDED(ExpectedNumber(xml, number));
  return reader.dom ? DomLoads(xml) : Parse(xml).wellFormed;
}

// Inputs of seed 2026 on which the oracle once erred, and inputs it must catch, answered
// as a reader that accepts everything would answer them.
int CheckOracle(const Reader* (*find)(const std::string&)) {
  struct Case {
    const char* format;
    uint64_t index;
    bool pretend;  // answer as if the reader had taken the input
    bool wrong;    // the oracle's verdict
    const char* why;
  };
  const Case cases[] = {
      {"activeholds", 36395, false, false, "a '>' in an attribute value misled the scan"},
      {"compactpipe", 44596, false, false, "the truncation left a whole reply"},
      {"listclasses", 64659, false, false, "the truncation left a reply of another vocabulary"},
      {"variant", 49910, false, false, "a bad vt below a renamed document element"},
      {"variant", 70, true, true, "an ill-formed reply taken"},
      {"variant", 12, true, true, "a bad vt where the reader reads it"},
      {"variant", 124, true, true, "a wrong count where the reader reads it"},
      {"variant", 188, true, true, "a namespaced attribute that changed the answer"},
  };
  int failures = 0;
  for (const Case& c : cases) {
    const Reader* reader = find(c.format);
    if (!reader) return 2;
    const Mutant m = Mutate(*reader, 2026, c.index);
    ReaderResult result = reader->read(m.xml), before = reader->read(m.before);
    if (c.pretend) {
      result.hr = m.oracle == Oracle::kSameAsSeed ? E_FAIL : S_OK;
      result.shape.clear();
    }
    const bool wrong = WrongAnswer(*reader, m, result, &before);
    printf("%s %llu (%s): %s\n", c.format, static_cast<unsigned long long>(c.index), c.why,
           wrong == c.wrong ? "ok" : "WRONG VERDICT");
    failures += wrong != c.wrong;
  }
  // The VARIANT seed read as it is, and as a reader one off in an integer would read it.
  const Reader* variant = find("variant");
  if (!variant) return 2;
  Mutant seed;
  seed.xml = variant->seed;
  ReaderResult read = variant->read(seed.xml);
  const bool rightTaken = !WrongAnswer(*variant, seed, read, nullptr);
  const size_t integer = read.shape.find(L"(3 '42')");
  if (integer != std::wstring::npos) read.shape.replace(integer, 8, L"(3 '43')");
  const bool offCaught =
      integer != std::wstring::npos && WrongAnswer(*variant, seed, read, nullptr);
  printf("variant seed (read right): %s\nvariant seed (an integer one off): %s\n",
         rightTaken ? "ok" : "WRONG VERDICT", offCaught ? "ok" : "WRONG VERDICT");
  failures += !rightTaken + !offCaught;
  // A reply sent with an XML declaration in front reads as it did without one, whatever
  // encoding it names and in either quote: refusing it is wrong, taking it is right.
  for (const wchar_t* declared : {L"encoding='windows-1252'", L"encoding=\"UTF-8\"",
                                  L"encoding='UTF-8'", L"encoding=\"ISO-8859-1\""}) {
    Mutant m;
    for (uint64_t index = 0; index < 20000; ++index) {
      m = Mutate(*variant, 2026, index);
      if (m.oracle == Oracle::kSameAsSeed && m.xml.find(declared) != std::wstring::npos &&
          SUCCEEDED(variant->read(m.before).hr))
        break;
      m = Mutant();
    }
    ReaderResult before = variant->read(m.before), refused = before;
    refused.hr = E_FAIL;
    const bool caught = !m.xml.empty() && WrongAnswer(*variant, m, refused, &before) &&
                        !WrongAnswer(*variant, m, before, &before);
    printf("a declaration naming %ls, refused: %s\n", declared, caught ? "ok" : "WRONG VERDICT");
    failures += !caught;
  }
  // A number reply is read by its rule, every character counted; a text read and changed
  // must stand changed in the answer, which a reader that skips it does not give.
  const Reader* number = find("numberreply");
  const Reader* listCases = find("listcases");
  if (!number || !listCases) return 2;
  const struct {
    std::wstring reply;
    HRESULT hr;
    const wchar_t* shape;
    bool wrong;
  } replies[] = {{L"\t12 ", S_OK, L" 12", false},
                 {L"12abc", S_OK, L" 12", true},
                 {L"12abc", DISP_E_TYPEMISMATCH, L"", false},
                 {{L"12\0x", 4}, S_OK, L" 12", true},
                 {L"", S_OK, L" 0", false},
                 {L"2147483648", S_OK, L" 0", true}};
  for (const auto& r : replies) {
    Mutant m;
    m.xml = r.reply;
    ReaderResult answer;
    answer.hr = r.hr;
    answer.shape = r.shape;
    const bool right = WrongAnswer(*number, m, answer, nullptr) == r.wrong;
    printf("number reply %ls answered 0x%08lx: %s\n", r.reply.c_str(),
           static_cast<unsigned long>(r.hr), right ? "ok" : "WRONG VERDICT");
    failures += !right;
  }
  bool claimed = false;
  for (uint64_t index = 0; index < 2000 && !claimed; ++index) {
    const Mutant m = Mutate(*listCases, 2026, index);
    if (m.oracle != Oracle::kTextRead) continue;
    const ReaderResult before = listCases->read(m.before), read = listCases->read(m.xml);
    ReaderResult skipped = before;
    skipped.shape.clear();
    if (FAILED(before.hr) || FAILED(read.hr) || !WrongAnswer(*listCases, m, skipped, &before))
      continue;
    claimed = true;
    const bool right = !WrongAnswer(*listCases, m, read, &before);
    printf("listcases %llu (a text read, changed): %s\n", static_cast<unsigned long long>(index),
           right ? "ok" : "WRONG VERDICT");
    failures += !right;
  }
  printf("a text read and skipped: %s\n", claimed ? "ok" : "WRONG VERDICT");
  failures += !claimed;
  return failures ? 1 : 0;
}

}  // namespace fuzz
