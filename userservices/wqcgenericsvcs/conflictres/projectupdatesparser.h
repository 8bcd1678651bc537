// The reader of the "ProjectUpdates" reply into a CProjectUpdates.
//
//   <ProjectUpdates>
//     <Cases>                                  (and Objects, Attributes, Datasheets, Diagrams)
//       <Conflicts>
//         <Case ID= Name=>                     an item; items of a kind nest
//           <Conflict ID= Type= Resolution= Name= ProjectData= ParentData= Units=/>
//       <Updates>
//         <Case ID= Name=>
//           <Update Type= Name= ProjectData= ParentData= Units=/>
//     <Modifications>
//       <Modified ID= Name= Type=/>
//
// Each kind has its own handler classes (CasesHandler, CaseConflictsHandler,
// ConflictCaseHandler, CaseConflictHandler, ...), so that an element is accepted only
// under the kind it belongs to. A known element in a place its parent does not accept
// fails the parse with E_INVALIDARG.
#pragma once

#include <memory>
#include <vector>

#include "projectupdates.h"
#include "saxschemaparser.h"
#include "saxstricthandler.h"

namespace projectupdates {

enum Id : ULONG {
  kProjectUpdates = 0,
  kCases = 1,
  kConflicts = 2,
  kConflict = 3,
  kUpdates = 4,
  kUpdate = 5,
  kCase = 6,
  kObject = 7,
  kObjects = 8,
  kAttributes = 9,
  kAttribute = 10,
  kDatasheets = 11,
  kDatasheet = 12,
  kDiagrams = 13,
  kDiagram = 14,
  kModifications = 15,
  kModified = 16,
  kID = 17,
  kName = 18,
  kType = 19,
  kResolution = 20,
  kParentData = 21,
  kProjectData = 22,
  kUnits = 23,
};

// The group and item element of each kind.
constexpr ULONG kGroupIds[kProjectItemKindCount] = {kCases, kObjects, kAttributes, kDatasheets,
                                                    kDiagrams};
constexpr ULONG kItemIds[kProjectItemKindCount] = {kCase, kObject, kAttribute, kDatasheet,
                                                   kDiagram};

// What differs between conflicts and updates: their place in the model, their detail
// element and its attributes, and what a detail takes from its item.
template <class Detail>
struct DetailTraits;

template <>
struct DetailTraits<ConflictRecord> {
  static constexpr ULONG kElement = kConflict;
  static WQOwnedPtrArray<ConflictItemRecord>& List(CProjectUpdates& model, ProjectItemKind kind) {
    return model.Conflicts(kind);
  }
  static HRESULT SetAttribute(ConflictRecord& conflict, ULONG id, const SAXSchemaValue& value);
  static void TakeFromItem(ConflictRecord&, const ConflictItemRecord&) {}
};

template <>
struct DetailTraits<UpdateRecord> {
  static constexpr ULONG kElement = kUpdate;
  static WQOwnedPtrArray<UpdateItemRecord>& List(CProjectUpdates& model, ProjectItemKind kind) {
    return model.Updates(kind);
  }
  static HRESULT SetAttribute(UpdateRecord& update, ULONG id, const SAXSchemaValue& value);
  static void TakeFromItem(UpdateRecord& update, const UpdateItemRecord& item);
};

// The items of one kind that are open, innermost last; an ended item goes to its parent
// item or, at the top, to the model's list.
template <class Detail>
class ItemHandler : public StrictSAXSchemaElementHandler {
 public:
  using Item = ProjectItemRecord<Detail>;

  ProjectItemRecord<Detail>* Top() const { return open_.empty() ? nullptr : open_.back().get(); }

  HRESULT StartElement(ULONG id) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT EndElement(ULONG id) override;
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;

 protected:
  ItemHandler(WQOwnedPtrArray<Item>& list, ULONG itemId, SAXSchemaElementHandler& detailHandler)
      : list_(list), itemId_(itemId), detailHandler_(detailHandler) {}

 private:
  WQOwnedPtrArray<Item>& list_;
  const ULONG itemId_;
  SAXSchemaElementHandler& detailHandler_;
  std::vector<std::unique_ptr<Item>> open_;
};

// "Conflict" or "Update": one detail of the item open in its item handler.
template <class Detail>
class DetailHandlerBase : public StrictSAXSchemaElementHandler {
 public:
  explicit DetailHandlerBase(ItemHandler<Detail>& items) : items_(items) {}
  HRESULT StartElement(ULONG id) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT EndElement(ULONG id) override;

 private:
  ItemHandler<Detail>& items_;
  std::unique_ptr<Detail> pending_;
};

template <ProjectItemKind K, class Detail>
class DetailHandler : public DetailHandlerBase<Detail> {
  using DetailHandlerBase<Detail>::DetailHandlerBase;
};

template <ProjectItemKind K, class Detail>
class KindItemHandler : public ItemHandler<Detail> {
 public:
  explicit KindItemHandler(CProjectUpdates& model)
      : ItemHandler<Detail>(DetailTraits<Detail>::List(model, K), kItemIds[K], detail_) {}

 private:
  DetailHandler<K, Detail> detail_{*this};
};

template <ProjectItemKind K>
using ConflictItemHandler = KindItemHandler<K, ConflictRecord>;
template <ProjectItemKind K>
using UpdateItemHandler = KindItemHandler<K, UpdateRecord>;
template <ProjectItemKind K>
using ConflictDetailHandler = DetailHandler<K, ConflictRecord>;
template <ProjectItemKind K>
using UpdateDetailHandler = DetailHandler<K, UpdateRecord>;

// "Conflicts" or "Updates" of a kind: holds the top-level items of that kind.
template <class Items, ProjectItemKind K>
class ItemListHandler : public StrictSAXSchemaElementHandler {
 public:
  explicit ItemListHandler(CProjectUpdates& model) : items_(model) {}
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override {
    if (id != kItemIds[K]) return RefuseChild(id);
    *child = &items_;
    return S_OK;
  }

 private:
  Items items_;
};

template <ProjectItemKind K>
using ConflictListHandler = ItemListHandler<ConflictItemHandler<K>, K>;
template <ProjectItemKind K>
using UpdateListHandler = ItemListHandler<UpdateItemHandler<K>, K>;

// The group element of a kind ("Cases", ...).
template <ProjectItemKind K>
class GroupHandler : public StrictSAXSchemaElementHandler {
 public:
  explicit GroupHandler(CProjectUpdates& model) : conflicts_(model), updates_(model) {}
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override {
    if (id == kConflicts)
      *child = &conflicts_;
    else if (id == kUpdates)
      *child = &updates_;
    else
      return RefuseChild(id);
    return S_OK;
  }

 private:
  ConflictListHandler<K> conflicts_;
  UpdateListHandler<K> updates_;
};

}  // namespace projectupdates

using CasesHandler = projectupdates::GroupHandler<kCaseItems>;
using ObjectsHandler = projectupdates::GroupHandler<kObjectItems>;
using AttributesHandler = projectupdates::GroupHandler<kAttributeItems>;
using DatasheetsHandler = projectupdates::GroupHandler<kDatasheetItems>;
using DiagramsHandler = projectupdates::GroupHandler<kDiagramItems>;

using CaseConflictsHandler = projectupdates::ConflictListHandler<kCaseItems>;
using ObjectConflictsHandler = projectupdates::ConflictListHandler<kObjectItems>;
using AttributeConflictsHandler = projectupdates::ConflictListHandler<kAttributeItems>;
using DatasheetConflictsHandler = projectupdates::ConflictListHandler<kDatasheetItems>;
using DiagramConflictsHandler = projectupdates::ConflictListHandler<kDiagramItems>;

using CaseUpdatesHandler = projectupdates::UpdateListHandler<kCaseItems>;
using ObjectUpdatesHandler = projectupdates::UpdateListHandler<kObjectItems>;
using AttributeUpdatesHandler = projectupdates::UpdateListHandler<kAttributeItems>;
using DatasheetUpdatesHandler = projectupdates::UpdateListHandler<kDatasheetItems>;
using DiagramUpdatesHandler = projectupdates::UpdateListHandler<kDiagramItems>;

using ConflictCaseHandler = projectupdates::ConflictItemHandler<kCaseItems>;
using ConflictObjectHandler = projectupdates::ConflictItemHandler<kObjectItems>;
using ConflictAttributeHandler = projectupdates::ConflictItemHandler<kAttributeItems>;
using ConflictDatasheetHandler = projectupdates::ConflictItemHandler<kDatasheetItems>;
using ConflictDiagramHandler = projectupdates::ConflictItemHandler<kDiagramItems>;

using UpdateCaseHandler = projectupdates::UpdateItemHandler<kCaseItems>;
using UpdateObjectHandler = projectupdates::UpdateItemHandler<kObjectItems>;
using UpdateAttributeHandler = projectupdates::UpdateItemHandler<kAttributeItems>;
using UpdateDatasheetHandler = projectupdates::UpdateItemHandler<kDatasheetItems>;
using UpdateDiagramHandler = projectupdates::UpdateItemHandler<kDiagramItems>;

using CaseConflictHandler = projectupdates::ConflictDetailHandler<kCaseItems>;
using ObjectConflictHandler = projectupdates::ConflictDetailHandler<kObjectItems>;
using AttributeConflictHandler = projectupdates::ConflictDetailHandler<kAttributeItems>;
using DatasheetConflictHandler = projectupdates::ConflictDetailHandler<kDatasheetItems>;
using DiagramConflictHandler = projectupdates::ConflictDetailHandler<kDiagramItems>;

using CaseUpdateHandler = projectupdates::UpdateDetailHandler<kCaseItems>;
using ObjectUpdateHandler = projectupdates::UpdateDetailHandler<kObjectItems>;
using AttributeUpdateHandler = projectupdates::UpdateDetailHandler<kAttributeItems>;
using DatasheetUpdateHandler = projectupdates::UpdateDetailHandler<kDatasheetItems>;
using DiagramUpdateHandler = projectupdates::UpdateDetailHandler<kDiagramItems>;

// "Modifications" and each "Modified" in it.
class ModificationsHandler : public StrictSAXSchemaElementHandler {
 public:
  explicit ModificationsHandler(CProjectUpdates& model) : model_(model) {}
  HRESULT StartElement(ULONG id) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT EndElement(ULONG id) override;
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;

 private:
  CProjectUpdates& model_;
  std::unique_ptr<ModificationRecord> pending_;
};

class ProjectUpdatesSchema : public SAXSchemaParser {
 public:
  const SAXSchemaEntry* GetSchema() override;
};

// The root handler, which also handles the "ProjectUpdates" element itself.
class ProjectUpdatesParser : public ProjectUpdatesSchema {
 public:
  // Appends to the lists of `model`, which must outlive the parse.
  explicit ProjectUpdatesParser(CProjectUpdates& model);

  HRESULT StartElement(ULONG id) override;
  HRESULT EndElement(ULONG id) override;
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;
  // Whether the document element was a "ProjectUpdates".
  bool ReadDocument() const { return readDocument_; }

 private:
  bool inDocument_ = false;
  bool readDocument_ = false;
  CasesHandler cases_;
  ObjectsHandler objects_;
  AttributesHandler attributes_;
  DatasheetsHandler datasheets_;
  DiagramsHandler diagrams_;
  ModificationsHandler modifications_;
};
