// A borrowing wrapper of a list-view control (report view): columns, items with their
// sub-item texts and item data, selection, and the small image list.
#pragma once

#include "window.h"

#include <string>
#include <vector>

namespace plat {

class ListView : public Window {
 public:
  using Window::Window;
  ListView(const Window& window) noexcept : Window(window.hwnd()) {}

  // The position of the new column, or -1.
  int InsertColumn(int index, const wchar_t* text, int width, int format = LVCFMT_LEFT) const;
  int GetItemCount() const noexcept {
    return static_cast<int>(SendMessage(LVM_GETITEMCOUNT));
  }
  // The position of the new item, or -1. `image` -1 shows none.
  int InsertItem(int index, const wchar_t* text, int image = -1) const;
  bool SetItemText(int index, int subItem, const wchar_t* text) const;
  std::wstring GetItemText(int index, int subItem = 0) const;
  bool SetItemData(int index, LPARAM data) const;
  LPARAM GetItemData(int index) const;
  bool DeleteAllItems() const noexcept { return SendMessage(LVM_DELETEALLITEMS) != FALSE; }

  // The first selected item after `after` (-1: from the start), or -1.
  int GetNextSelected(int after = -1) const noexcept {
    return static_cast<int>(SendMessage(LVM_GETNEXTITEM, after, LVNI_SELECTED));
  }
  std::vector<int> GetSelectedItems() const;
  int GetSelectedCount() const noexcept {
    return static_cast<int>(SendMessage(LVM_GETSELECTEDCOUNT));
  }
  // Selects (or deselects) one item; -1 means every item.
  bool SetSelected(int index, bool selected) const;

  HIMAGELIST SetSmallImageList(HIMAGELIST images) const noexcept {
    return reinterpret_cast<HIMAGELIST>(
        SendMessage(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images)));
  }
};

inline void destroy_imagelist(HIMAGELIST images) noexcept { ::ImageList_Destroy(images); }
using unique_himagelist = unique_any<handle_traits<HIMAGELIST, destroy_imagelist>>;

}  // namespace plat
