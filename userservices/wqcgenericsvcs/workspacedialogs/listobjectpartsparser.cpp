#include "listobjectpartsparser.h"

#include <memory>

const SAXSchemaEntry* ListObjectPartsSchema::GetSchema() {
  static const SAXSchemaEntry kSchema[] = {
      {kSchemaStart, nullptr, 0},
      {kSchemaElement, L"ListObjectParts", kListObjectParts},
      {kSchemaChild, nullptr, kPart},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaElement, L"Part", kPart},
      {kSchemaIntegerAttribute, L"OID", kOID},
      {kSchemaStringAttribute, L"Name", kName},
      {kSchemaStringAttribute, L"Class", kClass},
      {kSchemaStringAttribute, L"InScope", kInScope},
      {kSchemaStringAttribute, L"ClaimSetting", kClaimSetting},
      {kSchemaStringAttribute, L"ClaimedBy", kClaimedBy},
      {kSchemaStringAttribute, L"ClaimExtent", kClaimExtent},
      {kSchemaIntegerAttribute, L"ClaimMode", kClaimMode},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaEnd, nullptr, 0},
  };
  return kSchema;
}

HRESULT ListObjectPartsParser::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  if (id != kListObjectParts && id != kPart) return E_INVALIDARG;
  *child = this;
  return S_OK;
}

HRESULT ListObjectPartsParser::StartElement(ULONG id) {
  if (id == kPart) current_ = ObjectPart();
  return S_OK;
}

HRESULT ListObjectPartsParser::SetAttribute(ULONG id, const SAXSchemaValue& value) try {
  plat::unique_bstr* text = nullptr;
  switch (id) {
    case kOID: current_.OID = value.GetLong(); return S_OK;
    case kClaimMode: current_.ClaimMode = value.GetLong(); return S_OK;
    case kName: text = &current_.Name; break;
    case kClass: text = &current_.Class; break;
    case kInScope: text = &current_.InScope; break;
    case kClaimSetting: text = &current_.ClaimSetting; break;
    case kClaimedBy: text = &current_.ClaimedBy; break;
    case kClaimExtent: text = &current_.ClaimExtent; break;
    default: return E_INVALIDARG;
  }
  *text = plat::unique_bstr::copy(value.GetString());
  return S_OK;
}
PLAT_CATCH_RETURN()

HRESULT ListObjectPartsParser::EndElement(ULONG id) try {
  if (id != kPart || current_.OID <= 0) return S_OK;
  auto part = std::make_unique<ObjectPart>(std::move(current_));
  WQAddGrowing(parts_, part.get());
  part.release();
  return S_OK;
}
PLAT_CATCH_RETURN()
