#include "typeahead.h"

#include <algorithm>
#include <cwchar>
#include <utility>

namespace plat {

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

namespace {

// Keys that only change what the next key types (a shift, a lock, an input method's key
// whose characters come later): they bring no character and end no search.
bool ShapesTheNextKey(WPARAM key) noexcept {
  switch (key) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_PROCESSKEY: return true;
    default: return false;
  }
}

}  // namespace

bool TypeAhead::CharacterComes() const noexcept {
  MSG character;
  return ::PeekMessageW(&character, control_, WM_CHAR, WM_DEADCHAR, PM_NOREMOVE | PM_NOYIELD) !=
         FALSE;
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
  } else if (!ShapesTheNextKey(key) && !CharacterComes()) {
    // A key that types nothing (an arrow, Home, ...) moves on from what was typed. Whether
    // a key types is the character it made, not a table: the keypad's digits, a dead key
    // and another layout's keys type what the loop made of them.
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
  Search(OneLetterTyped());
}

bool TypeAhead::OneLetterTyped() const noexcept {
  for (const wchar_t& typed : typed_)
    if (::CompareStringOrdinal(&typed, 1, typed_.data(), 1, TRUE) != CSTR_EQUAL) return false;
  return !typed_.empty();
}

void TypeAhead::Search(bool fromNext) {
  // The same letter again and again steps through the items that begin with it.
  const size_t length = OneLetterTyped() ? 1 : typed_.size();
  const Item focused = FocusedItem();
  Item found = kNoItem;
  const auto begins = [&](Item item, const wchar_t* text) {
    if (!BeginsWith(text ? text : L"", typed_.c_str(), length)) return false;
    found = item;
    return true;
  };
  // From the focused item to the last, then from the first back to the focused one.
  bool skip = fromNext && focused != kNoItem;
  Walk(focused, length, [&](Item item, const wchar_t* text) {
    return !std::exchange(skip, false) && begins(item, text);
  });
  if (found == kNoItem && focused != kNoItem)
    Walk(kNoItem, length,
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
  // Only the rows whose state changes are told, each by itself: a list of owner data
  // carries out a change of every row (-1) row by row, and one of single selection that
  // lets go of its selected row itself looks at every row for it. Such a list holds one.
  const bool single = (GetStyle() & LVS_SINGLESEL) != 0;
  for (int selected = GetNextItem(-1, LVNI_SELECTED); selected >= 0;
       selected = single ? -1 : GetNextItem(selected, LVNI_SELECTED))
    if (selected != row) SetItemState(selected, 0, LVIS_SELECTED);
  SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SendMessage(LVM_SETSELECTIONMARK, 0, row);
  SendMessage(LVM_ENSUREVISIBLE, row, FALSE);
}

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

}  // namespace plat
