#include "testwidget.h"

STDMETHODIMP TestWidgetBase::Add(LONG a, LONG b, LONG* sum) {
  if (!sum) return E_POINTER;
  *sum = a + b;
  return S_OK;
}

STDMETHODIMP TestWidgetBase::get_Name(BSTR* name) try {
  if (!name) return E_POINTER;
  *name = plat::unique_bstr::copy(name_.c_str()).release();
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP TestWidgetBase::put_Name(BSTR name) try {
  name_ = plat::unique_bstr::copy(name ? name : L"");
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP TestWidgetBase::Scale(double factor, LONGLONG window, LONG* result) {
  if (!result) return E_POINTER;
  *result = static_cast<LONG>(factor * 10 + window);
  return S_OK;
}

STDMETHODIMP TestWidgetBase::Fail(LONG code) {
  plat::com_ptr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.put()))) {
    create->SetDescription(const_cast<LPOLESTR>(L"The widget failed"));
    plat::com_ptr<IErrorInfo> info;
    if (SUCCEEDED(create.query_to(info))) SetErrorInfo(0, info.get());
  }
  return static_cast<HRESULT>(code);
}
