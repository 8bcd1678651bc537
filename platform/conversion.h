// Conversions of VARIANTs that refuse a value the platform would read as another one: a
// real that is no number becomes the largest integer, or true, under Wine's conversions,
// and true under Windows' boolean one.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

namespace plat {

// A real of any floating type (VT_R4, VT_R8, VT_DATE) that is no number, also by reference
// and through references to VARIANTs.
bool IsNaNReal(const VARIANT& value) noexcept;

// VariantChangeType(result, source, 0, vt), except that a NaN is no integer (DISP_E_OVERFLOW,
// as for a real too large) and no boolean (DISP_E_TYPEMISMATCH). `result` may be `source`.
HRESULT ChangeType(VARIANT* result, const VARIANT& source, VARTYPE vt) noexcept;

// The description of `member` of `info` as a call with `flags` reaches it (a property put
// is a function of its own beside the get); null when there is none. The caller frees it
// with ReleaseFuncDesc.
FUNCDESC* MemberFuncDesc(ITypeInfo* info, DISPID member, WORD flags) noexcept;

// The same refusal for a late-bound call of `member` of `info`, whose arguments the type
// information converts to their parameters' types (each judged at the parameter that
// ForEachParameterArgument gives it): DISP_E_OVERFLOW for a NaN given to an integer
// parameter, DISP_E_TYPEMISMATCH to a flag, else S_OK.
HRESULT RefuseNaNArguments(ITypeInfo* info, DISPID member, WORD flags,
                           const DISPPARAMS* params) noexcept;

}  // namespace plat
