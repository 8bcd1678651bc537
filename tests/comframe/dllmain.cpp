#include <array>
#include <cstdio>

#include "scripteddialogdriver.h"
#include "testwidget.h"

namespace {

// {5A1E0000-7C2B-4E55-9B1D-2F0C7A6E4D11}
const GUID kLibId = {0x5A1E0000, 0x7C2B, 0x4E55, {0x9B, 0x1D, 0x2F, 0x0C, 0x7A, 0x6E, 0x4D, 0x11}};

std::array objectMap = {
    plat::MakeObjectEntry<TestWidget>(101),
    plat::MakeObjectEntry<TestControl>(102),
    plat::MakeObjectEntry<DialogDriver>(103),
};

HRESULT UpdateRegistry(UINT id, bool doRegister) noexcept {
  wchar_t libId[39], widget[39], control[39], driver[39];
  plat::GuidToRegistryText(kLibId, libId);
  plat::GuidToRegistryText(__uuidof(TestWidget), widget);
  plat::GuidToRegistryText(__uuidof(TestControl), control);
  plat::GuidToRegistryText(__uuidof(DialogDriver), driver);
  const plat::Replacement map[] = {
      {L"THREADINGMODEL", L"Apartment"}, {L"MAJORVERSION", L"380"},
      {L"MINORVERSION", L"0"},           {L"LIBID", libId},
      {L"CLSID_TestWidget", widget},     {L"CLSID_TestControl", control},
      {L"CLSID_DialogDriver", driver},
  };
  return plat::module().UpdateRegistryFromResource(id, doRegister, map, std::size(map));
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    plat::module().Init(objectMap.data(), objectMap.size(), instance, {kLibId, 380, 0});
    plat::module().SetRegisterEntry(&UpdateRegistry);
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    plat::module().Term();
  }
  return TRUE;
}
