// Shows the wait cursor for the scope of a long piece of work and puts back the cursor
// that was showing before.
#pragma once

#include <windows.h>

class CWaitCursor {
 public:
  CWaitCursor() noexcept : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~CWaitCursor() { SetCursor(previous_); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;

 private:
  HCURSOR previous_;
};
