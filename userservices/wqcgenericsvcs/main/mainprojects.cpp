// Main's enumerations, project status and list, project data and component groupings.
#include <variantutil.h>
#include <wqcomexception.h>

#include "enumoptionsparser.h"
#include "main.h"
#include "workspace/requesttext.h"
#include "workspace/dataservicerequest.h"

namespace {

// The project framework's component, initialised with the workspace.
plat::com_ptr<IWQVermaroProjects> OpenVermaro(WQComException& error, IDispatch* workspace) {
  plat::com_ptr<IWQVermaroProjects> vermaro;
  HRESULT hr = CoCreateInstance(CLSID_WQVermaroProjects, nullptr, CLSCTX_ALL,
                                __uuidof(IWQVermaroProjects), vermaro.put_void());
  if (FAILED(hr)) error.ThrowHr(hr, L"Unable to instance Vermaro component");
  hr = vermaro->Initialize(workspace);
  if (FAILED(hr)) error.ThrowHr(hr, L"Unable to initialize Vermaro component");
  return vermaro;
}

}  // namespace

HRESULT Main::SendInput(WQComException& error, IDispatch* pWorkspace, const wchar_t* method,
                        const wchar_t* input, BSTR* reply) {
  DataServiceRequest request;
  WQThrowIfFailed(error, request.Prepare(pWorkspace, serverProgId_.c_str(), method));
  if (input) WQThrowIfFailed(error, request.PutInput(input));
  WQThrowIfFailed(error, request.Execute());
  if (reply) WQThrowIfFailed(error, request.GetResponse(reply));
  return S_OK;
}

STDMETHODIMP Main::EnumerationOptions(IDispatch* pWorkspace, BSTR bstrName, BOOL* pbIsClosed,
                                      SAFEARRAY** Options) {
  WQ_METHOD_BEGIN(error, nullptr, 0)
  error.CheckPointer(pbIsClosed);
  error.CheckPointer(Options);
  *pbIsClosed = 0;
  *Options = nullptr;
  CheckRequestTexts(error, {{L"bstrName", bstrName}});
  plat::unique_bstr reply;
  SendInput(error, pWorkspace, L"EnumerationOptions", bstrName ? bstrName : L"", reply.put());
  EnumOptionsParser parser;
  WQThrowIfFailed(error, parser.ParseString(reply.get()));

  WQVariantSafeArray options(static_cast<ULONG>(parser.options.GetCount()), 1, true);
  for (int i = 0; i < parser.options.GetCount(); ++i)
    WQThrowIfFailed(error, options.SetAt(i, parser.options[i]));
  *Options = options.Detach();
  *pbIsClosed = parser.Closed ? -1 : 0;
  WQ_METHOD_END(error)
}

STDMETHODIMP Main::VRMProjectStatus(IDispatch* pWorkspace, EWQCVRMProjectStatus* pStatus) {
  WQ_BARE_METHOD();
  if (!pStatus) return E_POINTER;
  *pStatus = wqVRMNotRegistered;
  WQ_METHOD_BEGIN(error, L"Main::VRMProjectStatus", 0)
  plat::unique_bstr reply;
  SendInput(error, pWorkspace, L"VRMProjectStatus", nullptr, reply.put());
  const wchar_t* text = reply.c_str();
  if (wcsstr(text, L"wqVRMNotRegAsBuilt")) *pStatus = wqVRMNotRegAsBuilt;
  // "wqVRMAsBuiltPreProject" contains "wqVRMAsBuilt": the longer name is tested first.
  static const struct {
    const wchar_t* name;
    EWQCVRMProjectStatus status;
  } kStatuses[] = {{L"wqVRMNotRegistered", wqVRMNotRegistered},
                   {L"wqVRMAsBuiltPreProject", wqVRMAsBuiltPreProject},
                   {L"wqVRMAsBuilt", wqVRMAsBuilt},
                   {L"wqVRMProject", wqVRMProject},
                   {L"wqVRMCommittedProject", wqVRMCommittedProject}};
  for (const auto& entry : kStatuses) {
    if (wcsstr(text, entry.name)) {
      *pStatus = entry.status;
      break;
    }
  }
  WQ_METHOD_END(error)
}

STDMETHODIMP Main::GetProjects(IDispatch* pWorkspace, SAFEARRAY** Projects) {
  WQ_METHOD_BEGIN(error, nullptr, 0)
  error.CheckPointer(Projects);
  *Projects = nullptr;
  plat::com_ptr<IWQVermaroProjects> vermaro = OpenVermaro(error, pWorkspace);
  SAFEARRAY* projects = nullptr;
  const HRESULT hr = vermaro->GetProjects(&projects);
  if (FAILED(hr)) error.ThrowHr(hr, L"Unable to get the project list from Vermaro component");
  *Projects = projects;
  WQ_METHOD_END(error)
}

STDMETHODIMP Main::PublishProjectAsBuilt(IDispatch* pWorkspace, BSTR sProjectName) {
  WQ_METHOD_BEGIN(error, nullptr, 0)
  plat::com_ptr<IWQVermaroProjects> vermaro = OpenVermaro(error, pWorkspace);
  const HRESULT hr = vermaro->PublishAsBuilt(sProjectName);
  if (FAILED(hr)) error.ThrowHr(hr, L"Error publishing the updated documents from the As-Built");
  WQ_METHOD_END(error)
}

STDMETHODIMP Main::SaveVRMProjectData(IDispatch* pWorkspace, BSTR sProjectData, BOOL* Succeed) {
  WQ_METHOD_BEGIN(error, nullptr, 0)
  error.CheckPointer(Succeed);
  *Succeed = 65535;
  CheckRequestTexts(error, {{L"sProjectData", sProjectData}});
  plat::com_ptr<IWQWorkspace> workspace;
  if (FAILED(QueryWorkspace(pWorkspace, workspace))) error.ThrowHr(E_NOINTERFACE);
  plat::unique_bstr reply;
  SendInput(error, pWorkspace, L"SaveVRMProjectData", sProjectData ? sProjectData : L"",
            reply.put());
  if (reply.c_str()[0] == L'F') *Succeed = 0;
  WQ_METHOD_END(error)
}

STDMETHODIMP Main::GetComponentGroupings(IDispatch* pWorkspace, BSTR* bstrGroupingsInfo) {
  WQ_METHOD_BEGIN(error, L"WQCGenericSvcs::GetComponentGroupings", 0)
  error.CheckPointer(bstrGroupingsInfo);
  *bstrGroupingsInfo = nullptr;
  plat::unique_bstr reply;
  SendInput(error, pWorkspace, L"GetComponentGroupings", nullptr, reply.put());
  // The text is passed on unchanged; an empty reply is an empty text, not null.
  *bstrGroupingsInfo = reply ? reply.release() : plat::unique_bstr::copy(L"").release();
  WQ_METHOD_END(error)
}

STDMETHODIMP Main::SetComponentGroupings(IDispatch* pWorkspace, BSTR bstrGroupingsInfo) {
  WQ_METHOD_BEGIN(error, L"WQCGenericSvcs::SetComponentGroupings", 0)
  CheckRequestTexts(error, {{L"bstrGroupingsInfo", bstrGroupingsInfo}});
  SendInput(error, pWorkspace, L"SetComponentGroupings",
            bstrGroupingsInfo ? bstrGroupingsInfo : L"", nullptr);
  WQ_METHOD_END(error)
}
