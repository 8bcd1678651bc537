#include "pipehighlightparser.h"

namespace {

const SAXSchemaEntry kPipeHighlightSchema[] = {
    {kSchemaStart, nullptr, 0},
    {kSchemaElement, L"PipeHighlight", PipeHighlightSchema::kPipeHighlight},
    {kSchemaIntegerAttribute, L"ServerID", PipeHighlightSchema::kServerID},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaEnd, nullptr, 0},
};

}  // namespace

const SAXSchemaEntry* PipeHighlightSchema::GetSchema() { return kPipeHighlightSchema; }

HRESULT PipeHighlightParser::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  if (id != kPipeHighlight || root_) return E_INVALIDARG;
  root_ = true;
  *child = this;
  return S_OK;
}

HRESULT PipeHighlightParser::SetAttribute(ULONG id, const SAXSchemaValue& value) {
  if (id != kServerID) return E_INVALIDARG;
  hasServerID_ = !value.missing;
  serverID_ = value.GetLong();
  return S_OK;
}
