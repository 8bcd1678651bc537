#include "window.h"

namespace plat {

std::wstring Window::GetWindowText() const {
  std::wstring text(static_cast<size_t>(GetWindowTextLength()) + 1, L'\0');
  const int length = ::GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()));
  text.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return text;
}

RECT Window::GetWindowRect() const noexcept {
  RECT rect{};
  ::GetWindowRect(hwnd_, &rect);
  return rect;
}

RECT Window::GetClientRect() const noexcept {
  RECT rect{};
  ::GetClientRect(hwnd_, &rect);
  return rect;
}

RECT Window::ScreenToClient(const RECT& screen) const noexcept {
  RECT rect = screen;
  ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::wstring ListBox::GetText(int index) const {
  const int length = static_cast<int>(SendMessage(LB_GETTEXTLEN, index));
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied =
      static_cast<int>(SendMessage(LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data())));
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

std::vector<int> ListBox::GetSelItems() const {
  const int count = GetSelCount();
  if (count <= 0) return {};
  std::vector<int> items(static_cast<size_t>(count));
  const int read = static_cast<int>(
      SendMessage(LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(items.data())));
  items.resize(read > 0 ? static_cast<size_t>(read) : 0);
  return items;
}

int ListView::InsertColumn(int index, const wchar_t* heading, int width, int format) const {
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = format;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(heading);
  column.iSubItem = index;
  return static_cast<int>(SendMessage(LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column)));
}

int ListView::InsertItem(int index, const wchar_t* text) const {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = index;
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
  // The control answers how much it copied; a full buffer may mean the text was cut.
  std::wstring text(256, L'\0');
  for (;;) {
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    const int copied = static_cast<int>(
        SendMessage(LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item)));
    if (copied < static_cast<int>(text.size()) - 1) {
      text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
      return text;
    }
    text.resize(text.size() * 2);
  }
}

bool ListView::SetItemState(int index, UINT state, UINT mask) const {
  LVITEMW item{};
  item.state = state;
  item.stateMask = mask;
  return SendMessage(LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)) != FALSE;
}

INT_PTR DialogProcResult(HWND hwnd, UINT msg, LRESULT result) noexcept {
  switch (msg) {
    // These answer through the procedure's own return value.
    case WM_INITDIALOG:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
    case WM_COMPAREITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return static_cast<INT_PTR>(result);
    default:
      ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

}  // namespace plat
