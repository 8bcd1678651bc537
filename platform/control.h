// ActiveX controls: the OLE protocol of a windowed control (embedding in a container,
// quick activation, in-place and UI activation, keyboard handling shared with the container,
// view and data change notifications, persistence of its extent and stock properties in a
// stream, a storage or a property bag, property-change notification through
// IPropertyNotifySink) and the composite control, whose window is a borderless child dialog
// made from the class's own dialog template.
//
//   class Gauge : public plat::Implements<Gauge, plat::Dispatch<IGauge>,
//                                         plat::SupportErrorInfo<IGauge>,
//                                         plat::ProvideClassInfo2<Gauge>,
//                                         plat::CompositeControl<Gauge>> {
//    public:
//     static constexpr UINT IDD = 300;  // a WS_CHILD template without caption
//     static constexpr auto GetMessageMap() { return plat::MessageMap{...}; }
//     STDMETHOD(put_Enabled)(VARIANT_BOOL value) override { return PutStockEnabled(value); }
//     STDMETHOD(get_Enabled)(VARIANT_BOOL* value) override { return GetStockEnabled(value); }
//    private:
//     void OnEnabledChanged() override { ...enable the child windows... }
//   };
//
// The window exists while the control is in-place active; the container makes it through
// DoVerb and ends it through InPlaceDeactivate or Close. The extent starts as the size of
// the dialog template.
#pragma once

#include <ocidl.h>
#include <olectl.h>

#include <utility>
#include <vector>

#include "window.h"

namespace plat {

// HIMETRIC units (0.01 mm) and pixels of the screen.
SIZEL HiMetricToPixels(const SIZEL& himetric) noexcept;
SIZEL PixelsToHiMetric(const SIZEL& pixels) noexcept;

// The client size in pixels of a dialog made from template `id`: its dialog units turned
// into pixels with the template's font, as the dialog manager does. {0, 0} when the
// template cannot be read.
SIZE DialogTemplateSize(HINSTANCE instance, UINT id) noexcept;

// The OLE control protocol, apart from how the control's window is made.
class ControlBase : public IOleObject,
                    public IOleInPlaceObject,
                    public IOleInPlaceActiveObject,
                    public IViewObjectEx,
                    public IPersistStreamInit,
                    public IPersistStorage,
                    public IPersistPropertyBag,
                    public IQuickActivate,
                    public IOleControl,
                    public IConnectionPointContainer,
                    public IDataObject {
 public:
  using com_interfaces =
      interface_list<IOleObject, interface_as<IOleWindow, IOleInPlaceObject>, IOleInPlaceObject,
                     IOleInPlaceActiveObject, IViewObject, IViewObject2, IViewObjectEx,
                     interface_as<IPersist, IPersistStreamInit>, IPersistStreamInit,
                     IPersistStorage, IPersistPropertyBag, IQuickActivate, IOleControl,
                     IConnectionPointContainer, IDataObject>;

  // IOleObject
  STDMETHOD(SetClientSite)(IOleClientSite* site) override;
  STDMETHOD(GetClientSite)(IOleClientSite** site) override;
  STDMETHOD(SetHostNames)(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHOD(Close)(DWORD saveOption) override;
  STDMETHOD(SetMoniker)(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHOD(GetMoniker)(DWORD, DWORD, IMoniker** moniker) override;
  STDMETHOD(InitFromData)(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHOD(GetClipboardData)(DWORD, IDataObject** data) override;
  STDMETHOD(DoVerb)(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT) override;
  STDMETHOD(EnumVerbs)(IEnumOLEVERB** verbs) override;
  STDMETHOD(Update)() override { return S_OK; }
  STDMETHOD(IsUpToDate)() override { return S_OK; }
  STDMETHOD(GetUserClassID)(CLSID* clsid) override;
  STDMETHOD(GetUserType)(DWORD form, LPOLESTR* type) override;
  STDMETHOD(SetExtent)(DWORD aspect, SIZEL* size) override;
  STDMETHOD(GetExtent)(DWORD aspect, SIZEL* size) override;
  STDMETHOD(Advise)(IAdviseSink* sink, DWORD* cookie) override;
  STDMETHOD(Unadvise)(DWORD cookie) override;
  STDMETHOD(EnumAdvise)(IEnumSTATDATA** advises) override;
  STDMETHOD(GetMiscStatus)(DWORD aspect, DWORD* status) override;
  STDMETHOD(SetColorScheme)(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceObject
  STDMETHOD(GetWindow)(HWND* window) override;
  STDMETHOD(ContextSensitiveHelp)(BOOL) override { return E_NOTIMPL; }
  STDMETHOD(InPlaceDeactivate)() override;
  STDMETHOD(UIDeactivate)() override;
  STDMETHOD(SetObjectRects)(LPCRECT position, LPCRECT clip) override;
  STDMETHOD(ReactivateAndUndo)() override { return E_NOTIMPL; }

  // IOleInPlaceActiveObject. Keys move the focus between the window's children as in any
  // dialog; Tab past the last child (Shift+Tab before the first), Enter, Escape and
  // mnemonics the window does not have go to the container.
  STDMETHOD(TranslateAccelerator)(LPMSG msg) override;
  STDMETHOD(OnFrameWindowActivate)(BOOL) override { return S_OK; }
  STDMETHOD(OnDocWindowActivate)(BOOL) override { return S_OK; }
  STDMETHOD(ResizeBorder)(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHOD(EnableModeless)(BOOL) override { return S_OK; }

  // IViewObject, IViewObject2, IViewObjectEx: an opaque rectangle, as large as the extent
  STDMETHOD(Draw)
  (DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
   BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override;
  STDMETHOD(GetColorSet)(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) override;
  STDMETHOD(Freeze)(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  STDMETHOD(Unfreeze)(DWORD) override { return E_NOTIMPL; }
  STDMETHOD(SetAdvise)(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  STDMETHOD(GetAdvise)(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  STDMETHOD(GetExtent)(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override;
  STDMETHOD(GetRect)(DWORD aspect, LPRECTL rect) override;
  STDMETHOD(GetViewStatus)(DWORD* status) override;
  STDMETHOD(QueryHitPoint)
  (DWORD aspect, LPCRECT bounds, POINT location, LONG, DWORD* result) override;
  STDMETHOD(QueryHitRect)
  (DWORD aspect, LPCRECT bounds, LPCRECT location, LONG, DWORD* result) override;
  // The natural extent is the size of the window's template.
  STDMETHOD(GetNaturalExtent)
  (DWORD aspect, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO* info, LPSIZEL size) override;

  // IPersist, IPersistStreamInit, IPersistStorage (a stream "Contents" in the storage),
  // IPersistPropertyBag ("_ExtentX", "_ExtentY", "Enabled"): the extent and the Enabled
  // property.
  STDMETHOD(GetClassID)(CLSID* clsid) override { return GetUserClassID(clsid); }
  STDMETHOD(IsDirty)() override { return dirty_ ? S_OK : S_FALSE; }
  STDMETHOD(Load)(LPSTREAM stream) override;
  STDMETHOD(Save)(LPSTREAM stream, BOOL clearDirty) override;
  STDMETHOD(GetSizeMax)(ULARGE_INTEGER* size) override;
  STDMETHOD(InitNew)() override { return S_OK; }
  STDMETHOD(InitNew)(IStorage* storage) override;
  STDMETHOD(Load)(IStorage* storage) override;
  STDMETHOD(Save)(IStorage* storage, BOOL sameAsLoad) override;
  STDMETHOD(SaveCompleted)(IStorage*) override { return S_OK; }
  STDMETHOD(HandsOffStorage)() override { return S_OK; }
  STDMETHOD(Load)(IPropertyBag* bag, IErrorLog* log) override;
  STDMETHOD(Save)(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;

  // IQuickActivate: the container's site, view sink and property sink in one call.
  STDMETHOD(QuickActivate)(QACONTAINER* container, QACONTROL* control) override;
  STDMETHOD(SetContentExtent)(LPSIZEL size) override { return SetExtent(DVASPECT_CONTENT, size); }
  STDMETHOD(GetContentExtent)(LPSIZEL size) override { return GetExtent(DVASPECT_CONTENT, size); }

  // IOleControl
  STDMETHOD(GetControlInfo)(CONTROLINFO*) override { return E_NOTIMPL; }
  STDMETHOD(OnMnemonic)(MSG*) override { return E_NOTIMPL; }
  STDMETHOD(OnAmbientPropertyChange)(DISPID) override { return S_OK; }
  STDMETHOD(FreezeEvents)(BOOL freeze) override;

  // IConnectionPointContainer: one point, for IPropertyNotifySink.
  STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** points) override;
  STDMETHOD(FindConnectionPoint)(REFIID iid, IConnectionPoint** point) override;

  // IDataObject: no data formats; only the advise connections of data changes.
  STDMETHOD(GetData)(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHOD(GetDataHere)(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHOD(QueryGetData)(FORMATETC*) override { return E_NOTIMPL; }
  STDMETHOD(GetCanonicalFormatEtc)(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  STDMETHOD(SetData)(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHOD(EnumFormatEtc)(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  STDMETHOD(DAdvise)(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* cookie) override;
  STDMETHOD(DUnadvise)(DWORD cookie) override;
  STDMETHOD(EnumDAdvise)(IEnumSTATDATA** advises) override;

 protected:
  // `templateSize` is the window's natural size in pixels, the extent to start with.
  ControlBase(const CLSID& clsid, SIZE templateSize) noexcept;
  virtual ~ControlBase();
  ControlBase(const ControlBase&) = delete;
  ControlBase& operator=(const ControlBase&) = delete;

  // The control's window: made as a child of `parent` (null when that fails), ended, and
  // null while there is none.
  virtual HWND CreateControlWindow(HWND parent) = 0;
  virtual void DestroyControlWindow() noexcept = 0;
  virtual HWND ControlWindow() const noexcept = 0;
  // The Enabled property changed (or was loaded): the child windows follow it.
  virtual void OnEnabledChanged() {}

  // The stock property Enabled: the container may refuse the change (S_FALSE); otherwise
  // it is stored, applied, marks the control dirty and is announced.
  HRESULT PutStockEnabled(VARIANT_BOOL value);
  HRESULT GetStockEnabled(VARIANT_BOOL* value) const noexcept;
  bool IsEnabled() const noexcept { return enabled_; }

  // S_FALSE when a connected container refuses a change of property `id`.
  HRESULT FireOnRequestEdit(DISPID id);
  void FireOnChanged(DISPID id);
  // Redraws the window when active, else tells the view advise sink.
  void FireViewChange();
  void SendOnDataChange();
  void SetDirty(bool dirty) noexcept { dirty_ = dirty; }

  // Makes the window when there is none and shows it; with `uiActivate` also takes the
  // focus and becomes the container's active object.
  HRESULT InPlaceActivate(bool uiActivate, IOleClientSite* activeSite = nullptr);
  bool IsUIActive() const noexcept { return uiActive_; }

 private:
  // The connection point for IPropertyNotifySink; it shares the control's reference count.
  class PropertyNotifyPoint : public IConnectionPoint {
   public:
    explicit PropertyNotifyPoint(ControlBase& owner) noexcept : owner_(owner) {}
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(GetConnectionInterface)(IID* iid) override;
    STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** container) override;
    STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override;
    STDMETHOD(Unadvise)(DWORD cookie) override;
    STDMETHOD(EnumConnections)(IEnumConnections** connections) override;

    // The connected sinks, copied so that a sink may disconnect while it is called.
    std::vector<com_ptr<IPropertyNotifySink>> Sinks() const;

   private:
    ControlBase& owner_;
    std::vector<std::pair<DWORD, com_ptr<IPropertyNotifySink>>> sinks_;
    DWORD lastCookie_ = 0;
  };

  IUnknown* Unknown() noexcept { return static_cast<IOleObject*>(this); }
  // Whether the window's dialog manager is to have a key message; when not, the
  // container is.
  bool IsOwnKey(const MSG& msg) const noexcept;

  const CLSID clsid_;
  const SIZEL naturalExtent_;
  SIZEL extent_;
  BOOL enabled_ = TRUE;
  bool dirty_ = false;
  bool inPlaceActive_ = false;
  bool uiActive_ = false;
  LONG frozenEvents_ = 0;

  com_ptr<IOleClientSite> clientSite_;
  com_ptr<IOleInPlaceSite> inPlaceSite_;
  com_ptr<IOleInPlaceFrame> frame_;
  com_ptr<IOleInPlaceUIWindow> uiWindow_;
  com_ptr<IOleAdviseHolder> oleAdvise_;
  com_ptr<IDataAdviseHolder> dataAdvise_;
  com_ptr<IAdviseSink> viewSink_;
  DWORD viewAspects_ = 0;
  DWORD viewFlags_ = 0;
  PropertyNotifyPoint propertyNotify_{*this};
};

// A control whose window is a child dialog of template T::IDD, with T's message map.
// Messages T leaves go to the dialog manager; a mouse click inside makes the control
// UI-active, as the container expects of a control that takes input.
template <class T>
class CompositeControl : public ControlBase, public DialogImpl<T> {
 public:
  bool ProcessWindowMessage(const Message& m, LRESULT& result) {
    if (DialogImpl<T>::ProcessWindowMessage(m, result)) return true;
    if (m.msg == WM_MOUSEACTIVATE && !IsUIActive()) InPlaceActivate(true);
    return false;
  }

 protected:
  CompositeControl()
      : ControlBase(__uuidof(T), DialogTemplateSize(module().GetInstance(), T::IDD)) {}
  ~CompositeControl() override {
    // T is gone already: the window must not route its last messages to it.
    if (const HWND window = this->hwnd()) {
      ::SetWindowLongPtrW(window, DWLP_USER, 0);
      this->hwnd_ = nullptr;
      ::DestroyWindow(window);
    }
  }

  HWND CreateControlWindow(HWND parent) override { return DialogImpl<T>::Create(parent); }
  void DestroyControlWindow() noexcept override {
    if (this->hwnd()) ::DestroyWindow(this->hwnd());
  }
  HWND ControlWindow() const noexcept override { return this->hwnd(); }
};

}  // namespace plat
