#include "initializeformatterparser.h"

#include <new>

const SAXSchemaEntry* InitializeFormatterSchema::GetSchema() {
  static const SAXSchemaEntry kSchema[] = {
      {kSchemaStart, nullptr, 0},
      {kSchemaElement, L"Initialize", kInitialize},
      {kSchemaChild, nullptr, kPrefix},
      {kSchemaChild, nullptr, kPostfix},
      {kSchemaChild, nullptr, kSubstitution},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaStringElement, L"Prefix", kPrefix},
      {kSchemaStringElement, L"Postfix", kPostfix},
      {kSchemaStringElement, L"Substitution", kSubstitution},
      {kSchemaEnd, nullptr, 0},
  };
  return kSchema;
}

HRESULT InitializeFormatterParser::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  if (id > kSubstitution) return E_INVALIDARG;
  *child = this;
  return S_OK;
}

HRESULT InitializeFormatterParser::SetChildValue(ULONG id, const SAXSchemaValue& value) {
  WQArray<WQHeapString>* list = nullptr;
  switch (id) {
    case kPrefix: list = &strings_->prefixes; break;
    case kPostfix: list = &strings_->postfixes; break;
    case kSubstitution: list = &strings_->substitutions; break;
    default: return E_INVALIDARG;
  }
  try {
    list->Add(WQHeapString(value.GetString()));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}
