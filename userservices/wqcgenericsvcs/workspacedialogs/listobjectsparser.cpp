#include "listobjectsparser.h"

namespace {

const SAXSchemaEntry kListObjectsSchema[] = {
    {kSchemaStart, nullptr, 0},
    {kSchemaElement, L"ListObjects", ListObjectsSchema::kListObjects},
    {kSchemaChild, nullptr, ListObjectsSchema::kObject},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaElement, L"Object", ListObjectsSchema::kObject},
    {kSchemaIntegerAttribute, L"OID", kListedOID},
    {kSchemaStringAttribute, L"KnownName", kListedKnownName},
    {kSchemaBoolAttribute, L"Editable", kListedEditable},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaEnd, nullptr, 0},
};

const SAXSchemaEntry kListDatasheetsSchema[] = {
    {kSchemaStart, nullptr, 0},
    {kSchemaElement, L"ListDatasheets", ListDatasheetsSchema::kListDatasheets},
    {kSchemaChild, nullptr, ListDatasheetsSchema::kDatasheet},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaElement, L"Datasheet", ListDatasheetsSchema::kDatasheet},
    {kSchemaIntegerAttribute, L"OID", kListedOID},
    {kSchemaStringAttribute, L"KnownName", kListedKnownName},
    {kSchemaBoolAttribute, L"Editable", kListedEditable},
    {kSchemaBoolAttribute, L"IsDatasheet", kListedIsDatasheet},
    {kSchemaBoolAttribute, L"IsProjectSummary", kListedIsProjectSummary},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaEnd, nullptr, 0},
};

}  // namespace

const SAXSchemaEntry* ListObjectsSchema::GetSchema() { return kListObjectsSchema; }
const SAXSchemaEntry* ListDatasheetsSchema::GetSchema() { return kListDatasheetsSchema; }

HRESULT ListedObjectElement::StartElement(ULONG) {
  item_ = ListedObject{};
  return S_OK;
}

HRESULT ListedObjectElement::SetAttribute(ULONG id, const SAXSchemaValue& value) {
  switch (id) {
    case kListedOID: item_.oid = value.GetLong(); return S_OK;
    case kListedKnownName: item_.name = value.GetString(); return S_OK;
    case kListedEditable: item_.editable = value.GetBool(); return S_OK;
    case kListedIsDatasheet: item_.isDatasheet = value.GetBool(); return S_OK;
    case kListedIsProjectSummary: item_.isProjectSummary = value.GetBool(); return S_OK;
    default: return E_INVALIDARG;
  }
}

HRESULT ListedObjectElement::EndElement(ULONG) {
  sink_(item_);
  return S_OK;
}
