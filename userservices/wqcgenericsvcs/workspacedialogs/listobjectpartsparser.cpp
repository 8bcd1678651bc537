#include "listobjectpartsparser.h"

#include <cwchar>

PartText::PartText(const wchar_t* text, size_t length) {
  std::shared_ptr<wchar_t[]> copy = std::make_shared_for_overwrite<wchar_t[]>(length + 1);
  std::wmemcpy(copy.get(), text, length);
  copy[length] = L'\0';
  text_ = std::move(copy);
}

namespace {
// Texts are packed into blocks of this many characters, each part's name beside the last
// part's: an object of many parts costs an allocation per hundreds of names, not per name.
constexpr size_t kBlockChars = 4096;
}  // namespace

PartText ListObjectPartsParser::Copy(const wchar_t* text, size_t length) {
  if (length >= kBlockChars / 8) return PartText(text, length);
  if (!block_ || kBlockChars - blockUsed_ < length + 1) {
    block_ = std::make_shared_for_overwrite<wchar_t[]>(kBlockChars);
    blockUsed_ = 0;
  }
  wchar_t* const copy = block_.get() + blockUsed_;
  std::wmemcpy(copy, text, length);
  copy[length] = L'\0';
  blockUsed_ += length + 1;
  return PartText(std::shared_ptr<const wchar_t[]>(block_, copy));
}

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

HRESULT ListObjectPartsParser::StartElement(ULONG id) try {
  if (id != kPart) return S_OK;
  if (current_)
    *current_ = ObjectPart();  // a dropped part's record serves the next
  else
    current_ = std::make_unique<ObjectPart>();
  return S_OK;
}
PLAT_CATCH_RETURN()

HRESULT ListObjectPartsParser::SetAttribute(ULONG id, const SAXSchemaValue& value) try {
  if (!current_) return E_UNEXPECTED;
  PartText* text = nullptr;
  switch (id) {
    case kOID: current_->OID = value.GetLong(); return S_OK;
    case kClaimMode: current_->ClaimMode = value.GetLong(); return S_OK;
    case kName: text = &current_->Name; break;
    case kClass: text = &current_->Class; break;
    case kInScope: text = &current_->InScope; break;
    case kClaimSetting: text = &current_->ClaimSetting; break;
    case kClaimedBy: text = &current_->ClaimedBy; break;
    case kClaimExtent: text = &current_->ClaimExtent; break;
    default: return E_INVALIDARG;
  }
  // Parts come in runs of one class, one claimant ...: the text the last part had is shared.
  PartText& last = last_[id - kName];
  const wchar_t* read = value.GetString();
  if (!last.get() || std::wcscmp(last.get(), read) != 0) last = Copy(read, std::wcslen(read));
  *text = last;
  return S_OK;
}
PLAT_CATCH_RETURN()

HRESULT ListObjectPartsParser::EndElement(ULONG id) try {
  if (id != kPart || !current_ || current_->OID <= 0) return S_OK;
  parts_.Add(current_.get());
  current_.release();
  return S_OK;
}
PLAT_CATCH_RETURN()
