#include "servermodule.h"

#include <cstdio>
#include <string>
#include <vector>

namespace wqc {

// {38000000-A35F-4D89-960A-B075AD91A15F}
const GUID kLibId = {0x38000000, 0xA35F, 0x4D89, {0x96, 0x0A, 0xB0, 0x75, 0xAD, 0x91, 0xA1, 0x5F}};

namespace {
// Every class id of the server differs only in its first group.
constexpr GUID ServerGuid(unsigned long first) {
  return GUID{first, 0xA35F, 0x4D89, {0x96, 0x0A, 0xB0, 0x75, 0xAD, 0x91, 0xA1, 0x5F}};
}
}  // namespace

const ClassId kClassIds[21] = {
    {L"CLSID_Main", ServerGuid(0x38000201)},
    {L"CLSID_WQCSelectClassDlg", ServerGuid(0x38000202)},
    {L"CLSID_WQCSelectObjectDlg", ServerGuid(0x38000203)},
    {L"CLSID_WQCSelectUnitSetDlg", ServerGuid(0x3800020E)},
    {L"CLSID_WQCSelectCaseDlg", ServerGuid(0x38000204)},
    {L"CLSID_WQCRenameCaseDlg", ServerGuid(0x38000205)},
    {L"CLSID_WQCSelectKBDlg", ServerGuid(0x38000206)},
    {L"CLSID_WQCFieldFormatter", ServerGuid(0x38000208)},
    {L"CLSID_WQCBoolFormatCtl", ServerGuid(0x38000209)},
    {L"CLSID_WQCDateFormatCtl", ServerGuid(0x3800020A)},
    {L"CLSID_WQCIntegerFormatCtl", ServerGuid(0x3800020C)},
    {L"CLSID_WQCRealFormatCtl", ServerGuid(0x3800020B)},
    {L"CLSID_WQCKBDialogRequest", ServerGuid(0x3800020D)},
    {L"CLSID_WQCAssocHoldDlg", ServerGuid(0x3800020F)},
    {L"CLSID_WQCAccessControl", ServerGuid(0x38000210)},
    {L"CLSID_WQCConflictResolution", ServerGuid(0x38000211)},
    {L"CLSID_WQCClaimDlg", ServerGuid(0x38000212)},
    {L"CLSID_WQCUnClaimDlg", ServerGuid(0x38000213)},
    {L"CLSID_WQCSelectDatasheetDlg", ServerGuid(0x38000214)},
    {L"CLSID_WQCOpenDatasheetDlg", ServerGuid(0x38000215)},
    {L"CLSID_WQCSelDsByTypeDlg", ServerGuid(0x38000216)},
};

HRESULT UpdateRegistryFromResource(UINT resourceId, bool doRegister) noexcept try {
  wchar_t majorVersion[12];
  wchar_t minorVersion[12];
  _snwprintf(majorVersion, 12, L"%d", kMajorVersion);
  _snwprintf(minorVersion, 12, L"%d", kMinorVersion);
  wchar_t libId[39];
  plat::GuidToRegistryText(kLibId, libId);
  wchar_t classTexts[21][39];

  std::vector<plat::Replacement> map = {
      {L"THREADINGMODEL", L"Apartment"},
      {L"MAJORVERSION", majorVersion},
      {L"MINORVERSION", minorVersion},
      {L"LIBID", libId},
  };
  for (size_t i = 0; i < 21; ++i) {
    plat::GuidToRegistryText(kClassIds[i].clsid, classTexts[i]);
    map.push_back({kClassIds[i].replacementName, classTexts[i]});
  }
  return plat::module().UpdateRegistryFromResource(resourceId, doRegister, map.data(),
                                                   map.size());
}
PLAT_CATCH_RETURN()

}  // namespace wqc
