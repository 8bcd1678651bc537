#include "conflicttreepage.h"

#include <wqstring.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "conflictresdlg.h"

namespace {

const wchar_t* Text(BSTR text) { return text ? text : L""; }

// The items in the order the tree's own sorted insertion (TVI_SORT) gives them, as it
// orders every nested level: by the user's locale, with regard to case, and an item equal
// to one already there right after the first of them (so equal names end up first, then
// the later ones newest first). One sort by keys made once per name, instead of a walk of
// the siblings per item; the neighbours are checked by the tree's own comparison, which
// is what puts two names in one order at every level.
template <class Record>
std::vector<Record*> ByName(WQOwnedPtrArray<Record>& items) {
  const int count = items.GetCount();
  std::vector<std::vector<BYTE>> keys(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const wchar_t* name = Text(items[i]->name.get());
    const int size = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, name, -1, nullptr, 0);
    keys[i].resize(static_cast<size_t>(std::max(size, 0)));
    if (size > 0)
      LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, name, -1,
                   reinterpret_cast<wchar_t*>(keys[i].data()), size);
  }
  std::vector<int> order(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const std::vector<BYTE>& x = keys[a];
    const std::vector<BYTE>& y = keys[b];
    const size_t common = std::min(x.size(), y.size());
    const int compared = common ? std::memcmp(x.data(), y.data(), common) : 0;
    return compared < 0 || (compared == 0 && x.size() < y.size());
  });

  const auto compare = [&](int a, int b) {
    return ::lstrcmpW(Text(items[a]->name.get()), Text(items[b]->name.get()));
  };
  // Where a key and the tree's comparison would differ, the comparison decides: with
  // keys that agree this is one comparison per item.
  for (int i = 1; i < count; ++i)
    for (int j = i; j > 0 && compare(order[j - 1], order[j]) > 0; --j)
      std::swap(order[j - 1], order[j]);

  std::vector<Record*> sorted;
  sorted.reserve(static_cast<size_t>(count));
  for (int first = 0; first < count;) {
    int end = first + 1;
    while (end < count && compare(order[first], order[end]) == 0) ++end;
    sorted.push_back(items[order[first]]);
    for (int later = end - 1; later > first; --later) sorted.push_back(items[order[later]]);
    first = end;
  }
  return sorted;
}

const wchar_t* ConflictText(TreeText which, const ConflictRecord& conflict,
                            const ConflictItemRecord* item) {
  switch (which) {
    case TreeText::kItemName: return item ? Text(item->name.get()) : L"";
    case TreeText::kProjectData: return Text(conflict.projectData.get());
    case TreeText::kParentData: return Text(conflict.parentData.get());
    default: return L"";
  }
}

const wchar_t* UpdateText(TreeText which, const UpdateRecord& update) {
  switch (which) {
    case TreeText::kItemName: return Text(update.itemName.get());
    case TreeText::kUpdateName: return Text(update.name.get());
    case TreeText::kProjectData: return Text(update.projectData.get());
    case TreeText::kParentData: return Text(update.parentData.get());
    default: return L"";
  }
}

// The page texts go through the 1024-character formatter; the data are arguments, never
// part of the format.
WQHeapString Format(const wchar_t* format, const wchar_t* a, const wchar_t* b = L"",
                    const wchar_t* c = L"") {
  WQHeapString text;
  text.Format(format, a, b, c);
  return text;
}

}  // namespace

CConflictTreePage::CConflictTreePage(CConflictResDlg* owner, const TreePageKind& kind)
    : CConflictPage(owner), kind_(kind) {}

LRESULT CConflictTreePage::OnInitDialog() {
  InitPage();
  // The tree reports every node it frees, tens of thousands as the page closes; the nodes
  // show records the page does not own, so there is nothing to do.
  plat::EndNotificationsHere<TVN_DELETEITEMW>(hwnd());
  tree_.SubclassWindow(GetDlgItem(kind_.treeId));
  tree_.SendMessage(TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_.get()));
  description_ = GetDlgItem(IDC_CONFLICTDESCRIPTION);
  firstChoice_ = GetDlgItem(IDC_FIRSTCHOICE);
  secondChoice_ = GetDlgItem(IDC_SECONDCHOICE);
  newName_ = GetDlgItem(IDC_NEWNAME);
  HideDetails();

  // The tree takes all growth in height; the description pane stays at the bottom.
  resizer_.Attach(hwnd());
  resizer_.SetControlAnchor(kind_.treeId, RESIZE_ANCHOR_LEFT | RESIZE_ANCHOR_RIGHT,
                            RESIZE_ANCHOR_TOP | RESIZE_ANCHOR_BOTTOM);
  for (int id : {IDC_RESOLUTIONGROUP, IDC_CONFLICTDESCRIPTION, IDC_FIRSTCHOICE, IDC_SECONDCHOICE,
                 IDC_NEWNAME})
    resizer_.SetControlAnchor(id, RESIZE_ANCHOR_LEFT | RESIZE_ANCHOR_RIGHT,
                              RESIZE_KEEP_HEIGHT | RESIZE_ANCHOR_BOTTOM);
  return TRUE;
}

void CConflictTreePage::Forget() {
  tree_.SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  conflictsRoot_ = updatesRoot_ = selected_ = nullptr;
  selectedIsConflict_ = selectedIsUpdate_ = false;
  nodes_.clear();
}

void CConflictTreePage::ReleaseRecords() {
  CancelFill();
  Forget();
  HideDetails();
}

void CConflictTreePage::Fill() {
  Forget();
  FillNodes();
  HideDetails();
}

void CConflictTreePage::FillNodes() {
  // Without redrawing, each node costs the tree the same whatever the tree holds.
  const plat::RedrawPause pause(tree_);
  if (CProjectUpdates* model = Model()) {
    std::deque<PendingItem> pending;
    for (ConflictItemRecord* conflict : ByName(model->Conflicts(kind_.items))) {
      if (OpenConflictCount(*conflict) == 0) continue;
      if (!conflictsRoot_)
        conflictsRoot_ = Insert(TVI_ROOT, TVI_LAST, L"Conflicts", kind_.conflictsImage,
                                Node{NodeKind::kRoot, nullptr, nullptr});
      pending.push_back(AddConflictItem(conflictsRoot_, *conflict, TVI_LAST));
    }
    InsertPendingChildren(pending);
    if (conflictsRoot_)
      tree_.SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(conflictsRoot_));

    WQOwnedPtrArray<UpdateItemRecord>& updates = model->Updates(kind_.items);
    if (updates.GetCount()) {
      updatesRoot_ = Insert(TVI_ROOT, TVI_LAST, L"Updates", kind_.updatesImage,
                            Node{NodeKind::kRoot, nullptr, nullptr});
      if (kind_.nested) {
        for (UpdateItemRecord* update : ByName(updates))
          pending.push_back(AddUpdateItem(updatesRoot_, *update, TVI_LAST));
        InsertPendingChildren(pending);
      } else {
        for (int i = 0; i < updates.GetCount(); ++i) AddUpdates(updatesRoot_, *updates[i]);
      }
      tree_.SendMessage(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(updatesRoot_));
    }
  }
}

HTREEITEM CConflictTreePage::Insert(HTREEITEM parent, HTREEITEM after, const wchar_t* text,
                                    int image, Node node, bool expanded) {
  nodes_.push_back(node);
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = after;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  insert.item.pszText = const_cast<wchar_t*>(text);
  insert.item.iImage = insert.item.iSelectedImage = image;
  insert.item.lParam = reinterpret_cast<LPARAM>(&nodes_.back());
  if (expanded) {
    // What expanding it once its children are in would leave.
    insert.item.mask |= TVIF_STATE;
    insert.item.state = insert.item.stateMask = TVIS_EXPANDED | TVIS_EXPANDEDONCE;
  }
  return reinterpret_cast<HTREEITEM>(
      tree_.SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

bool CConflictTreePage::HasChildren(const ConflictItemRecord& item) const {
  if (kind_.nested && item.children.GetCount()) return true;
  for (int i = 0; i < item.details.GetCount(); ++i)
    if (item.details[i]->resolution == 0 && ConflictType(item.details[i]->type)) return true;
  return false;
}

bool CConflictTreePage::HasChildren(const UpdateItemRecord& item) const {
  if (item.children.GetCount()) return true;
  for (int i = 0; i < item.details.GetCount(); ++i)
    if (UpdateType(item.details[i]->type)) return true;
  return false;
}

CConflictTreePage::PendingItem CConflictTreePage::AddConflictItem(HTREEITEM parent,
                                                                  ConflictItemRecord& item,
                                                                  HTREEITEM after) {
  const HTREEITEM node = Insert(parent, after, Text(item.name.get()), kind_.itemImage,
                                Node{NodeKind::kItem, &item, nullptr}, HasChildren(item));
  return PendingItem{node, &item, nullptr};
}

CConflictTreePage::PendingItem CConflictTreePage::AddUpdateItem(HTREEITEM parent,
                                                                UpdateItemRecord& item,
                                                                HTREEITEM after) {
  const HTREEITEM node = Insert(parent, after, Text(item.name.get()), kind_.itemImage,
                                Node{NodeKind::kItem, &item, nullptr}, HasChildren(item));
  return PendingItem{node, nullptr, &item};
}

// The tree finds a parent by a walk of every node in the order they were made, so the item
// nodes go in level by level, each level before the children that name them as parents.
void CConflictTreePage::InsertPendingChildren(std::deque<PendingItem>& pending) {
  for (; !pending.empty(); pending.pop_front()) {
    const PendingItem at = pending.front();
    if (ConflictItemRecord* item = at.conflictItem) {
      for (int i = 0; i < item->details.GetCount(); ++i) {
        ConflictRecord& conflict = *item->details[i];
        const TreeConflictType* type = ConflictType(conflict.type);
        if (conflict.resolution != 0 || !type) continue;
        Insert(at.node, TVI_SORT, type->label, kImageOpenConflict,
               Node{NodeKind::kConflict, &conflict, item});
      }
      if (kind_.nested) {
        for (int i = 0; i < item->children.GetCount(); ++i)
          pending.push_back(AddConflictItem(at.node, *item->children[i], TVI_SORT));
      }
    } else if (UpdateItemRecord* item = at.updateItem) {
      AddUpdates(at.node, *item);
      for (int i = 0; i < item->children.GetCount(); ++i)
        pending.push_back(AddUpdateItem(at.node, *item->children[i], TVI_SORT));
    }
  }
}

void CConflictTreePage::AddUpdates(HTREEITEM parent, UpdateItemRecord& item) {
  for (int i = 0; i < item.details.GetCount(); ++i) {
    UpdateRecord& update = *item.details[i];
    if (const TreeUpdateType* type = UpdateType(update.type))
      Insert(parent, TVI_SORT, type->label, kImageUpdate,
             Node{NodeKind::kUpdate, &update, nullptr});
  }
}

const CConflictTreePage::Node* CConflictTreePage::NodeOf(HTREEITEM node) const {
  if (!node) return nullptr;
  TVITEMW item{};
  item.mask = TVIF_PARAM;
  item.hItem = node;
  if (!tree_.SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<const Node*>(item.lParam);
}

const TreeConflictType* CConflictTreePage::ConflictType(LONG type) const {
  for (const TreeConflictType& row : kind_.conflicts)
    if (row.type == type) return &row;
  return nullptr;
}

const TreeUpdateType* CConflictTreePage::UpdateType(LONG type) const {
  for (const TreeUpdateType& row : kind_.updates)
    if (row.type == type) return &row;
  return nullptr;
}

LRESULT CConflictTreePage::OnSelChanged(int, NMHDR* header, bool&) {
  // The page's selection changes before anything is shown: filling the edit box reports a
  // change of its text, which belongs to the newly selected conflict.
  selected_ = reinterpret_cast<const NMTREEVIEWW*>(header)->itemNew.hItem;
  // A node is a conflict or an update only when it was made for one: an item node without
  // children stays what it is, wherever it stands.
  const Node* node = NodeOf(selected_);
  selectedIsConflict_ = node && node->kind == NodeKind::kConflict;
  selectedIsUpdate_ = node && node->kind == NodeKind::kUpdate;
  if (selectedIsConflict_)
    ShowConflict(*node);
  else if (selectedIsUpdate_)
    ShowUpdate(*node);
  else
    HideDetails();
  return 0;
}

void CConflictTreePage::ShowConflict(const Node& node) {
  const ConflictRecord& conflict = *static_cast<const ConflictRecord*>(node.record);
  const TreeConflictType* type = ConflictType(conflict.type);
  description_.ShowWindow(SW_SHOW);
  if (!type) {
    description_.SetWindowText(L"");
    firstChoice_.ShowWindow(SW_HIDE);
    secondChoice_.ShowWindow(SW_HIDE);
    newName_.ShowWindow(SW_HIDE);
    return;
  }
  auto text = [&](TreeText which) { return ConflictText(which, conflict, node.item); };
  description_.SetWindowText(Format(type->description, text(type->descriptionText)).GetString());
  firstChoice_.SetWindowText(Format(type->firstChoice, text(type->firstText)).GetString());
  secondChoice_.SetWindowText(Format(type->secondChoice, text(type->secondText)).GetString());
  firstChoice_.SetCheck(conflict.resolution == type->firstCode);
  secondChoice_.SetCheck(conflict.resolution == type->secondCode);
  // A radio button drops its tab stop when unchecked: with neither chosen, the group keeps
  // one on its first button, or Tab would never reach the choices.
  if (!firstChoice_.GetCheck() && !secondChoice_.GetCheck())
    SetWindowLongPtrW(firstChoice_, GWL_STYLE, firstChoice_.GetStyle() | WS_TABSTOP);
  firstChoice_.ShowWindow(SW_SHOW);
  secondChoice_.ShowWindow(SW_SHOW);

  const RECT first = ScreenToClient(firstChoice_.GetWindowRect());
  int width = ScreenToClient(secondChoice_.GetWindowRect()).right -
              ScreenToClient(secondChoice_.GetWindowRect()).left;
  if (type->newName) {
    newName_.SetWindowText(Text(conflict.data.get()));
    newName_.EnableWindow(conflict.resolution == 7);
    newName_.ShowWindow(SW_SHOW);
    width = ScreenToClient(newName_.GetWindowRect()).left - 5 - first.left;
  } else {
    newName_.ShowWindow(SW_HIDE);
  }
  firstChoice_.ResizeWindow(width, first.bottom - first.top);
}

void CConflictTreePage::ShowUpdate(const Node& node) {
  const UpdateRecord& update = *static_cast<const UpdateRecord*>(node.record);
  firstChoice_.ShowWindow(SW_HIDE);
  secondChoice_.ShowWindow(SW_HIDE);
  newName_.ShowWindow(SW_HIDE);
  description_.ShowWindow(SW_SHOW);
  const TreeUpdateType* type = UpdateType(update.type);
  if (!type || !type->description) {
    description_.SetWindowText(L"");
    return;
  }
  description_.SetWindowText(Format(type->description, UpdateText(type->texts[0], update),
                                    UpdateText(type->texts[1], update),
                                    UpdateText(type->texts[2], update))
                                 .GetString());
}

void CConflictTreePage::HideDetails() {
  description_.ShowWindow(SW_HIDE);
  firstChoice_.ShowWindow(SW_HIDE);
  secondChoice_.ShowWindow(SW_HIDE);
  newName_.ShowWindow(SW_HIDE);
}

void CConflictTreePage::Choose(bool first) {
  if (!selectedIsConflict_) return;
  const Node* node = NodeOf(selected_);
  if (!node) return;
  ConflictRecord& conflict = *static_cast<ConflictRecord*>(node->record);
  if (const TreeConflictType* type = ConflictType(conflict.type)) {
    conflict.resolution = first ? type->firstCode : type->secondCode;
    if (type->newName) newName_.EnableWindow(first);
    SetNodeImage(selected_, kImageResolved);
    CarryResolvedUpward(selected_);
    owner_->UpdateConflictCount();
  }
  (first ? secondChoice_ : firstChoice_).SetCheck(false);
}

void CConflictTreePage::OnChangeNewName() {
  if (!selectedIsConflict_) return;
  const Node* node = NodeOf(selected_);
  if (!node) return;
  static_cast<ConflictRecord*>(node->record)->data =
      plat::unique_bstr::copy(newName_.GetWindowText().c_str());
}

void CConflictTreePage::SetNodeImage(HTREEITEM node, int image) {
  TVITEMW item{};
  item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  item.hItem = node;
  item.iImage = item.iSelectedImage = image;
  tree_.SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

int CConflictTreePage::NodeImage(HTREEITEM node) const {
  TVITEMW item{};
  item.mask = TVIF_IMAGE;
  item.hItem = node;
  tree_.SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return item.iImage;
}

void CConflictTreePage::CarryResolvedUpward(HTREEITEM node) {
  while (node && node != conflictsRoot_) {
    const auto parent = reinterpret_cast<HTREEITEM>(
        tree_.SendMessage(TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(node)));
    if (!parent) return;
    for (auto child = reinterpret_cast<HTREEITEM>(
             tree_.SendMessage(TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
         child; child = reinterpret_cast<HTREEITEM>(tree_.SendMessage(
                    TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)))) {
      if (NodeImage(child) != kImageResolved) return;
    }
    SetNodeImage(parent, kImageResolved);
    node = parent;
  }
}
