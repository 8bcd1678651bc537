#include "pipereplyparser.h"

namespace {

const SAXSchemaEntry kPipeHighlightSchema[] = {
    {kSchemaStart, nullptr, 0},
    {kSchemaElement, L"PipeHighlight", PipeHighlightSchema::kRoot},
    {kSchemaIntegerAttribute, L"ServerID", PipeHighlightSchema::kServerID},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaEnd, nullptr, 0},
};

const SAXSchemaEntry kCompactPipeSchema[] = {
    {kSchemaStart, nullptr, 0},
    {kSchemaElement, L"CompactPipe", CompactPipeSchema::kRoot},
    {kSchemaIntegerAttribute, L"ServerID", CompactPipeSchema::kServerID},
    {kSchemaEndBlock, nullptr, 0},
    {kSchemaEnd, nullptr, 0},
};

}  // namespace

const SAXSchemaEntry* PipeHighlightSchema::GetSchema() { return kPipeHighlightSchema; }
const SAXSchemaEntry* CompactPipeSchema::GetSchema() { return kCompactPipeSchema; }
