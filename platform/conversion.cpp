#include "conversion.h"

#include "dispatch.h"
#include "handles.h"

#include <cmath>

namespace plat {

namespace {

// A VARIANT that refers to itself would otherwise be followed forever.
constexpr int kMaxIndirection = 32;

bool IsIntegerOrMoney(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_CY:
    case VT_DECIMAL: return true;
    default: return false;
  }
}

// What a NaN given to a parameter of `type` (of `info`) is refused with; S_OK where the
// parameter takes it as it is (a real, a VARIANT).
HRESULT NaNRefusal(ITypeInfo* info, const TYPEDESC& type, int depth = 0) {
  switch (type.vt) {
    case VT_BOOL: return DISP_E_TYPEMISMATCH;
    case VT_PTR: return type.lptdesc ? NaNRefusal(info, *type.lptdesc, depth) : S_OK;
    case VT_USERDEFINED: {
      com_ptr<ITypeInfo> named;
      TYPEATTR* attributes = nullptr;
      if (depth == kMaxIndirection || FAILED(info->GetRefTypeInfo(type.hreftype, named.put())) ||
          FAILED(named->GetTypeAttr(&attributes)))
        return S_OK;
      const HRESULT hr = attributes->typekind == TKIND_ENUM ? DISP_E_OVERFLOW
                         : attributes->typekind == TKIND_ALIAS
                             ? NaNRefusal(named.get(), attributes->tdescAlias, depth + 1)
                             : S_OK;
      named->ReleaseTypeAttr(attributes);
      return hr;
    }
    default: return IsIntegerOrMoney(type.vt) ? DISP_E_OVERFLOW : S_OK;
  }
}

// The refusal of the first NaN among `params` that its parameter of `desc` does not take.
HRESULT NaNArgumentRefusal(ITypeInfo* info, const FUNCDESC& desc, const DISPPARAMS& params) {
  return ForEachParameterArgument(
      params, static_cast<UINT>(desc.cParams), [&](UINT parameter, const VARIANT& argument) {
        return IsNaNReal(argument) ? NaNRefusal(info, desc.lprgelemdescParam[parameter].tdesc)
                                   : S_OK;
      });
}

}  // namespace

bool IsNaNReal(const VARIANT& value) noexcept {
  const VARIANT* v = &value;
  for (int depth = 0; V_VT(v) == (VT_BYREF | VT_VARIANT); ++depth) {
    if (!V_VARIANTREF(v) || depth == kMaxIndirection) return false;
    v = V_VARIANTREF(v);
  }
  const bool byRef = V_VT(v) & VT_BYREF;
  if (byRef && !V_BYREF(v)) return false;
  switch (V_VT(v) & ~VT_BYREF) {
    case VT_R4: return std::isnan(byRef ? *V_R4REF(v) : V_R4(v));
    case VT_R8: return std::isnan(byRef ? *V_R8REF(v) : V_R8(v));
    case VT_DATE: return std::isnan(byRef ? *V_DATEREF(v) : V_DATE(v));
    default: return false;
  }
}

HRESULT ChangeType(VARIANT* result, const VARIANT& source, VARTYPE vt) noexcept {
  if (IsNaNReal(source)) {
    if (vt == VT_BOOL) return DISP_E_TYPEMISMATCH;
    if (IsIntegerOrMoney(vt)) return DISP_E_OVERFLOW;
  }
  // The source is only read; the declaration lacks the const.
  return ::VariantChangeType(result, const_cast<VARIANT*>(&source), 0, vt);
}

FUNCDESC* MemberFuncDesc(ITypeInfo* info, DISPID member, WORD flags) noexcept {
  // A property put is a function of its own beside the get.
  const int kinds = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)
                        ? INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF
                        : INVOKE_FUNC | INVOKE_PROPERTYGET;
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes))) return nullptr;
  const WORD count = attributes->cFuncs;
  info->ReleaseTypeAttr(attributes);
  for (UINT i = 0; i < count; ++i) {
    FUNCDESC* desc = nullptr;
    if (FAILED(info->GetFuncDesc(i, &desc))) continue;
    if (desc->memid == member && (desc->invkind & kinds)) return desc;
    info->ReleaseFuncDesc(desc);
  }
  return nullptr;
}

HRESULT RefuseNaNArguments(ITypeInfo* info, DISPID member, WORD flags,
                           const DISPPARAMS* params) noexcept {
  if (!info || !ReadableArguments(params)) return S_OK;
  bool any = false;
  for (UINT i = 0; i < params->cArgs && !any; ++i) any = IsNaNReal(params->rgvarg[i]);
  if (!any) return S_OK;

  FUNCDESC* desc = MemberFuncDesc(info, member, flags);
  if (!desc) return S_OK;
  const HRESULT refusal = NaNArgumentRefusal(info, *desc, *params);
  info->ReleaseFuncDesc(desc);
  return refusal;
}

}  // namespace plat
