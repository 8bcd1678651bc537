// Hosting ActiveX controls in a dialog: AxHost, a child window that creates a control by
// ProgID (quickly activated where it can be) and keeps it in-place active over its client
// area, and DispEventSink, the receiver of a control's events through its default source
// interface.
//
//   plat::AxHost host;
//   host.Create(page, rect, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 1000, L"Some.Control");
//   plat::com_ptr<IDispatch> control;
//   host.QueryControl(control);
//   auto sink = plat::DispEventSink::Create(this);   // this: a DispEventHandler
//   sink->Connect(control.get());
//   ...
//   sink->Disconnect();   // before the handler goes away
//   ...
//   // in the message loop, before the dialog's own handling:
//   if (host.TranslateAccelerator(&msg) == S_OK) continue;
//   host.Destroy();
#pragma once

#include "comobject.h"

#include <ocidl.h>
#include <oleidl.h>

namespace plat {

class AxHostSite;

class AxHost {
 public:
  AxHost() noexcept;
  AxHost(const AxHost&) = delete;
  AxHost& operator=(const AxHost&) = delete;
  ~AxHost();

  // Creates the host window over `rect` of `parent`, creates the control named by a ProgID
  // or a CLSID text and activates it in place. The window stays (empty) when the control
  // cannot be made; the HRESULT says why.
  HRESULT Create(HWND parent, const RECT& rect, DWORD style, UINT id, const wchar_t* control);
  // Deactivates and releases the control and destroys the window.
  void Destroy() noexcept;

  HWND hwnd() const noexcept { return hwnd_; }
  bool HasControl() const noexcept;
  // Offers a key message to the control while it is UI-active, as a container's message
  // loop does before its own dialog handling: S_OK when the control used it.
  HRESULT TranslateAccelerator(MSG* msg) noexcept;
  HRESULT QueryControl(REFIID riid, void** ppv) const noexcept;
  template <class I>
  HRESULT QueryControl(com_ptr<I>& out) const noexcept {
    return QueryControl(__uuidof(I), out.put_void());
  }

  // The control of a host window made by any AxHost (as a dialog test reaches it).
  static HRESULT GetControl(HWND host, REFIID riid, void** ppv) noexcept;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static bool RegisterWindowClass() noexcept;
  HRESULT CreateControl(const wchar_t* control);
  // Hands the control the site and its sinks through IQuickActivate; false when the
  // control cannot be activated that way.
  bool QuickActivate(IOleObject* object) noexcept;
  void ReleaseControl() noexcept;
  void OnSize() noexcept;
  void OnSetFocus() noexcept;

  HWND hwnd_ = nullptr;
  com_ptr<AxHostSite> site_;
};

// What a sink hands its events to.
class DispEventHandler {
 public:
  // `params` as the control passed them (last argument first); by-reference arguments may
  // be written.
  virtual void OnEvent(DISPID id, DISPPARAMS& params) = 0;

 protected:
  ~DispEventHandler() = default;
};

class DispEventSink : public Implements<DispEventSink, IDispatch> {
 public:
  explicit DispEventSink(DispEventHandler* handler) noexcept : handler_(handler) {}
  static com_ptr<DispEventSink> Create(DispEventHandler* handler) {
    return make<DispEventSink>(handler);
  }

  // Advises the source's default event interface (from IProvideClassInfo2, else from its
  // class's type information).
  HRESULT Connect(IUnknown* source) noexcept;
  // Unadvises and forgets the handler: an event that still arrives does nothing.
  void Disconnect() noexcept;
  bool IsConnected() const noexcept { return cookie_ != 0; }

  void* FindInterface(REFIID riid) noexcept;

  STDMETHOD(GetTypeInfoCount)(UINT* count) override;
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo** info) override;
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  STDMETHOD(Invoke)
  (DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*) override;

  // The default source interface of a control.
  static HRESULT FindSourceInterface(IUnknown* source, IID* iid) noexcept;

 private:
  DispEventHandler* handler_;
  IID sourceIid_ = IID_NULL;
  com_ptr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

}  // namespace plat
