#include "standinsclient.h"

namespace wqstandins {
namespace {

plat::unique_bstr Bstr(const wchar_t* text) { return plat::unique_bstr::copy(text ? text : L""); }

template <class Get>
std::wstring ReadText(Get&& get) {
  plat::unique_bstr text;
  if (FAILED(get(text.put()))) return {};
  return text.c_str();
}

template <class T>
HRESULT Create(const wchar_t* progId, plat::com_ptr<T>& object) {
  CLSID clsid;
  PLAT_RETURN_IF_FAILED(::CLSIDFromProgID(progId, &clsid));
  return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(T), object.put_void());
}

}  // namespace

HRESULT CreateWorkspace(plat::com_ptr<IWQStandinWorkspace>& workspace, const wchar_t* progId) {
  return Create(progId, workspace);
}

HRESULT CreateClientTools(plat::com_ptr<IWQStandinClientTools>& tools) {
  PLAT_RETURN_IF_FAILED(Create(L"WQStandins.ClientTools", tools));
  return tools->Reset();
}

HRESULT CreateWorkspaceNodeControl(plat::com_ptr<IWQStandinWorkspaceNode>& control) {
  PLAT_RETURN_IF_FAILED(Create(L"WQStandins.WorkspaceNodeControl", control));
  return control->Reset();
}

HRESULT SetAccessControl(IWQStandinWorkspaceNode* control, const wchar_t* xml) try {
  return control->SetAccessControl(Bstr(xml).get());
}
PLAT_CATCH_RETURN()

HRESULT CreateGridControl(plat::com_ptr<IWQStandinGridControl>& control) {
  PLAT_RETURN_IF_FAILED(Create(L"WQStandins.GridControl", control));
  return control->Reset();
}

HRESULT CreateObjectPickerControl(plat::com_ptr<IWQStandinObjectPicker>& control) {
  PLAT_RETURN_IF_FAILED(Create(L"WQStandins.ObjectPickerControl", control));
  return control->Reset();
}

HRESULT SetPickerAnswer(IWQStandinObjectPicker* control, HRESULT hr, const wchar_t* paths) try {
  return control->SetAnswer(hr, Bstr(paths).get());
}
PLAT_CATCH_RETURN()

std::wstring GridContents(IUnknown* grid) {
  plat::com_ptr<IWQStandinGridUser> user;
  if (!grid || FAILED(plat::com_ptr<IUnknown>(grid).query_to(user))) return {};
  return ReadText([&](BSTR* out) { return user->Contents(out); });
}

HRESULT SetReply(IWQStandinWorkspace* workspace, const wchar_t* server, const wchar_t* method,
                 const wchar_t* reply) try {
  return workspace->SetReply(Bstr(server).get(), Bstr(method).get(), Bstr(reply).get());
}
PLAT_CATCH_RETURN()

HRESULT SetReply(IWQStandinWorkspace* workspace, const wchar_t* server, const wchar_t* method,
                 std::wstring_view reply) try {
  const plat::unique_bstr whole =
      plat::unique_bstr::copy(reply.data(), static_cast<UINT>(reply.size()));
  return workspace->SetReply(Bstr(server).get(), Bstr(method).get(), whole.get());
}
PLAT_CATCH_RETURN()

HRESULT QueueReply(IWQStandinWorkspace* workspace, const wchar_t* server, const wchar_t* method,
                   const wchar_t* reply) try {
  return workspace->QueueReply(Bstr(server).get(), Bstr(method).get(), Bstr(reply).get());
}
PLAT_CATCH_RETURN()

HRESULT FailAt(IWQStandinRecorder* recorder, const wchar_t* step, HRESULT hr,
               const wchar_t* description) try {
  return recorder->FailAt(Bstr(step).get(), hr, Bstr(description).get());
}
PLAT_CATCH_RETURN()

LONG RequestCount(IWQStandinWorkspace* workspace) {
  LONG count = 0;
  return SUCCEEDED(workspace->get_RequestCount(&count)) ? count : 0;
}

std::wstring CallLog(IWQStandinRecorder* recorder) {
  return ReadText([&](BSTR* out) { return recorder->get_CallLog(out); });
}

std::wstring RequestXml(IWQStandinWorkspace* workspace, LONG index, bool typed) {
  return ReadText([&](BSTR* out) {
    return workspace->get_RequestXml(index, typed ? VARIANT_TRUE : VARIANT_FALSE, out);
  });
}

std::wstring ErrorDescription(IWQStandinClientTools* tools, LONG index) {
  return ReadText([&](BSTR* out) { return tools->get_ErrorDescription(index, out); });
}

}  // namespace wqstandins
