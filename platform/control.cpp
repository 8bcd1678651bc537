#include "control.h"

#include "conversion.h"

#include <ole2.h>

#include <algorithm>
#include <cstddef>
#include <string>

namespace plat {

namespace {

constexpr int kHiMetricPerInch = 2540;

SIZE ScreenPixelsPerInch() noexcept {
  WindowDC screen(nullptr);
  return {::GetDeviceCaps(screen, LOGPIXELSX), ::GetDeviceCaps(screen, LOGPIXELSY)};
}

// A null-terminated string or ordinal of a dialog template.
const WORD* SkipStringOrOrdinal(const WORD* p) noexcept {
  if (*p == 0xFFFF) return p + 2;
  while (*p) ++p;
  return p + 1;
}

// The dialog base units of a font, as the dialog manager measures them: the average width
// of the Latin letters and the height of a line.
SIZE FontBaseUnits(HFONT font) noexcept {
  WindowDC screen(nullptr);
  SelectObjectScope select(screen, font);
  TEXTMETRICW metrics{};
  SIZE letters{};
  static constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  if (!::GetTextMetricsW(screen, &metrics) ||
      !::GetTextExtentPoint32W(screen, kLetters, 52, &letters))
    return {};
  return {(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

// The enumerator of a control's connection points: the one for IPropertyNotifySink.
class ConnectionPointEnum : public Implements<ConnectionPointEnum, IEnumConnectionPoints> {
 public:
  explicit ConnectionPointEnum(com_ptr<IConnectionPoint> point, ULONG position = 0)
      : point_(std::move(point)), position_(position) {}

  STDMETHOD(Next)(ULONG count, IConnectionPoint** points, ULONG* fetched) override {
    if (!points || (count > 1 && !fetched)) return E_POINTER;
    ULONG done = 0;
    if (count > 0 && position_ == 0) {
      point_.copy_to(&points[0]);
      position_ = 1;
      done = 1;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  STDMETHOD(Skip)(ULONG count) override {
    const bool all = position_ + count <= 1;
    position_ = all ? position_ + count : 1;
    return all ? S_OK : S_FALSE;
  }
  STDMETHOD(Reset)() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHOD(Clone)(IEnumConnectionPoints** clone) override try {
    if (!clone) return E_POINTER;
    *clone = make<ConnectionPointEnum>(point_, position_).detach();
    return S_OK;
  }
  PLAT_CATCH_RETURN()

 private:
  com_ptr<IConnectionPoint> point_;
  ULONG position_;
};

// What a stream holds of a control.
struct PersistedControl {
  DWORD version;
  SIZEL extent;
  BOOL enabled;
};
constexpr DWORD kPersistVersion = 1;

// Where a storage holds a control, and the names of its properties in a property bag.
constexpr wchar_t kContentsStream[] = L"Contents";
constexpr wchar_t kExtentXProperty[] = L"_ExtentX";
constexpr wchar_t kExtentYProperty[] = L"_ExtentY";
constexpr wchar_t kEnabledProperty[] = L"Enabled";

// Reads property `name` as `type`, leaving `value` as it is when the bag does not have it.
HRESULT ReadProperty(IPropertyBag* bag, IErrorLog* log, const wchar_t* name, VARTYPE type,
                     unique_variant& value) {
  unique_variant read;
  V_VT(&read) = type;  // the type asked for; a bag may answer another
  const HRESULT hr = bag->Read(name, &read, log);
  if (hr == E_INVALIDARG) return S_OK;
  PLAT_RETURN_IF_FAILED(hr);
  PLAT_RETURN_IF_FAILED(ChangeType(&read, read, type));
  value = std::move(read);
  return S_OK;
}

HRESULT WriteProperty(IPropertyBag* bag, const wchar_t* name, const VARIANT& value) {
  return bag->Write(name, const_cast<VARIANT*>(&value));
}

// The modifier keys held, as IOleControlSite::TranslateAccelerator takes them.
DWORD KeyModifiers() noexcept {
  constexpr DWORD kShift = 1, kControl = 2, kAlt = 4;
  DWORD modifiers = 0;
  if (::GetKeyState(VK_SHIFT) < 0) modifiers |= kShift;
  if (::GetKeyState(VK_CONTROL) < 0) modifiers |= kControl;
  if (::GetKeyState(VK_MENU) < 0) modifiers |= kAlt;
  return modifiers;
}

bool CanTakeFocus(HWND child) noexcept {
  const LONG style = ::GetWindowLongW(child, GWL_STYLE);
  return (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

// The child of `parent` that holds `window` (or is it); null when `window` is not inside.
HWND ChildHolding(HWND parent, HWND window) noexcept {
  while (window && ::GetParent(window) != parent) {
    window = ::GetParent(window);
  }
  return window;
}

// Whether Tab (Shift+Tab when `backward`) from `child` finds a tab stop among its
// siblings before the dialog manager would wrap around.
bool HasTabStopBeyond(HWND child, bool backward) noexcept {
  const UINT step = backward ? GW_HWNDPREV : GW_HWNDNEXT;
  for (HWND next = ::GetWindow(child, step); next; next = ::GetWindow(next, step)) {
    if ((::GetWindowLongW(next, GWL_STYLE) & WS_TABSTOP) && CanTakeFocus(next)) return true;
  }
  return false;
}

// Whether a button or label among the children of `dialog` that can take the focus has the
// mnemonic `key` ("&k"), as the dialog manager looks for one.
bool HasMnemonic(HWND dialog, wchar_t key) noexcept {
  const auto upper = [](wchar_t c) {
    return static_cast<wchar_t>(reinterpret_cast<UINT_PTR>(
        ::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(c)))));
  };
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!CanTakeFocus(child) ||
        !(::SendMessageW(child, WM_GETDLGCODE, 0, 0) & (DLGC_BUTTON | DLGC_STATIC)))
      continue;
    wchar_t text[256] = {};
    ::GetWindowTextW(child, text, 256);
    for (const wchar_t* p = text; (p = wcschr(p, L'&')) && p[1]; p += 2) {
      if (p[1] != L'&' && upper(p[1]) == upper(key)) return true;
    }
  }
  return false;
}

}  // namespace

SIZEL HiMetricToPixels(const SIZEL& himetric) noexcept {
  const SIZE ppi = ScreenPixelsPerInch();
  return {::MulDiv(himetric.cx, ppi.cx, kHiMetricPerInch),
          ::MulDiv(himetric.cy, ppi.cy, kHiMetricPerInch)};
}

SIZEL PixelsToHiMetric(const SIZEL& pixels) noexcept {
  const SIZE ppi = ScreenPixelsPerInch();
  return {::MulDiv(pixels.cx, kHiMetricPerInch, ppi.cx),
          ::MulDiv(pixels.cy, kHiMetricPerInch, ppi.cy)};
}

SIZE DialogTemplateSize(HINSTANCE instance, UINT id) noexcept {
  const HRSRC info = ::FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
  const HGLOBAL data = info ? ::LoadResource(instance, info) : nullptr;
  const WORD* p = data ? static_cast<const WORD*>(::LockResource(data)) : nullptr;
  if (!p) return {};

  // DLGTEMPLATEEX starts with version 1 and signature 0xFFFF; DLGTEMPLATE with its style.
  const bool extended = p[0] == 1 && p[1] == 0xFFFF;
  const DWORD style = extended ? MAKELONG(p[6], p[7]) : MAKELONG(p[0], p[1]);
  const short cx = static_cast<short>(extended ? p[11] : p[7]);
  const short cy = static_cast<short>(extended ? p[12] : p[8]);
  p += extended ? 13 : 9;
  p = SkipStringOrOrdinal(p);  // menu
  p = SkipStringOrOrdinal(p);  // window class
  p = SkipStringOrOrdinal(p);  // caption

  SIZE units{};
  if (style & DS_SETFONT) {
    const WORD points = *p++;
    WORD weight = FW_NORMAL;
    BYTE italic = 0;
    if (extended) {
      weight = *p++;
      italic = LOBYTE(*p++);
    }
    WindowDC screen(nullptr);
    const int height = -::MulDiv(points, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    unique_hfont font(::CreateFontW(height, 0, 0, 0, weight, italic, FALSE, FALSE, DEFAULT_CHARSET,
                                    0, 0, PROOF_QUALITY, FF_DONTCARE,
                                    reinterpret_cast<const wchar_t*>(p)));
    if (font) units = FontBaseUnits(font.get());
  }
  if (units.cx <= 0 || units.cy <= 0) {
    const LONG base = ::GetDialogBaseUnits();
    units = {LOWORD(base), HIWORD(base)};
  }
  return {::MulDiv(cx, units.cx, 4), ::MulDiv(cy, units.cy, 8)};
}

// ---------------------------------------------------------------- ControlBase

ControlBase::ControlBase(const CLSID& clsid, SIZE templateSize) noexcept
    : clsid_(clsid),
      naturalExtent_(PixelsToHiMetric({templateSize.cx, templateSize.cy})),
      extent_(naturalExtent_) {}

ControlBase::~ControlBase() = default;

STDMETHODIMP ControlBase::SetClientSite(IOleClientSite* site) {
  clientSite_ = com_ptr<IOleClientSite>(site);
  return S_OK;
}

STDMETHODIMP ControlBase::GetClientSite(IOleClientSite** site) { return clientSite_.copy_to(site); }

STDMETHODIMP ControlBase::Close(DWORD saveOption) {
  InPlaceDeactivate();
  if (dirty_ && clientSite_ &&
      (saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE)) {
    clientSite_->SaveObject();
    if (oleAdvise_) oleAdvise_->SendOnSave();
  }
  if (oleAdvise_) oleAdvise_->SendOnClose();
  return S_OK;
}

STDMETHODIMP ControlBase::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (!moniker) return E_POINTER;
  *moniker = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ControlBase::GetClipboardData(DWORD, IDataObject** data) {
  if (!data) return E_POINTER;
  *data = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ControlBase::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND,
                                 LPCRECT) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE: return InPlaceActivate(true, activeSite);
    case OLEIVERB_INPLACEACTIVATE: return InPlaceActivate(false, activeSite);
    case OLEIVERB_HIDE:
      UIDeactivate();
      if (const HWND window = ControlWindow()) ::ShowWindow(window, SW_HIDE);
      return S_OK;
    case OLEIVERB_DISCARDUNDOSTATE: return S_OK;
    default:
      if (verb < 0) return E_NOTIMPL;
      // An unknown positive verb is carried out as the primary one.
      PLAT_RETURN_IF_FAILED(InPlaceActivate(true, activeSite));
      return OLEOBJ_S_INVALIDVERB;
  }
}

STDMETHODIMP ControlBase::EnumVerbs(IEnumOLEVERB** verbs) {
  return ::OleRegEnumVerbs(clsid_, verbs);
}

STDMETHODIMP ControlBase::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = clsid_;
  return S_OK;
}

STDMETHODIMP ControlBase::GetUserType(DWORD form, LPOLESTR* type) {
  return ::OleRegGetUserType(clsid_, form, type);
}

STDMETHODIMP ControlBase::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  if (size->cx == extent_.cx && size->cy == extent_.cy) return S_OK;
  extent_ = *size;
  dirty_ = true;
  // The control recomposes on resize: its picture changes with its size.
  SendOnDataChange();
  FireViewChange();
  return S_OK;
}

STDMETHODIMP ControlBase::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  *size = extent_;
  return S_OK;
}

STDMETHODIMP ControlBase::Advise(IAdviseSink* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!oleAdvise_) PLAT_RETURN_IF_FAILED(::CreateOleAdviseHolder(oleAdvise_.put()));
  return oleAdvise_->Advise(sink, cookie);
}

STDMETHODIMP ControlBase::Unadvise(DWORD cookie) {
  return oleAdvise_ ? oleAdvise_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

STDMETHODIMP ControlBase::EnumAdvise(IEnumSTATDATA** advises) {
  if (!advises) return E_POINTER;
  *advises = nullptr;
  return oleAdvise_ ? oleAdvise_->EnumAdvise(advises) : E_FAIL;
}

STDMETHODIMP ControlBase::GetMiscStatus(DWORD aspect, DWORD* status) {
  return ::OleRegGetMiscStatus(clsid_, aspect, status);
}

// ---------------------------------------------------------------- in-place activation

HRESULT ControlBase::InPlaceActivate(bool uiActivate, IOleClientSite* activeSite) {
  IOleClientSite* site = clientSite_ ? clientSite_.get() : activeSite;
  if (!site) return E_UNEXPECTED;

  if (!inPlaceActive_) {
    com_ptr<IOleInPlaceSite> inPlaceSite;
    PLAT_RETURN_IF_FAILED(site->QueryInterface(IID_IOleInPlaceSite, inPlaceSite.put_void()));
    if (inPlaceSite->CanInPlaceActivate() != S_OK) return E_FAIL;
    if (const auto siteEx = inPlaceSite.try_query<IOleInPlaceSiteEx>()) {
      BOOL noRedraw = FALSE;
      PLAT_RETURN_IF_FAILED(siteEx->OnInPlaceActivateEx(&noRedraw, 0));
    } else {
      PLAT_RETURN_IF_FAILED(inPlaceSite->OnInPlaceActivate());
    }
    inPlaceSite_ = std::move(inPlaceSite);
    inPlaceActive_ = true;
  }

  if (!ControlWindow()) {
    RECT position{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    HWND parent = nullptr;
    HRESULT hr =
        inPlaceSite_->GetWindowContext(frame_.put(), uiWindow_.put(), &position, &clip, &frameInfo);
    if (SUCCEEDED(hr)) hr = inPlaceSite_->GetWindow(&parent);
    if (SUCCEEDED(hr) && (!parent || !CreateControlWindow(parent))) hr = E_FAIL;
    if (FAILED(hr)) {
      InPlaceDeactivate();
      return hr;
    }
    ::SetWindowPos(ControlWindow(), nullptr, position.left, position.top,
                   position.right - position.left, position.bottom - position.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ::ShowWindow(ControlWindow(), SW_SHOWNA);

  if (uiActivate && !uiActive_) {
    uiActive_ = true;
    inPlaceSite_->OnUIActivate();
    const HWND window = ControlWindow();
    const HWND focus = ::GetFocus();
    if (focus != window && !::IsChild(window, focus)) ::SetFocus(window);
    if (frame_) {
      frame_->SetActiveObject(this, nullptr);
      frame_->SetBorderSpace(nullptr);
    }
    if (uiWindow_) {
      uiWindow_->SetActiveObject(this, nullptr);
      uiWindow_->SetBorderSpace(nullptr);
    }
  }
  return S_OK;
}

STDMETHODIMP ControlBase::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = ControlWindow();
  return *window ? S_OK : E_FAIL;
}

STDMETHODIMP ControlBase::InPlaceDeactivate() {
  if (!inPlaceActive_) return S_OK;
  UIDeactivate();
  inPlaceActive_ = false;
  DestroyControlWindow();
  frame_.reset();
  uiWindow_.reset();
  const com_ptr<IOleInPlaceSite> site = std::move(inPlaceSite_);
  if (const auto siteEx = site.try_query<IOleInPlaceSiteEx>()) {
    siteEx->OnInPlaceDeactivateEx(TRUE);
  } else {
    site->OnInPlaceDeactivate();
  }
  return S_OK;
}

STDMETHODIMP ControlBase::UIDeactivate() {
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  if (frame_) frame_->SetActiveObject(nullptr, nullptr);
  if (uiWindow_) uiWindow_->SetActiveObject(nullptr, nullptr);
  if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
  return S_OK;
}

STDMETHODIMP ControlBase::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  if (const HWND window = ControlWindow()) {
    ::SetWindowPos(window, nullptr, position->left, position->top, position->right - position->left,
                   position->bottom - position->top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return S_OK;
}

STDMETHODIMP ControlBase::TranslateAccelerator(LPMSG msg) {
  if (!msg) return E_INVALIDARG;
  const HWND window = ControlWindow();
  if (!window || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST ||
      (msg->hwnd != window && !::IsChild(window, msg->hwnd)))
    return S_FALSE;
  if (IsOwnKey(*msg)) return ::IsDialogMessageW(window, msg) ? S_OK : S_FALSE;
  // The container's key: its site may use it; else the container's own loop does.
  if (const auto site = clientSite_.try_query<IOleControlSite>()) {
    if (site->TranslateAccelerator(msg, KeyModifiers()) == S_OK) return S_OK;
  }
  return S_FALSE;
}

bool ControlBase::IsOwnKey(const MSG& msg) const noexcept {
  const HWND window = ControlWindow();
  const HWND focus = ::GetFocus();
  const HWND target = focus && ::IsChild(window, focus) ? focus : msg.hwnd;
  if (msg.message == WM_SYSCHAR) return HasMnemonic(window, static_cast<wchar_t>(msg.wParam));
  if (msg.message != WM_KEYDOWN) return true;
  // A child that takes this key itself (an open list takes Enter and Escape) keeps it.
  const LRESULT code =
      ::SendMessageW(target, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
  if (code & DLGC_WANTMESSAGE) return true;
  switch (msg.wParam) {
    case VK_TAB:
      if (code & DLGC_WANTTAB) return true;
      // Ctrl+Tab turns the container's pages.
      if (::GetKeyState(VK_CONTROL) < 0) return false;
      // From the window itself the dialog manager goes to its first (or last) child.
      if (const HWND child = ChildHolding(window, target))
        return HasTabStopBeyond(child, ::GetKeyState(VK_SHIFT) < 0);
      return true;
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_EXECUTE:
    case VK_CANCEL: return false;
    default: return true;
  }
}

// ---------------------------------------------------------------- view

STDMETHODIMP ControlBase::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc,
                               LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                               ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  const RECT rect{bounds->left, bounds->top, bounds->right, bounds->bottom};
  ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
  // A live window paints itself into the container's picture.
  if (const HWND window = ControlWindow()) {
    POINT origin{};
    ::OffsetViewportOrgEx(dc, rect.left, rect.top, &origin);
    ::SendMessageW(window, WM_PRINT, reinterpret_cast<WPARAM>(dc),
                   PRF_CLIENT | PRF_CHILDREN | PRF_NONCLIENT | PRF_ERASEBKGND);
    ::SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
  }
  return S_OK;
}

STDMETHODIMP ControlBase::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                      LOGPALETTE** colors) {
  if (!colors) return E_POINTER;
  *colors = nullptr;
  return S_FALSE;
}

STDMETHODIMP ControlBase::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  viewSink_ = com_ptr<IAdviseSink>(sink);
  viewAspects_ = aspects;
  viewFlags_ = flags;
  if (sink && (flags & ADVF_PRIMEFIRST)) FireViewChange();
  return S_OK;
}

STDMETHODIMP ControlBase::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects_;
  if (flags) *flags = viewFlags_;
  if (sink) viewSink_.copy_to(sink);
  return S_OK;
}

STDMETHODIMP ControlBase::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

STDMETHODIMP ControlBase::GetRect(DWORD, LPRECTL rect) {
  if (!rect) return E_POINTER;
  return E_NOTIMPL;
}

STDMETHODIMP ControlBase::GetViewStatus(DWORD* status) {
  if (!status) return E_POINTER;
  // Draw paints every pixel of the bounds, the background in one colour.
  *status = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;
  return S_OK;
}

STDMETHODIMP ControlBase::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG,
                                        DWORD* result) {
  if (!bounds || !result) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *result = ::PtInRect(bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

STDMETHODIMP ControlBase::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG,
                                       DWORD* result) {
  if (!bounds || !location || !result) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  RECT common{};
  *result = ::IntersectRect(&common, bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

STDMETHODIMP ControlBase::GetNaturalExtent(DWORD aspect, LONG, DVTARGETDEVICE*, HDC,
                                           DVEXTENTINFO* info, LPSIZEL size) {
  if (!info || !size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (info->dwExtentMode != DVEXTENT_CONTENT) return E_NOTIMPL;
  *size = naturalExtent_;
  return S_OK;
}

void ControlBase::FireViewChange() {
  if (inPlaceActive_ && ControlWindow()) {
    ::InvalidateRect(ControlWindow(), nullptr, TRUE);
    return;
  }
  if (!viewSink_ || !(viewAspects_ & DVASPECT_CONTENT)) return;
  const com_ptr<IAdviseSink> sink = viewSink_;
  if (viewFlags_ & ADVF_ONLYONCE) viewSink_.reset();
  sink->OnViewChange(DVASPECT_CONTENT, -1);
}

void ControlBase::SendOnDataChange() {
  if (dataAdvise_) dataAdvise_->SendOnDataChange(this, 0, 0);
}

// ---------------------------------------------------------------- persistence

STDMETHODIMP ControlBase::Load(LPSTREAM stream) {
  if (!stream) return E_POINTER;
  PersistedControl saved{};
  ULONG read = 0;
  PLAT_RETURN_IF_FAILED(stream->Read(&saved, sizeof saved, &read));
  if (read != sizeof saved || saved.version != kPersistVersion) return E_FAIL;
  extent_ = saved.extent;
  enabled_ = saved.enabled != FALSE;
  OnEnabledChanged();
  dirty_ = false;
  return S_OK;
}

STDMETHODIMP ControlBase::Save(LPSTREAM stream, BOOL clearDirty) {
  if (!stream) return E_POINTER;
  const PersistedControl saved{kPersistVersion, extent_, enabled_};
  PLAT_RETURN_IF_FAILED(stream->Write(&saved, sizeof saved, nullptr));
  if (clearDirty) dirty_ = false;
  return S_OK;
}

STDMETHODIMP ControlBase::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = sizeof(PersistedControl);
  return S_OK;
}

STDMETHODIMP ControlBase::InitNew(IStorage* storage) { return storage ? S_OK : E_POINTER; }

STDMETHODIMP ControlBase::Load(IStorage* storage) {
  if (!storage) return E_POINTER;
  com_ptr<IStream> stream;
  PLAT_RETURN_IF_FAILED(storage->OpenStream(kContentsStream, nullptr,
                                            STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.put()));
  return Load(stream.get());
}

STDMETHODIMP ControlBase::Save(IStorage* storage, BOOL sameAsLoad) {
  if (!storage) return E_POINTER;
  com_ptr<IStream> stream;
  PLAT_RETURN_IF_FAILED(storage->CreateStream(
      kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.put()));
  return Save(stream.get(), sameAsLoad);
}

STDMETHODIMP ControlBase::Load(IPropertyBag* bag, IErrorLog* log) {
  if (!bag) return E_POINTER;
  // A property the bag lacks keeps its value; nothing changes unless all could be read.
  unique_variant width, height, enabled;
  PLAT_RETURN_IF_FAILED(ReadProperty(bag, log, kExtentXProperty, VT_I4, width));
  PLAT_RETURN_IF_FAILED(ReadProperty(bag, log, kExtentYProperty, VT_I4, height));
  PLAT_RETURN_IF_FAILED(ReadProperty(bag, log, kEnabledProperty, VT_BOOL, enabled));
  if ((V_VT(&width) == VT_I4 && V_I4(&width) < 0) || (V_VT(&height) == VT_I4 && V_I4(&height) < 0))
    return E_INVALIDARG;
  if (V_VT(&width) == VT_I4) extent_.cx = V_I4(&width);
  if (V_VT(&height) == VT_I4) extent_.cy = V_I4(&height);
  if (V_VT(&enabled) == VT_BOOL) {
    enabled_ = V_BOOL(&enabled) != VARIANT_FALSE;
    OnEnabledChanged();
  }
  dirty_ = false;
  return S_OK;
}

STDMETHODIMP ControlBase::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
  if (!bag) return E_POINTER;
  VARIANT value{};
  V_VT(&value) = VT_I4;
  V_I4(&value) = extent_.cx;
  PLAT_RETURN_IF_FAILED(WriteProperty(bag, kExtentXProperty, value));
  V_I4(&value) = extent_.cy;
  PLAT_RETURN_IF_FAILED(WriteProperty(bag, kExtentYProperty, value));
  V_VT(&value) = VT_BOOL;
  V_BOOL(&value) = enabled_ ? VARIANT_TRUE : VARIANT_FALSE;
  PLAT_RETURN_IF_FAILED(WriteProperty(bag, kEnabledProperty, value));
  if (clearDirty) dirty_ = false;
  return S_OK;
}

// ---------------------------------------------------------------- quick activation

STDMETHODIMP ControlBase::QuickActivate(QACONTAINER* container, QACONTROL* control) {
  if (!container || !control) return E_POINTER;
  // Older containers pass shorter structures; the four sinks and the answers up to the
  // cookies are in every version.
  if (container->cbSize < offsetof(QACONTAINER, dwAmbientFlags) ||
      control->cbSize < offsetof(QACONTROL, dwPointerActivationPolicy))
    return E_INVALIDARG;
  PLAT_RETURN_IF_FAILED(SetClientSite(container->pClientSite));
  QACONTROL answer{};
  if (container->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
  if (container->pPropertyNotifySink) {
    PLAT_RETURN_IF_FAILED(
        propertyNotify_.Advise(container->pPropertyNotifySink, &answer.dwPropNotifyCookie));
  }
  // The controls fire no events: an event sink is not connected.
  GetMiscStatus(DVASPECT_CONTENT, &answer.dwMiscStatus);
  GetViewStatus(&answer.dwViewStatus);
  const ULONG size = std::min<ULONG>(control->cbSize, sizeof answer);
  answer.cbSize = control->cbSize;
  memcpy(control, &answer, size);
  return S_OK;
}

// ---------------------------------------------------------------- properties and events

STDMETHODIMP ControlBase::FreezeEvents(BOOL freeze) {
  frozenEvents_ += freeze ? 1 : (frozenEvents_ > 0 ? -1 : 0);
  return S_OK;
}

HRESULT ControlBase::PutStockEnabled(VARIANT_BOOL value) {
  if (FireOnRequestEdit(DISPID_ENABLED) == S_FALSE) return S_FALSE;
  enabled_ = value != VARIANT_FALSE;
  OnEnabledChanged();
  dirty_ = true;
  FireOnChanged(DISPID_ENABLED);
  FireViewChange();
  SendOnDataChange();
  return S_OK;
}

HRESULT ControlBase::GetStockEnabled(VARIANT_BOOL* value) const noexcept {
  if (!value) return E_POINTER;
  *value = enabled_ ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT ControlBase::FireOnRequestEdit(DISPID id) {
  if (frozenEvents_ > 0) return S_OK;
  for (const auto& sink : propertyNotify_.Sinks()) {
    if (sink->OnRequestEdit(id) == S_FALSE) return S_FALSE;
  }
  return S_OK;
}

void ControlBase::FireOnChanged(DISPID id) {
  if (frozenEvents_ > 0) return;
  for (const auto& sink : propertyNotify_.Sinks()) sink->OnChanged(id);
}

STDMETHODIMP ControlBase::EnumConnectionPoints(IEnumConnectionPoints** points) try {
  if (!points) return E_POINTER;
  *points = nullptr;
  *points = make<ConnectionPointEnum>(com_ptr<IConnectionPoint>(&propertyNotify_)).detach();
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP ControlBase::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != IID_IPropertyNotifySink) return CONNECT_E_NOCONNECTION;
  *point = &propertyNotify_;
  propertyNotify_.AddRef();
  return S_OK;
}

STDMETHODIMP ControlBase::DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                                  DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!dataAdvise_) PLAT_RETURN_IF_FAILED(::CreateDataAdviseHolder(dataAdvise_.put()));
  return dataAdvise_->Advise(this, format, flags, sink, cookie);
}

STDMETHODIMP ControlBase::DUnadvise(DWORD cookie) {
  return dataAdvise_ ? dataAdvise_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

STDMETHODIMP ControlBase::EnumDAdvise(IEnumSTATDATA** advises) {
  if (!advises) return E_POINTER;
  *advises = nullptr;
  return dataAdvise_ ? dataAdvise_->EnumAdvise(advises) : E_FAIL;
}

// ---------------------------------------------------------------- the connection point

STDMETHODIMP ControlBase::PropertyNotifyPoint::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
  *ppv = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ControlBase::PropertyNotifyPoint::AddRef() {
  return owner_.Unknown()->AddRef();
}

STDMETHODIMP_(ULONG) ControlBase::PropertyNotifyPoint::Release() {
  return owner_.Unknown()->Release();
}

STDMETHODIMP ControlBase::PropertyNotifyPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = IID_IPropertyNotifySink;
  return S_OK;
}

STDMETHODIMP ControlBase::PropertyNotifyPoint::GetConnectionPointContainer(
    IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = &owner_;
  owner_.Unknown()->AddRef();
  return S_OK;
}

STDMETHODIMP ControlBase::PropertyNotifyPoint::Advise(IUnknown* sink, DWORD* cookie) try {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  com_ptr<IPropertyNotifySink> notify;
  if (FAILED(sink->QueryInterface(IID_IPropertyNotifySink, notify.put_void())))
    return CONNECT_E_CANNOTCONNECT;
  sinks_.emplace_back(++lastCookie_, std::move(notify));
  *cookie = lastCookie_;
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP ControlBase::PropertyNotifyPoint::Unadvise(DWORD cookie) {
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->first == cookie) {
      sinks_.erase(it);
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP ControlBase::PropertyNotifyPoint::EnumConnections(IEnumConnections** connections) {
  if (!connections) return E_POINTER;
  *connections = nullptr;
  return E_NOTIMPL;
}

std::vector<com_ptr<IPropertyNotifySink>> ControlBase::PropertyNotifyPoint::Sinks() const {
  std::vector<com_ptr<IPropertyNotifySink>> sinks;
  sinks.reserve(sinks_.size());
  for (const auto& entry : sinks_) sinks.push_back(entry.second);
  return sinks;
}

}  // namespace plat
