// Process entry and the object map of the server's creatable classes.
#include <array>

#include <conversion.h>

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

// Every late-bound call: ids are read by the one rule, and a NaN that the type information
// would convert is no integer and no flag. The type information outlives the check: both
// belong to the interface's dispatch information, which frees the check first.
class ServerArgumentCheck final : public plat::Module::ArgumentCheck {
 public:
  ServerArgumentCheck(ITypeInfo* info, std::unique_ptr<plat::Module::ArgumentCheck> ids)
      : info_(info), ids_(std::move(ids)) {}

  HRESULT Check(DISPID member, WORD flags, const DISPPARAMS* params) const noexcept override {
    const HRESULT hr = ids_ ? ids_->Check(member, flags, params) : S_OK;
    return FAILED(hr) ? hr : plat::RefuseNaNArguments(info_, member, flags, params);
  }

 private:
  ITypeInfo* info_;
  std::unique_ptr<plat::Module::ArgumentCheck> ids_;
};

std::unique_ptr<plat::Module::ArgumentCheck> MakeArgumentCheck(REFIID iid, ITypeInfo* info) {
  if (!info) return nullptr;
  return std::make_unique<ServerArgumentCheck>(info, wqc::MakeIdArgumentCheck(iid, info));
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    plat::module().Init(objectMap.data(), objectMap.size(), instance,
                        {wqc::kLibId, wqc::kMajorVersion, wqc::kMinorVersion, wqc::kTypeLibLcid});
    plat::module().SetRegisterEntry(&wqc::UpdateRegistryFromResource);
    plat::module().SetArgumentCheck(&MakeArgumentCheck);
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
