// What the COM objects that hold a dialog share: running it modally, and handing lists of
// integers back as SAFEARRAYs.
#pragma once

#include <handles.h>

#include <wqcomexception.h>

#include <vector>

namespace wqc {

// Runs `dialog` modally over `owner`; true when it ended itself through its OK path (with
// any result but IDCANCEL: DoModal answers IDCANCEL for a dialog destroyed with its owner
// or ended by a quit). A dialog that could not be shown, or that a failure ended, is
// raised: it is no confirmation.
template <class Dialog>
bool RunModalDialog(WQComException& error, Dialog& dialog, HWND owner) {
  // The object holds one dialog: a second showing from inside the first would share it.
  if (dialog.IsWindow()) error.ThrowHrAt(WQ_HERE, E_UNEXPECTED, L"The dialog is already shown");
  const INT_PTR result = dialog.DoModal(owner);
  if (result == -1) {
    // The last error is not the dialog's by then: only a handler's failure says more.
    const HRESULT hr = dialog.HandlerError();
    error.ThrowHrAt(WQ_HERE, FAILED(hr) ? hr : E_FAIL, L"The dialog could not be shown");
  }
  return result != IDCANCEL;
}

// A new one-dimensional array from 0 of `values` as elements of type `vt` (VT_I4, VT_UI4).
plat::unique_safearray NewIntegerArray(WQComException& error, VARTYPE vt,
                                       const std::vector<LONG>& values);

}  // namespace wqc
