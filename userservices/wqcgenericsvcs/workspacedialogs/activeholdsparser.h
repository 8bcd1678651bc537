// The reader of the "ActiveHolds" reply: an "ActiveHolds" element with one "Hold" element
// per active hold, its attributes OID, Name and Date (an OLE Automation date) and its
// character data the hold's reason. Each hold goes to the sink as its element ends.
#pragma once

#include <saxschemaparser.h>
#include <wqstring.h>

#include <functional>

struct ActiveHold {
  LONG OID = 0;
  double Date = 0;
  WQHeapString Name;
  WQHeapString Reason;
};

class ActiveHoldsSchema : public SAXSchemaParser {
 public:
  enum Id : ULONG { kActiveHolds = 0, kHold = 1, kOID = 2, kName = 3, kDate = 4 };
  const SAXSchemaEntry* GetSchema() override;
};

// Keeps the hold being read.
class HoldElementHandler : public DefaultSAXSchemaElementHandler {
 public:
  HRESULT StartElement(ULONG id) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  // Every piece is kept, so the white space around the reason stays.
  HRESULT Characters(const wchar_t* text, int length) override;
  HRESULT EndElement(ULONG id) override;

  const ActiveHold& Current() const { return current_; }

 private:
  ActiveHold current_;
  // The reason as it arrives: the reader hands it over in a piece per entity reference.
  WQStringBuffer reason_;
};

class ActiveHoldsElementHandler : public DefaultSAXSchemaElementHandler {
 public:
  using Sink = std::function<void(const ActiveHold&)>;
  explicit ActiveHoldsElementHandler(Sink sink) : sink_(std::move(sink)) {}

  HRESULT StartElement(ULONG id) override;
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT EndChildElement(ULONG id, SAXSchemaElementHandler* child) override;

 private:
  Sink sink_;
  HoldElementHandler hold_;
};

class ActiveHoldsParser : public ActiveHoldsSchema {
 public:
  explicit ActiveHoldsParser(ActiveHoldsElementHandler::Sink sink) : holds_(std::move(sink)) {}

  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;

 private:
  ActiveHoldsElementHandler holds_;
};
