// The COM class library as clients meet it, through the registered test server.
#include <gtest/gtest.h>

#include <handles.h>

#include "WQTestServer.h"
#include "comtest.h"

namespace {

using wqtest::QueryResult;
using wqtest::ReadRegistryString;
using wqtest::RegistryKeyExists;

std::wstring ServerPath() {
  return wqtest::ExecutableDirectory() + L"\\..\\comframe\\WQTestServer.dll";
}

plat::com_ptr<ITestWidget> CreateWidget(const wchar_t* progId = L"WQTestServer.TestWidget") {
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK) << progId;
  plat::com_ptr<ITestWidget> widget;
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITestWidget),
                             widget.put_void()),
            S_OK);
  return widget;
}

TEST(Server, RegistrationWritesBothProgIdsAndTheClassKey) {
  const std::wstring clsid = wqtest::GuidText(__uuidof(TestWidget));
  std::wstring value;
  EXPECT_TRUE(ReadRegistryString(HKEY_CLASSES_ROOT, L"WQTestServer.TestWidget.380\\CLSID", nullptr,
                                 &value));
  EXPECT_EQ(value, clsid);
  EXPECT_TRUE(
      ReadRegistryString(HKEY_CLASSES_ROOT, L"WQTestServer.TestWidget\\CurVer", nullptr, &value));
  EXPECT_EQ(value, L"WQTestServer.TestWidget.380");
  EXPECT_TRUE(ReadRegistryString(HKEY_CLASSES_ROOT, L"WQTestServer.TestWidget", nullptr, &value));
  EXPECT_EQ(value, L"TestWidget Class");

  const std::wstring key = L"CLSID\\" + clsid;
  EXPECT_TRUE(ReadRegistryString(HKEY_CLASSES_ROOT, key + L"\\ProgID", nullptr, &value));
  EXPECT_EQ(value, L"WQTestServer.TestWidget.380");
  EXPECT_TRUE(
      ReadRegistryString(HKEY_CLASSES_ROOT, key + L"\\VersionIndependentProgID", nullptr, &value));
  EXPECT_EQ(value, L"WQTestServer.TestWidget");
  EXPECT_TRUE(
      ReadRegistryString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel", &value));
  EXPECT_EQ(value, L"Apartment");
  EXPECT_TRUE(ReadRegistryString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr, &value));
  EXPECT_NE(value.find(L"WQTestServer.dll"), std::wstring::npos);
  EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, key + L"\\Programmable"));
  EXPECT_TRUE(ReadRegistryString(HKEY_CLASSES_ROOT, key + L"\\TypeLib", nullptr, &value));
  EXPECT_EQ(value, L"{5A1E0000-7C2B-4E55-9B1D-2F0C7A6E4D11}");
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, key + L"\\Control"));
  // Type library versions are registry text in hexadecimal: 380.0 is "17c.0".
  EXPECT_TRUE(RegistryKeyExists(
      HKEY_CLASSES_ROOT, L"TypeLib\\{5A1E0000-7C2B-4E55-9B1D-2F0C7A6E4D11}\\17c.0\\0\\win64"));
}

TEST(Server, ControlShapedScriptWritesExactlyItsKeys) {
  const std::wstring key = L"CLSID\\" + wqtest::GuidText(__uuidof(TestControl));
  EXPECT_EQ(wqtest::RegistrySubkeys(HKEY_CLASSES_ROOT, key),
            (std::vector<std::wstring>{L"Control", L"InprocServer32", L"Insertable", L"MiscStatus",
                                       L"ProgID", L"Programmable", L"ToolboxBitmap32", L"TypeLib",
                                       L"Version", L"VersionIndependentProgID"}));
  std::wstring value;
  EXPECT_TRUE(ReadRegistryString(HKEY_CLASSES_ROOT, key + L"\\ToolboxBitmap32", nullptr, &value));
  EXPECT_NE(value.find(L"WQTestServer.dll, 220"), std::wstring::npos) << value.c_str();
  EXPECT_TRUE(ReadRegistryString(HKEY_CLASSES_ROOT, key + L"\\MiscStatus", nullptr, &value));
  EXPECT_EQ(value, L"0");
  EXPECT_TRUE(ReadRegistryString(HKEY_CLASSES_ROOT, key + L"\\MiscStatus\\1", nullptr, &value));
  EXPECT_EQ(value, L"131473");
  EXPECT_TRUE(ReadRegistryString(HKEY_CLASSES_ROOT, key + L"\\Version", nullptr, &value));
  EXPECT_EQ(value, L"380.0");
  EXPECT_TRUE(wqtest::RegistrySubkeys(HKEY_CLASSES_ROOT, key + L"\\Control").empty());
}

TEST(Server, VtableCalls) {
  auto widget = CreateWidget();
  ASSERT_TRUE(widget);
  LONG sum = 0;
  EXPECT_EQ(widget->Add(40, 2, &sum), S_OK);
  EXPECT_EQ(sum, 42);
  EXPECT_EQ(widget->Add(1, 2, nullptr), E_POINTER);
  plat::unique_bstr name = plat::unique_bstr::copy(L"gear");
  EXPECT_EQ(widget->put_Name(name.get()), S_OK);
  plat::unique_bstr back;
  EXPECT_EQ(widget->get_Name(back.put()), S_OK);
  EXPECT_STREQ(back.get(), L"gear");
}

TEST(Server, IdentityAndInterfaces) {
  auto widget = CreateWidget();
  ASSERT_TRUE(widget);
  plat::com_ptr<IUnknown> a, b;
  ASSERT_EQ(widget->QueryInterface(IID_IUnknown, a.put_void()), S_OK);
  plat::com_ptr<ISupportErrorInfo> support;
  ASSERT_EQ(widget.query_to(support), S_OK);
  ASSERT_EQ(support->QueryInterface(IID_IUnknown, b.put_void()), S_OK);
  EXPECT_EQ(a.get(), b.get());
  EXPECT_EQ(QueryResult(widget.get(), IID_IDispatch), S_OK);
  EXPECT_EQ(QueryResult(widget.get(), IID_IProvideClassInfo2), S_OK);
  EXPECT_EQ(QueryResult(widget.get(), IID_IPersist), E_NOINTERFACE);
  EXPECT_EQ(widget->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(__uuidof(ITestWidget)), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IUnknown), S_FALSE);
}

TEST(Server, ClassInfoNamesTheClass) {
  auto widget = CreateWidget();
  plat::com_ptr<IProvideClassInfo2> provide;
  ASSERT_EQ(widget.query_to(provide), S_OK);
  plat::com_ptr<ITypeInfo> info;
  ASSERT_EQ(provide->GetClassInfo(info.put()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, __uuidof(TestWidget));
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  info->ReleaseTypeAttr(attr);
  GUID source = IID_IUnknown;
  EXPECT_EQ(provide->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), E_FAIL);
  EXPECT_EQ(source, GUID_NULL);
}

TEST(Server, LateBoundCallsThroughTheTypeLibrary) {
  auto widget = CreateWidget(L"WQTestServer.TestWidget.380");
  plat::com_ptr<IDispatch> dispatch;
  ASSERT_EQ(widget.query_to(dispatch), S_OK);
  UINT count = 0;
  EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"add"), const_cast<LPOLESTR>(L"Scale")};
  DISPID ids[2] = {};
  ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &names[0], 1, LOCALE_USER_DEFAULT, &ids[0]), S_OK);
  ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &names[1], 1, LOCALE_USER_DEFAULT, &ids[1]), S_OK);
  EXPECT_EQ(ids[0], 1);

  // Scripting hosts pass strings; the type library coerces them.
  VARIANT args[2];
  V_VT(&args[0]) = VT_BSTR;
  V_BSTR(&args[0]) = SysAllocString(L"2");
  V_VT(&args[1]) = VT_I4;
  V_I4(&args[1]) = 40;
  DISPPARAMS params = {args, nullptr, 2, 0};
  plat::unique_variant result;
  ASSERT_EQ(dispatch->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                             result.put(), nullptr, nullptr),
            S_OK);
  VariantClear(&args[0]);
  EXPECT_EQ(V_VT(&result), VT_I4);
  EXPECT_EQ(V_I4(&result), 42);

  // An omitted optional 64-bit argument is supplied as 0, both left out and "missing".
  VARIANT factor;
  V_VT(&factor) = VT_R8;
  V_R8(&factor) = 1.5;
  DISPPARAMS one = {&factor, nullptr, 1, 0};
  ASSERT_EQ(dispatch->Invoke(ids[1], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &one,
                             result.put(), nullptr, nullptr),
            S_OK);
  EXPECT_EQ(V_VT(&result), VT_I4);
  EXPECT_EQ(V_I4(&result), 15);
  VARIANT two[2];
  V_VT(&two[0]) = VT_ERROR;
  V_ERROR(&two[0]) = DISP_E_PARAMNOTFOUND;
  two[1] = factor;
  DISPPARAMS missing = {two, nullptr, 2, 0};
  ASSERT_EQ(dispatch->Invoke(ids[1], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &missing,
                             result.put(), nullptr, nullptr),
            S_OK);
  EXPECT_EQ(V_I4(&result), 15);
  V_VT(&two[0]) = VT_I4;
  V_I4(&two[0]) = 5;
  ASSERT_EQ(dispatch->Invoke(ids[1], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &missing,
                             result.put(), nullptr, nullptr),
            S_OK);
  EXPECT_EQ(V_I4(&result), 20);

  EXPECT_EQ(dispatch->Invoke(ids[0], IID_IUnknown, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                             result.put(), nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
}

// What a member lacks is worked out per interface: the dialog driver's Select (id 3, two
// longs) gets no 64-bit default from the widget's Scale (id 3, an optional hyper).
// The library carries the default of an optional 64-bit argument, which ITypeInfo::Invoke
// fills in for a late-bound caller that omits it.
TEST(Server, AnOmittedOptionalInt64TakesItsDefault) {
  auto widget = CreateWidget();
  plat::com_ptr<IDispatch> scale;
  ASSERT_EQ(widget.query_to(scale), S_OK);
  VARIANT first;
  V_VT(&first) = VT_I4;
  V_I4(&first) = 1;
  DISPPARAMS one = {&first, nullptr, 1, 0};
  plat::unique_variant result;
  EXPECT_EQ(scale->Invoke(3, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &one, result.put(),
                          nullptr, nullptr),
            S_OK);
  EXPECT_EQ(V_I4(&result), 10);
}

TEST(Server, FailureCarriesErrorInfoThroughInvoke) {
  auto widget = CreateWidget();
  plat::com_ptr<IDispatch> dispatch;
  ASSERT_EQ(widget.query_to(dispatch), S_OK);
  VARIANT code;
  V_VT(&code) = VT_I4;
  V_I4(&code) = static_cast<LONG>(E_ACCESSDENIED);
  DISPPARAMS params = {&code, nullptr, 1, 0};
  EXCEPINFO excep = {};
  EXPECT_EQ(dispatch->Invoke(4, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                             &excep, nullptr),
            DISP_E_EXCEPTION);
  EXPECT_EQ(excep.scode, E_ACCESSDENIED);
  EXPECT_STREQ(excep.bstrDescription, L"The widget failed");
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrHelpFile);
}

// A failing IDispatch member leaves no older error info to be read as its own.
TEST(Server, DispatchFailuresCarryNoOlderErrorInfo) {
  auto widget = CreateWidget();
  plat::com_ptr<IDispatch> dispatch;
  ASSERT_EQ(widget.query_to(dispatch), S_OK);
  const auto failsWithoutErrorInfo = [](HRESULT hr) {
    EXPECT_TRUE(FAILED(hr));
    plat::com_ptr<IErrorInfo> info;
    EXPECT_EQ(GetErrorInfo(0, info.put()), S_FALSE);
  };
  const auto leaveOlderErrorInfo = [] {
    plat::com_ptr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(create.put()), S_OK);
    create->SetDescription(const_cast<LPOLESTR>(L"an older failure"));
    plat::com_ptr<IErrorInfo> info;
    ASSERT_EQ(create.query_to(info), S_OK);
    SetErrorInfo(0, info.get());
  };
  LPOLESTR name = const_cast<LPOLESTR>(L"NoSuchMember");
  DISPID id = 0;
  leaveOlderErrorInfo();
  failsWithoutErrorInfo(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
  leaveOlderErrorInfo();
  failsWithoutErrorInfo(dispatch->GetTypeInfo(1, LOCALE_USER_DEFAULT, nullptr));
  leaveOlderErrorInfo();
  failsWithoutErrorInfo(dispatch->GetTypeInfoCount(nullptr));
  leaveOlderErrorInfo();
  failsWithoutErrorInfo(dispatch->Invoke(3, IID_IUnknown, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                         nullptr, nullptr, nullptr, nullptr));
}

// The exports, called on the DLL directly.
class Exports : public testing::Test {
 protected:
  void SetUp() override {
    dll_.reset(LoadLibraryW(ServerPath().c_str()));
    ASSERT_TRUE(dll_);
    getClassObject_ = reinterpret_cast<decltype(getClassObject_)>(
        reinterpret_cast<void*>(GetProcAddress(dll_.get(), "DllGetClassObject")));
    canUnloadNow_ = reinterpret_cast<decltype(canUnloadNow_)>(
        reinterpret_cast<void*>(GetProcAddress(dll_.get(), "DllCanUnloadNow")));
    ASSERT_TRUE(getClassObject_ && canUnloadNow_);
  }
  plat::unique_hmodule dll_;
  HRESULT(WINAPI* getClassObject_)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(WINAPI* canUnloadNow_)() = nullptr;
};

TEST_F(Exports, ClassObjectLookup) {
  IClassFactory* factory = reinterpret_cast<IClassFactory*>(0x1);
  EXPECT_EQ(getClassObject_(IID_IPersist, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(factory, nullptr);
  EXPECT_EQ(getClassObject_(__uuidof(TestWidget), IID_IClassFactory, nullptr), E_POINTER);
  plat::com_ptr<IClassFactory> first, second;
  ASSERT_EQ(getClassObject_(__uuidof(TestWidget), IID_IClassFactory, first.put_void()), S_OK);
  ASSERT_EQ(getClassObject_(__uuidof(TestWidget), IID_IClassFactory, second.put_void()), S_OK);
  EXPECT_EQ(first.get(), second.get());
  plat::com_ptr<IClassFactory> other;
  ASSERT_EQ(getClassObject_(__uuidof(TestControl), IID_IClassFactory, other.put_void()), S_OK);
  EXPECT_NE(first.get(), other.get());
}

TEST_F(Exports, UnloadWaitsForObjectsAndLocks) {
  EXPECT_EQ(canUnloadNow_(), S_OK);
  plat::com_ptr<IClassFactory> factory;
  ASSERT_EQ(getClassObject_(__uuidof(TestWidget), IID_IClassFactory, factory.put_void()), S_OK);
  EXPECT_EQ(canUnloadNow_(), S_FALSE) << "a held class object keeps the module";

  plat::com_ptr<ITestWidget> widget;
  ASSERT_EQ(factory->CreateInstance(nullptr, __uuidof(ITestWidget), widget.put_void()), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory.reset();
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  widget.reset();
  EXPECT_EQ(canUnloadNow_(), S_FALSE) << "the server lock is still held";

  ASSERT_EQ(getClassObject_(__uuidof(TestWidget), IID_IClassFactory, factory.put_void()), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory.reset();
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

// A minimal outer object that aggregates a widget.
class Outer : public IUnknown {
 public:
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    return inner ? inner->QueryInterface(riid, ppv) : E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
  STDMETHOD_(ULONG, Release)() override { return --refs; }
  ULONG refs = 1;
  IUnknown* inner = nullptr;
};

TEST_F(Exports, Aggregation) {
  plat::com_ptr<IClassFactory> factory;
  ASSERT_EQ(getClassObject_(__uuidof(TestWidget), IID_IClassFactory, factory.put_void()), S_OK);
  Outer outer;
  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory->CreateInstance(&outer, __uuidof(ITestWidget), &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)),
            S_OK);
  EXPECT_EQ(outer.refs, 1u) << "creating the inner object leaves the outer count alone";

  plat::com_ptr<ITestWidget> widget;
  ASSERT_EQ(outer.QueryInterface(__uuidof(ITestWidget), widget.put_void()), S_OK);
  EXPECT_EQ(outer.refs, 2u) << "the inner interfaces count on the outer object";
  plat::com_ptr<IUnknown> identity;
  ASSERT_EQ(widget->QueryInterface(IID_IUnknown, identity.put_void()), S_OK);
  EXPECT_EQ(identity.get(), static_cast<IUnknown*>(&outer));
  identity.reset();
  LONG sum = 0;
  EXPECT_EQ(widget->Add(1, 1, &sum), S_OK);
  widget.reset();
  EXPECT_EQ(outer.refs, 1u);
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  factory.reset();
  EXPECT_EQ(outer.inner->Release(), 0u);
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

}  // namespace
