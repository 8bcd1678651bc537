#include "drawingeditorapp.h"

using standins::Journal;

void* DrawingEditorApp::FindInterface(REFIID riid) noexcept {
  if (riid == __uuidof(IWQDrawingEditorApp) && Journal().Refuses(L"QueryDrawingEditorApp"))
    return nullptr;
  return Implements::FindInterface(riid);
}

STDMETHODIMP DrawingEditorApp::get_DBServer(IDispatch** server) try {
  if (server) *server = nullptr;
  return Journal().recorder.Run(
      L"get_DBServer", L"get_DBServer", standins::kClientToolsSource, [&] {
        if (!server) return E_POINTER;
        *server = static_cast<IWQDrawingDBServer*>(plat::make<DrawingDBServer>().detach());
        return S_OK;
      });
}
PLAT_CATCH_RETURN()

void* DrawingDBServer::FindInterface(REFIID riid) noexcept {
  if (riid == __uuidof(IWQDrawingDBServer) && Journal().Refuses(L"QueryDrawingDBServer"))
    return nullptr;
  return Implements::FindInterface(riid);
}

HRESULT DrawingDBServer::Record(const wchar_t* step, LONG pipeOid) try {
  return Journal().recorder.Run(step, std::wstring(step) + L"(" + std::to_wstring(pipeOid) + L")",
                                standins::kClientToolsSource, [] { return S_OK; });
}
PLAT_CATCH_RETURN()

STDMETHODIMP DrawingDBServer::HighlightPipe(LONG pipeOid) {
  return Record(L"HighlightPipe", pipeOid);
}

STDMETHODIMP DrawingDBServer::CompactPipe(LONG pipeOid) { return Record(L"CompactPipe", pipeOid); }
