// C++ clients of the stand-ins (the tests): creating them, and the control calls with
// plain wide strings in and std::wstring out.
//
//   plat::com_ptr<IWQStandinWorkspace> workspace;
//   wqstandins::CreateWorkspace(workspace);
//   wqstandins::SetReply(workspace.get(), L"ZERAZevozarAdid.Main", L"ListCases", L"<ListCases/>");
//   wqstandins::FailAt(workspace.get(), L"Execute", E_FAIL, L"The server is down");
//   ... hand workspace.get() (an IDispatch) to the code under test ...
//   wqstandins::CallLog(workspace.get());      // one line per call
//   wqstandins::RequestXml(workspace.get(), 1); // <ListCases RestrictedCases="vt11:-1">...
#pragma once

#include <handles.h>

#include <string>
#include <string_view>

#include "WQStandins.h"

namespace wqstandins {

// A new workspace stand-in: "WQStandins.Workspace", or "WQStandins.WorkspaceNoWQ" for
// one without IWQWorkspace.
HRESULT CreateWorkspace(plat::com_ptr<IWQStandinWorkspace>& workspace,
                        const wchar_t* progId = L"WQStandins.Workspace");
// The client tools' control, with their process-wide record reset.
HRESULT CreateClientTools(plat::com_ptr<IWQStandinClientTools>& tools);
// The workspace-node control, with its process-wide record reset.
HRESULT CreateWorkspaceNodeControl(plat::com_ptr<IWQStandinWorkspaceNode>& control);
HRESULT SetAccessControl(IWQStandinWorkspaceNode* control, const wchar_t* xml);
// The grid's and the directory object picker's controls, their records reset.
HRESULT CreateGridControl(plat::com_ptr<IWQStandinGridControl>& control);
HRESULT CreateObjectPickerControl(plat::com_ptr<IWQStandinObjectPicker>& control);
// What the picker answers: `hr` and, with S_OK, these directory paths.
HRESULT SetPickerAnswer(IWQStandinObjectPicker* control, HRESULT hr, const wchar_t* paths);
// What a grid shows (IWQStandinGridUser::Contents), empty when it cannot tell.
std::wstring GridContents(IUnknown* grid);

HRESULT SetReply(IWQStandinWorkspace* workspace, const wchar_t* server, const wchar_t* method,
                 const wchar_t* reply);
// A reply with its length, a null inside it too.
HRESULT SetReply(IWQStandinWorkspace* workspace, const wchar_t* server, const wchar_t* method,
                 std::wstring_view reply);
HRESULT QueueReply(IWQStandinWorkspace* workspace, const wchar_t* server, const wchar_t* method,
                   const wchar_t* reply);
HRESULT FailAt(IWQStandinRecorder* recorder, const wchar_t* step, HRESULT hr,
               const wchar_t* description = L"");

// The number of requests made; 0 when the call fails.
LONG RequestCount(IWQStandinWorkspace* workspace);
// Empty texts when the call fails.
std::wstring CallLog(IWQStandinRecorder* recorder);
std::wstring RequestXml(IWQStandinWorkspace* workspace, LONG index, bool typed = true);
std::wstring ErrorDescription(IWQStandinClientTools* tools, LONG index);

}  // namespace wqstandins
