// The recording half of every stand-in control interface (IWQStandinRecorder), over the
// recorder its class names.
#pragma once

#include <dispatch.h>

#include "recorder.h"

namespace standins {

template <class I>
class RecorderControl : public plat::Dispatch<I> {
 public:
  STDMETHOD(FailAt)(BSTR step, LONG hr, BSTR description) override try {
    return GetRecorder().SetFailure(Text(step), static_cast<HRESULT>(hr), Text(description));
  }
  PLAT_CATCH_RETURN()

  STDMETHOD(get_CallCount)(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(GetRecorder().Count());
    return S_OK;
  }

  STDMETHOD(get_Call)(LONG index, BSTR* line) override try {
    if (!line) return E_POINTER;
    *line = nullptr;
    const Recorder& recorder = GetRecorder();
    if (index < 1 || static_cast<size_t>(index) > recorder.Count())
      return RaiseError(E_INVALIDARG, L"No call has that index", L"WQStandins");
    return CopyToBstr(recorder.Line(index - 1), line);
  }
  PLAT_CATCH_RETURN()

  STDMETHOD(get_CallLog)(BSTR* log) override try {
    if (!log) return E_POINTER;
    *log = nullptr;
    return CopyToBstr(GetRecorder().Joined(), log);
  }
  PLAT_CATCH_RETURN()

  STDMETHOD(Reset)() override {
    ResetAll();
    return S_OK;
  }

 protected:
  virtual Recorder& GetRecorder() = 0;
  virtual void ResetAll() noexcept = 0;
};

}  // namespace standins
