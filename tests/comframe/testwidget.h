// A small dual class with a method, a property, an optional 64-bit argument and a
// failing call; the format-control-shaped class reuses it under another CLSID.
#pragma once

#include <dispatch.h>

#include "WQTestServer.h"

class TestWidgetBase : public plat::Dispatch<ITestWidget> {
 public:
  STDMETHOD(Add)(LONG a, LONG b, LONG* sum) override;
  STDMETHOD(get_Name)(BSTR* name) override;
  STDMETHOD(put_Name)(BSTR name) override;
  STDMETHOD(Scale)(double factor, LONGLONG window, LONG* result) override;
  STDMETHOD(Fail)(LONG code) override;

 private:
  plat::unique_bstr name_;
};

class TestWidget
    : public plat::Implements<TestWidget, TestWidgetBase, plat::SupportErrorInfo<ITestWidget>,
                              plat::ProvideClassInfo2<TestWidget>> {};

class TestControl
    : public plat::Implements<TestControl, TestWidgetBase, plat::SupportErrorInfo<ITestWidget>> {};
