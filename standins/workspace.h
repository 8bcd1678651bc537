// The workspace stand-ins: "WQStandins.Workspace" answers IWQWorkspace;
// "WQStandins.WorkspaceNoWQ" is the same object without it. Both are scripted and read
// back through IWQStandinWorkspace, which is also their IDispatch.
#pragma once

#include <memory>

#include "WQStandins.h"
#include "recordercontrol.h"
#include "workspacescript.h"

namespace standins {

class WorkspaceControl : public RecorderControl<IWQStandinWorkspace> {
 public:
  WorkspaceControl() : script_(std::make_shared<WorkspaceScript>()) {}

  STDMETHOD(SetReply)(BSTR serverProgId, BSTR method, BSTR reply) override;
  STDMETHOD(QueueReply)(BSTR serverProgId, BSTR method, BSTR reply) override;
  STDMETHOD(SetReplyFromFile)(BSTR serverProgId, BSTR method, BSTR path) override;
  STDMETHOD(LoadReplyFolder)(BSTR folder, LONG* count) override;
  STDMETHOD(CreateDataServiceCall)(IWQDataServiceCall** call) override;
  STDMETHOD(get_RequestCount)(LONG* count) override;
  STDMETHOD(get_RequestServer)(LONG index, BSTR* progId) override;
  STDMETHOD(get_RequestMethod)(LONG index, BSTR* method) override;
  STDMETHOD(get_RequestXml)(LONG index, VARIANT_BOOL typed, BSTR* xml) override;

 protected:
  Recorder& GetRecorder() override { return script_->recorder; }
  void ResetAll() noexcept override { script_->Reset(); }

 private:
  // Hands `read` of request `index` to `out`; a bad index is E_INVALIDARG.
  template <class Read>
  HRESULT ReadRequest(LONG index, BSTR* out, Read&& read) const;

  std::shared_ptr<WorkspaceScript> script_;
};

}  // namespace standins

class Workspace
    : public plat::Implements<Workspace, standins::WorkspaceControl, IWQWorkspace,
                              plat::SupportErrorInfo<IWQStandinWorkspace, IWQWorkspace>> {
 public:
  // One body serves both interfaces.
  STDMETHOD(CreateDataServiceCall)(IWQDataServiceCall** call) override {
    return WorkspaceControl::CreateDataServiceCall(call);
  }
};

class WorkspaceNoWQ : public plat::Implements<WorkspaceNoWQ, standins::WorkspaceControl,
                                              plat::SupportErrorInfo<IWQStandinWorkspace>> {};
