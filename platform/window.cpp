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
