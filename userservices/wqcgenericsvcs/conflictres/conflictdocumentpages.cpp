#include "conflictdocumentpages.h"

#include "conflictresdlg.h"

namespace {

constexpr ListColumn kColumns[] = {
    {L"Conflicts & Updates", 140, true},
    {L"Parent", 70, false},
    {L"Project", 70, false},
};

constexpr DocumentPageKind kDatasheets{kDatasheetItems, kImageDatasheet, kImageDatasheetConflicts,
                                       kImageDatasheetUpdates, false};
constexpr DocumentPageKind kDiagrams{kDiagramItems, kImageDiagram, kImageDiagramConflicts,
                                     kImageDiagramUpdates, true};

enum Side { kNeither = 0, kParentSide = 1, kProjectSide = 2 };

const wchar_t* Text(const plat::unique_bstr& text) { return text.c_str(); }

const wchar_t* ConflictLabel(const ConflictRecord& conflict) {
  switch (conflict.type) {
    case 1: return L"Parent Item Deleted";
    case 2: return L"Deleted Item Modified";
    case 3: return L"Duplicate Item Names";
    case 5: return L"Class Change";
    default: return Text(conflict.name);
  }
}

const wchar_t* UpdateLabel(const UpdateRecord& update) {
  switch (update.type) {
    case 1: return L"Created in Parent";
    case 2: return L"Deleted in Parent";
    default: return Text(update.name);
  }
}

bool CreatedOrDeleted(const UpdateItemRecord& item) {
  for (int i = 0; i < item.details.GetCount(); ++i)
    if (item.details[i]->type == 1 || item.details[i]->type == 2) return true;
  return false;
}

// The code of a side for a conflict: deletions are resolved by deleting or reinstating.
LONG ResolutionFor(const ConflictRecord& conflict, int side) {
  switch (conflict.type) {
    case 1: return side == kParentSide ? 3 : 5;
    case 2: return side == kParentSide ? 6 : 4;
    default: return side == kParentSide ? 1 : 2;
  }
}

void ResolveAll(ConflictItemRecord& item, int side) {
  for (int i = 0; i < item.details.GetCount(); ++i)
    item.details[i]->resolution = ResolutionFor(*item.details[i], side);
  for (int i = 0; i < item.children.GetCount(); ++i) ResolveAll(*item.children[i], side);
}

int SideOf(LONG resolution) {
  switch (resolution) {
    case 1:
    case 3:
    case 6: return kParentSide;
    case 2:
    case 4:
    case 5: return kProjectSide;
    default: return kNeither;
  }
}

}  // namespace

CConflictDocumentsPage::CConflictDocumentsPage(CConflictResDlg* owner, WORD listId,
                                               const DocumentPageKind& kind)
    : CConflictListPage(owner, listId, kColumns), kind_(kind) {}

void CConflictDocumentsPage::FillRows() {
  CProjectUpdates* model = Model();
  if (!model) return;
  CConflictListItem* conflicts = nullptr;
  WQOwnedPtrArray<ConflictItemRecord>& items = model->Conflicts(kind_.items);
  for (int i = 0; i < items.GetCount(); ++i) {
    if (OpenConflictCount(*items[i]) == 0) continue;
    if (!conflicts)
      conflicts = AddRoot(L"Conflicts", CConflictListItem::kConflictsRoot, kind_.conflictsImage);
    AddConflictItem(*conflicts, *items[i], CConflictListItem::kConflictItem);
  }
  WQOwnedPtrArray<UpdateItemRecord>& updates = model->Updates(kind_.items);
  if (updates.GetCount()) {
    CConflictListItem* root =
        AddRoot(L"Updates", CConflictListItem::kUpdatesRoot, kind_.updatesImage);
    for (int i = 0; i < updates.GetCount(); ++i)
      AddUpdateItem(*root, *updates[i], CConflictListItem::kUpdateItem);
  }
}

void CConflictDocumentsPage::AddConflictItem(CConflictListItem& parent, ConflictItemRecord& item,
                                             CConflictListItem::Kind kind) {
  CConflictListItem& row = AddRow(parent, kind, kind_.itemImage, &item, Text(item.name));
  for (int i = 0; i < item.details.GetCount(); ++i) {
    ConflictRecord& conflict = *item.details[i];
    if (conflict.resolution != 0) continue;
    AddRow(row, CConflictListItem::kConflict, kImageOpenConflict, &conflict,
           ConflictLabel(conflict), Text(conflict.parentData), Text(conflict.projectData),
           Text(conflict.units));
  }
  for (int i = 0; i < item.children.GetCount(); ++i)
    AddConflictItem(row, *item.children[i], CConflictListItem::kNestedItem);
}

void CConflictDocumentsPage::AddUpdateItem(CConflictListItem& parent, UpdateItemRecord& item,
                                           CConflictListItem::Kind kind) {
  CConflictListItem& row = AddRow(parent, kind, kind_.itemImage, &item, Text(item.name));
  for (int i = 0; i < item.details.GetCount(); ++i) {
    UpdateRecord& update = *item.details[i];
    AddRow(row, CConflictListItem::kUpdate, kImageUpdate, &update, UpdateLabel(update),
           Text(update.parentData), Text(update.projectData), Text(update.units));
  }
  if (kind_.hidesNestedOfCreatedOrDeleted && CreatedOrDeleted(item)) return;
  for (int i = 0; i < item.children.GetCount(); ++i)
    AddUpdateItem(row, *item.children[i], CConflictListItem::kNestedItem);
}

// Both roots open one level; the documents stay closed.
void CConflictDocumentsPage::ExpandInitially() {
  Expand(1);
  Expand(0);
}

// The side an item carries is read from its first conflict, or from the first conflict
// of its first nested item that has any.
int CConflictDocumentsPage::ChosenSide(const CConflictListItem& row) const {
  const ConflictItemRecord* item = row.ConflictItem();
  if (!item) return -1;
  const ConflictRecord* first = item->details.GetCount() ? item->details[0] : nullptr;
  for (int i = 0; !first && i < item->children.GetCount(); ++i)
    if (item->children[i]->details.GetCount()) first = item->children[i]->details[0];
  return first ? SideOf(first->resolution) : kNeither;
}

bool CConflictDocumentsPage::Choose(CConflictListItem& row, int side) {
  ConflictItemRecord* item = row.ConflictItem();
  if (!item) return false;
  ResolveAll(*item, side);
  return true;
}

CConflictDatasheetsPage::CConflictDatasheetsPage(CConflictResDlg* owner)
    : DialogImpl(owner, IDC_DATASHEETLIST, kDatasheets) {}

CConflictDiagramsPage::CConflictDiagramsPage(CConflictResDlg* owner)
    : DialogImpl(owner, IDC_DIAGRAMLIST, kDiagrams) {}
