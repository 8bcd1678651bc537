// The registrar: runs a registry script (the ".rgs" language) to register or unregister.
//
//   HKCR
//   {
//     NoRemove CLSID
//     {
//       ForceRemove %CLSID% = s 'Widget Class'
//       {
//         InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Apartment' }
//       }
//     }
//   }
//
// Keys may carry NoRemove (never removed), ForceRemove (removed whole before writing and
// on unregistration) or Delete (removed on registration). Values are s (text), e
// (expandable text), d (DWORD) or b (hexadecimal bytes). Tokens are separated by white
// space. %NAME% is replaced from the map inside the token that holds it, so a value is
// taken as it stands, whatever quotes or blanks it holds; "%%" stands for a percent sign.
// The whole script is parsed before any key is touched, so a faulty script changes
// nothing: it fails with the place of its fault in the thread's error info.
#pragma once

#include "comobject.h"

namespace plat {

HRESULT RunRegistryScript(const wchar_t* script, const Replacement* replacements, size_t count,
                          bool doRegister) noexcept;

}  // namespace plat
