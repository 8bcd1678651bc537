#include "listunitsetsparser.h"

namespace {

const SAXSchemaEntry kListUnitSetsSchema[] = {
    {kSchemaStart, nullptr, 0},
    {kSchemaStringElement, L"UnitSet", ListUnitSetsSchema::kUnitSet},
    {kSchemaElement, L"UnitSets", ListUnitSetsSchema::kUnitSets},
    {kSchemaChild, nullptr, ListUnitSetsSchema::kUnitSet},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaEnd, nullptr, 0},
};

}  // namespace

const SAXSchemaEntry* ListUnitSetsSchema::GetSchema() { return kListUnitSetsSchema; }

HRESULT ListUnitSetsParser::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  if (id != kUnitSets) return E_INVALIDARG;
  *child = this;
  return S_OK;
}

HRESULT ListUnitSetsParser::SetChildValue(ULONG id, const SAXSchemaValue& value) {
  if (id != kUnitSet) return E_INVALIDARG;
  sink_(value.GetString());
  return S_OK;
}
