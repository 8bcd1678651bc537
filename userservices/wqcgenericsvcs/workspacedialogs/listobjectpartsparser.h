// The reader of the "ListObjectParts" reply: a "ListObjectParts" element holding one empty
// "Part" element per claimable part of an object. Parts are appended to the list given,
// in reply order; a part without a positive OID is dropped.
#pragma once

#include <handles.h>
#include <saxschemaparser.h>
#include <wqarray.h>

// One claimable part. ClaimMode says what may be claimed: 0 nothing, 1 only a shared claim,
// any other value a shared or an exclusive one. The texts are shown as they come.
struct ObjectPart {
  plat::unique_bstr Name;
  LONG OID = -1;
  plat::unique_bstr Class;
  plat::unique_bstr InScope;
  plat::unique_bstr ClaimSetting;
  plat::unique_bstr ClaimedBy;
  plat::unique_bstr ClaimExtent;
  LONG ClaimMode = 0;
};

using ObjectPartArray = WQOwnedPtrArray<ObjectPart>;

class ListObjectPartsSchema : public SAXSchemaParser {
 public:
  enum Id : ULONG {
    kListObjectParts = 0,
    kPart = 1,
    kOID = 2,
    kName = 3,
    kClass = 4,
    kInScope = 5,
    kClaimSetting = 6,
    kClaimedBy = 7,
    kClaimExtent = 8,
    kClaimMode = 9,
  };
  const SAXSchemaEntry* GetSchema() override;
};

class ListObjectPartsParser : public ListObjectPartsSchema {
 public:
  // `parts` must outlive the parse.
  explicit ListObjectPartsParser(ObjectPartArray& parts) : parts_(parts) {}

  // The parser handles both elements itself.
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;
  HRESULT StartElement(ULONG id) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT EndElement(ULONG id) override;

 private:
  ObjectPartArray& parts_;
  ObjectPart current_;
};
