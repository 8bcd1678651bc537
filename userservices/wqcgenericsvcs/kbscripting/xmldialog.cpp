#include "xmldialog.h"

#include <exdispid.h>
#include <latebound.h>
#include <mshtmdid.h>
#include <olectl.h>
#include <variantutil.h>
#include <wqcomexception.h>
#include <wqxmlsecurity.h>

#include <algorithm>

#include "domutil.h"
#include "scriptuipage.h"
#include "scriptuiresultsdoc.h"

using plat::com_ptr;
using plat::unique_bstr;
using plat::unique_variant;

namespace {

// The web-browser control.
constexpr CLSID kClsidWebBrowser = {
    0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

constexpr wchar_t kWindowClass[] = L"WQCXMLDialogWindow";
constexpr DISPID kDispidOnOKClick = 0x1f6;
constexpr DISPID kDispidOnCancelClick = 0x1f7;
// Images, videos and background sounds are downloaded.
constexpr LONG kDownloadControl = DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS;
constexpr LCID kScriptLocale = LOCALE_SYSTEM_DEFAULT;

// The text of an argument that may come by reference (browser events pass VARIANT*).
bool ArgumentText(const VARIANT& argument, unique_bstr& text) {
  const VARIANT* value = VariantReferent(argument);
  unique_variant converted;
  if (!value ||
      FAILED(::VariantChangeType(converted.put(), const_cast<VARIANT*>(value), 0, VT_BSTR)))
    return false;
  VARIANT held = converted.release();
  text.reset(V_BSTR(&held));
  return true;
}

}  // namespace

// ---------------------------------------------------------------- layout arithmetic

namespace wqc {

SIZE XmlDialogWindowSize(long contentWidth, long contentHeight) noexcept {
  const long height = contentHeight + ::GetSystemMetrics(SM_CYHSCROLL) +
                      ::GetSystemMetrics(SM_CYCAPTION) + 2 * ::GetSystemMetrics(SM_CYFRAME);
  const long width =
      contentWidth + 2 * ::GetSystemMetrics(SM_CXFRAME) + 2 * ::GetSystemMetrics(SM_CXVSCROLL);
  const long maxHeight = ::GetSystemMetrics(SM_CYMAXTRACK) - 2 * ::GetSystemMetrics(SM_CYCAPTION);
  const long maxWidth = ::GetSystemMetrics(SM_CXMAXTRACK);
  return SIZE{std::min(width, maxWidth), std::min(height, maxHeight)};
}

SIZE XmlDialogMinTrackSize() noexcept {
  return SIZE{::GetSystemMetrics(SM_CXMINTRACK) + ::GetSystemMetrics(SM_CXVSCROLL),
              ::GetSystemMetrics(SM_CYMINTRACK) + 2 * ::GetSystemMetrics(SM_CYVSCROLL)};
}

void ClampXmlDialogSizing(RECT& rect, SIZE minimum) noexcept {
  const long maxHeight = ::GetSystemMetrics(SM_CYMAXTRACK) - 2 * ::GetSystemMetrics(SM_CYCAPTION);
  const long maxWidth = ::GetSystemMetrics(SM_CXMAXTRACK);
  long width = std::min(rect.right - rect.left, maxWidth);
  long height = std::min(rect.bottom - rect.top, maxHeight);
  width = std::max(width, minimum.cx);
  height = std::max(height, minimum.cy);
  rect.right = rect.left + width;
  rect.bottom = rect.top + height;
}

}  // namespace wqc

// ---------------------------------------------------------------- object

WQCXMLDialog::WQCXMLDialog() : caption_(unique_bstr::copy(L"KB Dialog")) {}

WQCXMLDialog::~WQCXMLDialog() {
  if (HWND window = UnsubclassWindow()) ::DestroyWindow(window);
}

void* WQCXMLDialog::FindInterface(REFIID riid) noexcept {
  if (riid == __uuidof(IOleWindow)) return static_cast<IOleInPlaceSite*>(this);
  if (riid == __uuidof(IProvideClassInfo)) return static_cast<IProvideClassInfo2*>(this);
  return Implements::FindInterface(riid);
}

void WQCXMLDialog::GetResults(BSTR* returnTo, BSTR* from, BSTR* resultsXml, LONG* activeDocument,
                              LONG* activeCase) const {
  *returnTo = unique_bstr::copy(returnTo_.c_str()).release();
  *from = unique_bstr::copy(from_.c_str()).release();
  *resultsXml = unique_bstr::copy(resultsXml_.c_str()).release();
  *activeDocument = activeDocument_;
  *activeCase = activeCase_;
}

com_ptr<IDispatch> WQCXMLDialog::Document() const {
  com_ptr<IDispatch> document;
  if (browser_) browser_->get_Document(document.put());
  return document;
}

// ---------------------------------------------------------------- ShowDialog

STDMETHODIMP WQCXMLDialog::ShowDialog(BSTR strXML, LONGLONG lParentHWnd, VARIANT_BOOL* pbDialogOK) {
  WQ_METHOD_BEGIN(error, L"WQCXMLDialog::ShowDialog", 0)
  error.CheckPointer(pbDialogOK);
  *pbDialogOK = VARIANT_FALSE;
  if (hwnd()) error.ThrowHrAt(WQ_HERE, E_UNEXPECTED, L"The dialog is already shown");
  dialogXml_ = unique_bstr::copy(strXML ? strXML : L"");
  if (WQDeclaresDocumentType(dialogXml_.c_str()))
    error.ThrowHrAt(WQ_HERE, WQ_E_DOCUMENTTYPE,
                    L"The dialog description declares a document type, which is not accepted");
  // The page is made before any window shows: a reply that is no description would leave
  // the user in an empty window with nothing to close it by.
  unique_bstr reason;
  const HRESULT built = BuildScriptUIPage(dialogXml_.c_str(), settings_, page_, &reason);
  if (built == WQ_E_NOTADESCRIPTION) error.ThrowHrAt(WQ_HERE, built, L"%ls", reason.c_str());
  if (FAILED(built)) error.ThrowHrAt(WQ_HERE, built, L"The dialog page could not be made");
  outcome_.Start();

  HWND parent = reinterpret_cast<HWND>(static_cast<LONG_PTR>(lParentHWnd));
  const bool disableParent = parent != nullptr;
  if (disableParent)
    ::EnableWindow(parent, FALSE);
  else
    parent = ::GetDesktopWindow();
  // Whatever happens below, the parent is usable again when the call returns.
  struct ParentScope {
    HWND parent;
    ~ParentScope() {
      if (parent) ::EnableWindow(parent, TRUE);
    }
  } parentScope{disableParent ? parent : nullptr};

  if (!CreateDialogWindow(parent))
    error.ThrowHrAt(WQ_HERE, plat::hresult_from_last_error(),
                    L"Could not create the dialog window");

  com_ptr<IOleObject> control;
  const HRESULT hr = CreateBrowser(control);
  if (FAILED(hr)) {
    if (control) {
      control->Close(OLECLOSE_NOSAVE);
      control->SetClientSite(nullptr);
    }
    ::DestroyWindow(hwnd());
    error.ThrowHrAt(WQ_HERE, E_FAIL, L"The browser control could not be shown");
  }

  unique_variant flags;
  browser_->Navigate(unique_bstr::copy(L"about:blank").get(), &flags, &flags, &flags, &flags);
  RunMessageLoop();

  control->Close(OLECLOSE_NOSAVE);
  control->SetClientSite(nullptr);
  if (hwnd()) ::DestroyWindow(hwnd());
  if (applicationQuit_) ::PostQuitMessage(quitCode_);
  if (FAILED(loadFailure_))
    error.ThrowHrAt(WQ_HERE, loadFailure_, L"The dialog page could not be loaded into the browser");
  // Confirmed only through the page's accepted OK (ModalOutcome).
  if (outcome_.Answer(IDCANCEL) == IDOK) *pbDialogOK = VARIANT_TRUE;
  WQ_METHOD_END(error)
}

bool WQCXMLDialog::CreateDialogWindow(HWND owner) {
  static const ATOM windowClass = [] {
    WNDCLASSEXW wc = {sizeof wc};
    wc.lpfnWndProc = &::DefWindowProcW;
    wc.hInstance = plat::module().GetInstance();
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    return ::RegisterClassExW(&wc);
  }();
  if (!windowClass) return false;
  // Hidden until the dialog page is loaded and sized; no system menu.
  return Create(kWindowClass, owner, RECT{CW_USEDEFAULT, 0, CW_USEDEFAULT, 0}, L"",
                WS_CAPTION | WS_THICKFRAME) != nullptr;
}

HRESULT WQCXMLDialog::CreateBrowser(com_ptr<IOleObject>& control) {
  if (FAILED(::CoCreateInstance(kClsidWebBrowser, nullptr,
                                CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, __uuidof(IOleObject),
                                control.put_void()))) {
    ::MessageBoxW(hwnd(), L"CoCreateInstance failed", L"", MB_OK);
    return E_FAIL;
  }
  if (FAILED(control->SetClientSite(static_cast<IOleClientSite*>(this)))) {
    ::MessageBoxW(hwnd(), L"SetClientSite failed", L"", MB_OK);
    return E_FAIL;
  }
  MSG message = {};
  RECT client = GetClientRect();
  if (FAILED(control->DoVerb(OLEIVERB_INPLACEACTIVATE, &message, this, 0, hwnd(), &client))) {
    ::MessageBoxW(hwnd(), L"DoVerb failed", L"", MB_OK);
    return E_FAIL;
  }
  if (FAILED(control.query_to(browser_))) return E_FAIL;
  com_ptr<IConnectionPointContainer> container;
  com_ptr<IConnectionPoint> point;
  if (SUCCEEDED(browser_.query_to(container)) &&
      SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.put())))
    point->Advise(static_cast<IDispatch*>(this), &adviseCookie_);
  browserObject_ = com_ptr<IUnknown>(browser_.get());
  return S_OK;
}

void WQCXMLDialog::RunMessageLoop() {
  // The loop ends when the dialog closes; the dialog never posts a quit message of its
  // own, so every one that arrives is the application's: it ends the dialog, which did not
  // end itself and so was cancelled, and is posted again, when the dialog is gone, for the
  // loop that waits above this one.
  MSG message;
  while (!closing_) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      applicationQuit_ = true;
      quitCode_ = static_cast<int>(message.wParam);
      CloseDialog();
      break;
    }
    ::TranslateMessage(&message);
    if (message.message == WM_KEYDOWN) {
      // The dialog window offers the key to the browser first. A key the browser took
      // as an accelerator, or one meant for the dialog window itself, is not handed
      // on again.
      const LRESULT translated = SendMessage(WM_KEYDOWN, message.wParam, message.lParam);
      if (translated || message.hwnd == hwnd()) continue;
    }
    ::DispatchMessageW(&message);
  }
}

// ---------------------------------------------------------------- events

STDMETHODIMP WQCXMLDialog::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params,
                                  VARIANT* result, EXCEPINFO*, UINT*) try {
  switch (member) {
    case DISPID_DOCUMENTCOMPLETE:
      if (loadState_ == kNothingLoaded) {
        const HRESULT hr = LoadDialog();
        loadState_ = kBlankLoaded;
        if (FAILED(hr)) ShowLoadFailure(hr);
      } else if (loadState_ == kBlankLoaded) {
        SizeToContent();
        FindScriptFunctions();
        loadState_ = kDialogLoaded;
      }
      return S_OK;
    case DISPID_BEFORENAVIGATE2:
      if (loadState_ == kDialogLoaded) OnBeforeNavigate(params);
      return S_OK;
    case DISPID_NEWWINDOW2: return S_OK;
    case DISPID_TITLECHANGE:
      if (params && params->cArgs >= 1 && V_VT(&params->rgvarg[params->cArgs - 1]) == VT_BSTR) {
        const BSTR title = V_BSTR(&params->rgvarg[params->cArgs - 1]);
        if (hwnd()) SetWindowText(title ? title : L"");
        caption_ = unique_bstr::copy(title ? title : L"");
      }
      return S_OK;
    case kDispidOnOKClick: return OnOKClick();
    case kDispidOnCancelClick: return OnCancelClick();
    case DISPID_AMBIENT_DLCONTROL:
      if (result) {
        ::VariantClear(result);
        V_VT(result) = VT_I4;
        V_I4(result) = kDownloadControl;
      }
      return S_OK;
    case DISPID_BEFORENAVIGATE:
    case DISPID_STATUSTEXTCHANGE:
    case DISPID_DOWNLOADCOMPLETE:
    case DISPID_DOWNLOADBEGIN: return S_OK;
  }
  return DISP_E_MEMBERNOTFOUND;
}
PLAT_CATCH_RETURN()

// A page that cannot be put into the browser would leave a hidden window and a loop that
// nothing ends: the dialog ends at once and ShowDialog reports the failure.
void WQCXMLDialog::ShowLoadFailure(HRESULT hr) {
  loadFailure_ = hr;
  CloseDialog();
}

HRESULT WQCXMLDialog::OnBeforeNavigate(DISPPARAMS* params) {
  // pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel (last first).
  if (!params || params->cArgs != 7) return E_INVALIDARG;
  VARIANT& cancel = params->rgvarg[0];
  const VARIANT& url = params->rgvarg[5];
  const VARIANT& navigating = params->rgvarg[6];
  unique_bstr address;
  if (!ArgumentText(url, address)) return E_INVALIDARG;
  com_ptr<IWebBrowser2> target;
  if (V_VT(&navigating) == VT_DISPATCH && V_DISPATCH(&navigating))
    V_DISPATCH(&navigating)->QueryInterface(__uuidof(IWebBrowser2), target.put_void());
  if (!target) target = browser_;
  if (!target) return E_UNEXPECTED;
  // The link opens in a window of its own; the dialog page stays.
  target->Stop();
  VARIANT newWindow = plat::ArgLong(navOpenInNewWindow);
  unique_variant none;
  target->Navigate(address.get(), &newWindow, &none, &none, &none);
  if (V_VT(&cancel) == (VT_BOOL | VT_BYREF) && V_BOOLREF(&cancel))
    *V_BOOLREF(&cancel) = VARIANT_TRUE;
  return S_OK;
}

// ---------------------------------------------------------------- the page

HRESULT WQCXMLDialog::LoadDialog() {
  if (settings_.hasMaxWidth && hwnd()) MoveWindow(RECT{0, 0, settings_.maxWidth, 300});
  returnTo_ = std::move(settings_.returnTo);
  from_ = std::move(settings_.from);
  debugFile_ = std::move(settings_.debugFile);
  activeDocument_ = settings_.activeDocument;
  activeCase_ = settings_.activeCase;
  // A debug copy that cannot be written is no reason to fail the dialog.
  if (debugFile_.length() > 0) WriteDebugFile(debugFile_.c_str(), page_.c_str());

  com_ptr<IStream> stream;
  PLAT_RETURN_IF_FAILED(CreatePageStream(page_.c_str(), stream.put()));
  com_ptr<IDispatch> document = Document();
  com_ptr<IPersistStreamInit> persist;
  PLAT_RETURN_IF_FAILED(document.query_to(persist));
  PLAT_RETURN_IF_FAILED(persist->InitNew());
  return persist->Load(stream.get());
}

void WQCXMLDialog::SizeToContent() {
  if (!hwnd()) return;
  // The first table holds every row of the page; a page without one has no content.
  long contentWidth = 0, contentHeight = 0;
  com_ptr<IDispatch> all, tables, table;
  unique_variant item;
  if (SUCCEEDED(plat::GetObjectProperty(Document().get(), L"all", all)) &&
      SUCCEEDED(plat::CallMethod(all.get(), L"tags",
                                 {plat::ArgText(unique_bstr::copy(L"table").get())}, item.put())) &&
      V_VT(&item) == VT_DISPATCH && V_DISPATCH(&item)) {
    tables = com_ptr<IDispatch>(V_DISPATCH(&item));
    if (SUCCEEDED(plat::CallMethod(tables.get(), L"item", {plat::ArgLong(0)}, item.put())) &&
        V_VT(&item) == VT_DISPATCH && V_DISPATCH(&item))
      table = com_ptr<IDispatch>(V_DISPATCH(&item));
  }
  if (table) {
    long offsets[4] = {};
    const wchar_t* const names[4] = {L"offsetHeight", L"offsetTop", L"offsetWidth", L"offsetLeft"};
    for (int i = 0; i < 4; ++i) {
      unique_variant value;
      if (SUCCEEDED(plat::GetPropertyAs(table.get(), names[i], VT_I4, value.put())))
        offsets[i] = V_I4(&value);
    }
    contentHeight = offsets[0] + offsets[1];
    contentWidth = offsets[2] + offsets[3];
  }
  const SIZE size = wqc::XmlDialogWindowSize(contentWidth, contentHeight);
  const RECT rect = GetWindowRect();
  MoveWindow(RECT{rect.left, rect.top, rect.left + size.cx, rect.top + size.cy});
  CenterWindow();

  const SIZE minimum = wqc::XmlDialogMinTrackSize();
  minTrackWidth_ = minimum.cx;
  minTrackHeight_ = minimum.cy;
  ShowWindow(SW_SHOWNORMAL);
}

void WQCXMLDialog::FindScriptFunctions() {
  validateDispid_ = cancelDispid_ = DISPID_UNKNOWN;
  com_ptr<IDispatch> script;
  if (FAILED(plat::GetObjectProperty(Document().get(), L"Script", script))) return;
  LPOLESTR validate[] = {const_cast<LPOLESTR>(L"Validate")};
  LPOLESTR cancel[] = {const_cast<LPOLESTR>(L"Cancel")};
  if (FAILED(script->GetIDsOfNames(IID_NULL, validate, 1, kScriptLocale, &validateDispid_)))
    validateDispid_ = DISPID_UNKNOWN;
  if (FAILED(script->GetIDsOfNames(IID_NULL, cancel, 1, kScriptLocale, &cancelDispid_)))
    cancelDispid_ = DISPID_UNKNOWN;
}

bool WQCXMLDialog::AskPage(DISPID id) {
  if (id == DISPID_UNKNOWN) return true;
  com_ptr<IDispatch> script;
  if (FAILED(plat::GetObjectProperty(Document().get(), L"Script", script))) return false;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  unique_variant answer;
  script->Invoke(id, IID_NULL, kScriptLocale, DISPATCH_METHOD, &none, answer.put(), nullptr,
                 nullptr);
  return V_VT(&answer) != VT_BOOL || V_BOOL(&answer) == VARIANT_TRUE;
}

namespace {

// One control of the page's form as a result input: a text, the checked state of a radio
// button or check box, or the value of a list's chosen option. Buttons give none.
void ReadFormElement(IDispatch* element, ScriptUIResultsDoc& results) {
  unique_variant tag, id;
  if (FAILED(plat::GetPropertyAs(element, L"tagName", VT_BSTR, tag.put()))) return;
  plat::GetPropertyAs(element, L"id", VT_BSTR, id.put());
  const wchar_t* idText = V_VT(&id) == VT_BSTR && V_BSTR(&id) ? V_BSTR(&id) : L"";
  if (_wcsicmp(V_BSTR(&tag), L"INPUT") == 0) {
    unique_variant type;
    plat::GetPropertyAs(element, L"type", VT_BSTR, type.put());
    const wchar_t* typeText = V_VT(&type) == VT_BSTR && V_BSTR(&type) ? V_BSTR(&type) : L"";
    if (_wcsicmp(typeText, L"button") == 0) return;
    if (_wcsicmp(typeText, L"radio") == 0 || _wcsicmp(typeText, L"checkbox") == 0) {
      unique_variant checked;
      plat::GetPropertyAs(element, L"checked", VT_BOOL, checked.put());
      const bool isChecked = V_VT(&checked) == VT_BOOL && V_BOOL(&checked) != VARIANT_FALSE;
      results.AddInput(idText, isChecked ? L"true" : L"false");
    } else {
      unique_variant value;
      plat::GetPropertyAs(element, L"value", VT_BSTR, value.put());
      results.AddInput(idText, V_VT(&value) == VT_BSTR && V_BSTR(&value) ? V_BSTR(&value) : L"");
    }
  } else if (_wcsicmp(V_BSTR(&tag), L"SELECT") == 0) {
    // A list without a chosen option gives an empty value.
    unique_variant selected, option, value;
    unique_bstr text;
    if (SUCCEEDED(plat::GetPropertyAs(element, L"selectedIndex", VT_I4, selected.put())) &&
        V_I4(&selected) >= 0 &&
        SUCCEEDED(
            plat::CallMethod(element, L"item", {plat::ArgLong(V_I4(&selected))}, option.put())) &&
        V_VT(&option) == VT_DISPATCH && V_DISPATCH(&option) &&
        SUCCEEDED(plat::CallMethod(V_DISPATCH(&option), L"getAttribute",
                                   {plat::ArgText(unique_bstr::copy(L"value").get())},
                                   value.put())) &&
        SUCCEEDED(::VariantChangeType(&value, &value, VARIANT_NOUSEROVERRIDE, VT_BSTR))) {
      VARIANT held = value.release();
      text.reset(V_BSTR(&held));
    }
    results.AddInput(idText, text.c_str());
  }
}

// Every control of the page's form, in document order.
void ReadForm(IDispatch* document, ScriptUIResultsDoc& results) {
  com_ptr<IDispatch> all;
  unique_variant length;
  if (FAILED(plat::GetObjectProperty(document, L"all", all)) ||
      FAILED(plat::GetPropertyAs(all.get(), L"length", VT_I4, length.put())))
    return;
  for (long i = 0; i < V_I4(&length); ++i) {
    unique_variant item;
    if (FAILED(plat::CallMethod(all.get(), L"item", {plat::ArgLong(i)}, item.put())) ||
        V_VT(&item) != VT_DISPATCH || !V_DISPATCH(&item))
      continue;
    ReadFormElement(V_DISPATCH(&item), results);
  }
}

// The children of the page's instance data island:
// <xml id="InstanceData"><xmldata><InstanceData>...
void ReadDataIsland(IDispatch* document, ScriptUIResultsDoc& results) {
  unique_variant island, islandDocument;
  com_ptr<IXMLDOMDocument> data;
  if (SUCCEEDED(plat::CallMethod(document, L"getElementById",
                                 {plat::ArgText(unique_bstr::copy(L"InstanceData").get())},
                                 island.put())) &&
      V_VT(&island) == VT_DISPATCH && V_DISPATCH(&island) &&
      SUCCEEDED(plat::GetProperty(V_DISPATCH(&island), L"XMLDocument", islandDocument.put())) &&
      V_VT(&islandDocument) == VT_DISPATCH && V_DISPATCH(&islandDocument))
    V_DISPATCH(&islandDocument)->QueryInterface(__uuidof(IXMLDOMDocument), data.put_void());
  com_ptr<IXMLDOMElement> root;
  com_ptr<IXMLDOMNode> instanceData;
  com_ptr<IXMLDOMNodeList> nodes;
  if (data && SUCCEEDED(data->get_documentElement(root.put())) && root &&
      SUCCEEDED(root->get_firstChild(instanceData.put())) && instanceData &&
      SUCCEEDED(instanceData->get_childNodes(nodes.put())) && nodes) {
    long count = 0;
    nodes->get_length(&count);
    for (long i = 0; i < count; ++i) {
      com_ptr<IXMLDOMNode> node;
      if (SUCCEEDED(nodes->get_item(i, node.put())) && node) results.AddInstanceNode(node.get());
    }
  }
}

}  // namespace

STDMETHODIMP WQCXMLDialog::OnOKClick() try {
  WQ_BARE_METHOD();
  // A second click after the dialog closed finds no page.
  if (closing_ || !browser_) return S_OK;
  if (!AskPage(validateDispid_)) return S_OK;
  // The page may have been closed by its own Validate function.
  if (closing_ || !browser_) return S_OK;

  ScriptUIResultsDoc results;
  const com_ptr<IDispatch> document = Document();
  ReadForm(document.get(), results);
  ReadDataIsland(document.get(), results);

  resultsXml_ = results.GetXML();
  ::OutputDebugStringW(resultsXml_.c_str());
  outcome_.End(IDOK);
  CloseDialog();
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP WQCXMLDialog::OnCancelClick() try {
  WQ_BARE_METHOD();
  if (closing_) return S_OK;
  if (cancelDispid_ == DISPID_UNKNOWN) {
    outcome_.End(IDCANCEL);
    CloseDialog();
    return S_OK;
  }
  // Only a page function that answers true lets the dialog close.
  com_ptr<IDispatch> script;
  if (FAILED(plat::GetObjectProperty(Document().get(), L"Script", script))) return S_OK;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  unique_variant answer;
  script->Invoke(cancelDispid_, IID_NULL, kScriptLocale, DISPATCH_METHOD, &none, answer.put(),
                 nullptr, nullptr);
  if (V_VT(&answer) == VT_BOOL && V_BOOL(&answer) == VARIANT_TRUE) {
    outcome_.End(IDCANCEL);
    CloseDialog();
  }
  return S_OK;
}
PLAT_CATCH_RETURN()

void WQCXMLDialog::CloseDialog() {
  if (closing_) return;
  closing_ = true;
  if (browser_) {
    com_ptr<IConnectionPointContainer> container;
    com_ptr<IConnectionPoint> point;
    if (adviseCookie_ && SUCCEEDED(browser_.query_to(container)) &&
        SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.put())))
      point->Unadvise(adviseCookie_);
    adviseCookie_ = 0;
    browser_->Stop();
  }
  browser_.reset();
  browserObject_.reset();
  inPlaceObject_.reset();
  // The loop of ShowDialog sees the flag once this message (or the one that brought the
  // close) has been dispatched. A quit message would do as well, but could not be told
  // from one the application posts meanwhile.
  if (hwnd()) PostMessage(WM_CLOSE);
}

void WQCXMLDialog::UIActivateBrowser() {
  com_ptr<IOleObject> control;
  if (!browser_ || FAILED(browser_.query_to(control))) return;
  RECT client = GetClientRect();
  control->DoVerb(OLEIVERB_UIACTIVATE, nullptr, this, 0, hwnd(), &client);
}

// ---------------------------------------------------------------- window

// Answers 1 when the browser took the key as an accelerator.
LRESULT WQCXMLDialog::OnKeyDown(UINT, WPARAM key, LPARAM lParam, bool&) {
  if (!browser_) return 0;
  if (key == VK_TAB || key == VK_F1) UIActivateBrowser();
  com_ptr<IOleInPlaceActiveObject> active;
  if (!browser_ || FAILED(browser_.query_to(active))) return 0;
  MSG message = {hwnd(), WM_KEYDOWN, key, lParam};
  return active->TranslateAccelerator(&message) == S_OK ? 1 : 0;
}

void WQCXMLDialog::OnSize() {
  if (!browser_ || !inPlaceActive_) return;
  if (!inPlaceObject_ && FAILED(browser_.query_to(inPlaceObject_))) return;
  RECT client = GetClientRect();
  inPlaceObject_->SetObjectRects(&client, &client);
}

void WQCXMLDialog::OnSetFocus() {
  if (browser_) UIActivateBrowser();
}

LRESULT WQCXMLDialog::OnSizing(UINT, WPARAM, LPARAM rect, bool&) {
  if (rect)
    wqc::ClampXmlDialogSizing(*reinterpret_cast<RECT*>(rect),
                              SIZE{minTrackWidth_, minTrackHeight_});
  return TRUE;
}

// Closing the window another way (Alt+F4, WM_CLOSE) is the page's Cancel.
LRESULT WQCXMLDialog::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
  if (closing_) {
    handled = false;
    return 0;
  }
  OnCancelClick();
  return 0;
}

// A window destroyed by its owner ends the loop as a Cancel.
LRESULT WQCXMLDialog::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  if (!closing_) CloseDialog();
  handled = false;
  return 0;
}

// ---------------------------------------------------------------- site and host

STDMETHODIMP WQCXMLDialog::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP WQCXMLDialog::GetContainer(IOleContainer** container) {
  if (container) *container = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP WQCXMLDialog::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = hwnd();
  return S_OK;
}

STDMETHODIMP WQCXMLDialog::OnInPlaceActivate() {
  inPlaceActive_ = TRUE;
  return S_OK;
}

STDMETHODIMP WQCXMLDialog::OnInPlaceDeactivate() {
  inPlaceActive_ = FALSE;
  return S_OK;
}

STDMETHODIMP WQCXMLDialog::GetWindowContext(IOleInPlaceFrame** frame,
                                            IOleInPlaceUIWindow** document, LPRECT position,
                                            LPRECT clip, LPOLEINPLACEFRAMEINFO) {
  // This site has no frame or document window of its own.
  if (frame) *frame = nullptr;
  if (document) *document = nullptr;
  const RECT client = GetClientRect();
  if (position) *position = client;
  if (clip) *clip = client;
  return S_OK;
}

STDMETHODIMP WQCXMLDialog::GetHostInfo(DOCHOSTUIINFO* info) {
  if (!info) return E_POINTER;
  info->cbSize = sizeof(DOCHOSTUIINFO);
  info->dwFlags = DOCHOSTUIFLAG_DIALOG;
  return S_OK;
}

STDMETHODIMP WQCXMLDialog::TranslateAccelerator(LPMSG message, const GUID*, DWORD) {
  if (::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0) return S_FALSE;
  if (!message || message->message != WM_KEYDOWN) return S_OK;
  return message->wParam == VK_DELETE ? S_FALSE : S_OK;
}

STDMETHODIMP WQCXMLDialog::GetOptionKeyPath(LPOLESTR* key, DWORD) {
  if (key) *key = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP WQCXMLDialog::GetDropTarget(IDropTarget*, IDropTarget** target) {
  if (target) *target = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP WQCXMLDialog::GetExternal(IDispatch** external) {
  if (!external) return E_POINTER;
  *external = static_cast<IWQCXMLDialog*>(this);
  (*external)->AddRef();
  return S_OK;
}

STDMETHODIMP WQCXMLDialog::TranslateUrl(DWORD, LPWSTR, LPWSTR* url) {
  if (url) *url = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP WQCXMLDialog::FilterDataObject(IDataObject*, IDataObject** data) {
  if (data) *data = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP WQCXMLDialog::ShowMessage(HWND window, LPOLESTR text, LPOLESTR, DWORD type, LPOLESTR,
                                       DWORD, LRESULT* result) {
  // The page's messages carry the dialog's caption, not the browser's.
  const int answer = ::MessageBoxW(window, text ? text : L"", caption_.c_str(), type);
  if (result) *result = answer;
  return S_OK;
}

STDMETHODIMP WQCXMLDialog::ShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) try {
  // The help text is the "HelpString" island of the page.
  unique_variant island, islandDocument;
  com_ptr<IXMLDOMDocument> help;
  if (SUCCEEDED(plat::CallMethod(Document().get(), L"getElementById",
                                 {plat::ArgText(unique_bstr::copy(L"HelpString").get())},
                                 island.put())) &&
      V_VT(&island) == VT_DISPATCH && V_DISPATCH(&island) &&
      SUCCEEDED(plat::GetProperty(V_DISPATCH(&island), L"XMLDocument", islandDocument.put())) &&
      V_VT(&islandDocument) == VT_DISPATCH && V_DISPATCH(&islandDocument))
    V_DISPATCH(&islandDocument)->QueryInterface(__uuidof(IXMLDOMDocument), help.put_void());
  com_ptr<IXMLDOMElement> root;
  unique_bstr text;
  if (help && SUCCEEDED(help->get_documentElement(root.put())) && root) root->get_text(text.put());
  if (text.length() > 0) ::MessageBoxW(hwnd(), text.get(), L"KB Help", MB_OK);
  return S_OK;
}
PLAT_CATCH_RETURN()
