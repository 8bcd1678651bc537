#include "claimdlg.h"

#include <algorithm>
#include <array>
#include <cwchar>
#include <iterator>

namespace {

constexpr int kColumnMargin = 12;
constexpr int kWidestColumn = 100;

struct Column {
  const wchar_t* heading;
  PartText ObjectPart::*text;
  bool fitsTexts;  // widened to its texts, up to kWidestColumn; else as wide as its heading
};

const Column kColumns[] = {
    {L"Name", &ObjectPart::Name, true},
    {L"Can Claim", &ObjectPart::ClaimExtent, true},
    {L"Class", &ObjectPart::Class, true},
    {L"In Scope", &ObjectPart::InScope, false},
    {L"Claim Status", &ObjectPart::ClaimSetting, false},
    {L"Claimed By", &ObjectPart::ClaimedBy, true},
};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

// Texts measured as the list measures them, in its font, with one device context for
// all: the list's own measure takes a device context per call, which a list of thousands
// of parts pays for every cell. A text equal to the one before it in its column (the
// class, the claim extent of many parts in a row) is not measured again; one the parts
// share is not even compared.
class TextWidths {
 public:
  explicit TextWidths(const plat::Window& list) : dc_(list), font_(dc_, list.GetFont()) {}

  // The width of the text of a cell in `column`.
  int Of(size_t column, const PartText& text) {
    Last& last = last_.at(column);
    if (last.text &&
        (last.text->SharesCopyWith(text) || wcscmp(last.text->c_str(), text.c_str()) == 0))
      return last.width;
    SIZE size{};
    GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(wcslen(text.c_str())), &size);
    last = {&text, size.cx};
    return size.cx;
  }

 private:
  struct Last {
    const PartText* text;
    int width;
  };
  plat::WindowDC dc_;
  plat::SelectObjectScope font_;
  std::array<Last, kColumnCount> last_{};
};

}  // namespace

LRESULT CClaimDlg::OnInitDialog() {
  const RECT window = GetWindowRect();
  minTrackSize_ = {window.right - window.left, window.bottom - window.top};

  ok_ = GetDlgItem(IDOK);
  list_.SubclassWindow(GetDlgItem(IDC_CLAIMLIST));
  list_.SetRowText([this](int row) { return RowText(row, 0); });
  shared_ = GetDlgItem(IDC_SHARED);
  exclusiveButton_ = GetDlgItem(IDC_EXCLUSIVE);

  SetExclusive(true);
  for (int i = 0; i < kColumnCount; ++i)
    list_.InsertColumn(i, kColumns[i].heading,
                       list_.GetStringWidth(kColumns[i].heading) + kColumnMargin);
  list_.AddExtendedStyle(LVS_EX_FULLROWSELECT);

  if (parts_.GetCount() == 0) {
    ok_.EnableWindow(false);
  } else {
    // A row per part, its texts given as the list shows them: a hundred thousand parts
    // open at once, where a list holding every cell took seconds and hundreds of megabytes.
    FitColumns();
    list_.SendMessage(LVM_SETITEMCOUNT, parts_.GetCount(), LVSICF_NOINVALIDATEALL);
    list_.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    UpdateForItem(0);
  }

  resizer_.Attach(hwnd());
  constexpr UINT kStretch[] = {RESIZE_ANCHOR_LEFT | RESIZE_ANCHOR_RIGHT,
                               RESIZE_ANCHOR_TOP | RESIZE_ANCHOR_BOTTOM};
  constexpr UINT kBottomLeft[] = {RESIZE_KEEP_WIDTH | RESIZE_ANCHOR_LEFT,
                                  RESIZE_KEEP_HEIGHT | RESIZE_ANCHOR_BOTTOM};
  constexpr UINT kBottomRight[] = {RESIZE_KEEP_WIDTH | RESIZE_ANCHOR_RIGHT,
                                   RESIZE_KEEP_HEIGHT | RESIZE_ANCHOR_BOTTOM};
  resizer_.SetControlAnchor(IDC_CLAIMLIST, kStretch[0], kStretch[1]);
  for (int id : {IDC_CLAIMSETTINGLABEL, IDC_SHARED, IDC_EXCLUSIVE})
    resizer_.SetControlAnchor(id, kBottomLeft[0], kBottomLeft[1]);
  for (int id : {IDOK, IDCANCEL, IDC_CLAIMICON})
    resizer_.SetControlAnchor(id, kBottomRight[0], kBottomRight[1]);
  return TRUE;
}

// Each column that fits its texts is as wide as the widest text it shows, up to
// kWidestColumn: once a column is that wide no text can widen it further.
void CClaimDlg::FitColumns() {
  TextWidths measure(list_);
  int widths[kColumnCount];
  for (int i = 0; i < kColumnCount; ++i) widths[i] = list_.GetColumnWidth(i);
  for (int row = 0; row < parts_.GetCount(); ++row) {
    const ObjectPart& part = *parts_[row];
    for (int i = 0; i < kColumnCount; ++i) {
      if (!kColumns[i].fitsTexts || widths[i] >= kWidestColumn) continue;
      const int width = measure.Of(i, part.*kColumns[i].text) + kColumnMargin;
      widths[i] = std::max(widths[i], width);
    }
  }
  for (int i = 0; i < kColumnCount; ++i)
    if (kColumns[i].fitsTexts) list_.SetColumnWidth(i, std::min(widths[i], kWidestColumn));
}

const wchar_t* CClaimDlg::RowText(int row, int column) const {
  if (row < 0 || row >= parts_.GetCount() || column < 0 || column >= kColumnCount) return L"";
  return (parts_[row]->*kColumns[column].text).c_str();
}

LRESULT CClaimDlg::OnGetDispInfo(int, NMHDR* header, bool&) {
  LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0)
    lstrcpynW(item.pszText, RowText(item.iItem, item.iSubItem), item.cchTextMax);
  return 0;
}

LRESULT CClaimDlg::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool&) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  info->ptMinTrackSize = {minTrackSize_.cx, minTrackSize_.cy};
  return 0;
}

// The parts are the dialog's own, not the rows': a notification per row as the list is
// destroyed would tell nothing.
LRESULT CClaimDlg::OnListDeleteAll(int, NMHDR*, bool&) { return TRUE; }

void CClaimDlg::OnSize() { InvalidateRect(hwnd(), nullptr, TRUE); }

void CClaimDlg::OnOK() {
  // The part claimed is the one the list shows as chosen now, even if a change of the
  // selection has not settled yet.
  OnListClick();
  // Return reaches here even while OK is disabled: no part that can be claimed is chosen.
  if (ok_.IsWindowEnabled()) EndDialog(IDOK);
}

void CClaimDlg::SetExclusive(bool exclusive) {
  exclusive_ = exclusive;
  exclusiveButton_.SetCheck(exclusive);
  shared_.SetCheck(!exclusive);
}

bool CClaimDlg::UpdateForItem(int index) {
  if (index < 0 || index >= parts_.GetCount()) return false;
  const ObjectPart& part = *parts_[index];
  switch (part.ClaimMode) {
    case 0:
      exclusiveButton_.EnableWindow(false);
      shared_.EnableWindow(false);
      ok_.EnableWindow(false);
      chosenOid_ = -1;
      return false;
    case 1:
      exclusiveButton_.EnableWindow(false);
      shared_.EnableWindow(true);
      SetExclusive(false);
      break;
    default:
      exclusiveButton_.EnableWindow(true);
      shared_.EnableWindow(true);
      break;
  }
  chosenOid_ = part.OID;
  ok_.EnableWindow(true);
  return true;
}

void CClaimDlg::OnListClick() {
  const int selected = list_.GetNextItem(-1, LVNI_SELECTED);
  if (selected < 0) {
    exclusiveButton_.EnableWindow(true);
    shared_.EnableWindow(true);
    ok_.EnableWindow(false);
    return;
  }
  UpdateForItem(selected);
}

void CClaimDlg::OnListDoubleClick() {
  const int selected = list_.GetNextItem(-1, LVNI_SELECTED);
  if (selected >= 0 && UpdateForItem(selected)) EndDialog(IDOK);
}

// A selection moved with the keyboard counts as much as a click: OK must always claim the
// part that the list shows as chosen. When the selection moves, the row left loses it just
// before the row reached takes it; the buttons wait for that, so OK is not turned off and on
// again (a repaint each) at every row a person passes.
LRESULT CClaimDlg::OnListItemChanged(int, NMHDR* header, bool&) {
  const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
  if (!(change->uChanged & LVIF_STATE) ||
      !((change->uNewState ^ change->uOldState) & LVIS_SELECTED))
    return 0;
  if (change->uNewState & LVIS_SELECTED)
    OnListClick();
  else if (!settlePosted_)
    settlePosted_ = PostMessage(kSelectionSettled);
  return 0;
}

LRESULT CClaimDlg::OnSelectionSettled(UINT, WPARAM, LPARAM, bool&) {
  settlePosted_ = false;
  OnListClick();
  return 0;
}
