// The registered type library as clients in other locales and apartments find it.
#include <gtest/gtest.h>

#include <handles.h>

#include <thread>

#include "WQCGenericSvcs.h"
#include "comtest.h"

namespace {

const GUID kLibId = {0x38000000, 0xA35F, 0x4D89, {0x96, 0x0A, 0xB0, 0x75, 0xAD, 0x91, 0xA1, 0x5F}};

TEST(TypeLibrary, LoadsForEveryLocale) {
  for (LCID lcid :
       {LCID{0x409}, LCID{LOCALE_NEUTRAL}, LCID{0x400}, LCID{0x800}, LCID{0x407}, LCID{0x809}}) {
    plat::com_ptr<ITypeLib> library;
    EXPECT_EQ(LoadRegTypeLib(kLibId, 380, 0, lcid, library.put()), S_OK) << std::hex << lcid;
  }
  const std::wstring version = L"TypeLib\\" + wqtest::GuidText(kLibId) + L"\\17c.0\\";
  EXPECT_TRUE(wqtest::RegistryKeyExists(HKEY_CLASSES_ROOT, version + L"409\\win64"))
      << "the library's own locale stays registered";
}

// The object lives in an apartment thread of the process; the call reaches it through the
// proxy that the type-library marshaler builds for the dual interface. Wine's host
// apartment keeps a reference on the class object it marshals, so this runs in a process
// of its own, apart from the tests that check the module unloads.
TEST(TypeLibrary, DualInterfaceWorksFromTheMultithreadedApartment) {
  HRESULT created = E_FAIL, titled = E_FAIL, counted = E_FAIL;
  LONG count = -1;
  std::thread client([&] {
    plat::unique_couninitialize com(COINIT_MULTITHREADED);
    if (FAILED(com.hr())) return;
    plat::com_ptr<IWQCSelectCaseDlg> dialog;
    created = CoCreateInstance(__uuidof(WQCSelectCaseDlg), nullptr, CLSCTX_INPROC_SERVER,
                               __uuidof(IWQCSelectCaseDlg), dialog.put_void());
    if (FAILED(created)) return;
    titled = dialog->put_Title(wqtest::Bstr(L"Cases").get());
    counted = dialog->get_SelectionCount(&count);
  });
  client.join();
  EXPECT_EQ(created, S_OK);
  EXPECT_EQ(titled, S_OK);
  EXPECT_EQ(counted, S_OK);
  EXPECT_EQ(count, 0);
}

}  // namespace
