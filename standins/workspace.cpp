#include "workspace.h"

#include "dataservicecall.h"

namespace standins {

STDMETHODIMP WorkspaceControl::SetReply(BSTR serverProgId, BSTR method, BSTR reply) try {
  script_->SetReply(Text(serverProgId), Text(method), WholeText(reply));
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WorkspaceControl::QueueReply(BSTR serverProgId, BSTR method, BSTR reply) try {
  script_->QueueReply(Text(serverProgId), Text(method), WholeText(reply));
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WorkspaceControl::SetReplyFromFile(BSTR serverProgId, BSTR method, BSTR path) try {
  std::wstring reply;
  PLAT_RETURN_IF_FAILED(ReadTextFile(Text(path), &reply));
  script_->SetReply(Text(serverProgId), Text(method), std::move(reply));
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WorkspaceControl::LoadReplyFolder(BSTR folder, LONG* count) try {
  if (!count) return E_POINTER;
  *count = 0;
  return script_->LoadReplyFolder(Text(folder), count);
}
PLAT_CATCH_RETURN()

STDMETHODIMP WorkspaceControl::CreateDataServiceCall(IWQDataServiceCall** call) try {
  if (call) *call = nullptr;
  return script_->recorder.Run(
      L"CreateDataServiceCall", L"CreateDataServiceCall", kWorkspaceSource, [&] {
        if (!call) return E_POINTER;
        auto made = plat::make<DataServiceCall>(script_, script_->NewRequest());
        *call = made.detach();
        return S_OK;
      });
}
PLAT_CATCH_RETURN()

STDMETHODIMP WorkspaceControl::get_RequestCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(script_->RequestCount());
  return S_OK;
}

template <class Read>
HRESULT WorkspaceControl::ReadRequest(LONG index, BSTR* out, Read&& read) const {
  if (!out) return E_POINTER;
  *out = nullptr;
  Request* request = script_->RequestAt(index);
  if (!request) return RaiseError(E_INVALIDARG, L"No request has that index", kWorkspaceSource);
  return CopyToBstr(read(*request), out);
}

STDMETHODIMP WorkspaceControl::get_RequestServer(LONG index, BSTR* progId) try {
  return ReadRequest(index, progId, [](const Request& request) { return request.server; });
}
PLAT_CATCH_RETURN()

STDMETHODIMP WorkspaceControl::get_RequestMethod(LONG index, BSTR* method) try {
  return ReadRequest(index, method, [](const Request& request) { return request.method; });
}
PLAT_CATCH_RETURN()

STDMETHODIMP WorkspaceControl::get_RequestXml(LONG index, VARIANT_BOOL typed, BSTR* xml) try {
  return ReadRequest(index, xml,
                     [&](const Request& request) { return request.Xml(typed != VARIANT_FALSE); });
}
PLAT_CATCH_RETURN()

}  // namespace standins
