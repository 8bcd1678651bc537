// Every creatable class of the server with its class and interface ids, as the tests of
// the whole server walk them: read from the registered type library, so a class added to
// the IDL is checked without touching the tests.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "comtest.h"

// {38000000-A35F-4D89-960A-B075AD91A15F}
inline const GUID kLibId = {
    0x38000000, 0xA35F, 0x4D89, {0x96, 0x0A, 0xB0, 0x75, 0xAD, 0x91, 0xA1, 0x5F}};

struct ServerClass {
  std::wstring name;
  CLSID clsid;
  IID iid;  // the default interface
};

// A class by its name in test output (found beside the type, as the test framework looks).
inline void PrintTo(const ServerClass& c, std::ostream* os) {
  *os << std::string(c.name.begin(), c.name.end());
}

// The creatable classes of a type library.
inline std::vector<ServerClass> ServerClassesOf(ITypeLib* lib) {
  std::vector<ServerClass> classes;
  if (!lib) return classes;
  for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
    plat::com_ptr<ITypeInfo> info;
    TYPEATTR* attr = nullptr;
    if (FAILED(lib->GetTypeInfo(i, info.put())) || FAILED(info->GetTypeAttr(&attr))) continue;
    ServerClass c{L"", attr->guid, GUID_NULL};
    const bool creatable =
        attr->typekind == TKIND_COCLASS && (attr->wTypeFlags & TYPEFLAG_FCANCREATE);
    for (UINT j = 0; creatable && j < attr->cImplTypes; ++j) {
      INT flags = 0;
      HREFTYPE ref = 0;
      plat::com_ptr<ITypeInfo> implemented;
      TYPEATTR* implementedAttr = nullptr;
      if (SUCCEEDED(info->GetImplTypeFlags(j, &flags)) && (flags & IMPLTYPEFLAG_FDEFAULT) &&
          !(flags & IMPLTYPEFLAG_FSOURCE) && SUCCEEDED(info->GetRefTypeOfImplType(j, &ref)) &&
          SUCCEEDED(info->GetRefTypeInfo(ref, implemented.put())) &&
          SUCCEEDED(implemented->GetTypeAttr(&implementedAttr))) {
        c.iid = implementedAttr->guid;
        implemented->ReleaseTypeAttr(implementedAttr);
      }
    }
    info->ReleaseTypeAttr(attr);
    plat::unique_bstr name;
    if (creatable && SUCCEEDED(lib->GetDocumentation(i, name.put(), nullptr, nullptr, nullptr))) {
      c.name = name.c_str();
      classes.push_back(c);
    }
  }
  return classes;
}

// The creatable classes of the registered type library.
inline std::vector<ServerClass> ServerClasses() {
  plat::com_ptr<ITypeLib> lib;
  if (FAILED(LoadRegTypeLib(kLibId, 380, 0, 0x0409, lib.put()))) return {};
  return ServerClassesOf(lib.get());
}
