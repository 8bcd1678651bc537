// WQCXMLDialog: shows a ScriptUI dialog description as a page in a hosted web browser,
// inside a window of its own, until the page's OK or Cancel closes it; on an accepted OK
// it keeps the results document of the user's inputs.
//
// The object is the browser's client and in-place site, its UI handler, the page's
// window.external and the sink of its DWebBrowserEvents2 (through IDispatch::Invoke).
// It is made by the module only, for one ShowDialog.
#pragma once

#include <dispatch.h>
#include <window.h>

#include <exdisp.h>
#include <mshtmhst.h>
#include <oleidl.h>

#include "WQCGenericSvcs.h"
#include "scriptuipage.h"

namespace wqc {

// The window size for a page whose content (the first table) reaches `contentWidth` by
// `contentHeight`, within the largest size a user may track.
SIZE XmlDialogWindowSize(long contentWidth, long contentHeight) noexcept;
// The smallest size a user may shrink the window to.
SIZE XmlDialogMinTrackSize() noexcept;
// A sizing rectangle cut to the largest trackable size and grown to `minimum`, keeping
// its left and top.
void ClampXmlDialogSizing(RECT& rect, SIZE minimum) noexcept;

}  // namespace wqc

class WQCXMLDialog : public plat::Implements<WQCXMLDialog, plat::Dispatch<IWQCXMLDialog>,
                                             IOleClientSite, IOleInPlaceSite, IDocHostUIHandler,
                                             IDocHostShowUI, plat::ProvideClassInfo2<WQCXMLDialog>>,
                     public plat::WindowImpl<WQCXMLDialog> {
 public:
  // How many documents have completed loading.
  enum LoadState : LONG { kNothingLoaded = 0, kBlankLoaded = 1, kDialogLoaded = 2 };

  WQCXMLDialog();
  ~WQCXMLDialog() override;
  // IOleWindow is the in-place site's, IProvideClassInfo the class information's.
  void* FindInterface(REFIID riid) noexcept;

  // What the KB runner reads after an accepted dialog: copies of the texts.
  void GetResults(BSTR* returnTo, BSTR* from, BSTR* resultsXml, LONG* activeDocument,
                  LONG* activeCase) const;

  // IWQCXMLDialog
  STDMETHOD(OnOKClick)() override;
  STDMETHOD(OnCancelClick)() override;
  STDMETHOD(ShowDialog)(BSTR strXML, LONGLONG lParentHWnd, VARIANT_BOOL* pbDialogOK) override;

  // IDispatch::Invoke: browser events and the page's calls, by DISPID.
  STDMETHOD(Invoke)
  (DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
   EXCEPINFO* excepInfo, UINT* argErr) override;

  // IOleClientSite
  STDMETHOD(SaveObject)() override { return E_NOTIMPL; }
  STDMETHOD(GetMoniker)(DWORD, DWORD, IMoniker** moniker) override;
  STDMETHOD(GetContainer)(IOleContainer** container) override;
  STDMETHOD(ShowObject)() override { return E_NOTIMPL; }
  STDMETHOD(OnShowWindow)(BOOL) override { return E_NOTIMPL; }
  STDMETHOD(RequestNewObjectLayout)() override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceSite
  STDMETHOD(GetWindow)(HWND* window) override;
  STDMETHOD(ContextSensitiveHelp)(BOOL) override { return E_NOTIMPL; }
  STDMETHOD(CanInPlaceActivate)() override { return S_OK; }
  STDMETHOD(OnInPlaceActivate)() override;
  STDMETHOD(OnUIActivate)() override { return E_NOTIMPL; }
  STDMETHOD(GetWindowContext)
  (IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position, LPRECT clip,
   LPOLEINPLACEFRAMEINFO) override;
  STDMETHOD(Scroll)(SIZE) override { return E_NOTIMPL; }
  STDMETHOD(OnUIDeactivate)(BOOL) override { return E_NOTIMPL; }
  STDMETHOD(OnInPlaceDeactivate)() override;
  STDMETHOD(DiscardUndoState)() override { return E_NOTIMPL; }
  STDMETHOD(DeactivateAndUndo)() override { return E_NOTIMPL; }
  STDMETHOD(OnPosRectChange)(LPCRECT) override { return E_NOTIMPL; }

  // IDocHostUIHandler
  STDMETHOD(ShowContextMenu)(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_FALSE; }
  STDMETHOD(GetHostInfo)(DOCHOSTUIINFO* info) override;
  STDMETHOD(ShowUI)
  (DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
   IOleInPlaceUIWindow*) override {
    return E_NOTIMPL;
  }
  STDMETHOD(HideUI)() override { return E_NOTIMPL; }
  STDMETHOD(UpdateUI)() override { return E_NOTIMPL; }
  STDMETHOD(EnableModeless)(BOOL) override { return E_NOTIMPL; }
  STDMETHOD(OnDocWindowActivate)(BOOL) override { return E_NOTIMPL; }
  STDMETHOD(OnFrameWindowActivate)(BOOL) override { return E_NOTIMPL; }
  STDMETHOD(ResizeBorder)(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return E_NOTIMPL; }
  STDMETHOD(TranslateAccelerator)(LPMSG message, const GUID*, DWORD) override;
  STDMETHOD(GetOptionKeyPath)(LPOLESTR* key, DWORD) override;
  STDMETHOD(GetDropTarget)(IDropTarget*, IDropTarget** target) override;
  STDMETHOD(GetExternal)(IDispatch** external) override;
  STDMETHOD(TranslateUrl)(DWORD, LPWSTR, LPWSTR* url) override;
  STDMETHOD(FilterDataObject)(IDataObject*, IDataObject** data) override;

  // IDocHostShowUI
  STDMETHOD(ShowMessage)
  (HWND window, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile, DWORD helpContext,
   LRESULT* result) override;
  STDMETHOD(ShowHelp)
  (HWND window, LPOLESTR helpFile, UINT command, DWORD data, POINT mouse, IDispatch* hit) override;

  static constexpr auto GetMessageMap() {
    return plat::MessageMap{plat::OnMessage(WM_KEYDOWN, &WQCXMLDialog::OnKeyDown),
                            plat::OnMessage(WM_SIZE, &WQCXMLDialog::OnSize),
                            plat::OnMessage(WM_SETFOCUS, &WQCXMLDialog::OnSetFocus),
                            plat::OnMessage(WM_SIZING, &WQCXMLDialog::OnSizing),
                            plat::OnMessage(WM_CLOSE, &WQCXMLDialog::OnClose),
                            plat::OnMessage(WM_DESTROY, &WQCXMLDialog::OnDestroy)};
  }

 private:
  LRESULT OnKeyDown(UINT, WPARAM key, LPARAM lParam, bool&);
  void OnSize();
  void OnSetFocus();
  LRESULT OnSizing(UINT, WPARAM, LPARAM rect, bool&);
  LRESULT OnClose(UINT, WPARAM, LPARAM, bool& handled);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool& handled);

  bool CreateDialogWindow(HWND owner);
  HRESULT CreateBrowser(plat::com_ptr<IOleObject>& control);
  void RunMessageLoop();

  // Puts the page made from the description into the browser.
  HRESULT LoadDialog();
  void SizeToContent();
  void FindScriptFunctions();
  void CloseDialog();
  void UIActivateBrowser();
  HRESULT OnBeforeNavigate(DISPPARAMS* params);
  // Runs the page's function `id` (Validate or Cancel); true when it answers true, and
  // when the page has no such function.
  bool AskPage(DISPID id);
  plat::com_ptr<IDispatch> Document() const;
  void ShowLoadFailure(HRESULT hr);

  plat::unique_bstr debugFile_;
  plat::unique_bstr from_;
  plat::unique_bstr returnTo_;
  plat::unique_bstr dialogXml_;
  ScriptUISettings settings_;  // of the description, until the page loads
  plat::unique_bstr page_;     // made from the description before the window
  LONG activeDocument_ = 0;
  LONG activeCase_ = 0;
  BOOL inPlaceActive_ = FALSE;
  DISPID validateDispid_ = DISPID_UNKNOWN;
  DISPID cancelDispid_ = DISPID_UNKNOWN;
  DWORD adviseCookie_ = 0;
  plat::unique_bstr caption_;
  plat::ModalOutcome outcome_;  // how the dialog ended
  LONG minTrackHeight_ = 0;
  LONG minTrackWidth_ = 0;
  plat::com_ptr<IWebBrowser2> browser_;
  plat::com_ptr<IUnknown> browserObject_;
  plat::com_ptr<IOleInPlaceObject> inPlaceObject_;
  plat::unique_bstr resultsXml_;
  LONG loadState_ = kNothingLoaded;

  bool closing_ = false;          // CloseDialog ran: the loop ends
  bool applicationQuit_ = false;  // the loop ended on the application's quit message,
  int quitCode_ = 0;              // with this exit code
  HRESULT loadFailure_ = S_OK;    // the page could not be put into the browser
};
