#include "projectupdatesparser.h"

#include <array>
#include <cwchar>

namespace projectupdates {
namespace {

// An item list, filled in document order: a pointer is handed over only once it is in.
template <class T>
void AddOwned(WQOwnedPtrArray<T>& list, std::unique_ptr<T>& record) {
  list.Add(record.get());
  record.release();
}

void SetText(plat::unique_bstr& field, const SAXSchemaValue& value) {
  field = plat::unique_bstr::copy(value.GetString());
}

// An empty number leaves the field as it was (its default).
void SetNumber(LONG& field, const SAXSchemaValue& value) {
  if (!value.missing) field = value.GetLong();
}

// The table in the order of the reply format: the root, then per kind its group,
// "Conflicts", the conflict item, "Conflict", "Updates", the update item, "Update", then
// the modified documents. "Conflicts", "Conflict", "Updates" and "Update" come once per
// kind; the name finds the first block, and the handlers decide what each kind accepts.
constexpr size_t kSchemaSize = 203;

struct SchemaBuilder {
  std::array<SAXSchemaEntry, kSchemaSize> entries{};
  size_t count = 0;

  constexpr void Add(ULONG kind, const wchar_t* name, ULONG id) {
    entries[count++] = SAXSchemaEntry{kind, name, id};
  }
  constexpr void Element(const wchar_t* name, ULONG id) { Add(kSchemaElement, name, id); }
  constexpr void Child(ULONG id) { Add(kSchemaChild, nullptr, id); }
  constexpr void Integer(const wchar_t* name, ULONG id) { Add(kSchemaIntegerAttribute, name, id); }
  constexpr void String(const wchar_t* name, ULONG id) { Add(kSchemaStringAttribute, name, id); }
  constexpr void EndBlock() { Add(kSchemaEndBlock, nullptr, 0); }

  // "Conflicts" or "Updates" holding the kind's item, which holds its details and, where
  // items of the kind nest, itself.
  constexpr void Items(const wchar_t* list, ULONG listId, const wchar_t* item, ULONG itemId,
                       ULONG detailId, bool nests) {
    Element(list, listId);
    Child(itemId);
    EndBlock();
    Element(item, itemId);
    Integer(L"ID", kID);
    String(L"Name", kName);
    Child(detailId);
    if (nests) Child(itemId);
    EndBlock();
  }

  constexpr void Kind(const wchar_t* group, ULONG groupId, const wchar_t* item, ULONG itemId,
                      bool nests) {
    Element(group, groupId);
    Child(kConflicts);
    Child(kUpdates);
    EndBlock();

    Items(L"Conflicts", kConflicts, item, itemId, kConflict, nests);
    Element(L"Conflict", kConflict);
    Integer(L"ID", kID);
    Integer(L"Type", kType);
    Integer(L"Resolution", kResolution);
    String(L"Name", kName);
    String(L"ProjectData", kProjectData);
    String(L"ParentData", kParentData);
    String(L"Units", kUnits);
    EndBlock();

    Items(L"Updates", kUpdates, item, itemId, kUpdate, nests);
    Element(L"Update", kUpdate);
    Integer(L"Type", kType);
    String(L"Name", kName);
    String(L"ParentData", kParentData);
    String(L"ProjectData", kProjectData);
    String(L"Units", kUnits);
    EndBlock();
  }
};

constexpr SchemaBuilder BuildSchema() {
  SchemaBuilder b;
  b.Add(kSchemaStart, nullptr, 0);
  b.Element(L"ProjectUpdates", kProjectUpdates);
  for (ULONG group : kGroupIds) b.Child(group);
  b.EndBlock();
  b.Kind(L"Cases", kCases, L"Case", kCase, true);
  b.Kind(L"Objects", kObjects, L"Object", kObject, true);
  b.Kind(L"Attributes", kAttributes, L"Attribute", kAttribute, true);
  b.Kind(L"Datasheets", kDatasheets, L"Datasheet", kDatasheet, false);
  b.Kind(L"Diagrams", kDiagrams, L"Diagram", kDiagram, false);
  b.Element(L"Modifications", kModifications);
  b.Child(kModified);
  b.EndBlock();
  b.Element(L"Modified", kModified);
  b.Integer(L"ID", kID);
  b.String(L"Name", kName);
  b.String(L"Type", kType);
  b.EndBlock();
  b.Add(kSchemaEnd, nullptr, 0);
  return b;
}

constexpr SchemaBuilder kSchema = BuildSchema();
static_assert(kSchema.count == kSchemaSize, "the schema table has room for exactly its entries");

}  // namespace

// ---------------------------------------------------------------- items

template <class Detail>
HRESULT ItemHandler<Detail>::StartElement(ULONG) {
  open_.push_back(std::make_unique<Item>());
  return S_OK;
}

template <class Detail>
HRESULT ItemHandler<Detail>::SetAttribute(ULONG id, const SAXSchemaValue& value) {
  Item* item = Top();
  if (!item) return E_UNEXPECTED;
  switch (id) {
    case kID: SetNumber(item->id, value); break;
    case kName: SetText(item->name, value); break;
    default: return RefuseAttribute(id);
  }
  return S_OK;
}

template <class Detail>
HRESULT ItemHandler<Detail>::EndElement(ULONG) {
  if (open_.empty()) return E_UNEXPECTED;
  std::unique_ptr<Item> item = std::move(open_.back());
  open_.pop_back();
  AddOwned(open_.empty() ? list_ : open_.back()->children, item);
  return S_OK;
}

template <class Detail>
HRESULT ItemHandler<Detail>::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  if (id == itemId_) {
    // Every walk over the items recurses by level, so a reply may not nest them at will.
    if (open_.size() >= static_cast<size_t>(Item::kMaxNesting)) {
      WQComException error;
      error.SetErrorHr(E_INVALIDARG, L"Items nest deeper than %d levels", Item::kMaxNesting);
      return error.ReturnHResult();
    }
    *child = this;
  } else if (id == DetailTraits<Detail>::kElement)
    *child = &detailHandler_;
  else
    return RefuseChild(id);
  return S_OK;
}

template class ItemHandler<ConflictRecord>;
template class ItemHandler<UpdateRecord>;

// ---------------------------------------------------------------- details

template <class Detail>
HRESULT DetailHandlerBase<Detail>::StartElement(ULONG) {
  // Every detail starts from the defaults: a conflict whose reply lacks "Resolution" is
  // open, whatever the conflict before it was.
  pending_ = std::make_unique<Detail>();
  return S_OK;
}

template <class Detail>
HRESULT DetailHandlerBase<Detail>::SetAttribute(ULONG id, const SAXSchemaValue& value) {
  if (!pending_) return E_UNEXPECTED;
  return DetailTraits<Detail>::SetAttribute(*pending_, id, value);
}

template <class Detail>
HRESULT DetailHandlerBase<Detail>::EndElement(ULONG) {
  ProjectItemRecord<Detail>* item = items_.Top();
  if (!item || !pending_) return E_UNEXPECTED;
  DetailTraits<Detail>::TakeFromItem(*pending_, *item);
  AddOwned(item->details, pending_);
  return S_OK;
}

template class DetailHandlerBase<ConflictRecord>;
template class DetailHandlerBase<UpdateRecord>;

HRESULT DetailTraits<ConflictRecord>::SetAttribute(ConflictRecord& conflict, ULONG id,
                                                   const SAXSchemaValue& value) {
  switch (id) {
    case kID: SetNumber(conflict.id, value); break;
    case kType: SetNumber(conflict.type, value); break;
    case kResolution: SetNumber(conflict.resolution, value); break;
    case kName: SetText(conflict.name, value); break;
    case kProjectData: SetText(conflict.projectData, value); break;
    case kParentData: SetText(conflict.parentData, value); break;
    case kUnits: SetText(conflict.units, value); break;
    default: return StrictSAXSchemaElementHandler::RefuseAttribute(id);
  }
  return S_OK;
}

HRESULT DetailTraits<UpdateRecord>::SetAttribute(UpdateRecord& update, ULONG id,
                                                 const SAXSchemaValue& value) {
  switch (id) {
    case kType: SetNumber(update.type, value); break;
    case kName: SetText(update.name, value); break;
    case kProjectData: SetText(update.projectData, value); break;
    case kParentData: SetText(update.parentData, value); break;
    case kUnits: SetText(update.units, value); break;
    default: return StrictSAXSchemaElementHandler::RefuseAttribute(id);
  }
  return S_OK;
}

void DetailTraits<UpdateRecord>::TakeFromItem(UpdateRecord& update, const UpdateItemRecord& item) {
  update.itemId = item.id;
  update.itemName = plat::unique_bstr::copy(item.name.c_str());
}

}  // namespace projectupdates

using namespace projectupdates;

// ---------------------------------------------------------------- modified documents

HRESULT ModificationsHandler::StartElement(ULONG id) {
  pending_.reset();
  if (id == kModified) pending_ = std::make_unique<ModificationRecord>();
  return S_OK;
}

HRESULT ModificationsHandler::SetAttribute(ULONG id, const SAXSchemaValue& value) {
  if (!pending_) return RefuseAttribute(id);
  ModificationRecord& modified = *pending_;
  switch (id) {
    case kID: SetNumber(modified.id, value); break;
    case kName: SetText(modified.name, value); break;
    case kType:
      SetText(modified.typeText, value);
      if (_wcsicmp(value.GetString(), L"Datasheet") == 0)
        modified.kind = ModificationRecord::kDatasheet;
      else if (_wcsicmp(value.GetString(), L"Diagram") == 0)
        modified.kind = ModificationRecord::kDiagram;
      else
        modified.kind = ModificationRecord::kOther;
      break;
    default: return RefuseAttribute(id);
  }
  return S_OK;
}

HRESULT ModificationsHandler::EndElement(ULONG id) {
  if (id == kModified && pending_) AddOwned(model_.Modifications(), pending_);
  return S_OK;
}

HRESULT ModificationsHandler::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  // "Modified" holds nothing.
  if (id != kModified || pending_) return RefuseChild(id);
  *child = this;
  return S_OK;
}

// ---------------------------------------------------------------- root

const SAXSchemaEntry* ProjectUpdatesSchema::GetSchema() { return kSchema.entries.data(); }

ProjectUpdatesParser::ProjectUpdatesParser(CProjectUpdates& model)
    : cases_(model),
      objects_(model),
      attributes_(model),
      datasheets_(model),
      diagrams_(model),
      modifications_(model) {}

HRESULT ProjectUpdatesParser::StartElement(ULONG) {
  inDocument_ = true;
  readDocument_ = true;
  return S_OK;
}

HRESULT ProjectUpdatesParser::EndElement(ULONG) {
  inDocument_ = false;
  return S_OK;
}

HRESULT ProjectUpdatesParser::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  // As the root handler this object takes only the document element, which it handles
  // itself; inside it, the groups and the modified documents.
  if (!inDocument_) {
    if (id != kProjectUpdates) return StrictSAXSchemaElementHandler::RefuseChild(id);
    *child = this;
    return S_OK;
  }
  switch (id) {
    case kCases: *child = &cases_; break;
    case kObjects: *child = &objects_; break;
    case kAttributes: *child = &attributes_; break;
    case kDatasheets: *child = &datasheets_; break;
    case kDiagrams: *child = &diagrams_; break;
    case kModifications: *child = &modifications_; break;
    default: return StrictSAXSchemaElementHandler::RefuseChild(id);
  }
  return S_OK;
}

// ---------------------------------------------------------------- model

HRESULT CProjectUpdates::Parse(BSTR xml) {
  Clear();
  ProjectUpdatesParser parser(*this);
  const HRESULT hr = parser.ParseString(xml);
  if (FAILED(hr) || parser.ReadDocument()) return hr;
  // The reader skips what it does not know, a whole document of another kind too; read as
  // empty, it would say that the project has nothing left to resolve.
  WQComException error;
  error.SetErrorHr(E_INVALIDARG, L"The reply is not a \"ProjectUpdates\" document");
  return error.ReturnHResult();
}

void CProjectUpdates::Clear() noexcept {
  for (int kind = 0; kind < kProjectItemKindCount; ++kind) {
    conflicts_[kind].RemoveAll();
    updates_[kind].RemoveAll();
  }
  modifications_.RemoveAll();
}

bool CProjectUpdates::IsEmpty() const {
  for (int kind = 0; kind < kProjectItemKindCount; ++kind)
    if (conflicts_[kind].GetCount() || updates_[kind].GetCount()) return false;
  return modifications_.GetCount() == 0;
}
