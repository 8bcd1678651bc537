// Every creatable class of the server as clients meet it: both ProgIDs, one identity,
// error info for its own interface only, aggregation through IUnknown only, late-bound
// type information from the registered library, and no object left alive afterwards.
#include <gtest/gtest.h>

#include "comtest.h"

namespace {

// Every CLSID and IID of the server differs only in its first group.
GUID ServerGuid(unsigned long first) {
  return GUID{first, 0xA35F, 0x4D89, {0x96, 0x0A, 0xB0, 0x75, 0xAD, 0x91, 0xA1, 0x5F}};
}

struct ServerClass {
  const wchar_t* name;
  unsigned long clsid;
  unsigned long iid;
};

const ServerClass kClasses[] = {
    {L"Main", 0x38000201, 0x38000101},
    {L"WQCSelectClassDlg", 0x38000202, 0x38000102},
    {L"WQCSelectObjectDlg", 0x38000203, 0x38000103},
    {L"WQCSelectCaseDlg", 0x38000204, 0x38000104},
    {L"WQCSelectUnitSetDlg", 0x3800020E, 0x3800010B},
    {L"WQCRenameCaseDlg", 0x38000205, 0x38000105},
    {L"WQCSelectKBDlg", 0x38000206, 0x38000106},
    {L"WQCFieldFormatter", 0x38000208, 0x38000108},
    {L"WQCBoolFormatCtl", 0x38000209, 0x38000109},
    {L"WQCDateFormatCtl", 0x3800020A, 0x38000109},
    {L"WQCIntegerFormatCtl", 0x3800020C, 0x38000109},
    {L"WQCRealFormatCtl", 0x3800020B, 0x38000109},
    {L"WQCKBDialogRequest", 0x3800020D, 0x3800010A},
    {L"WQCAssocHoldDlg", 0x3800020F, 0x3800010C},
    {L"WQCAccessControl", 0x38000210, 0x3800010D},
    {L"WQCConflictResolution", 0x38000211, 0x3800010E},
    {L"WQCClaimDlg", 0x38000212, 0x3800010F},
    {L"WQCUnClaimDlg", 0x38000213, 0x38000110},
    {L"WQCSelectDatasheetDlg", 0x38000214, 0x38000111},
    {L"WQCOpenDatasheetDlg", 0x38000215, 0x38000112},
    {L"WQCSelDsByTypeDlg", 0x38000216, 0x38000113},
};

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

// A client that frees unused libraries after every call must not use up the process:
// the server answers that it may unload, and loading it again costs nothing more.
TEST(Server, FreeingUnusedLibrariesCostsNoThreadSlots) {
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(L"WQCGenericSvcs.Main", &clsid), S_OK);
  DWORD firstFree = 0;
  for (int cycle = 0; cycle < 8; ++cycle) {
    {
      plat::com_ptr<IUnknown> object;
      ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                 object.put_void()),
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

INSTANTIATE_TEST_SUITE_P(Server, Contract, testing::ValuesIn(kClasses),
                         [](const testing::TestParamInfo<ServerClass>& info) {
                           std::string name;
                           for (const wchar_t* p = info.param.name; *p; ++p)
                             name += static_cast<char>(*p);
                           return name;
                         });

}  // namespace
