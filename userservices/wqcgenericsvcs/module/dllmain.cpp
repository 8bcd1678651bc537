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
#include "module/idparameters.h"
#include "workspacedialogs/wqcopendatasheetdlg.h"
#include "workspacedialogs/wqcseldsbytypedlg.h"
#include "fieldformatting/wqcboolformatctl.h"
#include "fieldformatting/wqcdateformatctl.h"
#include "fieldformatting/wqcintegerformatctl.h"
#include "fieldformatting/wqcrealformatctl.h"
#include "kbscripting/wqcselectkbdlg.h"
#include "kbscripting/wqckbdialogrequest.h"

namespace {

// The object map: every class of the server's list with the id of its registry script.
#define WQ_SERVER_CLASS(name, script) plat::MakeObjectEntry<name>(script),
std::array objectMap = {
#include "serverclasses.inc"
};
#undef WQ_SERVER_CLASS

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    plat::module().Init(objectMap.data(), objectMap.size(), instance,
                        {wqc::kLibId, wqc::kMajorVersion, wqc::kMinorVersion, wqc::kTypeLibLcid});
    plat::module().SetRegisterEntry(&wqc::UpdateRegistryFromResource);
    plat::module().SetArgumentCheck(&wqc::MakeIdArgumentCheck);
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
