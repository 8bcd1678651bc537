// Every creatable class of the server as clients meet it: both ProgIDs, one identity,
// error info for its own interface only, aggregation through IUnknown only, late-bound
// type information from the registered library, and no object left alive afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comtest.h"
#include "serverclasses.h"

namespace {

// An aggregate around one object of the server: it answers IUnknown itself and hands every
// other interface to the inner object, as a client that aggregates would.
class Outer : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown) {
      *out = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(iid, out);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }

  ULONG refs = 1;
  plat::com_ptr<IUnknown> inner;
};

class Contract : public testing::TestWithParam<ServerClass> {
 protected:
  void TearDown() override { wqtest::ExpectUnloadable(L"WQCGenericSvcs.dll"); }
};

TEST_P(Contract, ServesItsClassAsClientsMeetIt) {
  const ServerClass& c = GetParam();
  const CLSID clsid = c.clsid;
  const IID iid = c.iid;

  const std::wstring progId = L"WQCGenericSvcs." + c.name;
  for (const std::wstring& id : {progId, progId + L".380"}) {
    CLSID found = GUID_NULL;
    ASSERT_EQ(CLSIDFromProgID(id.c_str(), &found), S_OK) << id;
    EXPECT_EQ(found, clsid) << id;
  }

  plat::com_ptr<IUnknown> object;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void()),
            S_OK);
  EXPECT_EQ(wqtest::RefCount(object.get()), 1u);
  plat::com_ptr<IDispatch> dual;
  ASSERT_EQ(object->QueryInterface(iid, dual.put_void()), S_OK);
  EXPECT_EQ(wqtest::RefCount(object.get()), 2u) << "one count for the whole object";
  plat::com_ptr<IUnknown> identity;
  ASSERT_EQ(dual->QueryInterface(IID_IUnknown, identity.put_void()), S_OK);
  EXPECT_EQ(identity.get(), object.get());
  EXPECT_EQ(wqtest::QueryResult(object.get(), IID_IDispatch), S_OK);

  plat::com_ptr<ISupportErrorInfo> support;
  ASSERT_EQ(object->QueryInterface(IID_ISupportErrorInfo, support.put_void()), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(iid), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
  for (const ServerClass& otherClass : ServerClasses()) {
    if (otherClass.iid != iid) {
      EXPECT_EQ(support->InterfaceSupportsErrorInfo(otherClass.iid), S_FALSE) << otherClass.name;
    }
  }

  plat::com_ptr<ITypeInfo> info;
  ASSERT_EQ(dual->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, iid);
  EXPECT_EQ(attr->wMajorVerNum, 0);
  info->ReleaseTypeAttr(attr);
  plat::com_ptr<ITypeLib> lib;
  UINT index = 0;
  ASSERT_EQ(info->GetContainingTypeLib(lib.put(), &index), S_OK);
  TLIBATTR* libAttr = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&libAttr), S_OK);
  EXPECT_EQ(libAttr->wMajorVerNum, 380);
  EXPECT_EQ(libAttr->wMinorVerNum, 0);
  lib->ReleaseTLibAttr(libAttr);

  LPOLESTR name = const_cast<LPOLESTR>(L"NoSuchMember");
  DISPID id = 0;
  EXPECT_EQ(dual->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);

  // Inside an aggregate only IUnknown may be asked for.
  IUnknown* outer = object.get();
  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(CoCreateInstance(clsid, outer, CLSCTX_INPROC_SERVER, iid, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  support = nullptr;
  identity = nullptr;
  dual = nullptr;
  EXPECT_EQ(wqtest::RefCount(object.get()), 1u) << "every interface released gives its count back";
}

// Inside an aggregate the object's interfaces answer for the outer object: one identity,
// and their counts are the outer object's.
TEST_P(Contract, JoinsAnAggregate) {
  const ServerClass& c = GetParam();
  Outer outer;
  ASSERT_EQ(
      CoCreateInstance(c.clsid, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown, outer.inner.put_void()),
      S_OK);
  EXPECT_EQ(outer.refs, 1u) << "making the inner object leaves the outer count alone";
  plat::com_ptr<IDispatch> dual;
  ASSERT_EQ(outer.QueryInterface(c.iid, dual.put_void()), S_OK);
  EXPECT_EQ(outer.refs, 2u);
  plat::com_ptr<IUnknown> identity;
  ASSERT_EQ(dual->QueryInterface(IID_IUnknown, identity.put_void()), S_OK);
  EXPECT_EQ(identity.get(), static_cast<IUnknown*>(&outer));
  identity = nullptr;
  dual = nullptr;
  EXPECT_EQ(outer.refs, 1u);
  outer.inner = nullptr;
}

// A client that frees unused libraries after every call must not use up the process:
// the server answers that it may unload, and loading it again costs nothing more.
TEST(Server, FreeingUnusedLibrariesCostsNoThreadSlots) {
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(L"WQCGenericSvcs.Main", &clsid), S_OK);
  DWORD firstFree = 0;
  for (int cycle = 0; cycle < 8; ++cycle) {
    {
      plat::com_ptr<IUnknown> object;
      ASSERT_EQ(
          CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void()),
          S_OK);
    }
    wqtest::ExpectUnloadable(L"WQCGenericSvcs.dll");
    CoFreeUnusedLibrariesEx(0, 0);
    const DWORD slot = TlsAlloc();
    ASSERT_NE(slot, TLS_OUT_OF_INDEXES);
    TlsFree(slot);
    if (cycle == 0) firstFree = slot;
    EXPECT_EQ(slot, firstFree) << "cycle " << cycle;
  }
}

INSTANTIATE_TEST_SUITE_P(Server, Contract, testing::ValuesIn(ServerClasses()),
                         [](const testing::TestParamInfo<ServerClass>& info) {
                           return std::string(info.param.name.begin(), info.param.name.end());
                         });

// The list above is the type library's: it must hold every class, each registered.
TEST(ServerClasses, EveryCoclassOfTheLibraryIsRegistered) {
  const std::vector<ServerClass> classes = ServerClasses();
  EXPECT_FALSE(classes.empty());
  for (const ServerClass& c : classes) {
    EXPECT_NE(c.iid, GUID_NULL) << c.name;
    CLSID found = GUID_NULL;
    EXPECT_EQ(CLSIDFromProgID((L"WQCGenericSvcs." + c.name).c_str(), &found), S_OK) << c.name;
    EXPECT_EQ(found, c.clsid) << c.name;
  }
}

}  // namespace
