#include "listkbparser.h"

#include <new>

namespace {

const SAXSchemaEntry kListKBSchema[] = {
    {kSchemaStart, nullptr, 0},
    {kSchemaElement, L"ListKB", ListKBSchema::kListKB},
    {kSchemaChild, nullptr, ListKBSchema::kKB},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaElement, L"KB", ListKBSchema::kKB},
    {kSchemaStringAttribute, L"KBName", ListKBSchema::kKBName},
    {kSchemaStringAttribute, L"Display", ListKBSchema::kDisplay},
    {kSchemaBoolAttribute, L"CaseFixed", ListKBSchema::kCaseFixed},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaEnd, nullptr, 0},
};

}  // namespace

const SAXSchemaEntry* ListKBSchema::GetSchema() { return kListKBSchema; }

HRESULT KBElement::StartElement(ULONG) {
  entry_ = KBEntry();
  return S_OK;
}

HRESULT KBElement::SetAttribute(ULONG id, const SAXSchemaValue& value) try {
  switch (id) {
    case ListKBSchema::kKBName: entry_.kbName = value.GetString(); return S_OK;
    case ListKBSchema::kDisplay: entry_.display = value.GetString(); return S_OK;
    case ListKBSchema::kCaseFixed: entry_.caseFixed = value.GetBool(); return S_OK;
    default: return E_INVALIDARG;
  }
} catch (const std::bad_alloc&) {
  return E_OUTOFMEMORY;
}

HRESULT KBElement::EndElement(ULONG) try {
  sink_(std::move(entry_));
  entry_ = KBEntry();
  return S_OK;
} catch (const std::bad_alloc&) {
  return E_OUTOFMEMORY;
}
