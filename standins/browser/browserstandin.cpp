#include "browserstandin.h"

#include <exdispid.h>
#include <latebound.h>
#include <mshtmdid.h>
#include <olectl.h>

#include <algorithm>

using plat::com_ptr;
using standins::BrowserRecord;
using standins::kBrowserSource;

namespace standins {

BrowserJournal::BrowserJournal()
    : recorder({L"Create", L"SetClientSite", L"DoVerb", L"QueryWebBrowser2"}, false) {}

void BrowserJournal::Reset() noexcept { recorder.Clear(); }

BrowserJournal& BrowserRecord() {
  static BrowserJournal journal;
  return journal;
}

// ---------------------------------------------------------------- connection point

void BrowserEvents::Fire(DISPID id, std::vector<VARIANT> args) {
  std::reverse(args.begin(), args.end());
  DISPPARAMS params = {args.data(), nullptr, static_cast<UINT>(args.size()), 0};
  // A sink may unadvise while it handles the event.
  const auto sinks = sinks_;
  for (const auto& [cookie, sink] : sinks) {
    plat::unique_variant result;
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.put(), nullptr,
                 nullptr);
  }
}

STDMETHODIMP BrowserEvents::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = DIID_DWebBrowserEvents2;
  return S_OK;
}

STDMETHODIMP BrowserEvents::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = owner_;
  if (!owner_) return E_UNEXPECTED;
  owner_->AddRef();
  return S_OK;
}

STDMETHODIMP BrowserEvents::Advise(IUnknown* sink, DWORD* cookie) try {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  // The browser asks for the event interface first and takes plain IDispatch after.
  com_ptr<IDispatch> dispatch;
  const bool eventInterface =
      SUCCEEDED(sink->QueryInterface(DIID_DWebBrowserEvents2, dispatch.put_void()));
  if (!eventInterface && FAILED(sink->QueryInterface(IID_IDispatch, dispatch.put_void())))
    return CONNECT_E_CANNOTCONNECT;
  sinks_.emplace_back(nextCookie_, std::move(dispatch));
  *cookie = nextCookie_++;
  BrowserRecord().recorder.Record(std::wstring(L"Advise(") +
                                  (eventInterface ? L"DWebBrowserEvents2" : L"IDispatch") + L")");
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP BrowserEvents::Unadvise(DWORD cookie) try {
  BrowserRecord().recorder.Record(L"Unadvise(" + std::to_wstring(cookie) + L")");
  auto found = std::find_if(sinks_.begin(), sinks_.end(),
                            [&](const auto& entry) { return entry.first == cookie; });
  if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
  sinks_.erase(found);
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP BrowserEvents::EnumConnections(IEnumConnections** connections) {
  if (connections) *connections = nullptr;
  return E_NOTIMPL;
}

}  // namespace standins

// ---------------------------------------------------------------- creation

namespace {

constexpr UINT kFireEvent = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"WQStandinBrowser";

std::wstring VariantText(const VARIANT* value) {
  if (!value) return L"";
  plat::unique_variant text;
  if (FAILED(::VariantChangeType(text.put(), const_cast<VARIANT*>(value), 0, VT_BSTR)) ||
      !V_BSTR(&text))
    return L"";
  return V_BSTR(&text);
}

long VariantLong(const VARIANT* value) {
  if (!value) return 0;
  plat::unique_variant number;
  if (FAILED(::VariantChangeType(number.put(), const_cast<VARIANT*>(value), 0, VT_I4))) return 0;
  return V_I4(&number);
}

}  // namespace

BrowserStandin::~BrowserStandin() {
  auto& live = BrowserRecord().live;
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
  if (events_) events_->Orphan();
  if (document_) document_->Detach();
  // The windows' last messages must not reach this half-destroyed object.
  for (HWND window : {window_, eventWindow_}) {
    if (!window) continue;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    ::DestroyWindow(window);
  }
}

HRESULT BrowserStandin::FinalConstruct() noexcept try {
  PLAT_RETURN_IF_FAILED(
      BrowserRecord().recorder.Run(L"Create", L"Create", kBrowserSource, [] { return S_OK; }));
  events_ = plat::make<standins::BrowserEvents>(static_cast<IConnectionPointContainer*>(this));
  eventWindow_ = MakeWindow(this, HWND_MESSAGE, RECT{});
  if (!eventWindow_) return plat::hresult_from_last_error();
  BrowserRecord().live.push_back(this);
  return S_OK;
}
PLAT_CATCH_RETURN()

void* BrowserStandin::FindInterface(REFIID riid) noexcept {
  if (riid == __uuidof(IWebBrowser2) && BrowserRecord().recorder.Refuses(L"QueryWebBrowser2"))
    return nullptr;
  if (riid == __uuidof(IOleWindow))
    return static_cast<IOleWindow*>(static_cast<IOleInPlaceObject*>(this));
  if (riid == __uuidof(IWebBrowser) || riid == __uuidof(IWebBrowserApp))
    return static_cast<IWebBrowser2*>(this);
  return Implements::FindInterface(riid);
}

com_ptr<IDispatch> BrowserStandin::Self() {
  return com_ptr<IDispatch>(static_cast<IWebBrowser2*>(this));
}

template <class I>
com_ptr<I> BrowserStandin::SiteAs() const {
  com_ptr<I> site;
  if (clientSite_) clientSite_.query_to(site);
  return site;
}

void BrowserStandin::Record(std::wstring line) { BrowserRecord().recorder.Record(std::move(line)); }

// ---------------------------------------------------------------- windows and events

HWND BrowserStandin::MakeWindow(BrowserStandin* owner, HWND parent, const RECT& position) {
  static const ATOM windowClass = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &BrowserStandin::WindowProc;
    wc.hInstance = plat::module().GetInstance();
    wc.lpszClassName = kWindowClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    return ::RegisterClassW(&wc);
  }();
  if (!windowClass) return nullptr;
  const DWORD style =
      parent == HWND_MESSAGE ? 0 : WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP;
  HWND window = ::CreateWindowExW(0, kWindowClass, L"", style, position.left, position.top,
                                  position.right - position.left, position.bottom - position.top,
                                  parent, nullptr, plat::module().GetInstance(), nullptr);
  if (window) ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
  return window;
}

LRESULT CALLBACK BrowserStandin::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  auto* self = reinterpret_cast<BrowserStandin*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self) {
    // The page's handlers may let the browser go; it lives until this message is done.
    com_ptr<IDispatch> keep = self->Self();
    try {
      if (message == kFireEvent) {
        self->FirePending();
        return 0;
      }
      if (message == WM_NCDESTROY && window == self->window_) self->window_ = nullptr;
      if (message == WM_KEYDOWN && window == self->window_) {
        self->OnKeyDown(static_cast<UINT>(wParam));
        return 0;
      }
    } catch (...) {
      return 0;
    }
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void BrowserStandin::PostEvent(DISPID id, std::wstring text) {
  pending_.push_back({id, std::move(text)});
  ::PostMessageW(eventWindow_, kFireEvent, 0, 0);
}

void BrowserStandin::FirePending() {
  if (pending_.empty()) return;
  const PendingEvent event = pending_.front();
  pending_.pop_front();
  plat::unique_bstr text = plat::unique_bstr::copy(event.text.c_str());
  if (event.id == DISPID_TITLECHANGE) {
    Record(L"TitleChange(\"" + event.text + L"\")");
    events_->Fire(event.id, {plat::ArgText(text.get())});
    return;
  }
  // DocumentComplete(pDisp, URL), the URL as a VARIANT reference.
  Record(L"DocumentComplete(\"" + event.text + L"\")");
  VARIANT url = plat::ArgText(text.get());
  VARIANT urlRef;
  V_VT(&urlRef) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&urlRef) = &url;
  VARIANT browser;
  V_VT(&browser) = VT_DISPATCH;
  V_DISPATCH(&browser) = static_cast<IWebBrowser2*>(this);
  events_->Fire(event.id, {browser, urlRef});
}

bool BrowserStandin::FireBeforeNavigate(const std::wstring& url) {
  plat::unique_bstr urlText = plat::unique_bstr::copy(url.c_str());
  VARIANT values[5];  // URL, Flags, TargetFrameName, PostData, Headers
  for (VARIANT& value : values) ::VariantInit(&value);
  values[0] = plat::ArgText(urlText.get());
  values[1] = plat::ArgLong(0);
  std::vector<VARIANT> args;
  VARIANT browser;
  V_VT(&browser) = VT_DISPATCH;
  V_DISPATCH(&browser) = static_cast<IWebBrowser2*>(this);
  args.push_back(browser);
  for (VARIANT& value : values) {
    VARIANT reference;
    V_VT(&reference) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&reference) = &value;
    args.push_back(reference);
  }
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT cancelRef;
  V_VT(&cancelRef) = VT_BOOL | VT_BYREF;
  V_BOOLREF(&cancelRef) = &cancel;
  args.push_back(cancelRef);
  events_->Fire(DISPID_BEFORENAVIGATE2, std::move(args));
  Record(L"BeforeNavigate2(\"" + url + L"\")" + (cancel ? L" -> cancelled" : L""));
  return cancel != VARIANT_FALSE;
}

HRESULT BrowserStandin::NavigateHere(const std::wstring& url) {
  if (FireBeforeNavigate(url)) return S_OK;
  location_ = url;
  if (!document_) document_ = plat::make<standins::PageDocument>(this);
  // The stand-in fetches nothing: every address shows an empty page.
  document_->InitNew();
  PostEvent(DISPID_DOCUMENTCOMPLETE, url);
  return S_OK;
}

// ---------------------------------------------------------------- the page's host

standins::PageContext* BrowserStandin::Page() const {
  return document_ ? document_->Context().get() : nullptr;
}

bool BrowserStandin::PageShown() const {
  const standins::PageContext* page = Page();
  return page && page->loadedFromStream && window_ &&
         ::IsWindowVisible(::GetAncestor(window_, GA_ROOT));
}

HWND BrowserStandin::FocusWindow() const {
  HWND focus = ::GetFocus();
  return focus ? focus : window_;
}

com_ptr<IDispatch> BrowserStandin::GetExternal() {
  com_ptr<IDispatch> external;
  if (auto handler = SiteAs<IDocHostUIHandler>()) handler->GetExternal(external.put());
  return external;
}

void BrowserStandin::ShowMessage(const std::wstring& text) {
  auto showUI = SiteAs<IDocHostShowUI>();
  LRESULT result = 0;
  const HRESULT hr = showUI ? showUI->ShowMessage(window_, const_cast<LPOLESTR>(text.c_str()),
                                                  const_cast<LPOLESTR>(L"Message from webpage"),
                                                  MB_OK | MB_ICONWARNING, nullptr, 0, &result)
                            : E_NOINTERFACE;
  Record(L"ShowMessage(\"" + text + L"\") -> " + standins::HexCode(hr));
}

void BrowserStandin::ShowHelp() {
  auto showUI = SiteAs<IDocHostShowUI>();
  com_ptr<IDispatch> hit;
  if (standins::PageContext* page = Page()) hit = page->ElementObject(page->focused);
  const HRESULT hr = showUI
                         ? showUI->ShowHelp(window_, nullptr, HELP_CONTEXT, 0, POINT{}, hit.get())
                         : E_NOINTERFACE;
  Record(L"ShowHelp() -> " + standins::HexCode(hr));
}

bool BrowserStandin::FollowLink(const std::wstring& url) {
  Record(L"FollowLink(\"" + url + L"\")");
  if (FireBeforeNavigate(url)) return false;
  location_ = url;
  if (document_) document_->InitNew();
  PostEvent(DISPID_DOCUMENTCOMPLETE, url);
  return true;
}

void BrowserStandin::OnPageLoaded(const std::wstring& title) {
  // The browser asks its host which kinds of content it may download.
  if (auto ambient = SiteAs<IDispatch>()) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    plat::unique_variant control;
    const HRESULT hr =
        ambient->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, LOCALE_USER_DEFAULT,
                        DISPATCH_PROPERTYGET, &none, control.put(), nullptr, nullptr);
    Record(L"AmbientDLControl -> " +
           (SUCCEEDED(hr) ? standins::TypedValue(control) : standins::HexCode(hr)));
  }
  PostEvent(DISPID_TITLECHANGE, title);
  PostEvent(DISPID_DOCUMENTCOMPLETE, location_);
}

// ---------------------------------------------------------------- keyboard

void BrowserStandin::OnKeyDown(UINT key) {
  Record(L"KeyDown(" + std::to_wstring(key) + L")");
  if (key == VK_F1) ShowHelp();
  if (key == VK_TAB) MoveFocus();
  if (key == VK_DELETE || key == VK_BACK) EraseCharacter();
}

void BrowserStandin::EraseCharacter() {
  standins::PageContext* page = Page();
  if (!page || !page->focused || page->focused->tag != L"input" || page->focused->value.empty())
    return;
  page->focused->value.pop_back();
}

void BrowserStandin::MoveFocus() {
  standins::PageContext* page = Page();
  if (!page) return;
  std::vector<standins::HtmlNode*> controls;
  for (standins::HtmlNode* element : page->page->Elements())
    if (element->tag == L"input" || element->tag == L"select" || element->tag == L"a")
      controls.push_back(element);
  if (controls.empty()) return;
  auto at = std::find(controls.begin(), controls.end(), page->focused);
  page->focused = at == controls.end() || at + 1 == controls.end() ? controls.front() : *(at + 1);
}

STDMETHODIMP BrowserStandin::TranslateAccelerator(LPMSG message) try {
  if (!message) return E_INVALIDARG;
  if (message->message != WM_KEYDOWN) return S_FALSE;
  // The host sees the key first; what it takes is no accelerator of the browser.
  auto handler = SiteAs<IDocHostUIHandler>();
  const HRESULT hostHr = handler ? handler->TranslateAccelerator(message, nullptr, 0) : S_FALSE;
  HRESULT hr = S_FALSE;
  if (hostHr != S_OK && message->wParam == VK_DELETE) {
    EraseCharacter();
    hr = S_OK;
  }
  Record(L"TranslateAccelerator(" + std::to_wstring(message->wParam) + L") host " +
         standins::HexCode(hostHr) + L" -> " + standins::HexCode(hr));
  return hr;
}
PLAT_CATCH_RETURN()

// ---------------------------------------------------------------- IOleObject

STDMETHODIMP BrowserStandin::SetClientSite(IOleClientSite* site) {
  return BrowserRecord().recorder.Run(L"SetClientSite",
                                      site ? L"SetClientSite(site)" : L"SetClientSite(null)",
                                      kBrowserSource, [&] {
                                        clientSite_ = com_ptr<IOleClientSite>(site);
                                        return S_OK;
                                      });
}

STDMETHODIMP BrowserStandin::GetClientSite(IOleClientSite** site) {
  return clientSite_.copy_to(site);
}

STDMETHODIMP BrowserStandin::Close(DWORD saveOption) try {
  Record(L"Close(" + std::to_wstring(saveOption) + L")");
  InPlaceDeactivate();
  pending_.clear();
  if (document_) document_->Detach();
  document_.reset();
  // What the host gave is let go, so that host and browser do not keep each other.
  clientSite_.reset();
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP BrowserStandin::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = __uuidof(BrowserStandin);
  return S_OK;
}

STDMETHODIMP BrowserStandin::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) {
  return BrowserRecord().recorder.Run(L"DoVerb", L"DoVerb(" + std::to_wstring(verb) + L")",
                                      kBrowserSource, [&]() -> HRESULT {
                                        if (site && !clientSite_)
                                          clientSite_ = com_ptr<IOleClientSite>(site);
                                        switch (verb) {
                                          case OLEIVERB_SHOW:
                                          case OLEIVERB_INPLACEACTIVATE:
                                            return ActivateInPlace(false);
                                          case OLEIVERB_UIACTIVATE: return ActivateInPlace(true);
                                          case OLEIVERB_HIDE: return InPlaceDeactivate();
                                        }
                                        return OLEOBJ_S_INVALIDVERB;
                                      });
}

HRESULT BrowserStandin::ActivateInPlace(bool uiActivate) {
  if (!window_) {
    com_ptr<IOleInPlaceSite> site = SiteAs<IOleInPlaceSite>();
    if (!site) return E_NOINTERFACE;
    if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
    PLAT_RETURN_IF_FAILED(site->OnInPlaceActivate());
    HWND parent = nullptr;
    PLAT_RETURN_IF_FAILED(site->GetWindow(&parent));
    com_ptr<IOleInPlaceFrame> frame;
    com_ptr<IOleInPlaceUIWindow> document;
    RECT position = {}, clip = {};
    OLEINPLACEFRAMEINFO frameInfo = {sizeof frameInfo};
    PLAT_RETURN_IF_FAILED(
        site->GetWindowContext(frame.put(), document.put(), &position, &clip, &frameInfo));
    window_ = MakeWindow(this, parent, position);
    if (!window_) return plat::hresult_from_last_error();
    inPlaceSite_ = std::move(site);
  }
  if (uiActivate && !uiActive_) {
    uiActive_ = true;
    inPlaceSite_->OnUIActivate();
  }
  if (uiActivate) ::SetFocus(window_);
  return S_OK;
}

// ---------------------------------------------------------------- in-place object

STDMETHODIMP BrowserStandin::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = window_;
  return window_ ? S_OK : E_FAIL;
}

STDMETHODIMP BrowserStandin::InPlaceDeactivate() {
  if (!window_) return S_OK;
  UIDeactivate();
  ::DestroyWindow(window_);
  window_ = nullptr;
  com_ptr<IOleInPlaceSite> site = std::move(inPlaceSite_);
  site->OnInPlaceDeactivate();
  return S_OK;
}

STDMETHODIMP BrowserStandin::UIDeactivate() {
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
  return S_OK;
}

STDMETHODIMP BrowserStandin::SetObjectRects(LPCRECT position, LPCRECT) try {
  if (!position) return E_INVALIDARG;
  Record(L"SetObjectRects(" + std::to_wstring(position->left) + L", " +
         std::to_wstring(position->top) + L", " + std::to_wstring(position->right) + L", " +
         std::to_wstring(position->bottom) + L")");
  if (window_)
    ::MoveWindow(window_, position->left, position->top, position->right - position->left,
                 position->bottom - position->top, TRUE);
  return S_OK;
}
PLAT_CATCH_RETURN()

// ---------------------------------------------------------------- connection points

STDMETHODIMP BrowserStandin::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (points) *points = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP BrowserStandin::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
  *point = events_.get();
  (*point)->AddRef();
  return S_OK;
}

// ---------------------------------------------------------------- IDispatch, IWebBrowser2

STDMETHODIMP BrowserStandin::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP BrowserStandin::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP BrowserStandin::Navigate(BSTR url, VARIANT* flags, VARIANT*, VARIANT*, VARIANT*) try {
  const std::wstring address = url ? url : L"";
  const long navigateFlags = VariantLong(flags);
  Record(L"Navigate(\"" + address + L"\", " + std::to_wstring(navigateFlags) + L")");
  if (navigateFlags & navOpenInNewWindow) return S_OK;  // the new window is the record's
  return NavigateHere(address);
}
PLAT_CATCH_RETURN()

STDMETHODIMP BrowserStandin::Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrame,
                                       VARIANT* postData, VARIANT* headers) try {
  plat::unique_bstr address = plat::unique_bstr::copy(VariantText(url).c_str());
  return Navigate(address.get(), flags, targetFrame, postData, headers);
}
PLAT_CATCH_RETURN()

STDMETHODIMP BrowserStandin::Stop() {
  Record(L"Stop()");
  pending_.clear();
  return S_OK;
}

STDMETHODIMP BrowserStandin::get_Application(IDispatch** object) {
  if (!object) return E_POINTER;
  return Self().copy_to(object);
}

STDMETHODIMP BrowserStandin::get_Parent(IDispatch** object) {
  if (object) *object = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP BrowserStandin::get_Container(IDispatch** object) {
  if (object) *object = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP BrowserStandin::get_Document(IDispatch** document) {
  if (!document) return E_POINTER;
  *document = nullptr;
  if (!document_) return S_FALSE;
  *document = static_cast<standins::PageDispatch<standins::PageDocument>*>(document_.get());
  (*document)->AddRef();
  return S_OK;
}

STDMETHODIMP BrowserStandin::get_LocationURL(BSTR* url) try {
  if (!url) return E_POINTER;
  *url = plat::unique_bstr::copy(location_.c_str()).release();
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP BrowserStandin::get_Busy(VARIANT_BOOL* busy) {
  if (!busy) return E_POINTER;
  *busy = pending_.empty() ? VARIANT_FALSE : VARIANT_TRUE;
  return S_OK;
}

STDMETHODIMP BrowserStandin::get_ReadyState(READYSTATE* state) {
  if (!state) return E_POINTER;
  *state = pending_.empty() ? READYSTATE_COMPLETE : READYSTATE_LOADING;
  return S_OK;
}
