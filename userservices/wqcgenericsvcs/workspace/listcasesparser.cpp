#include "listcasesparser.h"

namespace {

const SAXSchemaEntry kListCasesSchema[] = {
    {kSchemaStart, nullptr, 0},
    {kSchemaElement, L"ListCases", ListCasesSchema::kListCases},
    {kSchemaChild, nullptr, ListCasesSchema::kCase},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaElement, L"Case", ListCasesSchema::kCase},
    {kSchemaIntegerAttribute, L"ID", ListCasesSchema::kID},
    {kSchemaStringAttribute, L"CaseName", ListCasesSchema::kCaseName},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaEnd, nullptr, 0},
};

}  // namespace

const SAXSchemaEntry* ListCasesSchema::GetSchema() { return kListCasesSchema; }

HRESULT CaseElement::StartElement(ULONG) {
  id_ = 0;
  name_.clear();
  return S_OK;
}

HRESULT CaseElement::SetAttribute(ULONG id, const SAXSchemaValue& value) {
  switch (id) {
    case ListCasesSchema::kID: id_ = value.GetLong(); return S_OK;
    case ListCasesSchema::kCaseName: name_ = value.GetString(); return S_OK;
    default: return E_INVALIDARG;
  }
}

HRESULT CaseElement::EndElement(ULONG) {
  sink_(name_.c_str(), id_);
  return S_OK;
}
