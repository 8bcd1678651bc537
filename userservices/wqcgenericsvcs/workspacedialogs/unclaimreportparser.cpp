#include "unclaimreportparser.h"

#include <handles.h>

const SAXSchemaEntry* UnClaimObjectReportSchema::GetSchema() {
  static const SAXSchemaEntry kSchema[] = {
      {kSchemaStart, nullptr, 0},
      {kSchemaElement, L"UnClaimObjectReport", kUnClaimObjectReport},
      {kSchemaStringAttribute, L"Name", kName},
      {kSchemaIntegerAttribute, L"ClaimSetting", kClaimSetting},
      {kSchemaChild, nullptr, kReport},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaStringElement, L"Report", kReport},
      {kSchemaEnd, nullptr, 0},
  };
  return kSchema;
}

HRESULT UnClaimObjectReportParser::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  if (id != kUnClaimObjectReport) return E_INVALIDARG;
  report_ = UnClaimReport();
  *child = this;
  return S_OK;
}

HRESULT UnClaimObjectReportParser::SetAttribute(ULONG id, const SAXSchemaValue& value) try {
  switch (id) {
    case kName: report_.Name = value.GetString(); return S_OK;
    case kClaimSetting: report_.ClaimSetting = value.GetLong(); return S_OK;
    default: return E_INVALIDARG;
  }
}
PLAT_CATCH_RETURN()

HRESULT UnClaimObjectReportParser::SetChildValue(ULONG id, const SAXSchemaValue& value) try {
  if (id == kReport) report_.Report += value.GetString();
  return S_OK;
}
PLAT_CATCH_RETURN()
