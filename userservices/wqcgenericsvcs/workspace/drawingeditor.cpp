#include "drawingeditor.h"

#include <wqcomexception.h>

namespace {

constexpr DISPID kDispidDBServer = 2;

}  // namespace

plat::com_ptr<IWQDrawingDBServer> OpenDrawingDBServer(WQComException& error, IDispatch* workspace) {
  plat::com_ptr<IWQClientGlobals> globals;
  WQThrowIfFailed(error, ::CoCreateInstance(CLSID_WQClientGlobals, nullptr, CLSCTX_ALL,
                                            __uuidof(IWQClientGlobals), globals.put_void()));
  plat::com_ptr<IDispatch> application;
  WQThrowIfFailed(error, globals->GetApplication(workspace, application.put()));
  if (!application) error.ThrowHrAt(WQ_HERE, E_FAIL, L"No Drawing Editor application is running");
  plat::com_ptr<IWQDrawingEditorApp> editor;
  WQThrowIfFailed(error, application.query_to(editor));
  // Read late-bound by its DISPID: the application's interface is far larger than this.
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  plat::unique_variant server;
  if (FAILED(editor->Invoke(kDispidDBServer, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                            &none, server.put(), nullptr, nullptr)) ||
      V_VT(&server) != VT_DISPATCH || !V_DISPATCH(&server))
    error.ThrowHrAt(WQ_HERE, E_FAIL,
                    L"Failed to access DBServer property of Drawing Editor application");
  plat::com_ptr<IWQDrawingDBServer> database;
  const HRESULT hr =
      V_DISPATCH(&server)->QueryInterface(__uuidof(IWQDrawingDBServer), database.put_void());
  if (FAILED(hr))
    error.ThrowHrAt(WQ_HERE, hr,
                    L"The DBServer of the Drawing Editor application does not work on pipes");
  return database;
}
