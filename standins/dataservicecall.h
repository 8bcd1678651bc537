// The data service call the workspace stand-in makes: records every operation in its
// workspace's call log, builds the request, and answers Execute with the reply scripted
// for its server and method.
#pragma once

#include <dispatch.h>

#include <memory>
#include <string>

#include "WQStandins.h"
#include "workspacescript.h"

class DataServiceCall : public plat::Implements<DataServiceCall, plat::Dispatch<IWQDataServiceCall>,
                                                plat::SupportErrorInfo<IWQDataServiceCall>> {
 public:
  DataServiceCall(std::shared_ptr<standins::WorkspaceScript> script,
                  std::shared_ptr<standins::Request> request)
      : script_(std::move(script)), request_(std::move(request)) {}

  STDMETHOD(get_ServerProgID)(BSTR* progId) override;
  STDMETHOD(put_ServerProgID)(BSTR progId) override;
  STDMETHOD(get_MethodName)(BSTR* name) override;
  STDMETHOD(put_MethodName)(BSTR name) override;
  STDMETHOD(get_Input)(BSTR* input) override;
  STDMETHOD(put_Input)(BSTR input) override;
  STDMETHOD(get_Response)(BSTR* response) override;
  STDMETHOD(get_Flags)(LONG* flags) override;
  STDMETHOD(put_Flags)(LONG flags) override;
  STDMETHOD(Execute)(LONG options) override;
  STDMETHOD(StartDocument)() override;
  STDMETHOD(StartElement)(BSTR name) override;
  STDMETHOD(WriteVariantAttribute)(BSTR name, VARIANT value) override;
  STDMETHOD(CloseStartTag)() override;
  STDMETHOD(WriteText)(BSTR text) override;
  STDMETHOD(EndElement)(BSTR name) override;
  STDMETHOD(WriteVariantElement)(BSTR name, VARIANT value) override;
  STDMETHOD(WriteRaw)(BSTR xml) override;

 private:
  // Records "<step><arguments>", then answers a scripted failure or runs `body`.
  template <class Body>
  HRESULT Run(const wchar_t* step, const std::wstring& arguments, Body&& body) {
    return script_->recorder.Run(step, step + arguments, standins::kCallSource,
                                 std::forward<Body>(body), request_->method);
  }
  HRESULT GetText(const wchar_t* step, const std::wstring& text, BSTR* out);
  HRESULT PutText(const wchar_t* step, BSTR value, std::wstring& target);
  // A misuse of the call, raised as E_UNEXPECTED; nothing when `problem` is empty.
  static HRESULT Check(const std::wstring& problem);

  std::shared_ptr<standins::WorkspaceScript> script_;
  std::shared_ptr<standins::Request> request_;
};
