// The oracle: whether a reader's answer to an input is wrong, decided from a real parse of
// the input by the XML reader the module uses (with the module's settings), never from
// the mutator's own tag scan, which text inside attribute values or comments can fool.
#include <windows.h>
#include <shlwapi.h>

#include <handles.h>

#include "fuzz.h"
#include "wqmsxml.h"
#include "wqxmlsecurity.h"

#include <cstdio>

namespace fuzz {

namespace {

struct ParsedAttribute {
  std::wstring uri, local, qname, value;
};

struct ParsedElement {
  std::wstring uri, local, qname;
  std::vector<ParsedAttribute> attributes;
  int parent;
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
    open_.push_back(static_cast<int>(out_.elements.size() - 1));
    return S_OK;
  }
  STDMETHOD(endElement)(const WCHAR*, int, const WCHAR*, int, const WCHAR*, int) override {
    if (!open_.empty()) open_.pop_back();
    return S_OK;
  }
  STDMETHOD(characters)(const WCHAR*, int) override { return S_OK; }
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

// Parses as the module's readers do: the secured reader, the text up to its first null
// as UTF-16 behind a byte-order mark.
Parsed Parse(const std::wstring& xml) {
  Parsed parsed;
  plat::com_ptr<ISAXXMLReader> reader;
  if (FAILED(CoCreateInstance(__uuidof(SAXXMLReader60), nullptr, CLSCTX_ALL,
                              __uuidof(ISAXXMLReader), reader.put_void())) ||
      FAILED(WQSecureSAXReader(reader.get())))
    return parsed;
  const size_t length = wcslen(xml.c_str());
  std::wstring bytes = L"\xFEFF" + xml.substr(0, length);
  Collector collector(parsed);
  reader->putContentHandler(&collector);
  VARIANT source;
  plat::com_ptr<IStream> stream;
  plat::unique_bstr empty = plat::unique_bstr::copy(L"");
  if (length) {
    stream = plat::com_ptr<IStream>::attach(
        SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<UINT>(bytes.size() * sizeof(wchar_t))));
    if (!stream) return parsed;
    source.vt = VT_UNKNOWN;
    source.punkVal = stream.get();
  } else {
    source.vt = VT_BSTR;
    source.bstrVal = empty.get();
  }
  parsed.wellFormed = SUCCEEDED(reader->parse(source));
  reader->putContentHandler(nullptr);
  return parsed;
}

// Whether the DOM document the module loads a reply into takes the text, with the
// module's settings (a document type declaration is refused before the parser sees it).
bool DomLoads(const std::wstring& xml) {
  if (WQDeclaresDocumentType(xml.c_str())) return false;
  plat::com_ptr<IXMLDOMDocument> document;
  if (FAILED(CoCreateInstance(__uuidof(DOMDocument60), nullptr, CLSCTX_ALL,
                              __uuidof(IXMLDOMDocument), document.put_void())) ||
      FAILED(WQSecureDOMDocument(document.get())))
    return false;
  VARIANT_BOOL loaded = VARIANT_FALSE;
  plat::unique_bstr text = plat::unique_bstr::copy(xml.c_str());
  return SUCCEEDED(document->loadXML(text.get(), &loaded)) && loaded == VARIANT_TRUE;
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

}  // namespace

bool WrongAnswer(const Reader& reader, const Mutant& m, const ReaderResult& result,
                 const ReaderResult* before) {
  if (reader.anyAnswer) return false;
  if (m.oracle == Oracle::kSameAsSeed && before &&
      (SUCCEEDED(before->hr) != SUCCEEDED(result.hr) || before->shape != result.shape))
    return ScanWasRight(m, Parse(m.before));
  if (FAILED(result.hr)) return false;
  if (reader.dom) return !DomLoads(m.xml);
  const Parsed after = Parse(m.xml);
  if (!after.wellFormed) return true;  // an ill-formed reply answered with success
  if (m.oracle != Oracle::kBadVt && m.oracle != Oracle::kBadCount) return false;
  return ScanWasRight(m, Parse(m.before)) && VariantMustRefuse(m, after);
}

bool WellFormed(const Reader& reader, const std::wstring& xml) {
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
  return failures ? 1 : 0;
}

}  // namespace fuzz
