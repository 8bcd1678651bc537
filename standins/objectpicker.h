// The directory object picker's stand-in (Wine's is a stub): the picker the member page
// creates under the system's CLSID, answering InvokeDialog with the scripted outcome and
// its selection in the "CFSTR_DSOP_DS_SELECTION_LIST" format; and
// "WQStandins.ObjectPickerControl", which scripts it and reads what it was asked.
#pragma once

#include <sysuuids.h>

#include <string>
#include <vector>

#include "WQStandins.h"
#include "recordercontrol.h"

namespace standins {

struct ObjectPickerJournal {
  ObjectPickerJournal();
  void Reset() noexcept;

  Recorder recorder;
  HRESULT answer = S_FALSE;
  std::vector<std::wstring> paths;
};

ObjectPickerJournal& PickerJournal();

class ObjectPickerControlBase : public RecorderControl<IWQStandinObjectPicker> {
 public:
  STDMETHOD(SetAnswer)(LONG hr, BSTR paths) override;

 protected:
  Recorder& GetRecorder() override { return PickerJournal().recorder; }
  void ResetAll() noexcept override { PickerJournal().Reset(); }
};

}  // namespace standins

class ObjectPickerControl
    : public plat::Implements<ObjectPickerControl, standins::ObjectPickerControlBase,
                              plat::SupportErrorInfo<IWQStandinObjectPicker>> {};

class ObjectPicker : public plat::Implements<ObjectPicker, IDsObjectPicker> {
 public:
  // The "Create" step: a scripted failure ends the creation.
  HRESULT FinalConstruct() noexcept;

  STDMETHOD(Initialize)(PDSOP_INIT_INFO info) override;
  STDMETHOD(InvokeDialog)(HWND parent, IDataObject** selections) override;

 private:
  bool initialized_ = false;
};
