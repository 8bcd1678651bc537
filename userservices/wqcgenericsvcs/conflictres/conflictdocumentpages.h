// CConflictDatasheetsPage and CConflictDiagramsPage: the fourth and fifth pages of the
// conflict-resolution dialog. A document is resolved as a whole: one click on an item's
// "Parent" or "Project" cell chooses that side for every conflict of the item and of its
// nested items. The two pages differ only in their data, their images and one rule on
// the parent's updates.
#pragma once

#include "conflictlistpage.h"
#include "resources/resource.h"

struct DocumentPageKind {
  ProjectItemKind items;
  int itemImage, conflictsImage, updatesImage;
  // A document the parent created or deleted shows no nested items among the updates.
  bool hidesNestedOfCreatedOrDeleted;
};

class CConflictDocumentsPage : public CConflictListPage {
 protected:
  CConflictDocumentsPage(CConflictResDlg* owner, WORD listId, const DocumentPageKind& kind);

 private:
  void FillRows() override;
  void ExpandInitially() override;
  int ChosenSide(const CConflictListItem& row) const override;
  bool Choose(CConflictListItem& row, int side) override;

  void AddConflictItem(CConflictListItem& parent, ConflictItemRecord& item,
                       CConflictListItem::Kind kind);
  void AddUpdateItem(CConflictListItem& parent, UpdateItemRecord& item,
                     CConflictListItem::Kind kind);

  const DocumentPageKind& kind_;
};

class CConflictDatasheetsPage
    : public plat::DialogImpl<CConflictDatasheetsPage, CConflictDocumentsPage> {
 public:
  static constexpr UINT IDD = IDD_CONFLICTDATASHEETS;
  static constexpr auto GetMessageMap() { return MakeMessageMap(IDC_DATASHEETLIST); }
  explicit CConflictDatasheetsPage(CConflictResDlg* owner);
};

class CConflictDiagramsPage
    : public plat::DialogImpl<CConflictDiagramsPage, CConflictDocumentsPage> {
 public:
  static constexpr UINT IDD = IDD_CONFLICTDIAGRAMS;
  static constexpr auto GetMessageMap() { return MakeMessageMap(IDC_DIAGRAMLIST); }
  explicit CConflictDiagramsPage(CConflictResDlg* owner);
};
