// The schema-driven reader of XML replies over the MSXML 6 SAX reader.
//
// A reply format declares a static schema table (elements, their typed attributes, and
// which elements may appear inside which) and a tree of element handlers. The framework
// checks every element and attribute against the table, converts attribute values and
// the text of simple elements to typed values, and calls the handler of each element:
//
//   parent->GetChildHandler(id)            (elements with attributes or children)
//   child->StartElement(id), child->SetAttribute(...) per attribute, child->Characters(...)
//   ... the children, the same way ...
//   child->EndElement(id)
//   parent->EndChildElement(id, child)     or parent->SetChildValue(id, value) (simple)
//
// A handler stops the parse early by throwing SAXSchemaParserImpl::WQSAXAbortException
// or returning WQ_E_SAXABORT; the parse then returns S_OK with IsAborted() set.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <handles.h>

#include "wqcomexception.h"

// A handler's "stop here" code; never reported as a failure.
constexpr HRESULT WQ_E_SAXABORT = static_cast<HRESULT>(0x8004C001L);

// ---------------------------------------------------------------- schema table

enum SAXSchemaKind : ULONG {
  kSchemaStart = 0,          // first entry of every table
  kSchemaEnd = 1,            // last entry of every table
  kSchemaElement = 2,        // element with attributes or children; opens a block
  kSchemaEndBlock = 3,       // ends the block of the last kind-2 entry
  kSchemaStringElement = 4,  // simple text elements
  kSchemaRealElement = 5,
  kSchemaIntegerElement = 6,
  kSchemaBoolElement = 7,
  kSchemaStringAttribute = 8,  // attributes of the block's element
  kSchemaRealAttribute = 9,
  kSchemaIntegerAttribute = 10,
  kSchemaBoolAttribute = 11,
  kSchemaChild = 12,  // allowed child element, by id
};

struct SAXSchemaEntry {
  ULONG kind;
  const wchar_t* name;
  ULONG id;
};

// ---------------------------------------------------------------- typed values

struct SAXSchemaValue {
  enum Type : ULONG { kString = 0, kReal = 1, kInteger = 2, kBoolean = 3 };

  ULONG type = kString;
  union {
    const wchar_t* text;  // points into the framework's buffer: valid during the call only
    double real;
    LONG integer;
    bool boolean;
  };
  bool missing = false;  // the text was empty

  SAXSchemaValue() : text(L"") {}

  // Converts `text` (0-terminated) to `type`. An empty text is missing (0, false); a
  // text that is not of the type fails with DISP_E_TYPEMISMATCH, a number out of range
  // with DISP_E_OVERFLOW, an unknown type with E_FAIL.
  static HRESULT FromText(const wchar_t* text, ULONG type, SAXSchemaValue& out);
  // The same for a counted text: a null inside it is a character like any other, so a
  // number followed by one is no number. A string keeps only the text before a null.
  static HRESULT FromText(const wchar_t* text, size_t length, ULONG type, SAXSchemaValue& out);

  LONG GetLong() const;
  double GetDouble() const;
  bool GetBool() const;
  // Never null; empty for a value that is not a string.
  const wchar_t* GetString() const;
};

// ---------------------------------------------------------------- handlers

class SAXSchemaElementHandler {
 public:
  virtual ~SAXSchemaElementHandler() = default;
  virtual HRESULT StartElement(ULONG id) = 0;
  virtual HRESULT EndElement(ULONG id) = 0;
  // *child unset (null) means the element's content goes to nobody.
  virtual HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) = 0;
  virtual HRESULT EndChildElement(ULONG id, SAXSchemaElementHandler* child) = 0;
  virtual HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) = 0;
  virtual HRESULT SetChildValue(ULONG id, const SAXSchemaValue& value) = 0;
  virtual HRESULT Characters(const wchar_t* text, int length) = 0;
  // Gives back a child handler whose element never ended because the parse failed
  // inside it; a parent that made the child frees it here.
  virtual void AbandonChildElement(ULONG id, SAXSchemaElementHandler* child) = 0;
};

class DefaultSAXSchemaElementHandler : public SAXSchemaElementHandler {
 public:
  HRESULT StartElement(ULONG) override { return S_OK; }
  HRESULT EndElement(ULONG) override { return S_OK; }
  HRESULT GetChildHandler(ULONG, SAXSchemaElementHandler**) override { return S_OK; }
  HRESULT EndChildElement(ULONG, SAXSchemaElementHandler*) override { return S_OK; }
  HRESULT SetAttribute(ULONG, const SAXSchemaValue&) override { return S_OK; }
  HRESULT SetChildValue(ULONG, const SAXSchemaValue&) override { return S_OK; }
  HRESULT Characters(const wchar_t*, int) override { return S_OK; }
  void AbandonChildElement(ULONG, SAXSchemaElementHandler*) override {}
};

namespace SAXSchemaParserImpl {

class ContentHandler;

// Thrown by a handler to end the parse early; the parser catches it and returns S_OK.
class WQSAXAbortException : public WQComException {
 public:
  WQSAXAbortException() = default;
  WQSAXAbortException(const WQComException& other) : WQComException(other) {}
  using WQComException::operator=;

  // Throws this abort for WQ_E_SAXABORT, the held error (as Throw) for another failure.
  void ThrowIfFailed();
  // Ends the parse from inside a handler.
  [[noreturn]] static void Abort();
};

}  // namespace SAXSchemaParserImpl

// The root handler of a reply format: it receives the document element as its child.
// A reader derives a schema class that implements GetSchema, and a parser from that.
class SAXSchemaParser : public DefaultSAXSchemaElementHandler {
 public:
  SAXSchemaParser();
  ~SAXSchemaParser() override;
  SAXSchemaParser(const SAXSchemaParser&) = delete;
  SAXSchemaParser& operator=(const SAXSchemaParser&) = delete;

  virtual const SAXSchemaEntry* GetSchema() = 0;

  // Parse a text or a document by URL. The HRESULT comes with its "WQError" chain
  // installed as the thread's error info.
  HRESULT ParseString(BSTR xml);
  HRESULT ParseURL(BSTR url);

  bool IsAborted() const { return aborted_; }

  // The name of the first element (or attribute) entry with that id, or null.
  const wchar_t* GetElementName(ULONG id);
  const wchar_t* GetAttributeName(ULONG id);

  // Options, set before parsing.
  bool ignoreCase = false;
  bool tolerateUnknown = true;

 private:
  HRESULT Parse(BSTR source, bool isURL);

  plat::com_ptr<SAXSchemaParserImpl::ContentHandler> engine_;  // made on the first parse
  bool aborted_ = false;
};
