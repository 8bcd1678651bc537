#include "globals.h"

#include "drawingeditorapp.h"

#include <utility>

using standins::Journal;
using standins::kClientToolsSource;

namespace {

const wchar_t* WorkspaceText(IDispatch* workspace) { return workspace ? L"workspace" : L"null"; }

}  // namespace

HRESULT Globals::FinalConstruct() noexcept {
  return Journal().recorder.Run(L"Create", L"Create", kClientToolsSource, [] { return S_OK; });
}

void* Globals::FindInterface(REFIID riid) noexcept {
  if (riid == __uuidof(IWQErrorDisplay) && Journal().Refuses(L"QueryErrorDisplay")) return nullptr;
  if (riid == __uuidof(IWQClientGlobals) && Journal().Refuses(L"QueryClientGlobals"))
    return nullptr;
  return Implements::FindInterface(riid);
}

STDMETHODIMP Globals::ShowErrorDescription(BSTR description, VARIANT extra1, VARIANT extra2,
                                           LONGLONG parentWindow) try {
  wchar_t window[24];
  _snwprintf(window, 24, L"0x%llX", static_cast<unsigned long long>(parentWindow));
  window[23] = L'\0';
  return Journal().recorder.Run(
      L"ShowErrorDescription",
      std::wstring(L"ShowErrorDescription(") + standins::TypedValue(extra1) + L", " +
          standins::TypedValue(extra2) + L", " + window + L")",
      kClientToolsSource, [&] {
        Journal().errors.push_back({standins::Text(description), parentWindow});
        // A real box runs a modal loop, in which the client may destroy its window.
        if (const HWND window = std::exchange(Journal().destroyWhileShowing, nullptr))
          DestroyWindow(window);
        return S_OK;
      });
}
PLAT_CATCH_RETURN()

STDMETHODIMP Globals::OpenDocument(IDispatch* workspace, LONG documentOid, VARIANT documentType,
                                   LONG* result) try {
  return Journal().recorder.Run(L"OpenDocument",
                                std::wstring(L"OpenDocument(") + WorkspaceText(workspace) + L", " +
                                    std::to_wstring(documentOid) + L", " +
                                    standins::TypedValue(documentType) + L")",
                                kClientToolsSource, [&] {
                                  if (!result) return E_POINTER;
                                  *result = 0;
                                  return S_OK;
                                });
}
PLAT_CATCH_RETURN()

STDMETHODIMP Globals::GetApplication(IDispatch* workspace, IDispatch** application) try {
  if (application) *application = nullptr;
  return Journal().recorder.Run(
      L"GetApplication", std::wstring(L"GetApplication(") + WorkspaceText(workspace) + L")",
      kClientToolsSource, [&] {
        if (!application) return E_POINTER;
        *application = static_cast<IWQDrawingEditorApp*>(plat::make<DrawingEditorApp>().detach());
        return S_OK;
      });
}
PLAT_CATCH_RETURN()
