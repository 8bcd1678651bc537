// Process entry and the object map of the server's creatable classes.
#include <array>

#include "accessctrl/wqcaccesscontrol.h"
#include "main/main.h"
#include "fieldformatting/wqcfieldformatter.h"
#include "workspacedialogs/wqcselectcasedlg.h"
#include "workspacedialogs/wqcassocholddlg.h"
#include "workspacedialogs/wqcclaimdlg.h"
#include "workspacedialogs/wqcunclaimdlg.h"
#include "workspacedialogs/wqcselectclassdlg.h"
#include "workspacedialogs/wqcselectobjectdlg.h"
#include "workspacedialogs/wqcselectunitsetdlg.h"
#include "workspacedialogs/wqcselectdatasheetdlg.h"
#include "workspacedialogs/wqcrenamecasedlg.h"
#include "conflictres/wqcconflictres.h"
#include "servermodule.h"
#include "workspacedialogs/wqcopendatasheetdlg.h"
#include "workspacedialogs/wqcseldsbytypedlg.h"
#include "fieldformatting/wqcboolformatctl.h"
#include "fieldformatting/wqcdateformatctl.h"
#include "fieldformatting/wqcintegerformatctl.h"
#include "fieldformatting/wqcrealformatctl.h"
#include "kbscripting/wqcselectkbdlg.h"
#include "kbscripting/wqckbdialogrequest.h"

namespace {

// Each class joins the server here, with the id of its registry script.
std::array objectMap = {
    plat::MakeObjectEntry<Main>(103),
    plat::MakeObjectEntry<WQCSelectCaseDlg>(210),
    plat::MakeObjectEntry<WQCFieldFormatter>(218),
    plat::MakeObjectEntry<WQCOpenDatasheetDlg>(302),
    plat::MakeObjectEntry<WQCSelDsByTypeDlg>(303),
    plat::MakeObjectEntry<WQCAssocHoldDlg>(232),
    plat::MakeObjectEntry<WQCClaimDlg>(275),
    plat::MakeObjectEntry<WQCUnClaimDlg>(279),
    plat::MakeObjectEntry<WQCSelectClassDlg>(201),
    plat::MakeObjectEntry<WQCSelectObjectDlg>(202),
    plat::MakeObjectEntry<WQCSelectUnitSetDlg>(231),
    plat::MakeObjectEntry<WQCSelectDatasheetDlg>(290),
    plat::MakeObjectEntry<WQCRenameCaseDlg>(213),
    plat::MakeObjectEntry<WQCConflictResolution>(240),
    plat::MakeObjectEntry<WQCAccessControl>(239),
    plat::MakeObjectEntry<WQCBoolFormatCtl>(219),
    plat::MakeObjectEntry<WQCDateFormatCtl>(221),
    plat::MakeObjectEntry<WQCIntegerFormatCtl>(227),
    plat::MakeObjectEntry<WQCRealFormatCtl>(228),
    plat::MakeObjectEntry<WQCSelectKBDlg>(214),
    plat::MakeObjectEntry<WQCKBDialogRequest>(229),
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    plat::module().Init(objectMap.data(), objectMap.size(), instance,
                        {wqc::kLibId, wqc::kMajorVersion, wqc::kMinorVersion, wqc::kTypeLibLcid});
    plat::module().SetRegisterEntry(&wqc::UpdateRegistryFromResource);
    DisableThreadLibraryCalls(instance);
    // The static threads runtime takes a TLS slot at every load and never gives it back:
    // a client that frees unused libraries would run the process out of slots after about
    // a thousand loads. Once loaded, the server stays.
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&DllMain), &pinned);
  } else if (reason == DLL_PROCESS_DETACH) {
    plat::module().Term();
  }
  return TRUE;
}
