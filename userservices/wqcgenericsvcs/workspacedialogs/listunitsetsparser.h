// The ListUnitSets reply: a "UnitSets" element holding one "UnitSet" text per unit set.
//
//   <UnitSets><UnitSet>SI</UnitSet><UnitSet>Imperial</UnitSet></UnitSets>
#pragma once

#include <saxschemaparser.h>

#include <functional>

class ListUnitSetsSchema : public SAXSchemaParser {
 public:
  enum : ULONG { kUnitSets = 0, kUnitSet = 1 };
  const SAXSchemaEntry* GetSchema() override;
};

// Hands each unit-set name, in reply order, to the sink it was made with.
class ListUnitSetsParser : public ListUnitSetsSchema {
 public:
  using UnitSetSink = std::function<void(const wchar_t* name)>;
  explicit ListUnitSetsParser(UnitSetSink sink) : sink_(std::move(sink)) {}

  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;
  HRESULT SetChildValue(ULONG id, const SAXSchemaValue& value) override;

 private:
  UnitSetSink sink_;
};
