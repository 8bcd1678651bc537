#include "pagedispatch.h"

namespace standins {

namespace {
HRESULT Convert(const VARIANT* argument, VARTYPE type, plat::unique_variant& converted) {
  if (!argument) return DISP_E_BADPARAMCOUNT;
  return ::VariantChangeType(converted.put(), const_cast<VARIANT*>(argument), 0, type);
}
}  // namespace

HRESULT PageArgs::Text(UINT index, std::wstring& text) const {
  plat::unique_variant converted;
  PLAT_RETURN_IF_FAILED(Convert(At(index), VT_BSTR, converted));
  text.assign(V_BSTR(&converted) ? V_BSTR(&converted) : L"", ::SysStringLen(V_BSTR(&converted)));
  return S_OK;
}

HRESULT PageArgs::Long(UINT index, long& value) const {
  plat::unique_variant converted;
  PLAT_RETURN_IF_FAILED(Convert(At(index), VT_I4, converted));
  value = V_I4(&converted);
  return S_OK;
}

HRESULT PageArgs::Bool(UINT index, bool& value) const {
  plat::unique_variant converted;
  PLAT_RETURN_IF_FAILED(Convert(At(index), VT_BOOL, converted));
  value = V_BOOL(&converted) != VARIANT_FALSE;
  return S_OK;
}

HRESULT ResultText(VARIANT* result, const std::wstring& text) {
  BSTR copy = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!copy) return E_OUTOFMEMORY;
  V_VT(result) = VT_BSTR;
  V_BSTR(result) = copy;
  return S_OK;
}

HRESULT ResultLong(VARIANT* result, long value) {
  V_VT(result) = VT_I4;
  V_I4(result) = value;
  return S_OK;
}

HRESULT ResultBool(VARIANT* result, bool value) {
  V_VT(result) = VT_BOOL;
  V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT ResultObject(VARIANT* result, IDispatch* object) {
  if (!object) {
    V_VT(result) = VT_NULL;
    return S_OK;
  }
  object->AddRef();
  V_VT(result) = VT_DISPATCH;
  V_DISPATCH(result) = object;
  return S_OK;
}

}  // namespace standins
