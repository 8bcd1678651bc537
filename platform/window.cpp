#include "window.h"

#include <algorithm>
#include <cwchar>

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

bool Window::CenterWindow() const noexcept {
  const HWND owner = ::GetWindow(hwnd_, GW_OWNER);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : hwnd_, MONITOR_DEFAULTTONEAREST),
                         &monitor))
    return false;
  const RECT area = monitor.rcWork;
  RECT over = area;
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &over);
  const RECT self = GetWindowRect();
  const int width = self.right - self.left;
  const int height = self.bottom - self.top;
  const int x = std::max<int>(
      area.left, std::min<int>((over.left + over.right - width) / 2, area.right - width));
  const int y = std::max<int>(
      area.top, std::min<int>((over.top + over.bottom - height) / 2, area.bottom - height));
  return SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

// The text of a list item, asked for by its length message and then its text message.
std::wstring ItemText(const Window& control, UINT lengthMsg, UINT textMsg, int index) {
  const int length = static_cast<int>(control.SendMessage(lengthMsg, index));
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied =
      static_cast<int>(control.SendMessage(textMsg, index, reinterpret_cast<LPARAM>(text.data())));
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

}  // namespace

std::wstring ListBox::GetText(int index) const {
  return ItemText(*this, LB_GETTEXTLEN, LB_GETTEXT, index);
}

std::wstring ComboBox::GetLBText(int index) const {
  return ItemText(*this, CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
}

std::vector<int> ListBox::GetSelItems() const {
  // The list's length bounds the selection: counting the selected items first would read
  // the whole list once more.
  const int count = GetCount();
  if (count <= 0) return {};
  std::vector<int> items(static_cast<size_t>(count));
  const int read =
      static_cast<int>(SendMessage(LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(items.data())));
  items.resize(read > 0 ? static_cast<size_t>(read) : 0);
  return items;
}

std::wstring ListView::GetItemText(int index, int column) const {
  // The control copies at most the buffer and gives no length: grow until the text fits.
  std::wstring text(64, L'\0');
  for (;;) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    const int copied =
        static_cast<int>(SendMessage(LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item)));
    if (copied < static_cast<int>(text.size()) - 1) {
      text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
      return text;
    }
    text.resize(text.size() * 2);
  }
}

std::vector<int> ListView::GetSelectedItems() const {
  std::vector<int> rows;
  for (int row = GetNextItem(-1, LVNI_SELECTED); row >= 0; row = GetNextItem(row, LVNI_SELECTED))
    rows.push_back(row);
  return rows;
}

namespace details {

namespace {

// The final messages a thread holds back, first to last, and how many messages its
// procedures are handling.
struct HeldFinalMessages {
  int handling = 0;
  FinalMessage* first = nullptr;
  FinalMessage* last = nullptr;
};
thread_local HeldFinalMessages held;

}  // namespace

void FinalMessage::Post(Deliver deliver, void* object, HWND hwnd) noexcept {
  deliver_ = deliver;
  object_ = object;
  hwnd_ = hwnd;
  if (posted_) return;
  posted_ = true;
  next_ = nullptr;
  (held.last ? held.last->next_ : held.first) = this;
  held.last = this;
}

void FinalMessage::Withdraw() noexcept {
  if (!posted_) return;
  FinalMessage* previous = nullptr;
  for (FinalMessage* at = held.first; at; previous = at, at = at->next_) {
    if (at != this) continue;
    (previous ? previous->next_ : held.first) = next_;
    if (held.last == this) held.last = previous;
    break;
  }
  posted_ = false;
  next_ = nullptr;
}

HandlerScope::HandlerScope() noexcept { ++held.handling; }

HandlerScope::~HandlerScope() {
  if (held.handling > 1) {
    --held.handling;
    return;
  }
  // Still counted while delivering: what a final message destroys in turn is delivered here.
  while (FinalMessage* next = held.first) {
    held.first = next->next_;
    if (!held.first) held.last = nullptr;
    next->posted_ = false;
    next->next_ = nullptr;
    const FinalMessage::Deliver deliver = next->deliver_;
    deliver(next->object_, next->hwnd_);  // may free `next`
  }
  held.handling = 0;
}

}  // namespace details

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
    case WM_CTLCOLORSTATIC: return static_cast<INT_PTR>(result);
    default: ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result); return TRUE;
  }
}

// Not the loop's result: the system's loop answers 0 for a dialog destroyed with its owner,
// and the ended dialog's own result even when the application's quit is waiting.
INT_PTR ModalOutcome::Answer(INT_PTR loopResult) const noexcept {
  if (ended_) return result_;
  return loopResult == -1 ? -1 : IDCANCEL;
}

void EnsureCommonControls() noexcept {
  static const bool registered = [] {
    const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
    return ::InitCommonControlsEx(&classes) != FALSE;
  }();
  static_cast<void>(registered);
}

}  // namespace plat
