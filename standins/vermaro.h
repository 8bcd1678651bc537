// The project framework's stand-in: the component the module creates by CLSID, and
// "WQStandins.Vermaro", the control that scripts its project list and reads its record.
// The module makes the component itself, so the record belongs to the process.
#pragma once

#include "WQStandins.h"
#include "recordercontrol.h"

namespace standins {

struct VermaroJournal {
  VermaroJournal();
  void Reset() noexcept;

  Recorder recorder;
  plat::unique_variant projects;  // what GetProjects answers
};

VermaroJournal& VermaroRecord();

class VermaroControl : public RecorderControl<IWQStandinVermaro> {
 public:
  STDMETHOD(SetProjects)(VARIANT projects) override;

 protected:
  Recorder& GetRecorder() override { return standins::VermaroRecord().recorder; }
  void ResetAll() noexcept override { standins::VermaroRecord().Reset(); }
};

}  // namespace standins

class Vermaro : public plat::Implements<Vermaro, standins::VermaroControl,
                                        plat::SupportErrorInfo<IWQStandinVermaro>> {};

class VermaroProjects : public plat::Implements<VermaroProjects, plat::Dispatch<IWQVermaroProjects>,
                                                plat::SupportErrorInfo<IWQVermaroProjects>> {
 public:
  // The "Create" step: a scripted failure ends the creation.
  HRESULT FinalConstruct() noexcept;

  STDMETHOD(Initialize)(IDispatch* workspace) override;
  STDMETHOD(GetProjects)(SAFEARRAY** projects) override;
  STDMETHOD(PublishAsBuilt)(BSTR projectName) override;
};
