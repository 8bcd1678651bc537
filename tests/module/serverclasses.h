// Every creatable class of the server with its class and interface ids, as the tests of
// the whole server walk them.
#pragma once

#include <windows.h>

// Every CLSID and IID of the server differs only in its first group.
inline GUID ServerGuid(unsigned long first) {
  return GUID{first, 0xA35F, 0x4D89, {0x96, 0x0A, 0xB0, 0x75, 0xAD, 0x91, 0xA1, 0x5F}};
}

struct ServerClass {
  const wchar_t* name;
  unsigned long clsid;
  unsigned long iid;
};

inline const ServerClass kClasses[] = {
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
