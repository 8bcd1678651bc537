#include "workspacenode.h"

using standins::NodeJournal;
using standins::Quoted;

namespace standins {

constexpr const wchar_t* kNodeSource = L"WQStandins.WorkspaceNode";

WorkspaceNodeJournal::WorkspaceNodeJournal()
    : recorder({L"Create", L"QueryWorkspaceNode", L"AddUser", L"ModifyUser", L"DeleteUser",
                L"AddRole", L"DeleteRole", L"ModifyRole", L"GetAccessControl"},
               false) {}

void WorkspaceNodeJournal::Reset() noexcept {
  recorder.Clear();
  accessControl.clear();
}

WorkspaceNodeJournal& NodeJournal() {
  static WorkspaceNodeJournal journal;
  return journal;
}

STDMETHODIMP WorkspaceNodeControlBase::SetAccessControl(BSTR xml) try {
  NodeJournal().accessControl = Text(xml);
  return S_OK;
}
PLAT_CATCH_RETURN()

}  // namespace standins

namespace {

// An array argument as "{a;b}", with its lower bound in front when it is not 0.
std::wstring ArrayArgument(SAFEARRAY* array) {
  if (!array) return L"null";
  VARTYPE type = VT_EMPTY;
  if (FAILED(SafeArrayGetVartype(array, &type))) return L"?";
  VARIANT view;  // borrows the array; never cleared
  V_VT(&view) = static_cast<VARTYPE>(VT_ARRAY | type);
  V_ARRAY(&view) = array;
  LONG lower = 0;
  SafeArrayGetLBound(array, 1, &lower);
  return (lower ? std::to_wstring(lower) + L":" : std::wstring()) + standins::ValueText(view);
}

std::wstring WorkspaceArgument(IWQWorkspace* workspace) {
  return workspace ? L"workspace" : L"null";
}

template <class Body>
HRESULT Run(const wchar_t* step, const std::wstring& arguments, Body&& body) noexcept {
  return NodeJournal().recorder.Run(step, std::wstring(step) + L"(" + arguments + L")",
                                    standins::kNodeSource, std::forward<Body>(body));
}

HRESULT Record(const wchar_t* step, const std::wstring& arguments) noexcept {
  return Run(step, arguments, [] { return S_OK; });
}

HRESULT RecordUser(const wchar_t* step, BSTR account, BSTR displayName, SAFEARRAY* roleNames,
                   IWQWorkspace* workspace) {
  return Record(step, Quoted(account) + L", " + Quoted(displayName) + L", " +
                          ArrayArgument(roleNames) + L", " + WorkspaceArgument(workspace));
}

HRESULT RecordRole(const wchar_t* step, BSTR name, BSTR description, SAFEARRAY* granted,
                   SAFEARRAY* denied, IWQWorkspace* workspace) {
  return Record(step, Quoted(name) + L", " + Quoted(description) + L", " + ArrayArgument(granted) +
                          L", " + ArrayArgument(denied) + L", " + WorkspaceArgument(workspace));
}

}  // namespace

HRESULT WorkspaceNode::FinalConstruct() noexcept {
  return NodeJournal().recorder.Run(L"Create", L"Create", standins::kNodeSource,
                                    [] { return S_OK; });
}

void* WorkspaceNode::FindInterface(REFIID riid) noexcept {
  if (riid == __uuidof(IWQWorkspaceNode)) {
    try {
      standins::Recorder& recorder = NodeJournal().recorder;
      if (recorder.FindFailure(L"QueryWorkspaceNode")) {
        recorder.MarkFailed(recorder.Record(L"QueryWorkspaceNode"), E_NOINTERFACE);
        return nullptr;
      }
    } catch (...) {
      return nullptr;
    }
  }
  return Implements::FindInterface(riid);
}

STDMETHODIMP WorkspaceNode::AddUser(BSTR account, BSTR displayName, SAFEARRAY* roleNames,
                                    IWQWorkspace* workspace) try {
  return RecordUser(L"AddUser", account, displayName, roleNames, workspace);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WorkspaceNode::ModifyUser(BSTR account, BSTR displayName, SAFEARRAY* roleNames,
                                       IWQWorkspace* workspace) try {
  return RecordUser(L"ModifyUser", account, displayName, roleNames, workspace);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WorkspaceNode::DeleteUser(BSTR account, IWQWorkspace* workspace) try {
  return Record(L"DeleteUser", Quoted(account) + L", " + WorkspaceArgument(workspace));
}
PLAT_CATCH_RETURN()

STDMETHODIMP WorkspaceNode::AddRole(BSTR name, BSTR description, SAFEARRAY* grantedPrivileges,
                                    SAFEARRAY* deniedPrivileges, IWQWorkspace* workspace) try {
  return RecordRole(L"AddRole", name, description, grantedPrivileges, deniedPrivileges, workspace);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WorkspaceNode::DeleteRole(BSTR name, IWQWorkspace* workspace) try {
  return Record(L"DeleteRole", Quoted(name) + L", " + WorkspaceArgument(workspace));
}
PLAT_CATCH_RETURN()

STDMETHODIMP WorkspaceNode::ModifyRole(BSTR name, BSTR description, SAFEARRAY* grantedPrivileges,
                                       SAFEARRAY* deniedPrivileges, IWQWorkspace* workspace) try {
  return RecordRole(L"ModifyRole", name, description, grantedPrivileges, deniedPrivileges,
                    workspace);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WorkspaceNode::GetAccessControl(IWQWorkspace* workspace, BSTR* xml) try {
  if (xml) *xml = nullptr;
  return Run(L"GetAccessControl", WorkspaceArgument(workspace), [&] {
    if (!xml) return E_POINTER;
    return standins::CopyToBstr(NodeJournal().accessControl, xml);
  });
}
PLAT_CATCH_RETURN()
