// The conflict list of the attributes, datasheets and diagrams pages: a tree of rows shown
// in a report-style list view that the page draws itself (tree lines, expand boxes, the
// row's image, and in the "Parent" and "Project" columns the side chosen). A row's
// children are in the list only while the row is expanded. The list is virtual: the page
// keeps the rows it shows and answers for them. The user opens and closes rows
// with the box or the keypad's plus and minus keys, and resolves by clicking the value to
// keep, or with Space on the focused row (a blank typed inside a search is part of the
// search, not a choice; the keypad's plus and minus type nothing); what a click resolves is the
// page's choice.
#pragma once

#include <typeahead.h>

#include <span>
#include <string>
#include <vector>

#include "conflictpage.h"

struct CConflictListItem {
  enum Kind : LONG {
    kConflictsRoot = 2,
    kUpdatesRoot = 3,
    kConflictItem = 4,  // an item under "Conflicts"
    kUpdateItem = 5,    // an item under "Updates"
    kNestedItem = 6,    // a nested item of the datasheets and diagrams pages
    kConflict = 7,
    kUpdate = 8,
  };

  CConflictListItem(Kind kind, int image, CConflictListItem* parent, void* record)
      : kind(kind),
        image(image),
        level(parent ? parent->level + 1 : 0),
        record(record),
        parent(parent) {}

  // The record of a conflict item row or a conflict row; null for any other row.
  ConflictItemRecord* ConflictItem() const {
    return kind == kConflictItem ? static_cast<ConflictItemRecord*>(record) : nullptr;
  }
  ConflictRecord* Conflict() const {
    return kind == kConflict ? static_cast<ConflictRecord*>(record) : nullptr;
  }

  std::wstring texts[4];  // the first column, "Parent", "Project", "Units"
  LONG kind;
  LONG image;
  LONG level;
  void* record;  // the model record the row shows; none for the roots
  WQOwnedPtrArray<CConflictListItem> children;
  CConflictListItem* parent;
  LONG expanded = 0;
};

// A column and its width in pixels; a width taken from the list counts back from its
// client width at initialisation.
struct ListColumn {
  const wchar_t* title;
  int width;
  bool fromClientWidth;
};

class CConflictListPage : public CConflictPage {
 public:
  ~CConflictListPage() override;
  void ReleaseRecords() override {
    CancelFill();
    Clear();
  }

 protected:
  CConflictListPage(CConflictResDlg* owner, WORD listId, std::span<const ListColumn> columns);

  static constexpr auto MakeMessageMap(WORD listId) {
    return plat::MessageMap{
        plat::OnMessage(WM_INITDIALOG, &CConflictListPage::OnInitDialog),
        plat::OnMessage(WM_DESTROY, &CConflictListPage::OnDestroy),
        plat::OnMessage(WM_SHOWWINDOW, &CConflictListPage::OnShowWindow),
        plat::Chain(&CConflictListPage::resizer_),
        plat::OnMessage(WM_SIZE, &CConflictListPage::OnSize),
        plat::OnMessage(WM_COMMAND, &CConflictListPage::Ignore),
        plat::OnNotify(listId, NM_CUSTOMDRAW, &CConflictListPage::OnCustomDraw),
        plat::OnNotify(listId, LVN_KEYDOWN, &CConflictListPage::OnKeyDown),
        plat::OnNotify(listId, NM_CLICK, &CConflictListPage::OnClickList),
        plat::OnNotify(listId, NM_RCLICK, &CConflictListPage::OnRightClick),
        plat::OnNotify(listId, LVN_GETDISPINFOW, &CConflictListPage::OnGetDispInfo),
        plat::OnNotify(listId, LVN_ODFINDITEMW, &CConflictListPage::OnFindItem)};
  }

  // Builds the row tree from the model, then opens what should show at first.
  virtual void FillRows() = 0;
  virtual void ExpandInitially() = 0;
  // The side a row shows as chosen: 1 "Parent", 2 "Project", 0 neither; -1 for a row
  // that carries no choice.
  virtual int ChosenSide(const CConflictListItem& row) const = 0;
  // The choice of a click in "Parent" (1) or "Project" (2); false when the row takes none.
  virtual bool Choose(CConflictListItem& row, int side) = 0;
  virtual LRESULT OnRightClick(int, NMHDR*, bool&) { return 0; }

  CConflictListItem* AddRoot(const wchar_t* text, CConflictListItem::Kind kind, int image);
  static CConflictListItem& AddRow(CConflictListItem& parent, CConflictListItem::Kind kind,
                                   int image, void* record, const wchar_t* first,
                                   const wchar_t* parentText = nullptr,
                                   const wchar_t* projectText = nullptr,
                                   const wchar_t* units = nullptr);
  void Expand(int index);
  void Collapse(int index);
  int ItemCount() const;

 private:
  LRESULT OnInitDialog();
  void OnDestroy() { UnregisterPage(); }
  void OnSize();
  LRESULT OnCustomDraw(int, NMHDR* header, bool&);
  LRESULT OnKeyDown(int, NMHDR* header, bool&);
  LRESULT OnGetDispInfo(int, NMHDR* header, bool&);
  // Finding a row shown by its first column.
  LRESULT OnFindItem(int, NMHDR* header, bool&) {
    return list_.Find(*reinterpret_cast<NMLVFINDITEMW*>(header));
  }
  void OnClickList();
  // The choice of a click in "Parent" (1) or "Project" (2) of the row at `index`, shown.
  void ChooseSide(int index, int side);

  void Fill() override;
  void Clear();
  // Tells the list its new row count after `count` rows were added (or, negative, taken
  // away) after row `at`; the selected and focused row stay with the row they were on.
  void RowsChanged(int at, int count);
  CConflictListItem* RowAt(int index) const;
  bool IsLast(const CConflictListItem& row) const;
  void DrawCell(const NMLVCUSTOMDRAW& draw);
  void DrawTreeLines(HDC dc, const CConflictListItem& row, const RECT& cell) const;
  void CarryResolvedUpward(CConflictListItem* row);

  WORD listId_;
  std::span<const ListColumn> columns_;
  plat::ListTypeAhead list_;     // type-ahead over the rows shown, by their first column
  unique_himagelist rowHeight_;  // 1 by 16: every line is 16 pixels high
  WQOwnedPtrArray<CConflictListItem> roots_;
  std::vector<CConflictListItem*> shown_;  // the list's rows, in order
  bool filling_ = false;
  int treeColumn_ = 0;
  int listWidth_ = 0;
};
