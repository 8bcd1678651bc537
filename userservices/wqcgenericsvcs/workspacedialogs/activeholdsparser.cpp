#include "activeholdsparser.h"

const SAXSchemaEntry* ActiveHoldsSchema::GetSchema() {
  static const SAXSchemaEntry kSchema[] = {
      {kSchemaStart, nullptr, 0},
      {kSchemaElement, L"ActiveHolds", kActiveHolds},
      {kSchemaChild, nullptr, kHold},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaElement, L"Hold", kHold},
      {kSchemaIntegerAttribute, L"OID", kOID},
      {kSchemaStringAttribute, L"Name", kName},
      {kSchemaRealAttribute, L"Date", kDate},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaEnd, nullptr, 0},
  };
  return kSchema;
}

HRESULT HoldElementHandler::StartElement(ULONG) {
  current_.OID = 0;
  current_.Date = 0;
  current_.Name.Free();
  current_.Reason.Free();
  reason_.Clear();
  return S_OK;
}

HRESULT HoldElementHandler::SetAttribute(ULONG id, const SAXSchemaValue& value) try {
  switch (id) {
    case ActiveHoldsSchema::kOID: current_.OID = value.GetLong(); return S_OK;
    case ActiveHoldsSchema::kName: current_.Name.Assign(value.GetString()); return S_OK;
    case ActiveHoldsSchema::kDate: current_.Date = value.GetDouble(); return S_OK;
    default: return E_INVALIDARG;
  }
}
PLAT_CATCH_RETURN()

HRESULT HoldElementHandler::Characters(const wchar_t* text, int length) try {
  if (text && length > 0) reason_.Append(text, static_cast<size_t>(length));
  return S_OK;
}
PLAT_CATCH_RETURN()

HRESULT HoldElementHandler::EndElement(ULONG) try {
  if (reason_.GetLength()) current_.Reason.Assign(reason_.GetString(), reason_.GetLength());
  return S_OK;
}
PLAT_CATCH_RETURN()

HRESULT ActiveHoldsElementHandler::StartElement(ULONG id) {
  return id == ActiveHoldsSchema::kActiveHolds ? S_OK : E_INVALIDARG;
}

HRESULT ActiveHoldsElementHandler::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  if (id != ActiveHoldsSchema::kHold) return E_INVALIDARG;
  *child = &hold_;
  return S_OK;
}

HRESULT ActiveHoldsElementHandler::SetAttribute(ULONG, const SAXSchemaValue&) {
  return E_INVALIDARG;
}

HRESULT ActiveHoldsElementHandler::EndChildElement(ULONG id, SAXSchemaElementHandler*) try {
  if (id == ActiveHoldsSchema::kHold) sink_(hold_.Current());
  return S_OK;
}
PLAT_CATCH_RETURN()

HRESULT ActiveHoldsParser::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  if (id != kActiveHolds) return E_INVALIDARG;
  *child = &holds_;
  return S_OK;
}
