// The tree pages (cases and objects): the open conflicts of one kind of item under a
// "Conflicts" root and the parent's updates under an "Updates" root. Selecting a conflict
// explains it below the tree and offers its two resolutions as radio buttons, with an edit
// box for the new name of a duplicate; a choice goes into the conflict record at once.
// What differs between the two pages is a table of texts and codes per conflict type.
#pragma once

#include <typeahead.h>

#include <deque>
#include <span>

#include "conflictpage.h"
#include "resources/resource.h"

// Which text fills the %s of a description or a choice.
enum class TreeText { kNone, kItemName, kProjectData, kParentData, kUpdateName };

// One conflict type of a page: its node text, how it is explained and its two choices.
struct TreeConflictType {
  LONG type;
  const wchar_t* label;
  const wchar_t* description;
  TreeText descriptionText;
  const wchar_t* firstChoice;
  TreeText firstText;
  LONG firstCode;
  const wchar_t* secondChoice;
  TreeText secondText;
  LONG secondCode;
  bool newName;  // a duplicate: the first choice renames, with the edit box's text
};

struct TreeUpdateType {
  LONG type;
  const wchar_t* label;
  const wchar_t* description;
  TreeText texts[3];
};

struct TreePageKind {
  WORD treeId;
  ProjectItemKind items;
  int conflictsImage, updatesImage, itemImage;
  // Item nodes under both roots, with their nested items (objects); otherwise only the
  // top-level items under "Conflicts" and the bare updates under "Updates" (cases).
  bool nested;
  std::span<const TreeConflictType> conflicts;
  std::span<const TreeUpdateType> updates;
};

class CConflictTreePage : public CConflictPage {
 public:
  void ReleaseRecords() override;

 protected:
  CConflictTreePage(CConflictResDlg* owner, const TreePageKind& kind);

  static constexpr auto MakeMessageMap(WORD treeId) {
    return plat::MessageMap{
        plat::OnMessage(WM_INITDIALOG, &CConflictTreePage::OnInitDialog),
        plat::OnMessage(WM_DESTROY, &CConflictTreePage::OnDestroy),
        plat::OnMessage(WM_SHOWWINDOW, &CConflictTreePage::OnShowWindow),
        plat::Chain(&CConflictTreePage::resizer_),
        plat::OnCommand(IDC_FIRSTCHOICE, BN_CLICKED, &CConflictTreePage::OnClickedChoice1),
        plat::OnCommand(IDC_SECONDCHOICE, BN_CLICKED, &CConflictTreePage::OnClickedChoice2),
        plat::OnCommand(IDC_NEWNAME, EN_CHANGE, &CConflictTreePage::OnChangeNewName),
        plat::OnMessage(WM_COMMAND, &CConflictTreePage::Ignore),
        plat::OnNotify(treeId, TVN_SELCHANGEDW, &CConflictTreePage::OnSelChanged)};
  }

 private:
  enum class NodeKind { kRoot, kItem, kConflict, kUpdate };
  // What a tree node shows; the node's item data points to it. A conflict node also
  // knows the item that holds the conflict.
  struct Node {
    NodeKind kind;
    void* record;
    const ConflictItemRecord* item;
  };

  LRESULT OnInitDialog();
  void OnDestroy() { UnregisterPage(); }
  void OnClickedChoice1() { Choose(true); }
  void OnClickedChoice2() { Choose(false); }
  void OnChangeNewName();
  LRESULT OnSelChanged(int, NMHDR* header, bool&);

  void Fill() override;
  void FillNodes();
  void Forget();
  // An item node whose children are still to come.
  struct PendingItem {
    HTREEITEM node;
    ConflictItemRecord* conflictItem;
    UpdateItemRecord* updateItem;
  };

  HTREEITEM Insert(HTREEITEM parent, HTREEITEM after, const wchar_t* text, int image, Node node,
                   bool expanded = false);
  // `after` is where the item goes among its siblings (nested items are sorted in). The
  // node shows expanded when it will have children.
  PendingItem AddConflictItem(HTREEITEM parent, ConflictItemRecord& item, HTREEITEM after);
  PendingItem AddUpdateItem(HTREEITEM parent, UpdateItemRecord& item, HTREEITEM after);
  void InsertPendingChildren(std::deque<PendingItem>& pending);
  bool HasChildren(const ConflictItemRecord& item) const;
  bool HasChildren(const UpdateItemRecord& item) const;
  void AddUpdates(HTREEITEM parent, UpdateItemRecord& item);
  const Node* NodeOf(HTREEITEM node) const;
  const TreeConflictType* ConflictType(LONG type) const;
  const TreeUpdateType* UpdateType(LONG type) const;

  void ShowConflict(const Node& node);
  void ShowUpdate(const Node& node);
  void HideDetails();
  void Choose(bool first);
  void SetNodeImage(HTREEITEM node, int image);
  int NodeImage(HTREEITEM node) const;
  void CarryResolvedUpward(HTREEITEM node);

  const TreePageKind& kind_;
  plat::TreeTypeAhead tree_;  // type-ahead over the nodes shown
  plat::Window description_;
  plat::Button firstChoice_, secondChoice_;
  plat::Edit newName_;
  HTREEITEM conflictsRoot_ = nullptr;
  HTREEITEM updatesRoot_ = nullptr;
  HTREEITEM selected_ = nullptr;
  bool selectedIsConflict_ = false;
  bool selectedIsUpdate_ = false;
  std::deque<Node> nodes_;
};
