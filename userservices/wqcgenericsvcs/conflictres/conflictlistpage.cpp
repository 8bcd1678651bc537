#include "conflictlistpage.h"

#include <algorithm>
#include <memory>

#include "conflictresdlg.h"

namespace {

constexpr int kLevelIndent = 16;
constexpr COLORREF kTreeLineColor = RGB(192, 192, 192);

// Collapsed rows show a plus, expanded ones a minus, in a 9 by 9 box.
void DrawExpandBox(HDC dc, int left, int top, bool plus) {
  plat::SelectObjectScope brush(dc, GetSysColorBrush(COLOR_WINDOW));
  Rectangle(dc, left, top, left + 9, top + 9);
  MoveToEx(dc, left + 2, top + 4, nullptr);
  LineTo(dc, left + 7, top + 4);
  if (plus) {
    MoveToEx(dc, left + 4, top + 2, nullptr);
    LineTo(dc, left + 4, top + 7);
  }
}

// The header takes "&" as a mnemonic marker and would draw "Conflicts & Updates" as
// "Conflicts Updates"; doubled, it shows as itself.
std::wstring HeaderText(const wchar_t* title) {
  std::wstring text;
  for (const wchar_t* c = title; *c; ++c) {
    if (*c == L'&') text += L'&';
    text += *c;
  }
  return text;
}

}  // namespace

CConflictListPage::CConflictListPage(CConflictResDlg* owner, WORD listId,
                                     std::span<const ListColumn> columns)
    : CConflictPage(owner), listId_(listId), columns_(columns) {}

CConflictListPage::~CConflictListPage() { roots_.RemoveAll(); }

LRESULT CConflictListPage::OnInitDialog() {
  InitPage();
  list_.SubclassWindow(GetDlgItem(listId_));
  list_.SetRowText([this](int row) { return shown_[row]->texts[0].c_str(); });
  list_.SetCommandKeys({VK_ADD, VK_SUBTRACT});
  constexpr DWORD kExtended = LVS_EX_GRIDLINES | LVS_EX_BORDERSELECT;
  list_.SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, kExtended, kExtended);
  rowHeight_.reset(ImageList_Create(1, 16, ILC_COLOR, 1, 1));
  list_.SendMessage(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rowHeight_.get()));

  listWidth_ = list_.GetClientRect().right;
  for (size_t i = 0; i < columns_.size(); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    // A negative width would ask the list to size the column itself.
    column.cx = std::max(
        0, columns_[i].fromClientWidth ? listWidth_ - columns_[i].width : columns_[i].width);
    std::wstring title = HeaderText(columns_[i].title);
    column.pszText = title.data();
    column.iSubItem = static_cast<int>(i);
    list_.SendMessage(LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }

  resizer_.Attach(hwnd());
  resizer_.SetControlAnchor(listId_, RESIZE_ANCHOR_LEFT | RESIZE_ANCHOR_RIGHT,
                            RESIZE_ANCHOR_TOP | RESIZE_ANCHOR_BOTTOM);
  return TRUE;
}

void CConflictListPage::OnSize() {
  // The first column takes what the list gains or loses in width.
  const int width = list_.GetClientRect().right;
  if (width != listWidth_) {
    const int column = static_cast<int>(list_.SendMessage(LVM_GETCOLUMNWIDTH, treeColumn_));
    list_.SendMessage(LVM_SETCOLUMNWIDTH, treeColumn_, std::max(0, column + width - listWidth_));
    listWidth_ = width;
  }
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void CConflictListPage::Fill() {
  Clear();
  // The list learns the row count once, when the rows that show at first are known.
  filling_ = true;
  FillRows();
  ExpandInitially();
  filling_ = false;
  list_.SendMessage(LVM_SETITEMCOUNT, shown_.size(), 0);
}

void CConflictListPage::Clear() {
  shown_.clear();
  list_.SendMessage(LVM_SETITEMCOUNT, 0, 0);
  roots_.RemoveAll();
}

int CConflictListPage::ItemCount() const { return static_cast<int>(shown_.size()); }

CConflictListItem* CConflictListPage::RowAt(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= shown_.size()) return nullptr;
  return shown_[static_cast<size_t>(index)];
}

void CConflictListPage::RowsChanged(int at, int count) {
  if (filling_) return;
  // A virtual list keeps its states by row number, where a list of its own rows kept them
  // with the rows.
  const auto next = [this](int flags) {
    return static_cast<int>(list_.SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), flags));
  };
  const int selected = next(LVNI_SELECTED);
  const int focused = next(LVNI_FOCUSED);
  list_.SendMessage(LVM_SETITEMCOUNT, shown_.size(), LVSICF_NOSCROLL);
  const auto moved = [&](int row) {
    if (row <= at) return row;
    if (count < 0 && row <= at - count) return -1;  // the row is no longer shown
    return row + count;
  };
  const auto setState = [this](int row, UINT state, UINT mask) {
    LVITEMW item{};
    item.state = state;
    item.stateMask = mask;
    list_.SendMessage(LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  };
  if (moved(selected) != selected || moved(focused) != focused) {
    setState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (moved(selected) >= 0) setState(moved(selected), LVIS_SELECTED, LVIS_SELECTED);
    if (moved(focused) >= 0) setState(moved(focused), LVIS_FOCUSED, LVIS_FOCUSED);
  }
  InvalidateRect(list_, nullptr, TRUE);
}

LRESULT CConflictListPage::OnGetDispInfo(int, NMHDR* header, bool&) {
  LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
  const CConflictListItem* row = RowAt(item.iItem);
  if (!row) return 0;
  if (item.mask & LVIF_PARAM) item.lParam = reinterpret_cast<LPARAM>(row);
  if (item.mask & LVIF_IMAGE) item.iImage = row->image;
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
    const bool known = item.iSubItem >= 0 && item.iSubItem < 4;
    lstrcpynW(item.pszText, known ? row->texts[item.iSubItem].c_str() : L"", item.cchTextMax);
  }
  return 0;
}

CConflictListItem* CConflictListPage::AddRoot(const wchar_t* text, CConflictListItem::Kind kind,
                                              int image) {
  auto row = std::make_unique<CConflictListItem>(kind, image, nullptr, nullptr);
  row->texts[0] = text;
  roots_.Add(row.get());
  CConflictListItem* root = row.release();
  shown_.push_back(root);
  RowsChanged(static_cast<int>(shown_.size()) - 2, 1);
  return root;
}

CConflictListItem& CConflictListPage::AddRow(CConflictListItem& parent,
                                             CConflictListItem::Kind kind, int image, void* record,
                                             const wchar_t* first, const wchar_t* parentText,
                                             const wchar_t* projectText, const wchar_t* units) {
  auto row = std::make_unique<CConflictListItem>(kind, image, &parent, record);
  const wchar_t* texts[4] = {first, parentText, projectText, units};
  for (int i = 0; i < 4; ++i) row->texts[i] = texts[i] ? texts[i] : L"";
  parent.children.Add(row.get());
  return *row.release();
}

void CConflictListPage::Expand(int index) {
  CConflictListItem* row = RowAt(index);
  if (!row || row->expanded || !row->children.GetCount()) return;
  // A row's children are closed while it is: they come in alone.
  const auto at = shown_.begin() + index + 1;
  shown_.insert(at, row->children.GetData(), row->children.GetData() + row->children.GetCount());
  row->expanded = 1;
  RowsChanged(index, row->children.GetCount());
}

void CConflictListPage::Collapse(int index) {
  CConflictListItem* row = RowAt(index);
  if (!row || !row->expanded) return;
  // Every row below it of a deeper level is one of its open descendants; they close with it.
  size_t end = static_cast<size_t>(index) + 1;
  for (; end < shown_.size() && shown_[end]->level > row->level; ++end) shown_[end]->expanded = 0;
  shown_.erase(shown_.begin() + index + 1, shown_.begin() + static_cast<std::ptrdiff_t>(end));
  row->expanded = 0;
  RowsChanged(index, -static_cast<int>(end - static_cast<size_t>(index) - 1));
}

LRESULT CConflictListPage::OnKeyDown(int, NMHDR* header, bool&) {
  const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey;
  if (key == VK_SPACE) {
    // The keyboard's click: the parent's value first, then each press the other side.
    const int focused =
        static_cast<int>(list_.SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (const CConflictListItem* row = RowAt(focused))
      ChooseSide(focused, ChosenSide(*row) == 1 ? 2 : 1);
    return 0;
  }
  if (key != VK_ADD && key != VK_SUBTRACT) return 0;
  const int selected =
      static_cast<int>(list_.SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (selected < 0) return 0;
  if (key == VK_ADD)
    Expand(selected);
  else
    Collapse(selected);
  return 0;
}

void CConflictListPage::OnClickList() {
  POINT at;
  GetCursorPos(&at);
  ::ScreenToClient(list_, &at);
  LVHITTESTINFO hit{};
  hit.pt = at;
  list_.SendMessage(LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  CConflictListItem* row = RowAt(hit.iItem);
  if (!row) return;
  if (hit.iSubItem == treeColumn_) {
    // Only the expand box's strip of the row's level toggles it.
    const int left = row->level * kLevelIndent;
    if (at.x > left + 4 && at.x < left + 24) {
      if (row->expanded)
        Collapse(hit.iItem);
      else
        Expand(hit.iItem);
    }
    return;
  }
  if (hit.iSubItem == 1 || hit.iSubItem == 2) ChooseSide(hit.iItem, hit.iSubItem);
}

void CConflictListPage::ChooseSide(int index, int side) {
  CConflictListItem* row = RowAt(index);
  if (!row || !Choose(*row, side)) return;
  row->image = kImageResolved;
  CarryResolvedUpward(row);
  InvalidateRect(list_, nullptr, TRUE);
  owner_->UpdateConflictCount();
}

void CConflictListPage::CarryResolvedUpward(CConflictListItem* row) {
  while (row && row->kind != CConflictListItem::kConflictsRoot && row->parent) {
    CConflictListItem* parent = row->parent;
    for (int i = 0; i < parent->children.GetCount(); ++i)
      if (parent->children[i]->image != kImageResolved) return;
    parent->image = kImageResolved;
    row = parent;
  }
}

bool CConflictListPage::IsLast(const CConflictListItem& row) const {
  const WQOwnedPtrArray<CConflictListItem>& siblings = row.parent ? row.parent->children : roots_;
  return siblings.GetCount() && siblings[siblings.GetCount() - 1] == &row;
}

LRESULT CConflictListPage::OnCustomDraw(int, NMHDR* header, bool&) {
  const auto& draw = *reinterpret_cast<const NMLVCUSTOMDRAW*>(header);
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
    case CDDS_ITEMPREPAINT:
    case CDDS_ITEMPOSTPAINT: return CDRF_NOTIFYITEMDRAW;  // the same value asks for every sub-item
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: DrawCell(draw); return CDRF_SKIPDEFAULT;
    default: return CDRF_DODEFAULT;
  }
}

void CConflictListPage::DrawCell(const NMLVCUSTOMDRAW& draw) {
  const int index = static_cast<int>(draw.nmcd.dwItemSpec);
  const CConflictListItem* row = RowAt(index);
  const int column = draw.iSubItem;
  if (!row || column < 0 || column >= static_cast<int>(columns_.size())) return;
  RECT cell{};
  cell.top = column;
  cell.left = LVIR_LABEL;
  if (!list_.SendMessage(LVM_GETSUBITEMRECT, index, reinterpret_cast<LPARAM>(&cell))) return;
  const HDC dc = draw.nmcd.hdc;

  int textLeft = cell.left + 2;
  if (column == treeColumn_) {
    const plat::unique_hgdiobj pen(CreatePen(PS_SOLID, 1, kTreeLineColor));
    plat::SelectObjectScope usePen(dc, pen.get());
    DrawTreeLines(dc, *row, cell);
    int x = cell.left + row->level * kLevelIndent;
    if (row->children.GetCount()) DrawExpandBox(dc, x + 8, cell.top + 4, !row->expanded);
    x += 18;
    ImageList_Draw(images_.get(), row->image, dc, x, cell.top, ILD_TRANSPARENT);
    x += 17;
    textLeft = x + 2;
  }

  const bool selected =
      (list_.SendMessage(LVM_GETITEMSTATE, index, LVIS_SELECTED) & LVIS_SELECTED) != 0;
  const COLORREF back = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
  const COLORREF fore = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
  {
    const plat::unique_hgdiobj brush(CreateSolidBrush(back));
    const plat::unique_hgdiobj pen(CreatePen(PS_SOLID, 1, back));
    plat::SelectObjectScope useBrush(dc, brush.get());
    plat::SelectObjectScope usePen(dc, pen.get());
    Rectangle(dc, textLeft - 1, cell.top, cell.right + 1, cell.bottom);
  }

  RECT text{textLeft, cell.top, cell.right, cell.bottom};
  if (column == 1 || column == 2) {
    const int side = ChosenSide(*row);
    if (side >= 0) {
      ImageList_Draw(images_.get(), side == column ? kImageChosenSide : kImageOtherSide, dc,
                     textLeft, cell.top, ILD_TRANSPARENT);
      text.left += 16;
    }
  }
  const COLORREF previousText = SetTextColor(dc, fore);
  const COLORREF previousBack = SetBkColor(dc, back);
  const std::wstring& value = row->texts[column];
  DrawTextW(dc, value.c_str(), static_cast<int>(value.size()), &text,
            DT_VCENTER | DT_SINGLELINE | DT_EXTERNALLEADING | DT_NOPREFIX | DT_END_ELLIPSIS);
  SetTextColor(dc, previousText);
  SetBkColor(dc, previousBack);
}

// Every level takes 16 pixels; the line of position n runs at n * 16 - 4 with its stub 8
// pixels below the top. A row's own connector is at its level + 1, its ancestors' at the
// positions below that.
void CConflictListPage::DrawTreeLines(HDC dc, const CConflictListItem& row,
                                      const RECT& cell) const {
  const int top = cell.top, bottom = cell.bottom, stub = cell.top + 8;
  auto lineX = [&](int position) { return cell.left + position * kLevelIndent - 4; };
  auto vertical = [&](int position, int from, int to) {
    MoveToEx(dc, lineX(position), from, nullptr);
    LineTo(dc, lineX(position), to);
  };
  auto horizontal = [&](int position) {
    MoveToEx(dc, lineX(position), stub, nullptr);
    LineTo(dc, cell.left + position * kLevelIndent + 6, stub);
  };

  enum class Connector { kNone, kL, kT, kCorner };
  Connector connector;
  if (row.parent) {
    connector = IsLast(row) ? Connector::kL : Connector::kT;
  } else if (roots_.GetCount() < 2) {
    connector = Connector::kNone;
  } else if (roots_[0] == &row) {
    connector = Connector::kCorner;
  } else {
    connector = IsLast(row) ? Connector::kL : Connector::kT;
  }
  const int own = row.level + 1;
  switch (connector) {
    case Connector::kL:
      vertical(own, top, stub);
      horizontal(own);
      break;
    case Connector::kT:
      vertical(own, top, bottom);
      horizontal(own);
      break;
    case Connector::kCorner:
      horizontal(own);
      vertical(own, stub, bottom);
      break;
    case Connector::kNone: break;
  }
  int position = row.level;
  for (const CConflictListItem* ancestor = row.parent; ancestor; ancestor = ancestor->parent) {
    if (!IsLast(*ancestor)) vertical(position, top, bottom);
    --position;
  }
}
