#include "conflictresdlg.h"

#include <wqstring.h>

#include "conflictattributespage.h"
#include "conflictcasespage.h"
#include "conflictdocumentpages.h"
#include "conflictobjectspage.h"
#include "modelessregistry.h"

int OpenConflictCount(const ConflictItemRecord& item) {
  int open = 0;
  for (int i = 0; i < item.details.GetCount(); ++i)
    if (item.details[i]->resolution == 0) ++open;
  for (int i = 0; i < item.children.GetCount(); ++i) open += OpenConflictCount(*item.children[i]);
  return open;
}

long CountRemainingConflicts(const CProjectUpdates* model) {
  long count = 0;
  if (!model) return count;
  for (int k = 0; k < kProjectItemKindCount; ++k) {
    const auto kind = static_cast<ProjectItemKind>(k);
    const WQOwnedPtrArray<ConflictItemRecord>& items = model->Conflicts(kind);
    for (int i = 0; i < items.GetCount(); ++i) {
      const int open = OpenConflictCount(*items[i]);
      // A datasheet is resolved as a whole, so it counts as one.
      count += kind == kDatasheetItems ? (open > 0 ? 1 : 0) : open;
    }
  }
  return count;
}

CConflictResDlg::CConflictResDlg(CProjectUpdates* model, IWQWorkspace* workspace,
                                 HINSTANCE resources)
    : model_(model),
      workspace_(workspace),
      resources_(resources),
      registryKey_(plat::unique_bstr::copy(L"")) {}

CConflictResDlg::~CConflictResDlg() { DestroyPages(); }

HINSTANCE CConflictResDlg::GetResources() const {
  return resources_ ? resources_ : plat::module().GetInstance();
}

CConflictPage* CConflictResDlg::Page(int index) const {
  switch (index) {
    case 0: return casesPage_.get();
    case 1: return objectsPage_.get();
    case 2: return attributesPage_.get();
    case 3: return datasheetsPage_.get();
    case 4: return diagramsPage_.get();
    default: return nullptr;
  }
}

LRESULT CConflictResDlg::OnInitDialog() {
  RegisterModelessWindow(hwnd(), 0, registryKey_.get());
  count_ = GetDlgItem(IDC_CONFLICTCOUNT);
  ok_ = GetDlgItem(IDOK);
  cancel_ = GetDlgItem(IDCANCEL);
  const RECT window = GetWindowRect();
  minWidth_ = window.right - window.left;
  minHeight_ = window.bottom - window.top;

  RECT area = GetClientRect();
  area.left += 5;
  area.top += 5;
  area.right -= 5;
  area.bottom -= 35;
  if (!tabs_.Create(hwnd(), area, L"TabControl", IDC_CONFLICTTABS, WS_CHILD | WS_VISIBLE))
    plat::throw_hresult(plat::hresult_from_last_error());
  tabs_.SetFont(GetFont());

  resizer_.Attach(hwnd());
  resizer_.SetControlAnchor(IDC_CONFLICTTABS, RESIZE_ANCHOR_LEFT | RESIZE_ANCHOR_RIGHT,
                            RESIZE_ANCHOR_TOP | RESIZE_ANCHOR_BOTTOM);
  resizer_.SetControlAnchor(IDC_CONFLICTCOUNT, RESIZE_ANCHOR_LEFT | RESIZE_ANCHOR_RIGHT,
                            RESIZE_KEEP_HEIGHT | RESIZE_ANCHOR_BOTTOM);
  for (int id : {IDOK, IDCANCEL, IDC_CLAIMICON})
    resizer_.SetControlAnchor(id, RESIZE_KEEP_WIDTH | RESIZE_ANCHOR_RIGHT,
                              RESIZE_KEEP_HEIGHT | RESIZE_ANCHOR_BOTTOM);
  SetWindowText(L"Update Report");

  casesPage_ = std::make_unique<CConflictCasesPage>(this);
  objectsPage_ = std::make_unique<CConflictObjectsPage>(this);
  attributesPage_ = std::make_unique<CConflictAttributesPage>(this);
  datasheetsPage_ = std::make_unique<CConflictDatasheetsPage>(this);
  diagramsPage_ = std::make_unique<CConflictDiagramsPage>(this);
  for (int i = 0; i < 5; ++i) Page(i)->SetOwner(model_);
  casesPage_->Create(hwnd(), resources_);
  objectsPage_->Create(hwnd(), resources_);
  attributesPage_->Create(hwnd(), resources_);
  datasheetsPage_->Create(hwnd(), resources_);
  diagramsPage_->Create(hwnd(), resources_);
  // The pages lie over the tab control, above it among the dialog's children.
  for (int i = 0; i < 5; ++i)
    plat::Window(Page(i)->GetPageWindow())
        .SetWindowPos(HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  static constexpr const wchar_t* kTitles[] = {L"Cases", L"Objects", L"Attributes", L"Datasheets",
                                               L"Diagrams"};
  for (int i = 0; i < 5; ++i) tabs_.AddPage(Page(i), kTitles[i], 0);
  tabs_.SelectPage(0);

  UpdateConflictCount();
  return TRUE;
}

void CConflictResDlg::UpdateConflictCount() {
  WQHeapString text;
  text.Format(L" Conflicts Remaining: %ld", CountRemainingConflicts(model_));
  count_.SetWindowText(text.GetString());
  UpdateWindow(count_);
}

void CConflictResDlg::ReleaseModelViews() {
  for (int i = 0; i < 5; ++i)
    if (CConflictPage* page = Page(i)) page->ReleaseRecords();
}

// The pages stay: a handler still running may use them (a commit showing its error while
// the client destroys the owner). They go with the dialog object.
void CConflictResDlg::OnDestroy() { UnregisterModelessWindow(hwnd()); }

// A page's window goes before its object: the window's procedure still refers to it.
template <class Page>
static void DestroyPage(std::unique_ptr<Page>& page) {
  if (!page) return;
  if (page->IsWindow()) DestroyWindow(page->hwnd());
  page.reset();
}

void CConflictResDlg::DestroyPages() {
  DestroyPage(casesPage_);
  DestroyPage(objectsPage_);
  DestroyPage(attributesPage_);
  DestroyPage(datasheetsPage_);
  DestroyPage(diagramsPage_);
}

void CConflictResDlg::OnSize() { InvalidateRect(hwnd(), nullptr, TRUE); }

LRESULT CConflictResDlg::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool&) {
  return KeepMinimumSize(lParam, minWidth_, minHeight_);
}

void CConflictResDlg::OnOK() {
  if (!tabs_.UpdateAllPages()) return;
  // The commit shows its own errors; the dialog closes either way.
  tabs_.CommitPages();
  EndDialog(IDOK);
}

void CConflictResDlg::OnCancel() { EndDialog(IDCANCEL); }
