#include "conflictattributespage.h"

#include "conflictresdlg.h"

namespace {

constexpr ListColumn kColumns[] = {
    {L"Conflicts & Updates", 200, false},
    {L"Parent", 90, false},
    {L"Project", 90, false},
    {L"Units", 380, true},
};

enum Side { kNeither = 0, kParentSide = 1, kProjectSide = 2 };

const wchar_t* Text(const plat::unique_bstr& text) { return text.c_str(); }

inline void DestroyMenuHandle(HMENU menu) noexcept { DestroyMenu(menu); }
using unique_hmenu = plat::unique_any<plat::handle_traits<HMENU, DestroyMenuHandle>>;

}  // namespace

CConflictAttributesPage::CConflictAttributesPage(CConflictResDlg* owner)
    : DialogImpl(owner, IDC_ATTRIBUTELIST, kColumns) {}

void CConflictAttributesPage::FillRows() {
  CProjectUpdates* model = Model();
  if (!model) return;
  CConflictListItem* conflicts = nullptr;
  WQOwnedPtrArray<ConflictItemRecord>& items = model->Conflicts(kAttributeItems);
  for (int i = 0; i < items.GetCount(); ++i) {
    if (OpenConflictCount(*items[i]) == 0) continue;
    if (!conflicts)
      conflicts =
          AddRoot(L"Conflicts", CConflictListItem::kConflictsRoot, kImageAttributeConflicts);
    AddConflictItem(*conflicts, *items[i]);
  }
  WQOwnedPtrArray<UpdateItemRecord>& updates = model->Updates(kAttributeItems);
  if (updates.GetCount()) {
    CConflictListItem* root =
        AddRoot(L"Updates", CConflictListItem::kUpdatesRoot, kImageAttributeUpdates);
    for (int i = 0; i < updates.GetCount(); ++i) AddUpdateItem(*root, *updates[i]);
  }
}

// Nested items come along whether or not they have open conflicts of their own.
void CConflictAttributesPage::AddConflictItem(CConflictListItem& parent, ConflictItemRecord& item) {
  CConflictListItem& row =
      AddRow(parent, CConflictListItem::kConflictItem, kImageObject, &item, Text(item.name));
  for (int i = 0; i < item.details.GetCount(); ++i) {
    ConflictRecord& conflict = *item.details[i];
    if (conflict.resolution != 0) continue;
    AddRow(row, CConflictListItem::kConflict, kImageOpenConflict, &conflict, Text(conflict.name),
           Text(conflict.parentData), Text(conflict.projectData), Text(conflict.units));
  }
  for (int i = 0; i < item.children.GetCount(); ++i) AddConflictItem(row, *item.children[i]);
}

void CConflictAttributesPage::AddUpdateItem(CConflictListItem& parent, UpdateItemRecord& item) {
  CConflictListItem& row =
      AddRow(parent, CConflictListItem::kUpdateItem, kImageObject, &item, Text(item.name));
  for (int i = 0; i < item.details.GetCount(); ++i) {
    UpdateRecord& update = *item.details[i];
    AddRow(row, CConflictListItem::kUpdate, kImageUpdate, &update, Text(update.name),
           Text(update.parentData), Text(update.projectData), Text(update.units));
  }
  for (int i = 0; i < item.children.GetCount(); ++i) AddUpdateItem(row, *item.children[i]);
}

// The whole tree opens: every row expanded in turn, as the list grows.
void CConflictAttributesPage::ExpandInitially() {
  for (int i = 0; i < ItemCount(); ++i) Expand(i);
}

int CConflictAttributesPage::ChosenSide(const CConflictListItem& row) const {
  const ConflictRecord* conflict = row.Conflict();
  if (!conflict) return -1;
  if (conflict->resolution == kParentSide || conflict->resolution == kProjectSide)
    return conflict->resolution;
  return kNeither;
}

bool CConflictAttributesPage::Choose(CConflictListItem& row, int side) {
  ConflictRecord* conflict = row.Conflict();
  if (!conflict) return false;
  conflict->resolution = side;  // 1 keeps the parent's value, 2 the project's
  return true;
}

LRESULT CConflictAttributesPage::OnRightClick(int, NMHDR* header, bool&) {
  if (reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem < 0) return 0;
  const unique_hmenu menu(LoadMenuW(owner_->GetResources(), MAKEINTRESOURCEW(IDR_ATTRIBUTEMENU)));
  if (!menu) return 0;
  POINT at;
  GetCursorPos(&at);
  TrackPopupMenu(GetSubMenu(menu.get(), 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(),
                 nullptr);
  return 0;
}
