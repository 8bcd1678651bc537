// The web-browser control's stand-in. It serves what a host that shows one page calls:
// in-place activation in the site's window, the DWebBrowserEvents2 connection point
// (events are posted, so they arrive in the host's own message loop), Navigate and
// Stop, the document loaded from a stream with its element tree and scripts, the host's
// UI handler for accelerators, help, messages and window.external.
#pragma once

#include <comobject.h>

#include <deque>
#include <exdisp.h>
#include <memory>
#include <mshtmhst.h>
#include <ocidl.h>
#include <string>
#include <vector>

#include "WQStandins.h"
#include "olecontrol.h"
#include "pageobjects.h"
#include "recorder.h"

namespace standins {

// The process-wide record of the browser stand-ins and the browsers alive.
struct BrowserJournal {
  BrowserJournal();
  void Reset() noexcept;

  Recorder recorder;
  std::vector<BrowserStandin*> live;  // in creation order
};

BrowserJournal& BrowserRecord();

constexpr const wchar_t* kBrowserSource = L"WQStandins.BrowserStandin";

// The connection point for DWebBrowserEvents2: the browser's sinks.
class BrowserEvents : public plat::Implements<BrowserEvents, IConnectionPoint> {
 public:
  explicit BrowserEvents(IConnectionPointContainer* owner) : owner_(owner) {}
  void Orphan() { owner_ = nullptr; }
  // Invokes every sink with the arguments in their natural order.
  void Fire(DISPID id, std::vector<VARIANT> args);
  size_t SinkCount() const { return sinks_.size(); }

  STDMETHOD(GetConnectionInterface)(IID* iid) override;
  STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** container) override;
  STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override;
  STDMETHOD(Unadvise)(DWORD cookie) override;
  STDMETHOD(EnumConnections)(IEnumConnections** connections) override;

 private:
  IConnectionPointContainer* owner_;
  std::vector<std::pair<DWORD, plat::com_ptr<IDispatch>>> sinks_;
  DWORD nextCookie_ = 1;
};

}  // namespace standins

class BrowserStandin
    : public plat::Implements<BrowserStandin, standins::OleObjectDefaults, IOleInPlaceObject,
                              IOleInPlaceActiveObject, IWebBrowser2, IConnectionPointContainer>,
      public standins::PageHost {
 public:
  BrowserStandin() = default;
  ~BrowserStandin() override;

  // The "Create" step; the new browser joins the live ones.
  HRESULT FinalConstruct() noexcept;
  // Answers IOleWindow and the older browser interfaces; refuses IWebBrowser2 when told.
  void* FindInterface(REFIID riid) noexcept;

  // What the control acts on.
  standins::PageContext* Page() const;
  bool PageShown() const;
  HWND FocusWindow() const;

  // PageHost
  plat::com_ptr<IDispatch> GetExternal() override;
  void ShowMessage(const std::wstring& text) override;
  void ShowHelp() override;
  bool FollowLink(const std::wstring& url) override;
  void OnPageLoaded(const std::wstring& title) override;
  void Record(std::wstring line) override;

  // IOleObject
  STDMETHOD(SetClientSite)(IOleClientSite* site) override;
  STDMETHOD(GetClientSite)(IOleClientSite** site) override;
  STDMETHOD(Close)(DWORD saveOption) override;
  STDMETHOD(DoVerb)
  (LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT position) override;
  STDMETHOD(GetUserClassID)(CLSID* clsid) override;
  STDMETHOD(SetExtent)(DWORD, SIZEL*) override { return E_NOTIMPL; }
  STDMETHOD(GetExtent)(DWORD, SIZEL*) override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceObject
  STDMETHOD(GetWindow)(HWND* window) override;
  STDMETHOD(ContextSensitiveHelp)(BOOL) override { return E_NOTIMPL; }
  STDMETHOD(InPlaceDeactivate)() override;
  STDMETHOD(UIDeactivate)() override;
  STDMETHOD(SetObjectRects)(LPCRECT position, LPCRECT clip) override;
  STDMETHOD(ReactivateAndUndo)() override { return E_NOTIMPL; }

  // IOleInPlaceActiveObject
  STDMETHOD(TranslateAccelerator)(LPMSG message) override;
  STDMETHOD(OnFrameWindowActivate)(BOOL) override { return S_OK; }
  STDMETHOD(OnDocWindowActivate)(BOOL) override { return S_OK; }
  STDMETHOD(ResizeBorder)(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHOD(EnableModeless)(BOOL) override { return S_OK; }

  // IConnectionPointContainer
  STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** points) override;
  STDMETHOD(FindConnectionPoint)(REFIID iid, IConnectionPoint** point) override;

  // IDispatch: the browser is reached through its interfaces only.
  STDMETHOD(GetTypeInfoCount)(UINT* count) override;
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo** info) override;
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IWebBrowser
  STDMETHOD(GoBack)() override { return E_NOTIMPL; }
  STDMETHOD(GoForward)() override { return E_NOTIMPL; }
  STDMETHOD(GoHome)() override { return E_NOTIMPL; }
  STDMETHOD(GoSearch)() override { return E_NOTIMPL; }
  STDMETHOD(Navigate)
  (BSTR url, VARIANT* flags, VARIANT* targetFrame, VARIANT* postData, VARIANT* headers) override;
  STDMETHOD(Refresh)() override { return E_NOTIMPL; }
  STDMETHOD(Refresh2)(VARIANT*) override { return E_NOTIMPL; }
  STDMETHOD(Stop)() override;
  STDMETHOD(get_Application)(IDispatch** object) override;
  STDMETHOD(get_Parent)(IDispatch** object) override;
  STDMETHOD(get_Container)(IDispatch** object) override;
  STDMETHOD(get_Document)(IDispatch** document) override;
  STDMETHOD(get_TopLevelContainer)(VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHOD(get_Type)(BSTR*) override { return E_NOTIMPL; }
  STDMETHOD(get_Left)(LONG*) override { return E_NOTIMPL; }
  STDMETHOD(put_Left)(LONG) override { return E_NOTIMPL; }
  STDMETHOD(get_Top)(LONG*) override { return E_NOTIMPL; }
  STDMETHOD(put_Top)(LONG) override { return E_NOTIMPL; }
  STDMETHOD(get_Width)(LONG*) override { return E_NOTIMPL; }
  STDMETHOD(put_Width)(LONG) override { return E_NOTIMPL; }
  STDMETHOD(get_Height)(LONG*) override { return E_NOTIMPL; }
  STDMETHOD(put_Height)(LONG) override { return E_NOTIMPL; }
  STDMETHOD(get_LocationName)(BSTR*) override { return E_NOTIMPL; }
  STDMETHOD(get_LocationURL)(BSTR* url) override;
  STDMETHOD(get_Busy)(VARIANT_BOOL* busy) override;

  // IWebBrowserApp
  STDMETHOD(Quit)() override { return E_NOTIMPL; }
  STDMETHOD(ClientToWindow)(int*, int*) override { return E_NOTIMPL; }
  STDMETHOD(PutProperty)(BSTR, VARIANT) override { return E_NOTIMPL; }
  STDMETHOD(GetProperty)(BSTR, VARIANT*) override { return E_NOTIMPL; }
  STDMETHOD(get_Name)(BSTR*) override { return E_NOTIMPL; }
  STDMETHOD(get_HWND)(SHANDLE_PTR*) override { return E_NOTIMPL; }
  STDMETHOD(get_FullName)(BSTR*) override { return E_NOTIMPL; }
  STDMETHOD(get_Path)(BSTR*) override { return E_NOTIMPL; }
  STDMETHOD(get_Visible)(VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHOD(put_Visible)(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHOD(get_StatusBar)(VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHOD(put_StatusBar)(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHOD(get_StatusText)(BSTR*) override { return E_NOTIMPL; }
  STDMETHOD(put_StatusText)(BSTR) override { return E_NOTIMPL; }
  STDMETHOD(get_ToolBar)(int*) override { return E_NOTIMPL; }
  STDMETHOD(put_ToolBar)(int) override { return E_NOTIMPL; }
  STDMETHOD(get_MenuBar)(VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHOD(put_MenuBar)(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHOD(get_FullScreen)(VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHOD(put_FullScreen)(VARIANT_BOOL) override { return E_NOTIMPL; }

  // IWebBrowser2
  STDMETHOD(Navigate2)
  (VARIANT* url, VARIANT* flags, VARIANT* targetFrame, VARIANT* postData,
   VARIANT* headers) override;
  STDMETHOD(QueryStatusWB)(OLECMDID, OLECMDF*) override { return E_NOTIMPL; }
  STDMETHOD(ExecWB)(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
  STDMETHOD(ShowBrowserBar)(VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
  STDMETHOD(get_ReadyState)(READYSTATE* state) override;
  STDMETHOD(get_Offline)(VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHOD(put_Offline)(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHOD(get_Silent)(VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHOD(put_Silent)(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHOD(get_RegisterAsBrowser)(VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHOD(put_RegisterAsBrowser)(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHOD(get_RegisterAsDropTarget)(VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHOD(put_RegisterAsDropTarget)(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHOD(get_TheaterMode)(VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHOD(put_TheaterMode)(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHOD(get_AddressBar)(VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHOD(put_AddressBar)(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHOD(get_Resizable)(VARIANT_BOOL*) override { return E_NOTIMPL; }
  STDMETHOD(put_Resizable)(VARIANT_BOOL) override { return E_NOTIMPL; }

 private:
  struct PendingEvent {
    DISPID id;
    std::wstring text;  // the URL of DocumentComplete, the title of TitleChange
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static HWND MakeWindow(BrowserStandin* owner, HWND parent, const RECT& position);

  HRESULT ActivateInPlace(bool uiActivate);
  // Begins loading `url` in this browser; BeforeNavigate2 may cancel it.
  HRESULT NavigateHere(const std::wstring& url);
  // Fires BeforeNavigate2; true when a sink cancelled the navigation.
  bool FireBeforeNavigate(const std::wstring& url);
  void PostEvent(DISPID id, std::wstring text);
  void FirePending();
  void OnKeyDown(UINT key);
  void EraseCharacter();
  void MoveFocus();
  plat::com_ptr<IDispatch> Self();
  template <class I>
  plat::com_ptr<I> SiteAs() const;

  plat::com_ptr<IOleClientSite> clientSite_;
  plat::com_ptr<IOleInPlaceSite> inPlaceSite_;
  plat::com_ptr<standins::BrowserEvents> events_;
  plat::com_ptr<standins::PageDocument> document_;
  HWND window_ = nullptr;       // the in-place window, a child of the site's window
  HWND eventWindow_ = nullptr;  // receives the posted events
  bool uiActive_ = false;
  std::wstring location_;
  std::deque<PendingEvent> pending_;
};
