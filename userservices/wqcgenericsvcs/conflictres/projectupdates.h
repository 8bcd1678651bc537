// CProjectUpdates: the "ProjectUpdates" reply of "System.AdminServices" to "UpdateProject",
// read into memory. For each kind of workspace item (cases, objects, attributes,
// datasheets, diagrams) it holds the items that carry conflicts between the project and
// its parent and the items that carry updates from the parent; beside them the documents
// that a resolution modified. The conflict-resolution dialog and its pages read these
// lists and write the chosen resolutions into the conflict records in place.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <handles.h>

#include <vector>

#include "wqarray.h"

// Strings are BSTRs; an attribute that was not sent leaves a null BSTR, which COM reads
// as the empty text.

struct ConflictRecord {
  LONG type = 0;
  LONG resolution = 0;  // 0: open
  LONG id = -1;
  plat::unique_bstr name;
  plat::unique_bstr projectData;
  plat::unique_bstr parentData;
  plat::unique_bstr units;
  // Never in a reply: the pages write it (the new name of a rename) and the commit sends it.
  plat::unique_bstr data;
};

struct UpdateRecord {
  LONG type = 0;
  plat::unique_bstr name;
  plat::unique_bstr projectData;
  plat::unique_bstr parentData;
  plat::unique_bstr units;
  // The item the update belongs to, so that a page can describe the update alone.
  LONG itemId = -1;
  plat::unique_bstr itemName;
};

// One item element: its conflicts or its updates (`Detail`), and the items nested in it.
template <class Detail>
struct ProjectItemRecord {
  // How deep the reader lets items nest: far deeper than any project's hierarchy, and
  // shallow enough for every walk over the items to recurse.
  static constexpr int kMaxNesting = 256;

  ProjectItemRecord() = default;
  ProjectItemRecord(const ProjectItemRecord&) = delete;
  ProjectItemRecord& operator=(const ProjectItemRecord&) = delete;
  ~ProjectItemRecord();

  LONG id = -1;
  plat::unique_bstr name;
  WQOwnedPtrArray<Detail> details;
  WQOwnedPtrArray<ProjectItemRecord> children;
};

// However deep the items nest, freeing them takes the stack of one: the nested items are
// gathered into a list and freed from there, each with its children already taken away.
template <class Detail>
ProjectItemRecord<Detail>::~ProjectItemRecord() {
  std::vector<ProjectItemRecord*> pending;
  const auto takeChildren = [&pending](ProjectItemRecord& item) noexcept {
    for (int i = item.children.GetCount(); i-- > 0;) {
      try {
        pending.push_back(item.children[i]);
      } catch (...) {
        continue;  // without room in the list, the array frees it: the same way, one level down
      }
      item.children[i] = nullptr;
    }
    item.children.RemoveAll();
  };
  takeChildren(*this);
  while (!pending.empty()) {
    ProjectItemRecord* item = pending.back();
    pending.pop_back();
    takeChildren(*item);
    delete item;
  }
}

using ConflictItemRecord = ProjectItemRecord<ConflictRecord>;
using UpdateItemRecord = ProjectItemRecord<UpdateRecord>;

struct ModificationRecord {
  enum Kind : LONG { kOther = 0, kDatasheet = 1, kDiagram = 2 };
  LONG kind = kOther;
  LONG id = -1;
  plat::unique_bstr name;
  plat::unique_bstr typeText;  // as received
};

enum ProjectItemKind : int {
  kCaseItems,
  kObjectItems,
  kAttributeItems,
  kDatasheetItems,
  kDiagramItems,
  kProjectItemKindCount
};

class CProjectUpdates {
 public:
  CProjectUpdates() = default;
  CProjectUpdates(const CProjectUpdates&) = delete;
  CProjectUpdates& operator=(const CProjectUpdates&) = delete;
  virtual ~CProjectUpdates() = default;

  // Replaces the whole content with the reply's. The HRESULT comes with its "WQError"
  // chain installed; a failed parse keeps what was complete before the failure.
  HRESULT Parse(BSTR xml);
  void Clear() noexcept;
  // True when all eleven lists are empty.
  bool IsEmpty() const;

  WQOwnedPtrArray<ConflictItemRecord>& Conflicts(ProjectItemKind kind) { return conflicts_[kind]; }
  WQOwnedPtrArray<UpdateItemRecord>& Updates(ProjectItemKind kind) { return updates_[kind]; }
  WQOwnedPtrArray<ModificationRecord>& Modifications() { return modifications_; }
  const WQOwnedPtrArray<ConflictItemRecord>& Conflicts(ProjectItemKind kind) const {
    return conflicts_[kind];
  }
  const WQOwnedPtrArray<UpdateItemRecord>& Updates(ProjectItemKind kind) const {
    return updates_[kind];
  }
  const WQOwnedPtrArray<ModificationRecord>& Modifications() const { return modifications_; }

 private:
  WQOwnedPtrArray<ConflictItemRecord> conflicts_[kProjectItemKindCount];
  WQOwnedPtrArray<UpdateItemRecord> updates_[kProjectItemKindCount];
  WQOwnedPtrArray<ModificationRecord> modifications_;
};
