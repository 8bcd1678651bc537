// The client tools' globals stand-in ("DIZevuziZozid.Globals.380"): the error display,
// document opening and the running drawing-editor application. It records into the
// client tools' journal and never shows a window; while an error "shows", it can destroy
// a window the test names (IWQStandinClientTools::DestroyWhileShowing).
#pragma once

#include "clienttools.h"

class Globals : public plat::Implements<Globals, plat::Dispatch<IWQClientGlobals>, IWQErrorDisplay,
                                        plat::SupportErrorInfo<IWQClientGlobals>> {
 public:
  // The "Create" step: a scripted failure ends the creation.
  HRESULT FinalConstruct() noexcept;
  // Refuses the interfaces whose query is scripted to fail.
  void* FindInterface(REFIID riid) noexcept;

  STDMETHOD(ShowErrorDescription)
  (BSTR description, VARIANT extra1, VARIANT extra2, LONGLONG parentWindow) override;
  STDMETHOD(OpenDocument)
  (IDispatch* workspace, LONG documentOid, VARIANT documentType, LONG* result) override;
  STDMETHOD(GetApplication)(IDispatch* workspace, IDispatch** application) override;
};
