#include "conflictobjectspage.h"

namespace {

// Type 4 has no label: such a conflict is never shown here, though it counts as open.
constexpr TreeConflictType kObjectConflicts[] = {
    {1, L"Parent Item Deleted",
     L"Item has been deleted in the parent but has been modified in the project.", TreeText::kNone,
     L"Delete Item in Project", TreeText::kNone, 3, L"Reinstate Item in Parent", TreeText::kNone, 5,
     false},
    {2, L"Deleted Item Modified",
     L"Item has been deleted in the project but has been modified in the parent.", TreeText::kNone,
     L"Reinstate Item in Project (with modifications)", TreeText::kNone, 6,
     L"Delete Item in Parent", TreeText::kNone, 4, false},
    {3, L"Duplicate Item Names",
     L"Items exist in both the project and the parent with the same name.", TreeText::kNone,
     L"Rename Item in Project", TreeText::kNone, 7, L"Accept duplicate names", TreeText::kNone, 8,
     true},
    {5, L"Class Change", L"Item's class has been changed in both the project and the parent.",
     TreeText::kNone, L"Accept class '%s' from project", TreeText::kProjectData, 2,
     L"Accept class '%s' from parent", TreeText::kParentData, 1, false},
    {6, L"Association Change in Parent & Project",
     L"The association '%s' has been changed in both the project and the parent.",
     TreeText::kItemName, L"Accept association from project '%s'", TreeText::kProjectData, 2,
     L"Accept association from parent '%s'", TreeText::kParentData, 1, false},
};

constexpr TreeUpdateType kObjectUpdates[] = {
    {1,
     L"Item Created in Parent",
     L"Item '%s' has been created in the parent and will be created in the project.",
     {TreeText::kItemName}},
    {2,
     L"Item Deleted in Parent",
     L"Item '%s' has been deleted from the parent and will be deleted from the project.",
     {TreeText::kItemName}},
    {4,
     L"Association changed in Parent",
     L"The association '%s' has been changed from '%ls' to '%ls' in the parent project.",
     {TreeText::kUpdateName, TreeText::kProjectData, TreeText::kParentData}},
};

constexpr TreePageKind kObjectsPage{IDC_OBJECTTREE,      kObjectItems,  kImageObjectConflicts,
                                    kImageObjectUpdates, kImageObject,  true,
                                    kObjectConflicts,    kObjectUpdates};

}  // namespace

CConflictObjectsPage::CConflictObjectsPage(CConflictResDlg* owner)
    : DialogImpl(owner, kObjectsPage) {}
