// What a list view tells its dialog as the selection of its rows changes one row at a
// time, sent without the list: the dialog's own handling of a change, timed by the tests
// and the benchmarks against the same notifications from a control it does not handle.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace wqtest {

// With every row selected, a click leaves only row 0 selected, and Ctrl+clicks select the
// rest once more: one LVN_ITEMCHANGED a row and way, as from control `id`.
inline void ChangeEveryRowButTheFirst(HWND dialog, HWND list, UINT_PTR id, int rows) {
  NMLISTVIEW change{};
  change.hdr = {list, id, LVN_ITEMCHANGED};
  change.uChanged = LVIF_STATE;
  for (const bool selected : {false, true}) {
    change.uOldState = selected ? 0 : LVIS_SELECTED;
    change.uNewState = selected ? LVIS_SELECTED : 0;
    for (change.iItem = 1; change.iItem < rows; ++change.iItem)
      SendMessageW(dialog, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&change));
  }
}

}  // namespace wqtest
