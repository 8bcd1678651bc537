// Process entry, object map and registration of the stand-ins server.
#include <array>

#include "browser/browsercontrol.h"
#include "clienttools.h"
#include "globals.h"
#include "grid.h"
#include "objectpicker.h"
#include "vermaro.h"
#include "workspace.h"
#include "workspacenode.h"

namespace {

std::array objectMap = {
    plat::MakeObjectEntry<Workspace>(101),
    plat::MakeObjectEntry<WorkspaceNoWQ>(102),
    plat::MakeObjectEntry<ClientTools>(103),
    plat::MakeObjectEntry<Globals>(104),
    plat::MakeObjectEntry<Vermaro>(105),
    plat::MakeObjectEntry<VermaroProjects>(106),
    plat::MakeObjectEntry<WorkspaceNode>(107),
    plat::MakeObjectEntry<WorkspaceNodeControl>(108),
    plat::MakeObjectEntry<BrowserControl>(109),
    plat::MakeObjectEntry<BrowserStandin>(110),
    plat::MakeObjectEntry<GridControl>(111),
    plat::MakeObjectEntry<ObjectPicker>(112),
    plat::MakeObjectEntry<ObjectPickerControl>(113),
    plat::MakeObjectEntry<VsFlexGridN>(114),
};

HRESULT UpdateRegistry(UINT id, bool doRegister) noexcept {
  wchar_t libId[39], workspace[39], workspaceNoWQ[39], clientTools[39], globals[39], vermaro[39],
      vermaroProjects[39], node[39], nodeControl[39], browserControl[39], browserStandin[39],
      gridControl[39], picker[39], pickerControl[39], grid[39];
  plat::GuidToRegistryText(LIBID_WQStandins, libId);
  plat::GuidToRegistryText(__uuidof(Workspace), workspace);
  plat::GuidToRegistryText(__uuidof(WorkspaceNoWQ), workspaceNoWQ);
  plat::GuidToRegistryText(__uuidof(ClientTools), clientTools);
  plat::GuidToRegistryText(__uuidof(Globals), globals);
  plat::GuidToRegistryText(__uuidof(Vermaro), vermaro);
  plat::GuidToRegistryText(__uuidof(VermaroProjects), vermaroProjects);
  plat::GuidToRegistryText(__uuidof(WorkspaceNode), node);
  plat::GuidToRegistryText(__uuidof(WorkspaceNodeControl), nodeControl);
  plat::GuidToRegistryText(__uuidof(BrowserControl), browserControl);
  plat::GuidToRegistryText(__uuidof(BrowserStandin), browserStandin);
  plat::GuidToRegistryText(__uuidof(GridControl), gridControl);
  plat::GuidToRegistryText(__uuidof(ObjectPicker), picker);
  plat::GuidToRegistryText(__uuidof(ObjectPickerControl), pickerControl);
  plat::GuidToRegistryText(__uuidof(VsFlexGridN), grid);
  const plat::Replacement map[] = {
      {L"THREADINGMODEL", L"Apartment"},
      {L"MAJORVERSION", L"380"},
      {L"MINORVERSION", L"0"},
      {L"LIBID", libId},
      {L"CLSID_Workspace", workspace},
      {L"CLSID_WorkspaceNoWQ", workspaceNoWQ},
      {L"CLSID_ClientTools", clientTools},
      {L"CLSID_Globals", globals},
      {L"CLSID_Vermaro", vermaro},
      {L"CLSID_VermaroProjects", vermaroProjects},
      {L"CLSID_WorkspaceNode", node},
      {L"CLSID_WorkspaceNodeControl", nodeControl},
      {L"CLSID_BrowserControl", browserControl},
      {L"CLSID_BrowserStandin", browserStandin},
      {L"CLSID_GridControl", gridControl},
      {L"CLSID_ObjectPicker", picker},
      {L"CLSID_ObjectPickerControl", pickerControl},
      {L"CLSID_VsFlexGridN", grid},
  };
  return plat::module().UpdateRegistryFromResource(id, doRegister, map, std::size(map));
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    plat::module().Init(objectMap.data(), objectMap.size(), instance, {LIBID_WQStandins, 380, 0});
    plat::module().SetRegisterEntry(&UpdateRegistry);
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    plat::module().Term();
  }
  return TRUE;
}
