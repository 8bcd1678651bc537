#include "servermodule.h"

#include "WQCGenericSvcs.h"

#include <cstdio>
#include <string>
#include <vector>

namespace wqc {

// {38000000-A35F-4D89-960A-B075AD91A15F}
const GUID kLibId = {0x38000000, 0xA35F, 0x4D89, {0x96, 0x0A, 0xB0, 0x75, 0xAD, 0x91, 0xA1, 0x5F}};

namespace {
#define WQ_SERVER_CLASS(name, script) {L"CLSID_" #name, &__uuidof(name)},
constexpr ClassId kClasses[] = {
#include "serverclasses.inc"
};
#undef WQ_SERVER_CLASS
}  // namespace

const std::span<const ClassId> kClassIds(kClasses);

HRESULT UpdateRegistryFromResource(UINT resourceId, bool doRegister) noexcept try {
  wchar_t majorVersion[12];
  wchar_t minorVersion[12];
  _snwprintf(majorVersion, 12, L"%d", kMajorVersion);
  _snwprintf(minorVersion, 12, L"%d", kMinorVersion);
  wchar_t libId[39];
  plat::GuidToRegistryText(kLibId, libId);
  struct GuidText {
    wchar_t text[39];
  };
  std::vector<GuidText> classTexts(kClassIds.size());

  std::vector<plat::Replacement> map = {
      {L"THREADINGMODEL", L"Apartment"},
      {L"MAJORVERSION", majorVersion},
      {L"MINORVERSION", minorVersion},
      {L"LIBID", libId},
  };
  for (size_t i = 0; i < kClassIds.size(); ++i) {
    plat::GuidToRegistryText(*kClassIds[i].clsid, classTexts[i].text);
    map.push_back({kClassIds[i].replacementName, classTexts[i].text});
  }
  return plat::module().UpdateRegistryFromResource(resourceId, doRegister, map.data(), map.size());
}
PLAT_CATCH_RETURN()

}  // namespace wqc
