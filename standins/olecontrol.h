// What the stand-in controls answer alike as OLE objects: no monikers, data, verbs of
// their own (the registry's), advise sinks or colour schemes, and the status of an
// inside-out control that wants its site first. Each control adds its site, activation,
// closing, extent and class:
//
//   class SomeControl : public plat::Implements<SomeControl, standins::OleObjectDefaults, ...>
#pragma once

#include <oleidl.h>

namespace standins {

class OleObjectDefaults : public IOleObject {
 public:
  using com_interface = IOleObject;

  STDMETHOD(SetHostNames)(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHOD(SetMoniker)(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHOD(GetMoniker)(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHOD(InitFromData)(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHOD(GetClipboardData)(DWORD, IDataObject** data) override {
    if (data) *data = nullptr;
    return E_NOTIMPL;
  }
  STDMETHOD(EnumVerbs)(IEnumOLEVERB** verbs) override {
    if (verbs) *verbs = nullptr;
    return OLE_S_USEREG;
  }
  STDMETHOD(Update)() override { return S_OK; }
  STDMETHOD(IsUpToDate)() override { return S_OK; }
  STDMETHOD(GetUserType)(DWORD, LPOLESTR* type) override {
    if (type) *type = nullptr;
    return OLE_S_USEREG;
  }
  STDMETHOD(Advise)(IAdviseSink*, DWORD* connection) override {
    if (connection) *connection = 0;
    return OLE_E_ADVISENOTSUPPORTED;
  }
  STDMETHOD(Unadvise)(DWORD) override { return OLE_E_NOCONNECTION; }
  STDMETHOD(EnumAdvise)(IEnumSTATDATA** advise) override {
    if (advise) *advise = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
  }
  STDMETHOD(GetMiscStatus)(DWORD, DWORD* status) override {
    if (!status) return E_POINTER;
    *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
              OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
    return S_OK;
  }
  STDMETHOD(SetColorScheme)(LOGPALETTE*) override { return E_NOTIMPL; }
};

}  // namespace standins
