// The server's module frame: the type library's identity, the CLSIDs of every class
// (the replacement map names all of them in every script) and the registration of one
// class from its registry script.
#pragma once

#include <comobject.h>

#include <span>

namespace wqc {

extern const GUID kLibId;
constexpr WORD kMajorVersion = 380;
constexpr WORD kMinorVersion = 0;
constexpr LCID kTypeLibLcid = 0x0409;

struct ClassId {
  const wchar_t* replacementName;  // "CLSID_<class>"
  const GUID* clsid;
};
// The creatable classes, from the same list as the object map.
extern const std::span<const ClassId> kClassIds;

// Runs registry script `resourceId` with the module's replacement map.
HRESULT UpdateRegistryFromResource(UINT resourceId, bool doRegister) noexcept;

}  // namespace wqc
