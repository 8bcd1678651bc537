// The page's scripts on the system's script engines (VBScript, JScript): one engine per
// language, as the browser keeps them, with the page's window as the global object.
#pragma once

#include <handles.h>

#include <activscp.h>

#include <string>
#include <utility>
#include <vector>

namespace standins {

struct PageContext;

class PageScripts {
 public:
  PageScripts(PageContext& context, plat::com_ptr<IDispatch> window);
  PageScripts(const PageScripts&) = delete;
  PageScripts& operator=(const PageScripts&) = delete;
  ~PageScripts();

  // Parses and runs one script block; its engine is made on first use.
  void Run(const std::wstring& language, const std::wstring& text);
  // Runs an event handler's text in the language of the page's first script.
  HRESULT RunHandler(const std::wstring& language, const std::wstring& text);

  // The page functions of every engine, under ids of this object.
  HRESULT GetIdOfName(const wchar_t* name, DISPID* id);
  HRESULT Invoke(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excepInfo, UINT* argErr);

  // Ends every engine and lets go of the page's window; no script runs afterwards.
  void Close();

 private:
  struct Engine {
    std::wstring language;
    plat::com_ptr<IActiveScript> script;
    plat::com_ptr<IActiveScriptParse64> parse;
  };
  Engine* EngineFor(const std::wstring& language);

  PageContext& context_;
  plat::com_ptr<IDispatch> window_;
  plat::com_ptr<IActiveScriptSite> site_;
  std::vector<Engine> engines_;
  std::vector<std::pair<plat::com_ptr<IDispatch>, DISPID>> functions_;
};

}  // namespace standins
