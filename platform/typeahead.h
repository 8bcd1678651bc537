// Type-ahead: a virtual list's answer to the list's own search (FindVirtualListRow), and the
// search by typing of list views (ListTypeAhead) and tree views (TreeTypeAhead) that takes
// the place of the controls' own.
#pragma once

#include "window.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace plat {

// Answers LVN_ODFINDITEMW for a virtual list (LVS_OWNERDATA) as a list that holds its texts
// searches them: from row `find.iStart` (the top when out of range) down, and on from the top
// with LVFI_WRAP, the first row whose text is the one wanted, or with LVFI_PARTIAL begins with
// it, without regard to case. `rowText` gives the text of a row's first column. -1 when no row
// matches or the search is not for a text.
LRESULT FindVirtualListRow(const NMLVFINDITEMW& find, int count,
                           const std::function<const wchar_t*(int row)>& rowText);

// The type-ahead of a control that shows named items one under another (a list view, a tree
// view), in place of the control's own: the control's own search keeps a private pause of its
// own and leaves blanks out, so that at a person's pace "flow rate" reached "Rate". This one
// subclasses the control and takes every character typed in it (the control never sees one):
// a character typed within SearchPause() of the last one, a blank or Backspace included,
// goes on with the search, a later one starts a new search. The item found is the first
// shown from the focused one on, wrapping, whose text begins with what was typed, without
// regard to case; it is selected, focused and scrolled into view. While every character of
// the search is the same letter, the search is for that letter from the item after the
// focused one: a letter typed again, at any pace or held down, steps through the items that
// begin with it, as the platform's lists do ("bbb" reaches the third item beginning with b).
// A key takes part when a character arrives for it (WM_CHAR, also of the keypad's digits and
// of a dead key, and of VK_PACKET from an input method or an on-screen keyboard); a key that
// brings none (an arrow, Home, a function key) is the control's and its owner's as before,
// and ends the search. Space and Backspace with no search going on are the control's too,
// and type nothing. What differs between controls (which items are shown, in what order, and
// how one is reached) is the derived class's.
class TypeAhead {
 public:
  TypeAhead(const TypeAhead&) = delete;
  TypeAhead& operator=(const TypeAhead&) = delete;

  // Takes the typing of `control`, whose GWLP_USERDATA is free, until it is destroyed or
  // the object goes. A procedure of its own in front of the control's, rather than the
  // control library's subclassing: that looks its chain up at every message, which under
  // Wine made filling a list of thousands of rows several times slower.
  bool SubclassWindow(HWND control) noexcept;

  // A pause between the keys of a search shorter than this goes on with it; at least the
  // double-click time, the pause a person makes between the words of a name.
  static DWORD SearchPause() noexcept;

  // Keys the owner or the control gives a meaning of their own (the keypad's plus and
  // minus): they end the search and the character they make is not typed.
  void SetCommandKeys(std::initializer_list<WORD> keys) { commandKeys_.assign(keys); }

 protected:
  // A row's index or a tree item's handle.
  using Item = INT_PTR;
  static constexpr Item kNoItem = -1;
  // Looks at an item and its text; true ends the walk.
  using Visit = std::function<bool(Item item, const wchar_t* text)>;

  // `window` is the handle of the wrapper that derives from this: it names the control
  // while its typing is taken.
  explicit TypeAhead(HWND& window) noexcept : control_(window) {}
  ~TypeAhead() { UnsubclassWindow(); }

 private:
  // The control's part.
  // The focused item; kNoItem when none.
  virtual Item FocusedItem() const = 0;
  // Walks the items shown from `from` (from the first with kNoItem) to the last, in the
  // order shown, until `visit` ends the walk; the text it is given may end after its first
  // `length` characters, all the search compares.
  virtual void Walk(Item from, size_t length, const Visit& visit) = 0;
  // Selects the item alone, focuses it and scrolls it into view.
  virtual void Reach(Item item) = 0;

  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void UnsubclassWindow() noexcept;
  // True when the key is taken: neither the control nor its owner is told of it.
  bool OnKeyDown(WPARAM key);
  void OnChar(wchar_t typed);
  bool Searching() const noexcept;
  // Whether the loop made a character of the key being handled: the character waits in
  // the queue, since the loop translates a key before it hands it on.
  bool CharacterComes() const noexcept;
  // Reaches the item that begins with what was typed, from the focused one on (from the
  // next one with `fromNext`).
  void Search(bool fromNext);
  // Whether every character typed is the same letter (a search of one character too).
  bool OneLetterTyped() const noexcept;

  HWND& control_;
  WNDPROC controlProcedure_ = nullptr;
  std::vector<WORD> commandKeys_;
  std::wstring typed_;
  DWORD lastKeyAt_ = 0;
  bool dropCharacter_ = false;  // of a command key
};

// The type-ahead of a list view, by the text of the rows' first column.
class ListTypeAhead : public ListView, public TypeAhead {
 public:
  using RowText = std::function<const wchar_t*(int row)>;

  ListTypeAhead() noexcept : TypeAhead(hwnd_) {}

  // Where a virtual list's row texts come from; without one the list is asked for them.
  void SetRowText(RowText rowText) { rowText_ = std::move(rowText); }
  // Answers the list's LVN_ODFINDITEMW (LVM_FINDITEMW sent to it) as FindVirtualListRow.
  LRESULT Find(const NMLVFINDITEMW& find);

 private:
  Item FocusedItem() const override { return GetNextItem(-1, LVNI_FOCUSED); }
  void Walk(Item from, size_t length, const Visit& visit) override;
  void Reach(Item item) override;
  const wchar_t* RowTextOf(int row);

  RowText rowText_;
  std::wstring shown_;  // a row's text as the list gave it
};

// The type-ahead of a tree view, over the items shown (whose parents are expanded) in the
// order shown. The tree's own keypad plus, minus and star (expand, collapse, expand all)
// type nothing.
class TreeTypeAhead : public Window, public TypeAhead {
 public:
  TreeTypeAhead() : TypeAhead(hwnd_) { SetCommandKeys({VK_ADD, VK_SUBTRACT, VK_MULTIPLY}); }

 private:
  Item FocusedItem() const override;
  void Walk(Item from, size_t length, const Visit& visit) override;
  void Reach(Item item) override;

  std::wstring shown_;  // an item's text as the tree gave it
};

}  // namespace plat
