#include "listclassesparser.h"

namespace {

const SAXSchemaEntry kListClassesSchema[] = {
    {kSchemaStart, nullptr, 0},
    {kSchemaElement, L"Class", ListClassesSchema::kClass},
    {kSchemaStringAttribute, L"Name", ListClassesSchema::kName},
    {kSchemaStringAttribute, L"DisplayName", ListClassesSchema::kDisplayName},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaElement, L"ListClasses", ListClassesSchema::kListClasses},
    {kSchemaChild, nullptr, ListClassesSchema::kClass},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaEnd, nullptr, 0},
};

}  // namespace

const SAXSchemaEntry* ListClassesSchema::GetSchema() { return kListClassesSchema; }

ListClassesParser::ListClassesParser(ClassSink sink) : sink_(std::move(sink)) { ignoreCase = true; }

// One handler serves both elements: a class has no children to keep apart.
HRESULT ListClassesParser::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  if (id != kClass && id != kListClasses) return E_INVALIDARG;
  *child = this;
  return S_OK;
}

HRESULT ListClassesParser::StartElement(ULONG id) {
  if (id != kClass && id != kListClasses) return E_INVALIDARG;
  name_.clear();
  displayName_.clear();
  return S_OK;
}

HRESULT ListClassesParser::SetAttribute(ULONG id, const SAXSchemaValue& value) {
  switch (id) {
    case kName: name_ = value.GetString(); return S_OK;
    case kDisplayName: displayName_ = value.GetString(); return S_OK;
    default: return E_INVALIDARG;
  }
}

HRESULT ListClassesParser::EndElement(ULONG id) {
  switch (id) {
    case kClass: sink_(displayName_.c_str(), name_.c_str()); return S_OK;
    case kListClasses: return S_OK;
    default: return E_INVALIDARG;
  }
}
