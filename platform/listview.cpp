#include "listview.h"

namespace plat {

int ListView::InsertColumn(int index, const wchar_t* text, int width, int format) const {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.fmt = format;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(text ? text : L"");
  return static_cast<int>(
      SendMessage(LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column)));
}

int ListView::InsertItem(int index, const wchar_t* text, int image) const {
  LVITEMW item{};
  item.mask = LVIF_TEXT | (image >= 0 ? LVIF_IMAGE : 0);
  item.iItem = index;
  item.iImage = image;
  item.pszText = const_cast<wchar_t*>(text ? text : L"");
  return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool ListView::SetItemText(int index, int subItem, const wchar_t* text) const {
  LVITEMW item{};
  item.iSubItem = subItem;
  item.pszText = const_cast<wchar_t*>(text ? text : L"");
  return SendMessage(LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item)) != FALSE;
}

std::wstring ListView::GetItemText(int index, int subItem) const {
  // The control copies at most the buffer and says how much it copied: grow until the
  // text fits with room to spare.
  std::wstring text(64, L'\0');
  for (;;) {
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    const int copied =
        static_cast<int>(SendMessage(LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item)));
    if (copied < static_cast<int>(text.size()) - 1) {
      text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
      return text;
    }
    text.assign(text.size() * 2, L'\0');
  }
}

bool ListView::SetItemData(int index, LPARAM data) const {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  item.lParam = data;
  return SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != FALSE;
}

LPARAM ListView::GetItemData(int index) const {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  return SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

std::vector<int> ListView::GetSelectedItems() const {
  std::vector<int> items;
  for (int i = GetNextSelected(); i >= 0; i = GetNextSelected(i)) items.push_back(i);
  return items;
}

bool ListView::SetSelected(int index, bool selected) const {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  item.state = selected ? LVIS_SELECTED : 0;
  return SendMessage(LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)) != FALSE;
}

}  // namespace plat
