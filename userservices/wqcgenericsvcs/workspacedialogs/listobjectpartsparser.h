// The reader of the "ListObjectParts" reply: a "ListObjectParts" element holding one empty
// "Part" element per claimable part of an object. Parts are appended to the list given,
// in reply order; a part without a positive OID is dropped.
#pragma once

#include <handles.h>
#include <saxschemaparser.h>
#include <wqarray.h>

#include <cstddef>
#include <memory>

// A text of a part. A text that repeats from part to part (the class, the claim setting,
// the claimant) is one copy that those parts share: an object of many parts would
// otherwise hold, allocate and free it once a part.
class PartText {
 public:
  PartText() = default;
  // A copy of `length` characters of `text`. Throws std::bad_alloc.
  PartText(const wchar_t* text, size_t length);
  // A text already copied, kept by the block that holds it.
  explicit PartText(std::shared_ptr<const wchar_t[]> text) noexcept : text_(std::move(text)) {}

  // Null for a text never read (an attribute the part lacks).
  const wchar_t* get() const noexcept { return text_.get(); }
  // Never null.
  const wchar_t* c_str() const noexcept { return text_ ? text_.get() : L""; }
  // Both are the one copy, and so the same text.
  bool SharesCopyWith(const PartText& other) const noexcept { return text_ == other.text_; }

 private:
  std::shared_ptr<const wchar_t[]> text_;
};

// One claimable part. ClaimMode says what may be claimed: 0 nothing, 1 only a shared claim,
// any other value a shared or an exclusive one. The texts are shown as they come.
struct ObjectPart {
  PartText Name;
  LONG OID = -1;
  PartText Class;
  PartText InScope;
  PartText ClaimSetting;
  PartText ClaimedBy;
  PartText ClaimExtent;
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
  // A copy of a text read, packed beside the texts read before it; a long one is its own.
  PartText Copy(const wchar_t* text, size_t length);

  ObjectPartArray& parts_;
  std::unique_ptr<ObjectPart> current_;  // made in place, handed to parts_ whole
  PartText last_[kClaimExtent - kName + 1];  // each text as the last part that had one read it
  std::shared_ptr<wchar_t[]> block_;  // where the next texts are copied; alive while one is
  size_t blockUsed_ = 0;
};
