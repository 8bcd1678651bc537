#include "clienttools.h"

namespace standins {

ClientToolsJournal::ClientToolsJournal()
    : recorder({L"Create", L"QueryErrorDisplay", L"QueryClientGlobals", L"QueryDrawingEditorApp",
                L"QueryDrawingDBServer", L"ShowErrorDescription", L"OpenDocument",
                L"GetApplication", L"get_DBServer", L"HighlightPipe", L"CompactPipe"},
               false) {}

bool ClientToolsJournal::Refuses(const wchar_t* step) noexcept { return recorder.Refuses(step); }

void ClientToolsJournal::Reset() noexcept {
  recorder.Clear();
  errors.clear();
  destroyWhileShowing = nullptr;
}

ClientToolsJournal& Journal() {
  static ClientToolsJournal journal;
  return journal;
}

HRESULT ClientToolsControl::FindError(LONG index, const ShownError** error) {
  const std::vector<ShownError>& errors = Journal().errors;
  if (index < 1 || static_cast<size_t>(index) > errors.size())
    return RaiseError(E_INVALIDARG, L"No error shown has that index", L"WQStandins");
  *error = &errors[index - 1];
  return S_OK;
}

STDMETHODIMP ClientToolsControl::get_ErrorCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(Journal().errors.size());
  return S_OK;
}

STDMETHODIMP ClientToolsControl::get_ErrorDescription(LONG index, BSTR* description) try {
  if (!description) return E_POINTER;
  *description = nullptr;
  const ShownError* error = nullptr;
  PLAT_RETURN_IF_FAILED(FindError(index, &error));
  return CopyToBstr(error->description, description);
}
PLAT_CATCH_RETURN()

STDMETHODIMP ClientToolsControl::get_ErrorWindow(LONG index, LONGLONG* parentWindow) {
  if (!parentWindow) return E_POINTER;
  *parentWindow = 0;
  const ShownError* error = nullptr;
  PLAT_RETURN_IF_FAILED(FindError(index, &error));
  *parentWindow = error->parentWindow;
  return S_OK;
}

STDMETHODIMP ClientToolsControl::DestroyWhileShowing(LONGLONG window) {
  Journal().destroyWhileShowing = reinterpret_cast<HWND>(window);
  return S_OK;
}

}  // namespace standins
