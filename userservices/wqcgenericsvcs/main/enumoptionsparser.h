// The reader of the "EnumOptions" reply: an "EnumOptions" element, optionally "Closed",
// holding one "Option" text per option, in reply order.
#pragma once

#include <saxschemaparser.h>
#include <wqarray.h>

class EnumOptionsParser : public SAXSchemaParser {
 public:
  enum Id : ULONG { kEnumOptions = 0, kOption = 1, kClosed = 2 };

  const SAXSchemaEntry* GetSchema() override;
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT SetChildValue(ULONG id, const SAXSchemaValue& value) override;

  bool Closed = false;
  WQBstrArray options;
};
