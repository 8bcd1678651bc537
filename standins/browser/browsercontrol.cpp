#include "browsercontrol.h"

namespace standins {

namespace {

constexpr const wchar_t* kControlSource = L"WQStandins.BrowserControl";

BrowserStandin* NewestBrowser() {
  const auto& live = BrowserRecord().live;
  return live.empty() ? nullptr : live.back();
}

// The newest browser's page, with the browser kept alive while the user acts on it.
HRESULT ShownPage(plat::com_ptr<IUnknown>& browser, PageContext** page) {
  BrowserStandin* newest = NewestBrowser();
  if (!newest) return RaiseError(E_UNEXPECTED, L"No browser is alive", kControlSource);
  browser = plat::com_ptr<IUnknown>(static_cast<IOleObject*>(newest));
  *page = newest->Page();
  if (!*page) return RaiseError(E_UNEXPECTED, L"The browser shows no page", kControlSource);
  return S_OK;
}

}  // namespace

HRESULT BrowserControlImpl::FindElement(BSTR id, plat::com_ptr<IUnknown>& browser,
                                        PageContext** page, HtmlNode** element) {
  PLAT_RETURN_IF_FAILED(ShownPage(browser, page));
  *element = (*page)->page->ElementById(Text(id));
  if (!*element)
    return RaiseError(E_INVALIDARG, L"The page has no element \"" + Text(id) + L"\"",
                      kControlSource);
  return S_OK;
}

STDMETHODIMP BrowserControlImpl::get_PageShown(VARIANT_BOOL* shown) {
  if (!shown) return E_POINTER;
  BrowserStandin* newest = NewestBrowser();
  *shown = newest && newest->PageShown() ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

STDMETHODIMP BrowserControlImpl::get_Document(IDispatch** document) {
  if (!document) return E_POINTER;
  *document = nullptr;
  BrowserStandin* newest = NewestBrowser();
  return newest ? newest->get_Document(document) : S_FALSE;
}

STDMETHODIMP BrowserControlImpl::SetValue(BSTR id, BSTR value) try {
  plat::com_ptr<IUnknown> browser;
  PageContext* page = nullptr;
  HtmlNode* element = nullptr;
  PLAT_RETURN_IF_FAILED(FindElement(id, browser, &page, &element));
  if (element->tag != L"input")
    return RaiseError(E_INVALIDARG, L"\"" + Text(id) + L"\" is no input field", kControlSource);
  page->focused = element;
  element->value = Text(value);
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP BrowserControlImpl::SetChecked(BSTR id, VARIANT_BOOL checked) try {
  plat::com_ptr<IUnknown> browser;
  PageContext* page = nullptr;
  HtmlNode* element = nullptr;
  PLAT_RETURN_IF_FAILED(FindElement(id, browser, &page, &element));
  page->focused = element;
  page->page->SetChecked(*element, checked != VARIANT_FALSE);
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP BrowserControlImpl::SelectIndex(BSTR id, LONG index) try {
  plat::com_ptr<IUnknown> browser;
  PageContext* page = nullptr;
  HtmlNode* element = nullptr;
  PLAT_RETURN_IF_FAILED(FindElement(id, browser, &page, &element));
  const LONG count = static_cast<LONG>(page->page->Options(*element).size());
  if (element->tag != L"select" || index < -1 || index >= count)
    return RaiseError(E_INVALIDARG,
                      L"\"" + Text(id) + L"\" has no option " + std::to_wstring(index),
                      kControlSource);
  page->focused = element;
  element->selectedIndex = index;
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP BrowserControlImpl::Click(BSTR id) try {
  plat::com_ptr<IUnknown> browser;
  PageContext* page = nullptr;
  HtmlNode* element = nullptr;
  PLAT_RETURN_IF_FAILED(FindElement(id, browser, &page, &element));
  // The page object keeps what the click's handlers may let go of.
  const std::shared_ptr<PageContext> keep = page->shared_from_this();
  page->Click(*element);
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP BrowserControlImpl::FollowLink(LONG index) try {
  plat::com_ptr<IUnknown> browser;
  PageContext* page = nullptr;
  PLAT_RETURN_IF_FAILED(ShownPage(browser, &page));
  LONG seen = 0;
  for (HtmlNode* element : page->page->Elements()) {
    if (element->tag == L"a" && ++seen == index) {
      const std::shared_ptr<PageContext> keep = page->shared_from_this();
      page->Click(*element);
      return S_OK;
    }
  }
  return RaiseError(E_INVALIDARG, L"The page has no link " + std::to_wstring(index),
                    kControlSource);
}
PLAT_CATCH_RETURN()

STDMETHODIMP BrowserControlImpl::PressKey(LONG virtualKey) {
  BrowserStandin* newest = NewestBrowser();
  if (!newest) return RaiseError(E_UNEXPECTED, L"No browser is alive", kControlSource);
  HWND target = newest->FocusWindow();
  if (!target || !::PostMessageW(target, WM_KEYDOWN, static_cast<WPARAM>(virtualKey), 1))
    return RaiseError(E_UNEXPECTED, L"No window takes the key", kControlSource);
  return S_OK;
}

STDMETHODIMP BrowserControlImpl::get_BrowserCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(BrowserRecord().live.size());
  return S_OK;
}

}  // namespace standins
