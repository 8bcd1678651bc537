// A dialog run straight, with no dialog driver in between (whose hooks cost every message a
// trip to Wine's server): how long it took to show and be closed, and how many rows one of
// its lists held once it showed, i.e. once it had filled itself. What the user does before
// closing it is given as a call on the list.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace wqtest {

struct ShownList {
  INT_PTR result = 0;
  int rows = -1;
  ULONGLONG milliseconds = 0;
};

namespace detail {

struct ShownListWatch {
  int listId = 0;
  int rows = -1;
  void (*act)(HWND list) = nullptr;
};

inline thread_local ShownListWatch shownListWatch;

inline void CALLBACK CloseWhenShown(HWND, UINT, UINT_PTR timer, DWORD) {
  struct Search {
    int listId;
    HWND dialog = nullptr;
  } search{shownListWatch.listId};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM param) -> BOOL {
        auto* found = reinterpret_cast<Search*>(param);
        if (!IsWindowVisible(window) || !GetDlgItem(window, found->listId)) return TRUE;
        found->dialog = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (!search.dialog) return;
  KillTimer(nullptr, timer);
  const HWND list = GetDlgItem(search.dialog, shownListWatch.listId);
  shownListWatch.rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  if (shownListWatch.act) shownListWatch.act(list);
  PostMessageW(search.dialog, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace detail

// `run` shows the modal dialog that holds list `listId` and returns its result.
template <class Run>
ShownList RunUntilShown(int listId, Run&& run, void (*act)(HWND list) = nullptr) {
  detail::shownListWatch = {listId, -1, act};
  SetTimer(nullptr, 0, 1, &detail::CloseWhenShown);
  ShownList shown;
  const ULONGLONG start = GetTickCount64();
  shown.result = run();
  shown.milliseconds = GetTickCount64() - start;
  shown.rows = detail::shownListWatch.rows;
  return shown;
}

}  // namespace wqtest
