#include "scripthost.h"

#include <comobject.h>

#include "pageobjects.h"

namespace standins {

namespace {

constexpr DISPID kFirstFunctionId = 1000;

class ScriptSite : public plat::Implements<ScriptSite, IActiveScriptSite> {
 public:
  ScriptSite(PageContext& context, plat::com_ptr<IDispatch> window)
      : context_(context), window_(std::move(window)) {}

  STDMETHOD(GetLCID)(LCID*) override { return E_NOTIMPL; }
  STDMETHOD(GetItemInfo)(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) override {
    if (item) *item = nullptr;
    if (info) *info = nullptr;
    if (!name || _wcsicmp(name, L"window") != 0) return TYPE_E_ELEMENTNOTFOUND;
    if (mask & SCRIPTINFO_ITYPEINFO) return TYPE_E_ELEMENTNOTFOUND;
    if (!item) return E_POINTER;
    *item = window_.get();
    (*item)->AddRef();
    return S_OK;
  }
  STDMETHOD(GetDocVersionString)(BSTR*) override { return E_NOTIMPL; }
  STDMETHOD(OnScriptTerminate)(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
  STDMETHOD(OnStateChange)(SCRIPTSTATE) override { return S_OK; }
  STDMETHOD(OnScriptError)(IActiveScriptError* error) override {
    EXCEPINFO info = {};
    DWORD context = 0;
    ULONG line = 0;
    LONG column = 0;
    if (error) {
      error->GetExceptionInfo(&info);
      error->GetSourcePosition(&context, &line, &column);
    }
    if (context_.host)
      context_.host->Record(
          L"ScriptError(\"" + std::wstring(info.bstrDescription ? info.bstrDescription : L"") +
          L"\", " + HexCode(info.scode) + L", line " + std::to_wstring(line + 1) + L")");
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
    return S_OK;
  }
  STDMETHOD(OnEnterScript)() override { return S_OK; }
  STDMETHOD(OnLeaveScript)() override { return S_OK; }

 private:
  PageContext& context_;
  plat::com_ptr<IDispatch> window_;
};

// The engine's ProgID for a page's language attribute; null for one we do not know.
const wchar_t* EngineProgId(const std::wstring& language) {
  const std::wstring lower = Lower(language);
  if (lower == L"vbscript" || lower == L"vbs") return L"VBScript";
  if (lower == L"jscript" || lower == L"javascript" || lower.empty()) return L"JScript";
  return nullptr;
}

}  // namespace

PageScripts::PageScripts(PageContext& context, plat::com_ptr<IDispatch> window)
    : context_(context), window_(std::move(window)) {
  site_ = plat::com_ptr<IActiveScriptSite>(plat::make<ScriptSite>(context_, window_).get());
}

PageScripts::~PageScripts() { Close(); }

PageScripts::Engine* PageScripts::EngineFor(const std::wstring& language) {
  const wchar_t* progId = EngineProgId(language);
  if (!progId || !site_) return nullptr;
  for (Engine& engine : engines_)
    if (engine.language == progId) return &engine;
  Engine engine;
  engine.language = progId;
  CLSID clsid;
  if (FAILED(::CLSIDFromProgID(progId, &clsid)) ||
      FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IActiveScript),
                                engine.script.put_void())) ||
      FAILED(engine.script.query_to(engine.parse)) || FAILED(engine.parse->InitNew()) ||
      FAILED(engine.script->SetScriptSite(site_.get())) ||
      FAILED(engine.script->AddNamedItem(L"window",
                                         SCRIPTITEM_ISVISIBLE | SCRIPTITEM_GLOBALMEMBERS)) ||
      FAILED(engine.script->SetScriptState(SCRIPTSTATE_CONNECTED))) {
    if (context_.host) context_.host->Record(L"ScriptEngineUnavailable(" + engine.language + L")");
    return nullptr;
  }
  engines_.push_back(std::move(engine));
  return &engines_.back();
}

void PageScripts::Run(const std::wstring& language, const std::wstring& text) {
  Engine* engine = EngineFor(language);
  if (!engine) return;
  EXCEPINFO info = {};
  engine->parse->ParseScriptText(text.c_str(), nullptr, nullptr, nullptr, 0, 0,
                                 SCRIPTTEXT_ISVISIBLE, nullptr, &info);
  ::SysFreeString(info.bstrSource);
  ::SysFreeString(info.bstrDescription);
  ::SysFreeString(info.bstrHelpFile);
}

HRESULT PageScripts::RunHandler(const std::wstring& language, const std::wstring& text) {
  Engine* engine = EngineFor(language);
  if (!engine) return E_FAIL;
  EXCEPINFO info = {};
  const HRESULT hr = engine->parse->ParseScriptText(text.c_str(), nullptr, nullptr, nullptr, 0, 0,
                                                    SCRIPTTEXT_ISVISIBLE, nullptr, &info);
  ::SysFreeString(info.bstrSource);
  ::SysFreeString(info.bstrDescription);
  ::SysFreeString(info.bstrHelpFile);
  return hr;
}

HRESULT PageScripts::GetIdOfName(const wchar_t* name, DISPID* id) {
  *id = DISPID_UNKNOWN;
  for (Engine& engine : engines_) {
    plat::com_ptr<IDispatch> functions;
    if (FAILED(engine.script->GetScriptDispatch(nullptr, functions.put())) || !functions) continue;
    DISPID found = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(functions->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &found)))
      continue;
    functions_.emplace_back(std::move(functions), found);
    *id = kFirstFunctionId + static_cast<DISPID>(functions_.size() - 1);
    return S_OK;
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT PageScripts::Invoke(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                            EXCEPINFO* excepInfo, UINT* argErr) {
  const DISPID index = id - kFirstFunctionId;
  if (index < 0 || static_cast<size_t>(index) >= functions_.size()) return DISP_E_MEMBERNOTFOUND;
  // A copy: the call may run page code that closes this object's engines.
  plat::com_ptr<IDispatch> functions = functions_[index].first;
  return functions->Invoke(functions_[index].second, IID_NULL, lcid, flags, params, result,
                           excepInfo, argErr);
}

void PageScripts::Close() {
  functions_.clear();
  for (Engine& engine : engines_) engine.script->Close();
  engines_.clear();
  // The window holds the page's context, which holds these scripts: the circle ends here.
  site_.reset();
  window_.reset();
}

}  // namespace standins
