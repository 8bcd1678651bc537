// The record shared by the client tools' stand-ins (the globals object with its error
// display, the drawing-editor application and its database server), and
// "WQStandins.ClientTools", the control that scripts and reads it. The module creates
// those objects itself, so the record belongs to the process, not to an object.
#pragma once

#include <string>
#include <vector>

#include "WQStandins.h"
#include "recordercontrol.h"

namespace standins {

struct ShownError {
  std::wstring description;
  LONGLONG parentWindow;
};

class ClientToolsJournal {
 public:
  ClientToolsJournal();

  // Whether the interface query `step` ("QueryErrorDisplay", ...) is scripted to fail;
  // a refusal is recorded.
  bool Refuses(const wchar_t* step) noexcept;
  void Reset() noexcept;

  Recorder recorder;
  std::vector<ShownError> errors;
  HWND destroyWhileShowing = nullptr;
};

ClientToolsJournal& Journal();

constexpr const wchar_t* kClientToolsSource = L"DIZevuziZozid.Globals";

class ClientToolsControl : public RecorderControl<IWQStandinClientTools> {
 public:
  STDMETHOD(get_ErrorCount)(LONG* count) override;
  STDMETHOD(get_ErrorDescription)(LONG index, BSTR* description) override;
  STDMETHOD(get_ErrorWindow)(LONG index, LONGLONG* parentWindow) override;
  STDMETHOD(DestroyWhileShowing)(LONGLONG window) override;

 protected:
  Recorder& GetRecorder() override { return Journal().recorder; }
  void ResetAll() noexcept override { Journal().Reset(); }

 private:
  static HRESULT FindError(LONG index, const ShownError** error);
};

}  // namespace standins

class ClientTools : public plat::Implements<ClientTools, standins::ClientToolsControl,
                                            plat::SupportErrorInfo<IWQStandinClientTools>> {};
