#include "axhost.h"

#include <olectl.h>

namespace plat {

namespace {

constexpr wchar_t kHostClass[] = L"PlatAxHost";

// Pixels of the screen to HIMETRIC units (0.01 mm), as a control measures its extent.
SIZEL PixelsToHimetric(int cx, int cy) noexcept {
  HDC screen = ::GetDC(nullptr);
  const int dpiX = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
  const int dpiY = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return SIZEL{::MulDiv(cx, 2540, dpiX), ::MulDiv(cy, 2540, dpiY)};
}

}  // namespace

// The container side of one hosted control: its client site, in-place site and frame, and
// the sinks of its view and property changes. The control keeps it referenced while
// attached; the host detaches it before the window goes.
class AxHostSite : public Implements<AxHostSite, IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame,
                                     IOleControlSite, IAdviseSinkEx, IPropertyNotifySink> {
 public:
  explicit AxHostSite(HWND host) noexcept : host_(host) {}

  void* FindInterface(REFIID riid) noexcept {
    if (riid == IID_IOleWindow) return static_cast<IOleInPlaceSite*>(this);
    if (riid == IID_IOleInPlaceUIWindow) return static_cast<IOleInPlaceFrame*>(this);
    if (riid == IID_IAdviseSink) return static_cast<IAdviseSinkEx*>(this);
    return Implements::FindInterface(riid);
  }

  com_ptr<IOleObject> control;
  bool inPlace = false;
  // The UI-active object, which is offered keys first, while there is one.
  com_ptr<IOleInPlaceActiveObject> activeObject;
  // The property-change connection made by quick activation; 0 when there is none.
  DWORD propertyCookie = 0;

  // IOleClientSite
  STDMETHOD(SaveObject)() override { return S_OK; }
  STDMETHOD(GetMoniker)(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHOD(GetContainer)(IOleContainer** container) override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD(ShowObject)() override { return S_OK; }
  STDMETHOD(OnShowWindow)(BOOL) override { return S_OK; }
  STDMETHOD(RequestNewObjectLayout)() override { return E_NOTIMPL; }

  // IOleWindow (of the site and of the frame alike: the host window)
  STDMETHOD(GetWindow)(HWND* hwnd) override {
    if (!hwnd) return E_POINTER;
    *hwnd = host_;
    return host_ ? S_OK : E_FAIL;
  }
  STDMETHOD(ContextSensitiveHelp)(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHOD(CanInPlaceActivate)() override { return host_ ? S_OK : S_FALSE; }
  STDMETHOD(OnInPlaceActivate)() override {
    inPlace = true;
    return S_OK;
  }
  STDMETHOD(OnUIActivate)() override { return S_OK; }
  STDMETHOD(GetWindowContext)
  (IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position, RECT* clip,
   OLEINPLACEFRAMEINFO* frameInfo) override {
    if (frame) *frame = nullptr;
    if (document) *document = nullptr;
    if (!frame || !document || !position || !clip) return E_POINTER;
    ::GetClientRect(host_, position);
    *clip = *position;
    if (frameInfo) {
      frameInfo->fMDIApp = FALSE;
      frameInfo->hwndFrame = ::GetAncestor(host_, GA_ROOT);
      frameInfo->haccel = nullptr;
      frameInfo->cAccelEntries = 0;
    }
    // The frame is this object; no document window of its own.
    *frame = this;
    AddRef();
    return S_OK;
  }
  STDMETHOD(Scroll)(SIZE) override { return E_NOTIMPL; }
  STDMETHOD(OnUIDeactivate)(BOOL) override { return S_OK; }
  STDMETHOD(OnInPlaceDeactivate)() override {
    inPlace = false;
    return S_OK;
  }
  STDMETHOD(DiscardUndoState)() override { return S_OK; }
  STDMETHOD(DeactivateAndUndo)() override { return S_OK; }
  STDMETHOD(OnPosRectChange)(LPCRECT rect) override {
    com_ptr<IOleInPlaceObject> object;
    if (!rect || FAILED(control.query_to(object))) return S_OK;
    return object->SetObjectRects(rect, rect);
  }

  // IOleInPlaceUIWindow and IOleInPlaceFrame: no tool space, menus or status line.
  STDMETHOD(GetBorder)(RECT*) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHOD(RequestBorderSpace)(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHOD(SetBorderSpace)(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHOD(SetActiveObject)(IOleInPlaceActiveObject* object, LPCOLESTR) override {
    activeObject = com_ptr<IOleInPlaceActiveObject>(object);
    return S_OK;
  }
  STDMETHOD(InsertMenus)(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
  STDMETHOD(SetMenu)(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHOD(RemoveMenus)(HMENU) override { return S_OK; }
  STDMETHOD(SetStatusText)(LPCOLESTR) override { return S_OK; }
  STDMETHOD(EnableModeless)(BOOL) override { return S_OK; }
  STDMETHOD(TranslateAccelerator)(LPMSG, WORD) override { return S_FALSE; }

  // IOleControlSite
  STDMETHOD(OnControlInfoChanged)() override { return S_OK; }
  STDMETHOD(LockInPlaceActive)(BOOL) override { return S_OK; }
  STDMETHOD(GetExtendedControl)(IDispatch** extended) override {
    if (extended) *extended = nullptr;
    return E_NOTIMPL;
  }
  STDMETHOD(TransformCoords)(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
  STDMETHOD(TranslateAccelerator)(MSG*, DWORD) override { return S_FALSE; }
  STDMETHOD(OnFocus)(BOOL) override { return S_OK; }
  STDMETHOD(ShowPropertyFrame)() override { return E_NOTIMPL; }

  // IAdviseSink, IAdviseSinkEx: the hosted controls draw in windows of their own, so the
  // host has nothing to redraw.
  STDMETHOD_(void, OnDataChange)(FORMATETC*, STGMEDIUM*) override {}
  STDMETHOD_(void, OnViewChange)(DWORD, LONG) override {}
  STDMETHOD_(void, OnRename)(IMoniker*) override {}
  STDMETHOD_(void, OnSave)() override {}
  STDMETHOD_(void, OnClose)() override {}
  STDMETHOD_(void, OnViewStatusChange)(DWORD) override {}

  // IPropertyNotifySink: the host lets every change happen.
  STDMETHOD(OnChanged)(DISPID) override { return S_OK; }
  STDMETHOD(OnRequestEdit)(DISPID) override { return S_OK; }

  void Detach() noexcept { host_ = nullptr; }

 private:
  HWND host_;
};

// ---------------------------------------------------------------- AxHost

AxHost::AxHost() noexcept = default;

AxHost::~AxHost() { Destroy(); }

bool AxHost::RegisterWindowClass() noexcept {
  WNDCLASSEXW existing{sizeof(existing)};
  if (::GetClassInfoExW(module().GetInstance(), kHostClass, &existing)) return true;
  WNDCLASSEXW windowClass{sizeof(windowClass)};
  windowClass.lpfnWndProc = &AxHost::WindowProc;
  windowClass.hInstance = module().GetInstance();
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kHostClass;
  return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HRESULT AxHost::Create(HWND parent, const RECT& rect, DWORD style, UINT id,
                       const wchar_t* control) {
  if (hwnd_) return E_UNEXPECTED;
  if (!RegisterWindowClass()) return hresult_from_last_error();
  hwnd_ = ::CreateWindowExW(0, kHostClass, L"", style, rect.left, rect.top, rect.right - rect.left,
                            rect.bottom - rect.top, parent,
                            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                            module().GetInstance(), this);
  if (!hwnd_) return hresult_from_last_error();
  const HRESULT hr = CreateControl(control);
  if (FAILED(hr)) ReleaseControl();
  return hr;
}

HRESULT AxHost::CreateControl(const wchar_t* control) try {
  if (!control || !*control) return E_INVALIDARG;
  CLSID clsid;
  if (FAILED(::CLSIDFromString(const_cast<LPOLESTR>(control), &clsid)))
    PLAT_RETURN_IF_FAILED(::CLSIDFromProgID(control, &clsid));
  com_ptr<IOleObject> object;
  PLAT_RETURN_IF_FAILED(
      ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object.put_void()));
  site_ = make<AxHostSite>(hwnd_);
  site_->control = object;
  // The site comes first: controls read their ambient state while they initialise. A
  // control that can be quickly activated takes it with the host's sinks in one call.
  if (!QuickActivate(object.get())) PLAT_RETURN_IF_FAILED(object->SetClientSite(site_.get()));
  com_ptr<IPersistStreamInit> persist;
  if (SUCCEEDED(object.query_to(persist))) PLAT_RETURN_IF_FAILED(persist->InitNew());
  object->SetHostNames(kHostClass, nullptr);
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  SIZEL extent = PixelsToHimetric(client.right, client.bottom);
  object->SetExtent(DVASPECT_CONTENT, &extent);
  return object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.get(), 0, hwnd_, &client);
}
PLAT_CATCH_RETURN()

bool AxHost::QuickActivate(IOleObject* object) noexcept {
  com_ptr<IQuickActivate> quick;
  if (FAILED(object->QueryInterface(IID_IQuickActivate, quick.put_void()))) return false;
  QACONTAINER container{};
  container.cbSize = sizeof container;
  container.pClientSite = site_.get();
  container.pAdviseSink = site_.get();
  container.pPropertyNotifySink = site_.get();
  container.dwAmbientFlags = QACONTAINER_USERMODE;
  container.colorFore = ::GetSysColor(COLOR_WINDOWTEXT);
  container.colorBack = ::GetSysColor(COLOR_WINDOW);
  container.lcid = ::GetUserDefaultLCID();
  QACONTROL answer{};
  answer.cbSize = sizeof answer;
  if (FAILED(quick->QuickActivate(&container, &answer))) return false;
  site_->propertyCookie = answer.dwPropNotifyCookie;
  return true;
}

void AxHost::ReleaseControl() noexcept {
  if (!site_) return;
  com_ptr<AxHostSite> site = std::move(site_);
  com_ptr<IOleObject> control = std::move(site->control);
  if (control) {
    com_ptr<IOleInPlaceObject> inPlace;
    if (site->inPlace && SUCCEEDED(control.query_to(inPlace))) inPlace->InPlaceDeactivate();
    // The sinks quick activation connected are let go with the site.
    com_ptr<IConnectionPointContainer> points;
    com_ptr<IConnectionPoint> point;
    if (site->propertyCookie && SUCCEEDED(control.query_to(points)) &&
        SUCCEEDED(points->FindConnectionPoint(IID_IPropertyNotifySink, point.put())))
      point->Unadvise(site->propertyCookie);
    com_ptr<IViewObject> view;
    if (SUCCEEDED(control.query_to(view))) view->SetAdvise(DVASPECT_CONTENT, 0, nullptr);
    control->Close(OLECLOSE_NOSAVE);
    control->SetClientSite(nullptr);
  }
  site->activeObject.reset();
  site->Detach();
}

void AxHost::Destroy() noexcept {
  ReleaseControl();
  if (HWND hwnd = std::exchange(hwnd_, nullptr)) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd);
  }
}

bool AxHost::HasControl() const noexcept { return site_ && site_->control; }

HRESULT AxHost::TranslateAccelerator(MSG* msg) noexcept {
  if (!msg) return E_POINTER;
  if (!site_ || !site_->activeObject) return S_FALSE;
  const com_ptr<IOleInPlaceActiveObject> active = site_->activeObject;
  return active->TranslateAccelerator(msg) == S_OK ? S_OK : S_FALSE;
}

HRESULT AxHost::QueryControl(REFIID riid, void** ppv) const noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!HasControl()) return E_NOINTERFACE;
  return site_->control->QueryInterface(riid, ppv);
}

HRESULT AxHost::GetControl(HWND host, REFIID riid, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  wchar_t className[16] = {};
  if (!::GetClassNameW(host, className, 16) || ::lstrcmpW(className, kHostClass) != 0)
    return E_INVALIDARG;
  const auto* self = reinterpret_cast<const AxHost*>(::GetWindowLongPtrW(host, GWLP_USERDATA));
  return self ? self->QueryControl(riid, ppv) : E_NOINTERFACE;
}

void AxHost::OnSize() noexcept {
  com_ptr<IOleInPlaceObject> inPlace;
  if (!HasControl() || FAILED(site_->control.query_to(inPlace))) return;
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  inPlace->SetObjectRects(&client, &client);
}

void AxHost::OnSetFocus() noexcept {
  // The focus belongs to the control's own window.
  com_ptr<IOleInPlaceObject> inPlace;
  HWND window = nullptr;
  if (HasControl() && SUCCEEDED(site_->control.query_to(inPlace)) &&
      SUCCEEDED(inPlace->GetWindow(&window)) && window)
    ::SetFocus(window);
}

LRESULT CALLBACK AxHost::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<AxHost*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self) {
    switch (msg) {
      case WM_SIZE: self->OnSize(); return 0;
      case WM_SETFOCUS: self->OnSetFocus(); return 0;
      case WM_DESTROY:
        // Destroyed with its parent: the control goes before its window does.
        self->ReleaseControl();
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        break;
      default: break;
    }
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

// ---------------------------------------------------------------- DispEventSink

HRESULT DispEventSink::FindSourceInterface(IUnknown* source, IID* iid) noexcept {
  if (!source || !iid) return E_POINTER;
  *iid = IID_NULL;
  com_ptr<IUnknown> unknown(source);
  com_ptr<IProvideClassInfo2> info2;
  if (SUCCEEDED(unknown.query_to(info2)) &&
      SUCCEEDED(info2->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, iid)))
    return S_OK;
  // Without IProvideClassInfo2: the default source among the class's interfaces.
  com_ptr<IProvideClassInfo> info;
  PLAT_RETURN_IF_FAILED(unknown.query_to(info));
  com_ptr<ITypeInfo> classInfo;
  PLAT_RETURN_IF_FAILED(info->GetClassInfo(classInfo.put()));
  TYPEATTR* attributes = nullptr;
  PLAT_RETURN_IF_FAILED(classInfo->GetTypeAttr(&attributes));
  const WORD count = attributes->cImplTypes;
  classInfo->ReleaseTypeAttr(attributes);
  for (UINT i = 0; i < count; ++i) {
    INT flags = 0;
    if (FAILED(classInfo->GetImplTypeFlags(i, &flags)) ||
        (flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) !=
            (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE))
      continue;
    HREFTYPE reference = 0;
    com_ptr<ITypeInfo> eventInfo;
    if (FAILED(classInfo->GetRefTypeOfImplType(i, &reference)) ||
        FAILED(classInfo->GetRefTypeInfo(reference, eventInfo.put())))
      continue;
    TYPEATTR* eventAttributes = nullptr;
    if (FAILED(eventInfo->GetTypeAttr(&eventAttributes))) continue;
    *iid = eventAttributes->guid;
    eventInfo->ReleaseTypeAttr(eventAttributes);
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT DispEventSink::Connect(IUnknown* source) noexcept {
  if (!source) return E_POINTER;
  if (cookie_) return E_UNEXPECTED;
  IID iid;
  PLAT_RETURN_IF_FAILED(FindSourceInterface(source, &iid));
  com_ptr<IConnectionPointContainer> container;
  PLAT_RETURN_IF_FAILED(com_ptr<IUnknown>(source).query_to(container));
  com_ptr<IConnectionPoint> point;
  PLAT_RETURN_IF_FAILED(container->FindConnectionPoint(iid, point.put()));
  sourceIid_ = iid;
  DWORD cookie = 0;
  const HRESULT hr = point->Advise(static_cast<IDispatch*>(this), &cookie);
  if (FAILED(hr)) {
    sourceIid_ = IID_NULL;
    return hr;
  }
  point_ = std::move(point);
  cookie_ = cookie;
  return S_OK;
}

void DispEventSink::Disconnect() noexcept {
  handler_ = nullptr;
  if (point_ && cookie_) point_->Unadvise(cookie_);
  cookie_ = 0;
  point_.reset();
}

void* DispEventSink::FindInterface(REFIID riid) noexcept {
  if (riid == sourceIid_ && riid != IID_NULL) return static_cast<IDispatch*>(this);
  return Implements::FindInterface(riid);
}

STDMETHODIMP DispEventSink::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP DispEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP DispEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

STDMETHODIMP DispEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) {
  if (result) ::VariantInit(result);
  DISPPARAMS none{};
  // Keeps the sink alive should the handler disconnect it.
  com_ptr<DispEventSink> self(this);
  if (handler_) {
    try {
      handler_->OnEvent(id, params ? *params : none);
    } catch (...) {
      return to_hresult();
    }
  }
  return S_OK;
}

}  // namespace plat
