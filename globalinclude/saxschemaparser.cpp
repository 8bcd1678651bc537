#include "saxschemaparser.h"

#include <comobject.h>

#include "wqmsxml.h"
#include "wqxmlsecurity.h"
#include "wqxmltext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <clocale>
#include <utility>
#include <vector>

#include "wqarray.h"
#include "wqstring.h"

namespace {

bool IsSimpleKind(ULONG kind) { return kind >= kSchemaStringElement && kind <= kSchemaBoolElement; }
bool IsAttributeKind(ULONG kind) {
  return kind >= kSchemaStringAttribute && kind <= kSchemaBoolAttribute;
}

// A SAX name is counted and need not be 0-terminated; a table name's length is known.
bool NameEquals(const wchar_t* tableName, size_t tableLength, const wchar_t* name, int length,
                bool ignoreCase) {
  if (!tableName || !name || length <= 0 || tableLength != static_cast<size_t>(length))
    return false;
  return (ignoreCase ? _wcsnicmp(tableName, name, tableLength)
                     : wmemcmp(tableName, name, tableLength)) == 0;
}

bool IsChildAllowed(const SAXSchemaEntry* parent, const SAXSchemaEntry* child) {
  if (parent->kind == kSchemaStart) return true;
  if (parent->kind != kSchemaElement) return false;
  for (const SAXSchemaEntry* e = parent + 1; e->kind != kSchemaEndBlock && e->kind != kSchemaEnd;
       ++e)
    if (e->kind == kSchemaChild && e->id == child->id) return true;
  return false;
}

bool IsNamespaceDeclaration(const wchar_t* qName, int length) {
  return qName && length >= 5 && wcsncmp(qName, L"xmlns", 5) == 0 &&
         (length == 5 || qName[5] == L':');
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// The text without surrounding blanks, as [begin, end).
void Trim(const wchar_t* text, size_t length, const wchar_t*& begin, const wchar_t*& end) {
  begin = text;
  end = text + length;
  while (begin < end && IsBlank(*begin)) ++begin;
  while (end > begin && IsBlank(end[-1])) --end;
}

HRESULT ParseInteger(const wchar_t* begin, const wchar_t* end, LONG& out) {
  bool negative = false;
  if (*begin == L'+' || *begin == L'-') negative = *begin++ == L'-';
  if (begin == end) return DISP_E_TYPEMISMATCH;
  long long value = 0;
  for (const wchar_t* p = begin; p != end; ++p) {
    if (*p < L'0' || *p > L'9') return DISP_E_TYPEMISMATCH;
    // The digits past any long are still read, to tell a number from a text.
    if (value <= 2147483648LL) value = value * 10 + (*p - L'0');
  }
  if (value > 2147483648LL) return DISP_E_OVERFLOW;
  if (negative) value = -value;
  if (value > 2147483647LL) return DISP_E_OVERFLOW;
  out = static_cast<LONG>(value);
  return S_OK;
}

// Replies write '.' as the decimal point; the runtime reads with its locale's.
HRESULT ParseReal(const wchar_t* begin, const wchar_t* end, double& out) {
  constexpr size_t kMaxLength = 63;
  const size_t length = static_cast<size_t>(end - begin);
  for (const wchar_t* p = begin; p != end; ++p)
    if (!iswdigit(*p) && *p != L'.' && *p != L'+' && *p != L'-' && *p != L'e' && *p != L'E')
      return DISP_E_TYPEMISMATCH;
  if (length > kMaxLength) return DISP_E_OVERFLOW;
  const lconv* conv = localeconv();
  const wchar_t point = conv && conv->decimal_point && *conv->decimal_point
                            ? static_cast<wchar_t>(static_cast<unsigned char>(*conv->decimal_point))
                            : L'.';
  wchar_t copy[kMaxLength + 1];
  for (size_t i = 0; i < length; ++i) copy[i] = begin[i] == L'.' ? point : begin[i];
  copy[length] = L'\0';
  wchar_t* stop = nullptr;
  const double value = wcstod(copy, &stop);
  if (stop != copy + length) return DISP_E_TYPEMISMATCH;
  if (!std::isfinite(value)) return DISP_E_OVERFLOW;
  out = value;
  return S_OK;
}

// The words are ASCII letters and digits, and no other character folds to one of their
// letters, so folding ASCII alone gives what a case-blind compare of the runtime gives.
HRESULT ParseBoolean(const wchar_t* begin, const wchar_t* end, bool& out) {
  static constexpr const wchar_t* kTrue[] = {L"1", L"true", L"on", L"yes", L"t"};
  static constexpr const wchar_t* kFalse[] = {L"0", L"false", L"off", L"no", L"f"};
  const size_t length = static_cast<size_t>(end - begin);
  const auto matches = [&](const wchar_t* word) {
    size_t i = 0;
    for (; i < length && word[i]; ++i) {
      const wchar_t c = begin[i] >= L'A' && begin[i] <= L'Z' ? begin[i] - L'A' + L'a' : begin[i];
      if (c != word[i]) return false;
    }
    return i == length && !word[i];
  };
  for (const wchar_t* word : kTrue)
    if (matches(word)) return out = true, S_OK;
  for (const wchar_t* word : kFalse)
    if (matches(word)) return out = false, S_OK;
  return DISP_E_TYPEMISMATCH;
}

// A number or boolean from a counted text; the text need not end in a null.
HRESULT ConvertText(const wchar_t* text, size_t length, ULONG type, SAXSchemaValue& out) {
  out.type = type;
  out.missing = false;
  if (type == SAXSchemaValue::kString || type > SAXSchemaValue::kBoolean) return E_FAIL;
  const wchar_t* begin;
  const wchar_t* end;
  Trim(text, length, begin, end);
  out.missing = begin == end;
  switch (type) {
    case SAXSchemaValue::kReal:
      out.real = 0;
      return out.missing ? S_OK : ParseReal(begin, end, out.real);
    case SAXSchemaValue::kInteger:
      out.integer = 0;
      return out.missing ? S_OK : ParseInteger(begin, end, out.integer);
    default: out.boolean = false; return out.missing ? S_OK : ParseBoolean(begin, end, out.boolean);
  }
}

const wchar_t* TypeText(ULONG type) {
  switch (type) {
    case SAXSchemaValue::kReal: return L"a real number";
    case SAXSchemaValue::kInteger: return L"an integer";
    case SAXSchemaValue::kBoolean: return L"a boolean";
    default: return L"a string";
  }
}

// Installs the error of a value that could not be converted and returns its code.
HRESULT ReportBadValue(HRESULT hr, const wchar_t* what, const wchar_t* name, int nameLength,
                       const wchar_t* text, ULONG type) {
  WQComException error;
  if (hr == DISP_E_OVERFLOW)
    error.SetErrorHr(hr, L"The value '%.64ls' of %ls %.*ls is out of range for %ls", text, what,
                     nameLength, name, TypeText(type));
  else if (hr == DISP_E_TYPEMISMATCH)
    error.SetErrorHr(hr, L"The value '%.64ls' of %ls %.*ls is not %ls", text, what, nameLength,
                     name, TypeText(type));
  else
    error.SetErrorHr(hr, L"Unknown data type specified for conversion");
  return error.ReturnHResult();
}

}  // namespace

// ---------------------------------------------------------------- SAXSchemaValue

HRESULT SAXSchemaValue::FromText(const wchar_t* text, ULONG type, SAXSchemaValue& out) {
  return FromText(text, text ? wcslen(text) : 0, type, out);
}

HRESULT SAXSchemaValue::FromText(const wchar_t* text, size_t length, ULONG type,
                                 SAXSchemaValue& out) {
  if (!text) text = L"", length = 0;
  if (type == kString) {
    out.type = type;
    out.missing = false;
    out.text = text;
    return S_OK;
  }
  return ConvertText(text, length, type, out);
}

LONG SAXSchemaValue::GetLong() const {
  switch (type) {
    case kInteger: return integer;
    case kBoolean: return boolean ? 1 : 0;
    case kReal: return static_cast<LONG>(real);
    default: return text ? _wtol(text) : 0;
  }
}

double SAXSchemaValue::GetDouble() const {
  switch (type) {
    case kReal: return real;
    case kInteger: return integer;
    case kBoolean: return boolean ? 1 : 0;
    default: return 0;
  }
}

bool SAXSchemaValue::GetBool() const {
  switch (type) {
    case kBoolean: return boolean;
    case kInteger: return integer != 0;
    case kReal: return real != 0;
    default: return false;
  }
}

const wchar_t* SAXSchemaValue::GetString() const { return type == kString && text ? text : L""; }

// ---------------------------------------------------------------- the engine

namespace SAXSchemaParserImpl {

void WQSAXAbortException::ThrowIfFailed() {
  if (GetHResult() == WQ_E_SAXABORT) throw WQSAXAbortException(*this);
  if (Failed()) Throw();
}

void WQSAXAbortException::Abort() {
  WQSAXAbortException abort;
  abort = WQ_E_SAXABORT;
  throw abort;
}

// A handler's HRESULT as an exception (the abort code as WQSAXAbortException).
[[noreturn]] void Fail(HRESULT hr) {
  WQSAXAbortException error;
  error = hr;
  error.ThrowIfFailed();
  throw error;  // not reached: hr is a failure
}

inline void Check(HRESULT hr) {
  if (FAILED(hr)) Fail(hr);
}

// Handles a whole subtree that no handler wants.
class IgnoreElementHandler final : public SAXSchemaElementHandler {
 public:
  HRESULT StartElement(ULONG) override { return S_OK; }
  HRESULT EndElement(ULONG) override { return S_OK; }
  HRESULT GetChildHandler(ULONG, SAXSchemaElementHandler** child) override {
    *child = this;
    return S_OK;
  }
  HRESULT EndChildElement(ULONG, SAXSchemaElementHandler*) override { return S_OK; }
  HRESULT SetAttribute(ULONG, const SAXSchemaValue&) override { return S_OK; }
  HRESULT SetChildValue(ULONG, const SAXSchemaValue&) override { return S_OK; }
  HRESULT Characters(const wchar_t*, int) override { return S_OK; }
  void AbandonChildElement(ULONG, SAXSchemaElementHandler*) override {}
};

// Collects the text of a simple element and hands its typed value to the parent.
class SimpleElementHandler final : public SAXSchemaElementHandler {
 public:
  void Reset(SAXSchemaElementHandler* parent, const SAXSchemaEntry* entry) {
    parent_ = parent;
    entry_ = entry;
    text_.Clear();
  }

  HRESULT StartElement(ULONG) override {
    text_.Clear();
    return S_OK;
  }
  // The reader hands text over in pieces (one per entity or character reference).
  HRESULT Characters(const wchar_t* text, int length) override {
    if (text && length > 0) text_.Append(text, static_cast<size_t>(length));
    return S_OK;
  }
  HRESULT EndElement(ULONG) override {
    const ULONG type = entry_->kind - kSchemaStringElement;
    SAXSchemaValue value;
    const HRESULT hr = SAXSchemaValue::FromText(text_.GetString(), text_.GetLength(), type, value);
    if (FAILED(hr))
      return ReportBadValue(hr, L"element", entry_->name, static_cast<int>(wcslen(entry_->name)),
                            text_.GetString(), type);
    return parent_ ? parent_->SetChildValue(entry_->id, value) : S_OK;
  }
  HRESULT GetChildHandler(ULONG, SAXSchemaElementHandler**) override { return E_INVALIDARG; }
  HRESULT EndChildElement(ULONG, SAXSchemaElementHandler*) override { return E_INVALIDARG; }
  HRESULT SetAttribute(ULONG, const SAXSchemaValue&) override { return E_INVALIDARG; }
  HRESULT SetChildValue(ULONG, const SAXSchemaValue&) override { return E_INVALIDARG; }
  void AbandonChildElement(ULONG, SAXSchemaElementHandler*) override {}

 private:
  SAXSchemaElementHandler* parent_ = nullptr;
  const SAXSchemaEntry* entry_ = nullptr;
  WQStringBuffer text_;
};

// An attribute of an element's block, with what matching a name against it needs.
struct AttributeRule {
  const wchar_t* name;
  size_t length;
  ULONG id;
  ULONG type;    // a SAXSchemaValue::Type
  size_t first;  // the element's first rule of the same id: a repeat is one of the id
};

struct ElementFrame {
  const SAXSchemaEntry* entry;  // null inside a skipped subtree
  SAXSchemaElementHandler* handler;
};

// The first failure of a parse, kept apart from the thread's error info, which the
// reader may change before the parse returns.
struct ErrorInfoRecord {
  HRESULT hr = S_OK;
  plat::com_ptr<IErrorInfo> info;
};

class ContentHandler
    : public plat::Implements<ContentHandler, ISAXContentHandler, ISAXErrorHandler> {
 public:
  explicit ContentHandler(const SAXSchemaEntry* schema);

  void SetOptions(bool ignoreCase, bool tolerateUnknown) {
    ignoreCase_ = ignoreCase;
    tolerateUnknown_ = tolerateUnknown;
  }
  bool IsAborted() const { return aborted_; }

  // Parses with `root` as the handler of the document element's parent. The result
  // comes with its error info installed.
  HRESULT Parse(SAXSchemaElementHandler* root, BSTR source, bool isURL);

  // ISAXContentHandler
  STDMETHOD(putDocumentLocator)(ISAXLocator* locator) override {
    locator_ = plat::com_ptr<ISAXLocator>(locator);
    return S_OK;
  }
  STDMETHOD(startDocument)() override { return S_OK; }
  STDMETHOD(endDocument)() override { return S_OK; }
  STDMETHOD(startPrefixMapping)(const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  STDMETHOD(endPrefixMapping)(const WCHAR*, int) override { return S_OK; }
  STDMETHOD(startElement)
  (const WCHAR* uri, int uriLength, const WCHAR* localName, int localNameLength, const WCHAR* qName,
   int qNameLength, ISAXAttributes* attributes) override {
    return Guard(L"SAXSchemaParser::startElement()", localName, localNameLength,
                 [&] { OnStartElement(localName, localNameLength, attributes); });
  }
  STDMETHOD(endElement)
  (const WCHAR* uri, int uriLength, const WCHAR* localName, int localNameLength, const WCHAR* qName,
   int qNameLength) override {
    return Guard(L"SAXSchemaParser::endElement()", localName, localNameLength,
                 [&] { OnEndElement(); });
  }
  STDMETHOD(characters)(const WCHAR* text, int length) override {
    return Guard(nullptr, nullptr, 0, [&] {
      if (stack_.GetCount() == 0) return;
      if (SAXSchemaElementHandler* handler = Top().handler)
        Check(handler->Characters(text, length));
    });
  }
  STDMETHOD(ignorableWhitespace)(const WCHAR*, int) override { return S_OK; }
  STDMETHOD(processingInstruction)(const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  STDMETHOD(skippedEntity)(const WCHAR*, int) override { return S_OK; }

  // ISAXErrorHandler
  STDMETHOD(error)(ISAXLocator* locator, const WCHAR* message, HRESULT code) override {
    return RecordReaderError(locator, message, code, L"MSXML Error: %ls");
  }
  STDMETHOD(fatalError)(ISAXLocator* locator, const WCHAR* message, HRESULT code) override {
    return RecordReaderError(locator, message, code, L"MSXML Fatal error: %ls");
  }
  STDMETHOD(ignorableWarning)(ISAXLocator*, const WCHAR*, HRESULT) override { return S_OK; }

 private:
  ElementFrame& Top() { return stack_[stack_.GetCount() - 1]; }

  template <class Body>
  HRESULT Guard(const wchar_t* method, const wchar_t* name, int nameLength, Body&& body) noexcept;
  HRESULT Recover(const wchar_t* method, const wchar_t* name, int nameLength) noexcept;
  void Describe(WQComException& error, WQStringBuffer& activity, const wchar_t* method,
                const wchar_t* name, int nameLength);
  HRESULT Record(WQComException& error);
  HRESULT Abort() noexcept;
  void AbandonFrames() noexcept;
  HRESULT RecordReaderError(ISAXLocator* locator, const WCHAR* message, HRESULT code,
                            const wchar_t* format) noexcept;

  const SAXSchemaEntry* FindElement(const wchar_t* name, int length) const;
  void OnStartElement(const wchar_t* name, int length, ISAXAttributes* attributes);
  void SetAttributes(const ElementFrame& frame, ISAXAttributes* attributes);
  void OnEndElement();

  const SAXSchemaEntry* schema_;
  // Worked out once per schema: the attribute rules of every element, and for each
  // table entry where its element's rules begin and end.
  std::vector<AttributeRule> rules_;
  std::vector<std::pair<size_t, size_t>> elementRules_;
  std::vector<std::pair<const SAXSchemaEntry*, size_t>> elements_;  // with their names' lengths
  // When a rule's id was last seen: at the stamp of the element being started.
  std::vector<unsigned> ruleSeen_;
  unsigned stamp_ = 0;
  plat::com_ptr<ISAXLocator> locator_;
  bool ignoreCase_ = false;
  bool tolerateUnknown_ = true;
  bool aborted_ = false;
  ErrorInfoRecord firstError_;
  SimpleElementHandler simple_;
  IgnoreElementHandler ignore_;
  WQArray<ElementFrame> stack_;
};

ContentHandler::ContentHandler(const SAXSchemaEntry* schema) : schema_(schema) {
  size_t count = 1;
  while (schema[count - 1].kind != kSchemaEnd) ++count;
  elementRules_.resize(count);
  for (size_t i = 0; i < count; ++i) {
    if (schema[i].kind == kSchemaElement || IsSimpleKind(schema[i].kind))
      elements_.emplace_back(schema + i, schema[i].name ? wcslen(schema[i].name) : 0);
    if (schema[i].kind != kSchemaElement) continue;
    const size_t begin = rules_.size();
    for (const SAXSchemaEntry* e = schema + i + 1;
         e->kind != kSchemaEndBlock && e->kind != kSchemaEnd; ++e) {
      if (!IsAttributeKind(e->kind)) continue;
      size_t first = rules_.size();
      for (size_t j = begin; j < rules_.size(); ++j)
        if (rules_[j].id == e->id) {
          first = j;
          break;
        }
      rules_.push_back(
          {e->name, e->name ? wcslen(e->name) : 0, e->id, e->kind - kSchemaStringAttribute, first});
    }
    elementRules_[i] = {begin, rules_.size()};
  }
  ruleSeen_.assign(rules_.size(), 0);
}

// Every callback ends here: nothing is thrown back into the reader. A failure gets an
// element naming the SAX element and its position in front of its chain and becomes
// the parse's first error; an abort unwinds the open elements.
template <class Body>
HRESULT ContentHandler::Guard(const wchar_t* method, const wchar_t* name, int nameLength,
                              Body&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (...) {
    return Recover(method, name, nameLength);
  }
}

// The failure a callback is handling, rethrown to be told apart; kept out of Guard so
// that a callback that succeeds makes no error objects.
HRESULT ContentHandler::Recover(const wchar_t* method, const wchar_t* name,
                                int nameLength) noexcept {
  wchar_t storage[128];
  WQStringBuffer activity(storage);
  WQComException error;
  bool abort = false;
  try {
    throw;
  } catch (WQComException& caught) {
    abort = caught.GetHResult() == WQ_E_SAXABORT;
    if (!abort) {
      Describe(error, activity, method, name, nameLength);
      error.CatchComException(WQ_HERE, caught);
    }
  } catch (const _com_error& caught) {
    abort = caught.Error() == WQ_E_SAXABORT;
    if (!abort) {
      Describe(error, activity, method, name, nameLength);
      error.CatchComError(WQ_HERE, caught);
    }
  } catch (...) {
    Describe(error, activity, method, name, nameLength);
    error.CatchUnhandled(WQ_HERE);
  }
  if (abort) return Abort();
  return Record(error);
}

void ContentHandler::Describe(WQComException& error, WQStringBuffer& activity,
                              const wchar_t* method, const wchar_t* name, int nameLength) {
  if (!method) return;
  error.EnterMethod(method, 0);
  activity.Assign(L"Parsing element ");
  if (name && nameLength > 0) activity.Append(name, static_cast<size_t>(nameLength));
  if (locator_) {
    int line = 0;
    int column = 0;
    locator_->getLineNumber(&line);
    locator_->getColumnNumber(&column);
    wchar_t position[64];
    _snwprintf(position, 64, L"(Ln %d, Col %d)", line, column);
    position[63] = L'\0';
    activity.Append(position);
  }
  error.SetActivity(activity);
}

HRESULT ContentHandler::Record(WQComException& error) {
  firstError_.hr = error.GetHResult();
  firstError_.info = plat::com_ptr<IErrorInfo>(error.GetHeldErrorInfo());
  return error.ReturnHResult();
}

// Calls one handler operation during unwinding, where nothing may escape.
template <class Call>
HRESULT CallQuietly(Call&& call) noexcept {
  try {
    return call();
  } catch (WQComException& caught) {
    return caught.ReturnHResult();
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// Ends every open element as if its end tag had come, innermost first.
HRESULT ContentHandler::Abort() noexcept {
  aborted_ = true;
  firstError_.hr = WQ_E_SAXABORT;
  firstError_.info.reset();
  HRESULT result = WQ_E_SAXABORT;
  const auto note = [&](HRESULT hr) {
    if (FAILED(hr) && hr != WQ_E_SAXABORT && result == WQ_E_SAXABORT) {
      result = hr;
      WQComException failure;
      failure = hr;
      Record(failure);
    }
  };
  while (stack_.GetCount() > 1) {
    const ElementFrame frame = Top();
    if (frame.entry && frame.handler)
      note(CallQuietly([&] { return frame.handler->EndElement(frame.entry->id); }));
    stack_.RemoveAt(stack_.GetCount() - 1);
    SAXSchemaElementHandler* parent = Top().handler;
    if (frame.entry && frame.entry->kind == kSchemaElement && parent)
      note(CallQuietly([&] { return parent->EndChildElement(frame.entry->id, frame.handler); }));
  }
  stack_.RemoveAll();
  return result;
}

// A failed parse leaves open elements behind: their handlers go back to the parents that
// gave them, and the stack starts empty for the next parse.
void ContentHandler::AbandonFrames() noexcept {
  for (int i = stack_.GetCount() - 1; i > 0; --i) {
    const ElementFrame& frame = stack_[i];
    SAXSchemaElementHandler* parent = stack_[i - 1].handler;
    if (!frame.entry || frame.entry->kind != kSchemaElement || !frame.handler || !parent ||
        frame.handler == parent)
      continue;
    try {
      parent->AbandonChildElement(frame.entry->id, frame.handler);
    } catch (...) {
    }
  }
  stack_.RemoveAll();
}

HRESULT ContentHandler::RecordReaderError(ISAXLocator* locator, const WCHAR* message, HRESULT code,
                                          const wchar_t* format) noexcept {
  if (FAILED(firstError_.hr)) return code;
  if (code == WQ_E_SAXABORT) {
    firstError_.hr = code;
    return code;
  }
  try {
    wchar_t activity[64] = L"";
    if (locator) {
      int line = 0;
      int column = 0;
      locator->getLineNumber(&line);
      locator->getColumnNumber(&column);
      _snwprintf(activity, 64, L"Parsing XML (Ln %d, Col %d)", line, column);
      activity[63] = L'\0';
    }
    // The reader's message ends in a line break; an error element is one line.
    const wchar_t* text = message ? message : L"";
    size_t length = wcslen(text);
    while (length && IsBlank(text[length - 1])) --length;
    wchar_t storage[256];
    WQStringBuffer line(storage);
    for (size_t i = 0; i < length; ++i)
      line.AppendChar(text[i] == L'\r' || text[i] == L'\n' ? L' ' : text[i]);
    WQComException error;
    if (*activity) error.SetActivity(activity);
    ::SetErrorInfo(0, nullptr);
    error.SetErrorHr(FAILED(code) ? code : E_FAIL, format, line.GetString());
    Record(error);
  } catch (...) {
    firstError_.hr = FAILED(code) ? code : E_FAIL;
    firstError_.info.reset();
  }
  return code;
}

const SAXSchemaEntry* ContentHandler::FindElement(const wchar_t* name, int length) const {
  for (const auto& element : elements_)
    if (NameEquals(element.first->name, element.second, name, length, ignoreCase_))
      return element.first;
  return nullptr;
}

void ContentHandler::OnStartElement(const wchar_t* name, int length, ISAXAttributes* attributes) {
  if (stack_.GetCount() == 0) Check(E_UNEXPECTED);
  const ElementFrame parent = Top();
  // Inside a skipped subtree everything is skipped, and simple elements hold only text.
  const SAXSchemaEntry* entry =
      parent.entry && !IsSimpleKind(parent.entry->kind) ? FindElement(name, length) : nullptr;
  const bool allowed = entry && IsChildAllowed(parent.entry, entry);
  if (!allowed && !tolerateUnknown_)
    WQComException().ThrowHrAt(WQ_HERE, E_FAIL, L"Unexpected element <%.*ls>", length, name);

  ElementFrame frame{entry, nullptr};
  if (!entry) {
    frame.handler = &ignore_;
  } else if (IsSimpleKind(entry->kind)) {
    simple_.Reset(parent.handler, entry);
    frame.handler = &simple_;
  } else if (entry->kind != kSchemaElement) {
    WQComException().ThrowHrAt(WQ_HERE, E_FAIL,
                               L"Bad XML schema definition (unknown element type specified)");
  } else if (parent.handler) {
    Check(parent.handler->GetChildHandler(entry->id, &frame.handler));
  }
  stack_.Add(frame);
  if (!frame.entry || !frame.handler) return;
  Check(frame.handler->StartElement(entry->id));
  SetAttributes(frame, attributes);
}

void ContentHandler::SetAttributes(const ElementFrame& frame, ISAXAttributes* attributes) {
  int count = 0;
  if (!attributes || FAILED(attributes->getLength(&count)) || count <= 0) return;
  const auto& range = elementRules_[static_cast<size_t>(frame.entry - schema_)];
  const AttributeRule* const rules = rules_.data();
  // A new stamp forgets the previous element's attributes; on wrapping, the marks start over.
  if (++stamp_ == 0) {
    ruleSeen_.assign(ruleSeen_.size(), 0);
    stamp_ = 1;
  }
  wchar_t storage[1024];
  WQStringBuffer text(storage);
  for (int i = 0; i < count; ++i) {
    // The schemas name no namespace: an attribute in one is another vocabulary's, even
    // when its local name is one of ours; namespace declarations are not data.
    const wchar_t* uri = nullptr;
    int uriLength = 0;
    const wchar_t* name = nullptr;
    int nameLength = 0;
    const wchar_t* qName = nullptr;
    int qNameLength = 0;
    Check(attributes->getName(i, &uri, &uriLength, &name, &nameLength, &qName, &qNameLength));
    if (IsNamespaceDeclaration(qName, qNameLength)) continue;
    const AttributeRule* rule = nullptr;
    if (uriLength <= 0)
      for (size_t r = range.first; r < range.second && !rule; ++r)
        if (NameEquals(rules[r].name, rules[r].length, name, nameLength, ignoreCase_))
          rule = &rules[r];
    if (!rule) {
      if (tolerateUnknown_) continue;
      WQComException().ThrowHrAt(WQ_HERE, E_FAIL, L"Unexpected Attribute %.*ls", nameLength, name);
    }
    // Names that differ only in case meet here when case is ignored.
    if (ruleSeen_[rule->first] == stamp_)
      WQComException().ThrowHrAt(WQ_HERE, E_FAIL, L"The attribute %.*ls is repeated", nameLength,
                                 name);
    ruleSeen_[rule->first] = stamp_;
    const wchar_t* value = nullptr;
    int valueLength = 0;
    Check(attributes->getValue(i, &value, &valueLength));
    const size_t length = value && valueLength > 0 ? static_cast<size_t>(valueLength) : 0;
    SAXSchemaValue converted;
    if (rule->type == SAXSchemaValue::kString) {
      // Handlers read strings up to a null, and the reader's need not end in one.
      text.Assign(value, wcsnlen(value ? value : L"", length));
      SAXSchemaValue::FromText(text, rule->type, converted);
    } else {
      // A number is read whole: one followed by a null is none.
      const HRESULT hr = SAXSchemaValue::FromText(value, length, rule->type, converted);
      if (FAILED(hr)) {
        text.Assign(value, length);
        Check(ReportBadValue(hr, L"attribute", name, nameLength, text, rule->type));
      }
    }
    Check(frame.handler->SetAttribute(rule->id, converted));
  }
}

// The frame stays on the stack until its handler has ended, so a failure there still
// finds it when the parse is cleaned up.
void ContentHandler::OnEndElement() {
  if (stack_.GetCount() < 2) Check(E_UNEXPECTED);
  const ElementFrame frame = Top();
  if (frame.entry && frame.handler) Check(frame.handler->EndElement(frame.entry->id));
  stack_.RemoveAt(stack_.GetCount() - 1);
  SAXSchemaElementHandler* parent = Top().handler;
  if (frame.entry && frame.entry->kind == kSchemaElement && parent)
    Check(parent->EndChildElement(frame.entry->id, frame.handler));
}

HRESULT ContentHandler::Parse(SAXSchemaElementHandler* root, BSTR source, bool isURL) {
  WQ_METHOD_BEGIN(error, isURL ? L"SAXSchemaParser::ParseURL" : L"SAXSchemaParser::ParseString", 0)
  firstError_ = ErrorInfoRecord();
  aborted_ = false;
  AbandonFrames();
  ::SetErrorInfo(0, nullptr);

  plat::com_ptr<ISAXXMLReader> reader;
  HRESULT hr = CoCreateInstance(__uuidof(SAXXMLReader60), nullptr, CLSCTX_ALL,
                                __uuidof(ISAXXMLReader), reader.put_void());
  if (FAILED(hr))
    error.ThrowHrAt(WQ_HERE, hr,
                    isURL ? L"Could not connect to MSXML6 parser"
                          : L"Could not connect to MSXML6::SAXXMLReader");
  hr = WQSecureSAXReader(reader.get());
  if (FAILED(hr)) error.ThrowHrAt(WQ_HERE, hr, L"Could not protect the SAX reader");
  hr = reader->putContentHandler(this);
  if (SUCCEEDED(hr)) hr = reader->putErrorHandler(this);
  if (FAILED(hr)) error.ThrowHrAt(WQ_HERE, hr, L"Could not register with the SAX reader");

  stack_.Add(ElementFrame{schema_, root});
  if (isURL) {
    hr = reader->parseURL(source ? source : L"");
  } else {
    // The reader may let an unused declaration pass despite its prohibition.
    if (WQDeclaresDocumentType(source))
      error.ThrowHrAt(WQ_HERE, HRESULT_FROM_WIN32(ERROR_INVALID_DATA),
                      L"The XML text declares a document type");
    // Wine's reader takes time quadratic in the line length for a text handed over as a
    // string (it finds every column by scanning back to the line's start), and replies
    // come on one line; from a stream it reads in chunks. The stream has a mark of its
    // own, so the text's is left out; the text ends at its first null, as for the reader.
    const wchar_t* body = WQSkipByteOrderMark(source ? source : L"");
    const size_t length = wcslen(body);
    // The reader does not take a null BSTR for the empty text.
    plat::unique_bstr empty;
    plat::com_ptr<ISequentialStream> stream;
    VARIANT text;
    if (length != 0) {
      hr = WQCreateXMLTextStream(body, length, stream.put());
      if (FAILED(hr)) error.ThrowHrAt(WQ_HERE, hr, L"Could not hand the XML text to the reader");
      text.vt = VT_UNKNOWN;
      text.punkVal = stream.get();
    } else {
      empty = plat::unique_bstr::copy(L"");
      text.vt = VT_BSTR;
      text.bstrVal = empty.get();
    }
    hr = reader->parse(text);
  }
  reader->putContentHandler(nullptr);
  reader->putErrorHandler(nullptr);
  locator_.reset();
  AbandonFrames();

  if (FAILED(firstError_.hr) && firstError_.hr != WQ_E_SAXABORT) {
    ::SetErrorInfo(0, firstError_.info.get());
    error = firstError_.hr;
  } else if (aborted_) {
    ::SetErrorInfo(0, nullptr);
    error = S_OK;
  } else if (FAILED(hr)) {
    error = hr;
    if (isURL) error.ThrowAt(WQ_HERE, L"Could not parse the document %ls", source ? source : L"");
    error.ThrowAt(WQ_HERE, L"Could not parse the XML text");
  }
  WQ_METHOD_END(error)
}

}  // namespace SAXSchemaParserImpl

// ---------------------------------------------------------------- SAXSchemaParser

SAXSchemaParser::SAXSchemaParser() = default;
SAXSchemaParser::~SAXSchemaParser() = default;

HRESULT SAXSchemaParser::ParseString(BSTR xml) { return Parse(xml, false); }
HRESULT SAXSchemaParser::ParseURL(BSTR url) { return Parse(url, true); }

HRESULT SAXSchemaParser::Parse(BSTR source, bool isURL) {
  WQ_METHOD_BEGIN(error, nullptr, 0)
  if (!engine_) {
    const SAXSchemaEntry* schema = GetSchema();
    HRESULT hr = schema && schema->kind == kSchemaStart ? S_OK : E_FAIL;
    if (SUCCEEDED(hr)) {
      try {
        engine_ = plat::make<SAXSchemaParserImpl::ContentHandler>(schema);
      } catch (...) {
        hr = plat::to_hresult();
      }
    }
    if (FAILED(hr))
      error.ThrowHrAt(
          WQ_HERE, hr,
          isURL ? L"Failed to instance SAXSchemaParser" : L"Failed to instanciate SAXSchemaParser");
  }
  engine_->SetOptions(ignoreCase, tolerateUnknown);
  aborted_ = false;
  error = engine_->Parse(this, source, isURL);
  if (error.Failed()) error.Throw();
  aborted_ = engine_->IsAborted();
  WQ_METHOD_END(error)
}

const wchar_t* SAXSchemaParser::GetElementName(ULONG id) {
  const SAXSchemaEntry* schema = GetSchema();
  for (const SAXSchemaEntry* e = schema + 1; e->kind != kSchemaEnd; ++e)
    if ((e->kind == kSchemaElement || IsSimpleKind(e->kind)) && e->id == id) return e->name;
  return nullptr;
}

const wchar_t* SAXSchemaParser::GetAttributeName(ULONG id) {
  const SAXSchemaEntry* schema = GetSchema();
  for (const SAXSchemaEntry* e = schema + 1; e->kind != kSchemaEnd; ++e)
    if (IsAttributeKind(e->kind) && e->id == id) return e->name;
  return nullptr;
}
