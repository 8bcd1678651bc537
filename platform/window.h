// Windows and dialogs: borrowing window wrappers (Window, ListBox, ComboBox, Edit, Button,
// TabCtrl, ListView), the GDI scopes a dialog measures and paints with, a declarative
// message map, the dialog class template bound to its resource template through an IDD
// member, and the window class template that subclasses a control while keeping its own
// window class. The type-ahead of list and tree views is in typeahead.h.
//
//   class NameDlg : public plat::DialogImpl<NameDlg> {
//    public:
//     static constexpr UINT IDD = 300;
//     static constexpr auto GetMessageMap() {
//       return plat::MessageMap{
//           plat::OnMessage(WM_INITDIALOG, &NameDlg::OnInitDialog),
//           plat::OnCommand(IDOK, BN_CLICKED, &NameDlg::OnOK),
//           plat::OnCommandRange(IDC_FIRST, IDC_LAST, BN_CLICKED, &NameDlg::OnPick),
//           plat::OnNotify(IDC_TREE, TVN_SELCHANGEDW, &NameDlg::OnTreeChanged)};
//     }
//    ...
//   };
//   NameDlg dlg;  INT_PTR result = dlg.DoModal(owner);
//
// Entries are tried in order; the first that handles a message ends the search. A handler
// takes the full arguments of its kind (see below) or none at all. No exception leaves a
// dialog procedure: the dialog records it and, when modal, ends with -1.
#pragma once

#include "comobject.h"

#include <commctrl.h>

#include <functional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace plat {

// ---------------------------------------------------------------- window wrappers

// Borrows a window handle; never destroys it.
class Window {
 public:
  Window(HWND hwnd = nullptr) noexcept : hwnd_(hwnd) {}

  HWND hwnd() const noexcept { return hwnd_; }
  operator HWND() const noexcept { return hwnd_; }
  bool IsWindow() const noexcept { return hwnd_ && ::IsWindow(hwnd_); }

  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const noexcept {
    return ::SendMessageW(hwnd_, msg, wParam, lParam);
  }
  bool PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const noexcept {
    return ::PostMessageW(hwnd_, msg, wParam, lParam) != FALSE;
  }

  Window GetDlgItem(int id) const noexcept { return ::GetDlgItem(hwnd_, id); }
  int GetDlgCtrlID() const noexcept { return ::GetDlgCtrlID(hwnd_); }
  Window GetParent() const noexcept { return ::GetParent(hwnd_); }

  bool SetWindowText(const wchar_t* text) const noexcept {
    return ::SetWindowTextW(hwnd_, text) != FALSE;
  }
  int GetWindowTextLength() const noexcept { return ::GetWindowTextLengthW(hwnd_); }
  std::wstring GetWindowText() const;

  bool EnableWindow(bool enable = true) const noexcept {
    return ::EnableWindow(hwnd_, enable) != FALSE;
  }
  bool IsWindowEnabled() const noexcept { return ::IsWindowEnabled(hwnd_) != FALSE; }
  bool ShowWindow(int command) const noexcept { return ::ShowWindow(hwnd_, command) != FALSE; }
  bool IsWindowVisible() const noexcept { return ::IsWindowVisible(hwnd_) != FALSE; }
  Window SetFocus() const noexcept { return ::SetFocus(hwnd_); }

  RECT GetWindowRect() const noexcept;
  RECT GetClientRect() const noexcept;
  SIZE GetWindowSize() const noexcept {
    const RECT rect = GetWindowRect();
    return {rect.right - rect.left, rect.bottom - rect.top};
  }
  // A rectangle in screen coordinates, in this window's client coordinates.
  RECT ScreenToClient(const RECT& screen) const noexcept;
  bool MoveWindow(const RECT& rect, bool repaint = true) const noexcept {
    return ::MoveWindow(hwnd_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                        repaint) != FALSE;
  }
  bool SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) const noexcept {
    return ::SetWindowPos(hwnd_, insertAfter, x, y, cx, cy, flags) != FALSE;
  }
  bool ResizeWindow(int cx, int cy) const noexcept {
    return SetWindowPos(nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // Centres the window over its owner (over the work area without a visible one), kept
  // within the work area of the owner's monitor.
  bool CenterWindow() const noexcept;

  HFONT GetFont() const noexcept { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
  void SetFont(HFONT font, bool redraw = true) const noexcept {
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
  }
  LONG_PTR GetStyle() const noexcept { return ::GetWindowLongPtrW(hwnd_, GWL_STYLE); }

  bool CheckDlgButton(int id, bool checked) const noexcept {
    return ::CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED) != FALSE;
  }
  bool IsDlgButtonChecked(int id) const noexcept {
    return ::IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
  }

 protected:
  HWND hwnd_;
};

class Edit : public Window {
 public:
  using Window::Window;
  Edit(const Window& window) noexcept : Window(window.hwnd()) {}
  void SetSel(int start, int end) const noexcept { SendMessage(EM_SETSEL, start, end); }
  void ReplaceSel(const wchar_t* text, bool canUndo = true) const noexcept {
    SendMessage(EM_REPLACESEL, canUndo, reinterpret_cast<LPARAM>(text));
  }
};

class Button : public Window {
 public:
  using Window::Window;
  Button(const Window& window) noexcept : Window(window.hwnd()) {}
  bool GetCheck() const noexcept { return SendMessage(BM_GETCHECK) == BST_CHECKED; }
  void SetCheck(bool checked) const noexcept {
    SendMessage(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
  }
};

// List-box messages; positions are LB_ERR (-1) where the control reports none.
class ListBox : public Window {
 public:
  using Window::Window;
  ListBox(const Window& window) noexcept : Window(window.hwnd()) {}
  int GetCount() const noexcept { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
  int AddString(const wchar_t* text) const noexcept {
    return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
  }
  void ResetContent() const noexcept { SendMessage(LB_RESETCONTENT); }
  // Reserves room for `items` more items and `bytes` of their strings at once.
  void InitStorage(int items, size_t bytes) const noexcept {
    SendMessage(LB_INITSTORAGE, static_cast<WPARAM>(items), static_cast<LPARAM>(bytes));
  }
  std::wstring GetText(int index) const;
  // The first item from the start that begins with `prefix`, without regard to case.
  int FindString(const wchar_t* prefix) const noexcept {
    return static_cast<int>(
        SendMessage(LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(prefix)));
  }

  int GetCurSel() const noexcept { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
  int SetCurSel(int index) const noexcept {
    return static_cast<int>(SendMessage(LB_SETCURSEL, index));
  }
  bool GetSel(int index) const noexcept { return SendMessage(LB_GETSEL, index) > 0; }
  int SetSel(int index, bool select = true) const noexcept {
    return static_cast<int>(SendMessage(LB_SETSEL, select, index));
  }
  int GetSelCount() const noexcept { return static_cast<int>(SendMessage(LB_GETSELCOUNT)); }
  // The selected positions in ascending order (multiple-selection lists).
  std::vector<int> GetSelItems() const;
  bool IsMultiSelect() const noexcept {
    return (GetStyle() & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
  }

  int GetTopIndex() const noexcept { return static_cast<int>(SendMessage(LB_GETTOPINDEX)); }
  int SetTopIndex(int index) const noexcept {
    return static_cast<int>(SendMessage(LB_SETTOPINDEX, index));
  }
  int GetCaretIndex() const noexcept { return static_cast<int>(SendMessage(LB_GETCARETINDEX)); }
  // Makes `index` the focus item; fully in view unless partial visibility is allowed.
  int SetCaretIndex(int index, bool partlyVisible = false) const noexcept {
    return static_cast<int>(SendMessage(LB_SETCARETINDEX, index, partlyVisible));
  }
  int GetItemHeight(int index = 0) const noexcept {
    return static_cast<int>(SendMessage(LB_GETITEMHEIGHT, index));
  }
  int GetHorizontalExtent() const noexcept {
    return static_cast<int>(SendMessage(LB_GETHORIZONTALEXTENT));
  }
  void SetHorizontalExtent(int extent) const noexcept {
    SendMessage(LB_SETHORIZONTALEXTENT, extent);
  }
};

// Combo-box messages; positions are CB_ERR (-1) where the control reports none.
class ComboBox : public Window {
 public:
  using Window::Window;
  ComboBox(const Window& window) noexcept : Window(window.hwnd()) {}
  int GetCount() const noexcept { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
  int AddString(const wchar_t* text) const noexcept {
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
  }
  void ResetContent() const noexcept { SendMessage(CB_RESETCONTENT); }
  // Puts the item at `index` even in a sorted list; the position, or CB_ERR.
  int InsertString(int index, const wchar_t* text) const noexcept {
    return static_cast<int>(SendMessage(CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text)));
  }
  std::wstring GetLBText(int index) const;
  LRESULT GetItemData(int index) const noexcept { return SendMessage(CB_GETITEMDATA, index); }
  int SetItemData(int index, LPARAM data) const noexcept {
    return static_cast<int>(SendMessage(CB_SETITEMDATA, index, data));
  }
  int GetCurSel() const noexcept { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
  int SetCurSel(int index) const noexcept {
    return static_cast<int>(SendMessage(CB_SETCURSEL, index));
  }
};

// Tab-control messages; positions are -1 where the control reports none.
class TabCtrl : public Window {
 public:
  using Window::Window;
  TabCtrl(const Window& window) noexcept : Window(window.hwnd()) {}
  int GetItemCount() const noexcept { return static_cast<int>(SendMessage(TCM_GETITEMCOUNT)); }
  int GetCurSel() const noexcept { return static_cast<int>(SendMessage(TCM_GETCURSEL)); }
  // The previous selection, or -1.
  int SetCurSel(int index) const noexcept {
    return static_cast<int>(SendMessage(TCM_SETCURSEL, index));
  }
  // The position of the new item, or -1.
  int InsertItem(int index, const TCITEMW& item) const noexcept {
    return static_cast<int>(SendMessage(TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item)));
  }
  bool GetItem(int index, TCITEMW& item) const noexcept {
    return SendMessage(TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item)) != FALSE;
  }
  RECT GetItemRect(int index) const noexcept {
    RECT rect{};
    SendMessage(TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
    return rect;
  }
};

// Turns a control's redrawing off for a scope and on again at its end, repainting it whole:
// a list told of every row as it comes repaints and rescales its scroll bars each time,
// which under Wine makes a fill of thousands of rows take seconds to minutes.
class RedrawPause {
 public:
  explicit RedrawPause(const Window& window) noexcept : window_(window.hwnd()) {
    ::SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
  }
  ~RedrawPause() {
    ::SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(window_, nullptr, TRUE);
  }
  RedrawPause(const RedrawPause&) = delete;
  RedrawPause& operator=(const RedrawPause&) = delete;

 private:
  HWND window_;
};

// List-view messages (report view); rows and columns are -1 where the control reports none.
class ListView : public Window {
 public:
  using Window::Window;
  ListView(const Window& window) noexcept : Window(window.hwnd()) {}

  int GetItemCount() const noexcept { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
  bool DeleteAllItems() const noexcept { return SendMessage(LVM_DELETEALLITEMS) != FALSE; }
  // Inserts a row with the text of its first column; the row's index, or -1.
  int InsertItem(int index, const wchar_t* text) const noexcept {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(text);
    return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  }
  // The same with image `image` of the small image list.
  int InsertItem(int index, const wchar_t* text, int image) const noexcept {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.iImage = image;
    item.pszText = const_cast<wchar_t*>(text);
    return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  }
  bool SetItemData(int index, LPARAM data) const noexcept {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = data;
    return SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != FALSE;
  }
  // The row's data, 0 for a row that does not exist.
  LPARAM GetItemData(int index) const noexcept {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    return SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
  }
  // The list keeps using the images; their owner keeps them alive (LVS_SHAREIMAGELISTS).
  HIMAGELIST SetSmallImageList(HIMAGELIST images) const noexcept {
    return reinterpret_cast<HIMAGELIST>(
        SendMessage(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images)));
  }
  bool SetItemText(int index, int column, const wchar_t* text) const noexcept {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text);
    return SendMessage(LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item)) != FALSE;
  }
  std::wstring GetItemText(int index, int column) const;

  int GetColumnCount() const noexcept {
    const HWND header = reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER));
    return header ? static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  }
  int InsertColumn(int index, const wchar_t* text, int width) const noexcept {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(text);
    column.cx = width;
    return static_cast<int>(
        SendMessage(LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column)));
  }
  bool DeleteColumn(int index) const noexcept {
    return SendMessage(LVM_DELETECOLUMN, index) != FALSE;
  }
  int GetColumnWidth(int index) const noexcept {
    return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, index));
  }
  bool SetColumnWidth(int index, int width) const noexcept {
    return SendMessage(LVM_SETCOLUMNWIDTH, index, MAKELPARAM(width, 0)) != FALSE;
  }

  // The next row after `start` (-1: from the top) with all of `flags` (LVNI_SELECTED).
  int GetNextItem(int start, UINT flags) const noexcept {
    return static_cast<int>(SendMessage(LVM_GETNEXTITEM, start, MAKELPARAM(flags, 0)));
  }
  // The selected rows in list order.
  std::vector<int> GetSelectedItems() const;
  bool SetItemState(int index, UINT state, UINT mask) const noexcept {
    LVITEMW item{};
    item.state = state;
    item.stateMask = mask;
    return SendMessage(LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)) != FALSE;
  }
  int GetCountPerPage() const noexcept {
    return static_cast<int>(SendMessage(LVM_GETCOUNTPERPAGE));
  }
  // The width of `text` in pixels as the list draws it.
  int GetStringWidth(const wchar_t* text) const noexcept {
    return static_cast<int>(SendMessage(LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text)));
  }
  void AddExtendedStyle(DWORD style) const noexcept {
    SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, style, style);
  }
};

inline void destroy_imagelist(HIMAGELIST images) noexcept { ::ImageList_Destroy(images); }
using unique_himagelist = unique_any<handle_traits<HIMAGELIST, destroy_imagelist>>;

// ---------------------------------------------------------------- GDI scopes

inline void delete_dc(HDC dc) noexcept { ::DeleteDC(dc); }
using unique_hdc = unique_any<handle_traits<HDC, delete_dc>>;
using unique_hbitmap = unique_any<handle_traits<HBITMAP, delete_gdi>>;

// GetDC/ReleaseDC of a window (the client area), or GetWindowDC with `whole`.
class WindowDC {
 public:
  explicit WindowDC(HWND hwnd, bool whole = false) noexcept
      : hwnd_(hwnd), dc_(whole ? ::GetWindowDC(hwnd) : ::GetDC(hwnd)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
  }
  HDC get() const noexcept { return dc_; }
  operator HDC() const noexcept { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// Selects a GDI object into a device context for a scope and puts the previous one back.
class SelectObjectScope {
 public:
  SelectObjectScope(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(object ? ::SelectObject(dc, object) : nullptr) {}
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;
  ~SelectObjectScope() {
    if (previous_) ::SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// ---------------------------------------------------------------- message map

// One window message as the procedure received it.
struct Message {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

namespace details {

// Calls a handler with its kind's full arguments or with none. A handler without a
// result answers 0; `handled` starts true and a full handler may clear it.
template <class Fn, class T, class... Args>
bool InvokeHandler(const Fn& fn, T& self, LRESULT& result, Args... args) {
  bool handled = true;
  if constexpr (std::is_invocable_v<const Fn&, T&, Args..., bool&>) {
    result = static_cast<LRESULT>(std::invoke(fn, self, args..., handled));
  } else {
    static_assert(std::is_invocable_v<const Fn&, T&>,
                  "a handler takes its kind's full arguments or none");
    if constexpr (std::is_void_v<std::invoke_result_t<const Fn&, T&>>) {
      std::invoke(fn, self);
      result = 0;
    } else {
      result = static_cast<LRESULT>(std::invoke(fn, self));
    }
  }
  return handled;
}

inline bool CommandMatches(const Message& m, WORD firstId, WORD lastId, int code) noexcept {
  if (m.msg != WM_COMMAND) return false;
  const WORD id = LOWORD(m.wParam);
  return id >= firstId && id <= lastId && (code < 0 || HIWORD(m.wParam) == code);
}

inline bool NotifyMatches(const Message& m, UINT_PTR firstId, UINT_PTR lastId, UINT code,
                          bool anyId) noexcept {
  if (m.msg != WM_NOTIFY || !m.lParam) return false;
  const NMHDR* header = reinterpret_cast<const NMHDR*>(m.lParam);
  return header->code == code && (anyId || (header->idFrom >= firstId && header->idFrom <= lastId));
}

// Message handler: (UINT msg, WPARAM, LPARAM, bool& handled) -> LRESULT, or ().
template <class Fn>
struct MessageEntry {
  UINT first, last;
  Fn fn;
  template <class T>
  bool Route(T& self, const Message& m, LRESULT& result) const {
    if (m.msg < first || m.msg > last) return false;
    return InvokeHandler(fn, self, result, m.msg, m.wParam, m.lParam);
  }
};

// Command handler: (WORD code, WORD id, HWND control, bool& handled) -> LRESULT, or ().
template <class Fn>
struct CommandEntry {
  WORD firstId, lastId;
  int code;  // -1: any notification code
  Fn fn;
  template <class T>
  bool Route(T& self, const Message& m, LRESULT& result) const {
    if (!CommandMatches(m, firstId, lastId, code)) return false;
    return InvokeHandler(fn, self, result, HIWORD(m.wParam), LOWORD(m.wParam),
                         reinterpret_cast<HWND>(m.lParam));
  }
};

// Notify handler: (int id, NMHDR* header, bool& handled) -> LRESULT, or ().
template <class Fn>
struct NotifyEntry {
  UINT_PTR firstId, lastId;
  UINT code;
  bool anyId;
  Fn fn;
  template <class T>
  bool Route(T& self, const Message& m, LRESULT& result) const {
    if (!NotifyMatches(m, firstId, lastId, code, anyId)) return false;
    NMHDR* header = reinterpret_cast<NMHDR*>(m.lParam);
    return InvokeHandler(fn, self, result, static_cast<int>(header->idFrom), header);
  }
};

// Hands every message to a member object that has its own
// `bool ProcessWindowMessage(const Message&, LRESULT&)` (a mixin such as a resizer).
template <class Member>
struct ChainEntry {
  Member member;
  template <class T>
  bool Route(T& self, const Message& m, LRESULT& result) const {
    return (self.*member).ProcessWindowMessage(m, result);
  }
};

}  // namespace details

template <class Fn>
constexpr auto OnMessage(UINT msg, Fn fn) {
  return details::MessageEntry<Fn>{msg, msg, fn};
}
template <class Fn>
constexpr auto OnMessageRange(UINT first, UINT last, Fn fn) {
  return details::MessageEntry<Fn>{first, last, fn};
}
template <class Fn>
constexpr auto OnCommand(WORD id, WORD code, Fn fn) {
  return details::CommandEntry<Fn>{id, id, code, fn};
}
// Any notification code of one control or menu item.
template <class Fn>
constexpr auto OnCommandId(WORD id, Fn fn) {
  return details::CommandEntry<Fn>{id, id, -1, fn};
}
template <class Fn>
constexpr auto OnCommandRange(WORD firstId, WORD lastId, WORD code, Fn fn) {
  return details::CommandEntry<Fn>{firstId, lastId, code, fn};
}
template <class Fn>
constexpr auto OnNotify(UINT_PTR id, UINT code, Fn fn) {
  return details::NotifyEntry<Fn>{id, id, code, false, fn};
}
// One notification code from any control.
template <class Fn>
constexpr auto OnNotifyCode(UINT code, Fn fn) {
  return details::NotifyEntry<Fn>{0, 0, code, true, fn};
}
template <class Member>
constexpr auto Chain(Member member) {
  return details::ChainEntry<Member>{member};
}

template <class... Entries>
class MessageMap {
 public:
  constexpr MessageMap(Entries... entries) : entries_(entries...) {}

  // Tries the entries in order; true when one handled the message.
  template <class T>
  bool Route(T& self, const Message& m, LRESULT& result) const {
    return std::apply([&](const auto&... entry) { return (entry.Route(self, m, result) || ...); },
                      entries_);
  }

 private:
  std::tuple<Entries...> entries_;
};

namespace details {

// A window's final message (OnFinalMessage, after WM_NCDESTROY), held back while a handler
// of any window or dialog of the thread runs, and delivered once the outermost one has
// returned. A handler that shows a modal box (an error, a nested dialog) comes back to
// objects it still uses although the client may have destroyed the window meanwhile: a
// final message delivered then would free them under it (a modeless dialog frees itself
// and its pages there). An object that goes first takes its undelivered message along.
class FinalMessage {
 public:
  using Deliver = void (*)(void* object, HWND hwnd) noexcept;

  FinalMessage() = default;
  FinalMessage(const FinalMessage&) = delete;
  FinalMessage& operator=(const FinalMessage&) = delete;
  ~FinalMessage() { Withdraw(); }

  // Delivers `deliver(object, hwnd)` when the outermost HandlerScope of the thread ends;
  // called inside one.
  void Post(Deliver deliver, void* object, HWND hwnd) noexcept;

 private:
  friend class HandlerScope;
  void Withdraw() noexcept;

  Deliver deliver_ = nullptr;
  void* object_ = nullptr;
  HWND hwnd_ = nullptr;
  FinalMessage* next_ = nullptr;
  bool posted_ = false;
};

// One message in a window or dialog procedure of ours. The outermost delivers, as it ends,
// the final messages posted meanwhile, in the order their windows went.
class HandlerScope {
 public:
  HandlerScope() noexcept;
  ~HandlerScope();
  HandlerScope(const HandlerScope&) = delete;
  HandlerScope& operator=(const HandlerScope&) = delete;
};

// The exception barrier of every window and dialog procedure: routes a message through
// the object's map; an exception a handler lets escape is recorded in `error` and told to
// the object, and the message counts as not handled.
template <class T>
bool RouteGuarded(T& self, const Message& m, LRESULT& result, HRESULT& error) noexcept {
  // These run outside the catch: nothing may leave them.
  static_assert(noexcept(self.OnFinalMessage(m.hwnd)));
  static_assert(noexcept(self.OnHandlerException(S_OK)));
  try {
    return self.ProcessWindowMessage(m, result);
  } catch (...) {
    error = to_hresult();
    self.OnHandlerException(error);
    return false;
  }
}

}  // namespace details

// ---------------------------------------------------------------- dialogs

// What a dialog procedure returns for a handled message: most messages pass their result
// through DWLP_MSGRESULT, a few return it directly.
INT_PTR DialogProcResult(HWND hwnd, UINT msg, LRESULT result) noexcept;

// How a modal dialog ended: the one rule behind the answer of every modal dialog. Only what
// the dialog ended itself with counts (End, from its OK path, its Cancel or a failure); a
// dialog destroyed with its owner, ended by the application's quit message or by anything
// else was cancelled, whatever its loop returned. A quit that comes after the dialog ended
// changes nothing, and stays queued for the loop above.
class ModalOutcome {
 public:
  // A new showing: nothing has ended it yet.
  void Start() noexcept { ended_ = false; }
  // The dialog ends itself with `result`. Kept also when its window is already gone (an
  // owner destroyed while the OK path ran): what the dialog did stands.
  void End(INT_PTR result) noexcept {
    ended_ = true;
    result_ = result;
  }
  // The answer of a showing whose loop returned `loopResult`: the result the dialog ended
  // itself with; else -1 when the loop failed (the dialog could not be made), else IDCANCEL.
  INT_PTR Answer(INT_PTR loopResult) const noexcept;

 private:
  bool ended_ = false;
  INT_PTR result_ = IDCANCEL;
};

// The window part every dialog class shares (and the base of any window part a dialog
// class names): EndDialog, which keeps the dialog's own ending in its outcome.
class DialogWindow : public Window {
 public:
  using Window::Window;

  // Ends the modal dialog with `result`, its answer.
  bool EndDialog(INT_PTR result) noexcept {
    outcome_.End(result);
    return hwnd_ && ::EndDialog(hwnd_, result) != FALSE;
  }

 protected:
  ModalOutcome outcome_;
};

// Registers the common controls' window classes (list and tree views, tabs, up-downs...)
// once: a dialog template or a window naming one finds it. Every dialog and control window
// this library makes calls it first; the control library loads here, at the first window
// that needs it, not with the module.
void EnsureCommonControls() noexcept;

// The dialog class template. T names its template (`static constexpr UINT IDD`) and its
// `static constexpr auto GetMessageMap()`; it may define
//   void OnFinalMessage(HWND) noexcept            after WM_NCDESTROY, once no handler of
//                                                 the thread runs (a modeless dialog may
//                                                 free itself here: details::FinalMessage);
//   void OnHandlerException(HRESULT hr) noexcept  in place of the default reaction below;
//   bool ProcessWindowMessage(const Message&, LRESULT&)  to route before or after its map.
// Base is the window part: DialogWindow, or a class derived from it that the dialog shares.
template <class T, class Base = DialogWindow>
class DialogImpl : public Base {
  static_assert(std::is_base_of_v<DialogWindow, Base>, "a dialog's window part ends it");

 public:
  template <class... Args>
  requires(!std::is_same_v<std::remove_cvref_t<Args>, DialogImpl> &&
           ...) explicit DialogImpl(Args&&... args)
      : Base(std::forward<Args>(args)...) {}
  DialogImpl(const DialogImpl&) = delete;
  DialogImpl& operator=(const DialogImpl&) = delete;

  // Runs the dialog modally over `owner`. Resources come from `resources`, else from the
  // module. Answers how the dialog ended (ModalOutcome): the result it ended itself with,
  // IDCANCEL when anything else ended it, or -1 when it could not be made or a handler
  // failed (HandlerError() then says why).
  INT_PTR DoModal(HWND owner = nullptr, HINSTANCE resources = nullptr) {
    modal_ = true;
    handlerError_ = S_OK;
    this->outcome_.Start();
    const INT_PTR result =
        ::DialogBoxParamW(ResourceModule(resources), MAKEINTRESOURCEW(T::IDD), owner,
                          &DialogImpl::StartDialogProc, reinterpret_cast<LPARAM>(this));
    modal_ = false;
    return this->outcome_.Answer(result);
  }

  // Creates the dialog modeless; the caller keeps the object alive until OnFinalMessage.
  HWND Create(HWND parent, HINSTANCE resources = nullptr) {
    modal_ = false;
    handlerError_ = S_OK;
    return ::CreateDialogParamW(ResourceModule(resources), MAKEINTRESOURCEW(T::IDD), parent,
                                &DialogImpl::StartDialogProc, reinterpret_cast<LPARAM>(this));
  }

  // The HRESULT of the last exception a handler let escape, S_OK when none did.
  HRESULT HandlerError() const noexcept { return handlerError_; }

  bool ProcessWindowMessage(const Message& m, LRESULT& result) {
    return T::GetMessageMap().Route(static_cast<T&>(*this), m, result);
  }

  void OnFinalMessage(HWND) noexcept {}

  // A handler failed: the dialog is in no known state, so a modal one ends.
  void OnHandlerException(HRESULT hr) noexcept {
    if (modal_) this->EndDialog(-1);
  }

 private:
  // The module of the dialog's template, once the controls it may name are registered.
  static HINSTANCE ResourceModule(HINSTANCE resources) noexcept {
    EnsureCommonControls();
    return resources ? resources : module().GetInstance();
  }

  static INT_PTR CALLBACK StartDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<DialogImpl*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) {
      // Messages before WM_INITDIALOG (WM_SETFONT) find no object yet.
      if (msg != WM_INITDIALOG) return FALSE;
      self = reinterpret_cast<DialogImpl*>(lParam);
      self->hwnd_ = hwnd;
      ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    }
    // Ends last: the final message it may deliver may free `self`.
    const details::HandlerScope scope;
    LRESULT result = 0;
    const bool handled = details::RouteGuarded(
        *static_cast<T*>(self), Message{hwnd, msg, wParam, lParam}, result, self->handlerError_);
    if (msg == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      self->hwnd_ = nullptr;
      self->final_.Post(&DialogImpl::DeliverFinal, self, hwnd);
      return FALSE;
    }
    return handled ? DialogProcResult(hwnd, msg, result) : FALSE;
  }

  static void DeliverFinal(void* self, HWND hwnd) noexcept {
    static_cast<T*>(static_cast<DialogImpl*>(self))->OnFinalMessage(hwnd);
  }

  bool modal_ = false;
  HRESULT handlerError_ = S_OK;
  details::FinalMessage final_;
};

namespace details {

template <UINT... Codes>
LRESULT CALLBACK EndingNotifications(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto dialogProcedure = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NOTIFY && lParam) {
    const UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
    if (((code == Codes) || ...)) return 0;
  }
  if (msg == WM_NCDESTROY)
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(dialogProcedure));
  return ::CallWindowProcW(dialogProcedure, hwnd, msg, wParam, lParam);
}

}  // namespace details

// Ends the notifications `Codes` from a dialog's controls in a plain procedure in front of
// the dialog manager's, for a dialog that has no use for them (they are answered 0): a
// control that reports each of the tens of thousands of rows or nodes it inserts or frees
// would otherwise cost a trip through the dialog manager and the message map per report.
// The control library's subclassing looks its chain up at every message, which under Wine
// costs more than it saves. Keeps the dialog's procedure in its GWLP_USERDATA; call it
// once, from WM_INITDIALOG.
template <UINT... Codes>
void EndNotificationsHere(HWND dialog) noexcept {
  ::SetWindowLongPtrW(dialog, GWLP_USERDATA, ::GetWindowLongPtrW(dialog, GWLP_WNDPROC));
  ::SetWindowLongPtrW(dialog, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(&details::EndingNotifications<Codes...>));
}

// ---------------------------------------------------------------- subclassed controls

// The window class template for a control that keeps its window class (a tab control, a
// list view): it subclasses a control of a dialog template (SubclassWindow) or one it
// creates (Create), routes the control's messages through T's message map and hands
// whatever the map leaves to the control's own procedure (a handler that clears
// `handled` lets the control see the message too). T may define
//   void OnFinalMessage(HWND) noexcept            after WM_NCDESTROY, once no handler of
//                                                 the thread runs;
//   void OnHandlerException(HRESULT hr) noexcept  when a handler let an exception escape
//                                                 (the message then gets default handling).
// The object must outlive the subclassing; its destructor undoes it, never the window.
template <class T, class Base = Window>
class WindowImpl : public Base {
 public:
  WindowImpl() = default;
  WindowImpl(const WindowImpl&) = delete;
  WindowImpl& operator=(const WindowImpl&) = delete;
  ~WindowImpl() { UnsubclassWindow(); }

  // Creates a control of a registered class as a child of `parent` and subclasses it.
  // Null when either fails (a window that could not be subclassed is destroyed again).
  HWND Create(const wchar_t* className, HWND parent, const RECT& rect, const wchar_t* text,
              DWORD style, DWORD exStyle = 0, UINT id = 0) {
    if (this->hwnd_) return nullptr;
    EnsureCommonControls();
    unique_hwnd window(::CreateWindowExW(exStyle, className, text, style, rect.left, rect.top,
                                         rect.right - rect.left, rect.bottom - rect.top, parent,
                                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                         module().GetInstance(), nullptr));
    if (!window || !SubclassWindow(window.get())) return nullptr;
    return window.release();
  }

  bool SubclassWindow(HWND hwnd) noexcept {
    if (this->hwnd_ || !::IsWindow(hwnd)) return false;
    if (!::SetWindowSubclass(hwnd, &WindowImpl::SubclassProc, kSubclassId,
                             reinterpret_cast<DWORD_PTR>(this)))
      return false;
    this->hwnd_ = hwnd;
    return true;
  }

  // Gives the control back its own procedure; returns the window, or null when none was held.
  HWND UnsubclassWindow() noexcept {
    const HWND hwnd = std::exchange(this->hwnd_, nullptr);
    if (hwnd) ::RemoveWindowSubclass(hwnd, &WindowImpl::SubclassProc, kSubclassId);
    return hwnd;
  }

  // The HRESULT of the last exception a handler let escape, S_OK when none did.
  HRESULT HandlerError() const noexcept { return handlerError_; }

  bool ProcessWindowMessage(const Message& m, LRESULT& result) {
    return T::GetMessageMap().Route(static_cast<T&>(*this), m, result);
  }

  void OnFinalMessage(HWND) noexcept {}
  void OnHandlerException(HRESULT) noexcept {}

 private:
  static constexpr UINT_PTR kSubclassId = 1;

  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR refData) {
    auto* self = reinterpret_cast<WindowImpl*>(refData);
    // Ends last: the final message it may deliver may free `self`.
    const details::HandlerScope scope;
    if (msg == WM_NCDESTROY) {
      self->UnsubclassWindow();
      const LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
      self->final_.Post(&WindowImpl::DeliverFinal, self, hwnd);
      return result;
    }
    LRESULT result = 0;
    const bool handled = details::RouteGuarded(
        *static_cast<T*>(self), Message{hwnd, msg, wParam, lParam}, result, self->handlerError_);
    return handled ? result : ::DefSubclassProc(hwnd, msg, wParam, lParam);
  }

  static void DeliverFinal(void* self, HWND hwnd) noexcept {
    static_cast<T*>(static_cast<WindowImpl*>(self))->OnFinalMessage(hwnd);
  }

  HRESULT handlerError_ = S_OK;
  details::FinalMessage final_;
};

}  // namespace plat
