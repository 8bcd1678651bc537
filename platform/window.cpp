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

namespace {

// Whether `text` begins with the `length` characters of `prefix`, without regard to case.
bool BeginsWith(const wchar_t* text, const wchar_t* prefix, size_t length) noexcept {
  // A text shorter than the prefix cannot begin with it.
  if (wcsnlen(text, length) < length) return false;
  const int compared = static_cast<int>(length);
  return ::CompareStringOrdinal(text, compared, prefix, compared, TRUE) == CSTR_EQUAL;
}

}  // namespace

LRESULT FindVirtualListRow(const NMLVFINDITEMW& find, int count,
                           const std::function<const wchar_t*(int row)>& rowText) {
  const LVFINDINFOW& wanted = find.lvfi;
  if (!(wanted.flags & (LVFI_STRING | LVFI_PARTIAL)) || !wanted.psz || count <= 0) return -1;
  const size_t length = wcslen(wanted.psz);
  const bool partial = (wanted.flags & LVFI_PARTIAL) != 0;
  const int first = find.iStart < 0 || find.iStart >= count ? 0 : find.iStart;
  const int rows = (wanted.flags & LVFI_WRAP) ? count : count - first;
  for (int i = 0; i < rows; ++i) {
    const int row = (first + i) % count;
    const wchar_t* text = rowText(row);
    if (!text) text = L"";
    if (partial ? BeginsWith(text, wanted.psz, length)
                : ::CompareStringOrdinal(text, -1, wanted.psz, -1, TRUE) == CSTR_EQUAL)
      return row;
  }
  return -1;
}

// ---------------------------------------------------------------- type-ahead

DWORD TypeAhead::SearchPause() noexcept { return ::GetDoubleClickTime(); }

bool TypeAhead::Searching() const noexcept {
  return !typed_.empty() && ::GetTickCount() - lastKeyAt_ < SearchPause();
}

bool TypeAhead::SubclassWindow(HWND control) noexcept {
  if (control_ || !::IsWindow(control)) return false;
  control_ = control;
  ::SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  controlProcedure_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure)));
  return true;
}

void TypeAhead::UnsubclassWindow() noexcept {
  if (!control_) return;
  ::SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProcedure_));
  ::SetWindowLongPtrW(control_, GWLP_USERDATA, 0);
  control_ = nullptr;
}

LRESULT CALLBACK TypeAhead::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TypeAhead*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  const WNDPROC control = self->controlProcedure_;
  try {
    switch (msg) {
      case WM_KEYDOWN:
        if (self->OnKeyDown(wParam)) return 0;
        break;
      case WM_CHAR: self->OnChar(static_cast<wchar_t>(wParam)); return 0;
      case WM_NCDESTROY: self->UnsubclassWindow(); break;
    }
  } catch (...) {
    self->typed_.clear();  // out of memory: what was typed is forgotten
  }
  return ::CallWindowProcW(control, hwnd, msg, wParam, lParam);
}

bool TypeAhead::OnKeyDown(WPARAM key) {
  dropCharacter_ = false;
  if (std::find(commandKeys_.begin(), commandKeys_.end(), key) != commandKeys_.end()) {
    dropCharacter_ = true;
    typed_.clear();
  } else if (key == VK_SPACE || key == VK_BACK) {
    if (key == VK_SPACE && ::GetKeyState(VK_CONTROL) < 0)
      typed_.clear();  // Ctrl+Space is the control's, and types no blank
    else if (Searching())
      return true;  // a blank or a correction of the name being typed, not a key to the
                    // control (a tree goes up to the parent on Backspace) or its owner
  } else if (key != VK_PACKET && key != VK_SHIFT && key != VK_CONTROL && key != VK_MENU &&
             key != VK_CAPITAL && (key < VK_LSHIFT || key > VK_RMENU) &&
             !::MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_CHAR)) {
    // A key that types nothing (an arrow, Home, ...) moves on from what was typed; the keys
    // that only shift a character and the one that brings a character of its own
    // (VK_PACKET) do not.
    typed_.clear();
  }
  return false;
}

void TypeAhead::OnChar(wchar_t typed) {
  if (std::exchange(dropCharacter_, false)) return;
  const bool searching = Searching();
  if (typed == L'\b') {
    if (!searching) return;
    typed_.pop_back();
    lastKeyAt_ = ::GetTickCount();
    if (!typed_.empty()) Search(false);
    return;
  }
  if (typed < L' ' || typed == 0x7F) {  // a control character types nothing
    typed_.clear();
    return;
  }
  if (!searching) {
    typed_.clear();
    if (typed == L' ') return;  // Space, which the key already did
  }
  typed_ += typed;
  lastKeyAt_ = ::GetTickCount();
  Search(typed_.size() == 1);
}

void TypeAhead::Search(bool fromNext) {
  const Item focused = FocusedItem();
  Item found = kNoItem;
  const auto begins = [&](Item item, const wchar_t* text) {
    if (!BeginsWith(text ? text : L"", typed_.c_str(), typed_.size())) return false;
    found = item;
    return true;
  };
  // From the focused item to the last, then from the first back to the focused one.
  bool skip = fromNext && focused != kNoItem;
  Walk(focused, typed_.size(), [&](Item item, const wchar_t* text) {
    return !std::exchange(skip, false) && begins(item, text);
  });
  if (found == kNoItem && focused != kNoItem)
    Walk(kNoItem, typed_.size(),
         [&](Item item, const wchar_t* text) { return begins(item, text) || item == focused; });
  if (found != kNoItem) Reach(found);
}

// ---------------------------------------------------------------- list type-ahead

const wchar_t* ListTypeAhead::RowTextOf(int row) {
  if (rowText_) return rowText_(row);
  shown_ = GetItemText(row, 0);
  return shown_.c_str();
}

LRESULT ListTypeAhead::Find(const NMLVFINDITEMW& find) {
  return FindVirtualListRow(find, GetItemCount(), [this](int row) { return RowTextOf(row); });
}

void ListTypeAhead::Walk(Item from, size_t, const Visit& visit) {
  const int count = GetItemCount();
  for (int row = from == kNoItem ? 0 : static_cast<int>(from); row < count; ++row)
    if (visit(row, RowTextOf(row))) return;
}

void ListTypeAhead::Reach(Item item) {
  const int row = static_cast<int>(item);
  // The row alone selected, as the list selects the row an arrow key reaches.
  const bool alone = SendMessage(LVM_GETSELECTEDCOUNT) == 1 &&
                     SendMessage(LVM_GETITEMSTATE, row, LVIS_SELECTED) != 0;
  if (!alone) SetItemState(-1, 0, LVIS_SELECTED);
  SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SendMessage(LVM_SETSELECTIONMARK, 0, row);
  SendMessage(LVM_ENSUREVISIBLE, row, FALSE);
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

// ---------------------------------------------------------------- tree type-ahead

TypeAhead::Item TreeTypeAhead::FocusedItem() const {
  const LRESULT caret = SendMessage(TVM_GETNEXTITEM, TVGN_CARET);
  return caret ? static_cast<Item>(caret) : kNoItem;
}

void TreeTypeAhead::Walk(Item from, size_t length, const Visit& visit) {
  shown_.resize(length + 1);
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  // The first root item is always shown; each next one shown follows an expanded parent
  // into its children.
  for (LRESULT at = from == kNoItem ? SendMessage(TVM_GETNEXTITEM, TVGN_ROOT) : from; at;
       at = SendMessage(TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, at)) {
    item.hItem = reinterpret_cast<HTREEITEM>(at);
    item.pszText = shown_.data();
    item.cchTextMax = static_cast<int>(shown_.size());
    shown_[0] = L'\0';
    if (!SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) continue;
    // The tree may answer with a text of its own rather than copy it.
    if (visit(at, item.pszText)) return;
  }
}

void TreeTypeAhead::Reach(Item item) {
  SendMessage(TVM_SELECTITEM, TVGN_CARET, item);
  SendMessage(TVM_ENSUREVISIBLE, 0, item);
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
