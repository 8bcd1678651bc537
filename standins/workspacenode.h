// The workspace-node stand-in: the node object the module creates by CLSID, and
// "WQStandins.WorkspaceNodeControl", which scripts what it answers and reads back what it
// was asked. The module makes the node itself, so the record belongs to the process.
#pragma once

#include <string>

#include "WQStandins.h"
#include "recordercontrol.h"

namespace standins {

struct WorkspaceNodeJournal {
  WorkspaceNodeJournal();
  void Reset() noexcept;

  Recorder recorder;
  std::wstring accessControl;
};

WorkspaceNodeJournal& NodeJournal();

class WorkspaceNodeControlBase : public RecorderControl<IWQStandinWorkspaceNode> {
 public:
  STDMETHOD(SetAccessControl)(BSTR xml) override;

 protected:
  Recorder& GetRecorder() override { return NodeJournal().recorder; }
  void ResetAll() noexcept override { NodeJournal().Reset(); }
};

}  // namespace standins

class WorkspaceNodeControl
    : public plat::Implements<WorkspaceNodeControl, standins::WorkspaceNodeControlBase,
                              plat::SupportErrorInfo<IWQStandinWorkspaceNode>> {};

class WorkspaceNode : public plat::Implements<WorkspaceNode, plat::Dispatch<IWQWorkspaceNode>,
                                              plat::SupportErrorInfo<IWQWorkspaceNode>> {
 public:
  // The "Create" step: a scripted failure ends the creation.
  HRESULT FinalConstruct() noexcept;
  void* FindInterface(REFIID riid) noexcept;

  STDMETHOD(AddUser)
  (BSTR account, BSTR displayName, SAFEARRAY* roleNames, IWQWorkspace* workspace) override;
  STDMETHOD(ModifyUser)
  (BSTR account, BSTR displayName, SAFEARRAY* roleNames, IWQWorkspace* workspace) override;
  STDMETHOD(DeleteUser)(BSTR account, IWQWorkspace* workspace) override;
  STDMETHOD(AddRole)
  (BSTR name, BSTR description, SAFEARRAY* grantedPrivileges, SAFEARRAY* deniedPrivileges,
   IWQWorkspace* workspace) override;
  STDMETHOD(DeleteRole)(BSTR name, IWQWorkspace* workspace) override;
  STDMETHOD(ModifyRole)
  (BSTR name, BSTR description, SAFEARRAY* grantedPrivileges, SAFEARRAY* deniedPrivileges,
   IWQWorkspace* workspace) override;
  STDMETHOD(GetAccessControl)(IWQWorkspace* workspace, BSTR* xml) override;
};
