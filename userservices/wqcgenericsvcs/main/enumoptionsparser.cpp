#include "enumoptionsparser.h"

#include <new>

const SAXSchemaEntry* EnumOptionsParser::GetSchema() {
  static const SAXSchemaEntry kSchema[] = {
      {kSchemaStart, nullptr, 0},
      {kSchemaElement, L"EnumOptions", kEnumOptions},
      {kSchemaBoolAttribute, L"Closed", kClosed},
      {kSchemaChild, nullptr, kOption},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaStringElement, L"Option", kOption},
      {kSchemaEnd, nullptr, 0},
  };
  return kSchema;
}

HRESULT EnumOptionsParser::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  if (id != kEnumOptions && id != kOption) return E_INVALIDARG;
  *child = this;
  return S_OK;
}

HRESULT EnumOptionsParser::SetAttribute(ULONG id, const SAXSchemaValue& value) {
  if (id != kClosed) return E_INVALIDARG;
  Closed = value.GetBool();
  return S_OK;
}

HRESULT EnumOptionsParser::SetChildValue(ULONG id, const SAXSchemaValue& value) {
  if (id != kOption) return E_INVALIDARG;
  try {
    plat::unique_bstr text = plat::unique_bstr::copy(value.GetString());
    options.Add(text.get());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}
