// The four exports of an in-process COM server, served by the module object. Compiled
// into each server DLL (listed in its .def file).
#include "comobject.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return plat::module().GetClassObject(clsid, riid, ppv);
}

STDAPI DllCanUnloadNow() { return plat::module().CanUnloadNow(); }

STDAPI DllRegisterServer() { return plat::module().RegisterServer(); }

STDAPI DllUnregisterServer() { return plat::module().UnregisterServer(); }
