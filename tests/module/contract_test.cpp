// Every creatable class of the server as clients meet it: both ProgIDs, one identity,
// error info for its own interface only, aggregation through IUnknown only, late-bound
// type information from the registered library, and no object left alive afterwards.
#include <gtest/gtest.h>

#include "comtest.h"
#include "serverclasses.h"

namespace {

class Contract : public testing::TestWithParam<ServerClass> {
 protected:
  void TearDown() override { wqtest::ExpectUnloadable(L"WQCGenericSvcs.dll"); }
};

TEST_P(Contract, ServesItsClassAsClientsMeetIt) {
  const ServerClass& c = GetParam();
  const CLSID clsid = ServerGuid(c.clsid);
  const IID iid = ServerGuid(c.iid);

  const std::wstring progId = std::wstring(L"WQCGenericSvcs.") + c.name;
  for (const std::wstring& id : {progId, progId + L".380"}) {
    CLSID found = GUID_NULL;
    ASSERT_EQ(CLSIDFromProgID(id.c_str(), &found), S_OK) << id;
    EXPECT_EQ(found, clsid) << id;
  }

  plat::com_ptr<IUnknown> object;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             object.put_void()),
            S_OK);
  plat::com_ptr<IDispatch> dual;
  ASSERT_EQ(object->QueryInterface(iid, dual.put_void()), S_OK);
  plat::com_ptr<IUnknown> identity;
  ASSERT_EQ(dual->QueryInterface(IID_IUnknown, identity.put_void()), S_OK);
  EXPECT_EQ(identity.get(), object.get());
  EXPECT_EQ(wqtest::QueryResult(object.get(), IID_IDispatch), S_OK);

  plat::com_ptr<ISupportErrorInfo> support;
  ASSERT_EQ(object->QueryInterface(IID_ISupportErrorInfo, support.put_void()), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(iid), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
  const IID other = ServerGuid(c.iid == 0x38000106 ? 0x3800010A : 0x38000106);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(other), S_FALSE);

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
  EXPECT_EQ(dual->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id),
            DISP_E_UNKNOWNNAME);

  // Inside an aggregate only IUnknown may be asked for.
  IUnknown* outer = object.get();
  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(CoCreateInstance(clsid, outer, CLSCTX_INPROC_SERVER, iid, &out),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Server, Contract, testing::ValuesIn(kClasses),
                         [](const testing::TestParamInfo<ServerClass>& info) {
                           std::string name;
                           for (const wchar_t* p = info.param.name; *p; ++p)
                             name += static_cast<char>(*p);
                           return name;
                         });

}  // namespace
