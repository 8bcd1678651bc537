// "WQStandins.BrowserControl": plays the user of the page that the newest live browser
// stand-in shows, and reads back what the browsers were asked.
#pragma once

#include "WQStandins.h"
#include "browserstandin.h"
#include "recordercontrol.h"

namespace standins {

class BrowserControlImpl : public RecorderControl<IWQStandinBrowser> {
 public:
  STDMETHOD(get_PageShown)(VARIANT_BOOL* shown) override;
  STDMETHOD(get_Document)(IDispatch** document) override;
  STDMETHOD(SetValue)(BSTR id, BSTR value) override;
  STDMETHOD(SetChecked)(BSTR id, VARIANT_BOOL checked) override;
  STDMETHOD(SelectIndex)(BSTR id, LONG index) override;
  STDMETHOD(Click)(BSTR id) override;
  STDMETHOD(FollowLink)(LONG index) override;
  STDMETHOD(PressKey)(LONG virtualKey) override;
  STDMETHOD(get_BrowserCount)(LONG* count) override;

 protected:
  Recorder& GetRecorder() override { return BrowserRecord().recorder; }
  void ResetAll() noexcept override { BrowserRecord().Reset(); }

 private:
  // The element `id` of the newest browser's page, and that browser kept alive.
  static HRESULT FindElement(BSTR id, plat::com_ptr<IUnknown>& browser, PageContext** page,
                             HtmlNode** element);
};

}  // namespace standins

class BrowserControl : public plat::Implements<BrowserControl, standins::BrowserControlImpl,
                                               plat::SupportErrorInfo<IWQStandinBrowser>> {};
