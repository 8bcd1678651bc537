#include "pageobjects.h"

#include <wqmsxml.h>

#include <vector>

#include "scripthost.h"

namespace standins {

using plat::com_ptr;

namespace {

std::wstring DecodeStream(const std::vector<BYTE>& bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    // The text may come with its terminator.
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
  }
  size_t start =
      bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
  const int length =
      ::MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes.data() + start),
                            static_cast<int>(bytes.size() - start), nullptr, 0);
  std::wstring text(length, L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes.data() + start),
                        static_cast<int>(bytes.size() - start), text.data(), length);
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

}  // namespace

// ---------------------------------------------------------------- context

PageContext::PageContext() : page(std::make_shared<HtmlPage>(L"")) {}

PageContext::~PageContext() {
  if (scripts) scripts->Close();
}

com_ptr<IDispatch> PageContext::ElementObject(HtmlNode* element) {
  if (!element) return {};
  return com_ptr<IDispatch>(plat::make<PageElement>(shared_from_this(), element).get());
}

HRESULT PageContext::Click(HtmlNode& element) {
  // The page may be replaced or the browser let go while the handler runs.
  const std::shared_ptr<HtmlPage> keep = page;
  focused = &element;
  if (element.tag == L"input") {
    const std::wstring type = Lower(element.AttributeOr(L"type"));
    if (type == L"checkbox") page->SetChecked(element, !element.checked);
    if (type == L"radio") page->SetChecked(element, true);
  }
  HRESULT hr = S_OK;
  if (const std::wstring* onclick = element.Attribute(L"onclick"); onclick && scripts)
    hr = scripts->RunHandler(keep->FirstScriptLanguage(), *onclick);
  if (element.tag == L"a" && host) host->FollowLink(element.AttributeOr(L"href"));
  return hr;
}

// ---------------------------------------------------------------- window

enum WindowMember : DISPID { kWinDocument = 1, kWinExternal, kWinAlert, kWinWindow };
const PageMember PageWindow::kMembers[5] = {{L"document", kWinDocument},
                                            {L"external", kWinExternal},
                                            {L"alert", kWinAlert},
                                            {L"window", kWinWindow},
                                            {L"self", kWinWindow}};

HRESULT PageWindow::InvokeMember(DISPID id, const PageArgs& args, VARIANT* result) {
  switch (id) {
    case kWinDocument: return ResultObject(result, context_->document);
    case kWinExternal: {
      if (!context_->host) return E_UNEXPECTED;
      return ResultObject(result, context_->host->GetExternal().get());
    }
    case kWinAlert: {
      std::wstring text;
      if (args.Count() > 0) PLAT_RETURN_IF_FAILED(args.Text(0, text));
      if (context_->host) context_->host->ShowMessage(text);
      return S_OK;
    }
    case kWinWindow: return ResultObject(result, this);
  }
  return DISP_E_MEMBERNOTFOUND;
}

// ---------------------------------------------------------------- document

enum DocumentMember : DISPID {
  kDocAll = 1,
  kDocBody,
  kDocTitle,
  kDocGetElementById,
  kDocScript,
  kDocParentWindow,
  kDocReadyState,
  kDocActiveElement
};
const PageMember PageDocument::kMembers[8] = {{L"all", kDocAll},
                                              {L"body", kDocBody},
                                              {L"title", kDocTitle},
                                              {L"getElementById", kDocGetElementById},
                                              {L"Script", kDocScript},
                                              {L"parentWindow", kDocParentWindow},
                                              {L"readyState", kDocReadyState},
                                              {L"activeElement", kDocActiveElement}};

PageDocument::PageDocument(PageHost* host) : context_(std::make_shared<PageContext>()) {
  context_->host = host;
  context_->document = this;
}

PageDocument::~PageDocument() {
  Detach();
  context_->document = nullptr;
}

void PageDocument::Detach() {
  context_->host = nullptr;
  if (context_->scripts) context_->scripts->Close();
}

HRESULT PageDocument::InvokeMember(DISPID id, const PageArgs& args, VARIANT* result) {
  HtmlPage& page = *context_->page;
  switch (id) {
    case kDocAll:
      return ResultObject(result, plat::make<PageCollection>(context_, page.Elements()).get());
    case kDocBody: {
      for (HtmlNode* element : page.Elements())
        if (element->tag == L"body")
          return ResultObject(result, context_->ElementObject(element).get());
      return ResultObject(result, nullptr);
    }
    case kDocTitle: return ResultText(result, page.Title());
    case kDocGetElementById: {
      std::wstring elementId;
      PLAT_RETURN_IF_FAILED(args.Text(0, elementId));
      return ResultObject(result, context_->ElementObject(page.ElementById(elementId)).get());
    }
    case kDocScript: return ResultObject(result, plat::make<PageScriptObject>(context_).get());
    case kDocParentWindow: return ResultObject(result, plat::make<PageWindow>(context_).get());
    case kDocReadyState: return ResultText(result, L"complete");
    case kDocActiveElement:
      return ResultObject(result, context_->ElementObject(context_->focused).get());
  }
  return DISP_E_MEMBERNOTFOUND;
}

STDMETHODIMP PageDocument::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = CLSID_NULL;
  return S_OK;
}

STDMETHODIMP PageDocument::InitNew() try {
  if (context_->host) context_->host->Record(L"InitNew()");
  Show(L"", false);
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP PageDocument::Load(IStream* stream) try {
  if (!stream) return E_POINTER;
  std::vector<BYTE> bytes;
  BYTE buffer[4096];
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0)
    bytes.insert(bytes.end(), buffer, buffer + read);
  const bool utf16 = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  if (context_->host)
    context_->host->Record(L"Load(" + std::to_wstring(bytes.size()) + L" bytes" +
                           (utf16 ? L", UTF-16" : L"") + L")");
  Show(DecodeStream(bytes), true);
  return S_OK;
}
PLAT_CATCH_RETURN()

void PageDocument::Show(const std::wstring& source, bool fromStream) {
  if (context_->scripts) context_->scripts->Close();
  context_->scripts.reset();
  context_->focused = nullptr;
  context_->page = std::make_shared<HtmlPage>(source);
  context_->loadedFromStream = fromStream;
  if (!fromStream) return;
  // Scripts run as the page is read, in document order.
  context_->scripts = std::make_unique<PageScripts>(
      *context_, com_ptr<IDispatch>(plat::make<PageWindow>(context_).get()));
  for (HtmlNode* element : context_->page->Elements())
    if (element->tag == L"script")
      context_->scripts->Run(element->AttributeOr(L"language", L"JScript"), element->text);
  if (context_->host) context_->host->OnPageLoaded(context_->page->Title());
}

// ---------------------------------------------------------------- elements

enum ElementMember : DISPID {
  kElTagName = 1,
  kElId,
  kElType,
  kElValue,
  kElChecked,
  kElSelectedIndex,
  kElLength,
  kElOptions,
  kElItem,
  kElGetAttribute,
  kElSetAttribute,
  kElInnerText,
  kElText,
  kElName,
  kElHref,
  kElDisabled,
  kElOffsetLeft,
  kElOffsetTop,
  kElOffsetWidth,
  kElOffsetHeight,
  kElXmlDocument,
  kElClick,
  kElFocus,
  kElTitle
};
const PageMember PageElement::kMembers[24] = {{L"tagName", kElTagName},
                                              {L"id", kElId},
                                              {L"type", kElType},
                                              {L"value", kElValue},
                                              {L"checked", kElChecked},
                                              {L"selectedIndex", kElSelectedIndex},
                                              {L"length", kElLength},
                                              {L"options", kElOptions},
                                              {L"item", kElItem},
                                              {L"getAttribute", kElGetAttribute},
                                              {L"setAttribute", kElSetAttribute},
                                              {L"innerText", kElInnerText},
                                              {L"text", kElText},
                                              {L"name", kElName},
                                              {L"href", kElHref},
                                              {L"disabled", kElDisabled},
                                              {L"offsetLeft", kElOffsetLeft},
                                              {L"offsetTop", kElOffsetTop},
                                              {L"offsetWidth", kElOffsetWidth},
                                              {L"offsetHeight", kElOffsetHeight},
                                              {L"XMLDocument", kElXmlDocument},
                                              {L"click", kElClick},
                                              {L"focus", kElFocus},
                                              {L"title", kElTitle}};

HRESULT PageElement::Value(VARIANT* result) {
  HtmlNode& node = *node_;
  if (node.tag == L"input") return ResultText(result, node.value);
  if (node.tag == L"select") {
    const std::vector<HtmlNode*> options = page_->Options(node);
    if (node.selectedIndex < 0 || static_cast<size_t>(node.selectedIndex) >= options.size())
      return ResultText(result, L"");
    const HtmlNode& option = *options[node.selectedIndex];
    return ResultText(result, option.Attribute(L"value") ? *option.Attribute(L"value")
                                                         : HtmlPage::InnerText(option));
  }
  if (node.tag == L"option")
    return ResultText(
        result, node.Attribute(L"value") ? *node.Attribute(L"value") : HtmlPage::InnerText(node));
  return ResultText(result, node.AttributeOr(L"value"));
}

HRESULT PageElement::XmlDocument(VARIANT* result) {
  if (node_->tag != L"xml") return ResultObject(result, nullptr);
  // The island's content is an XML document of its own, as the browser gives it.
  com_ptr<IXMLDOMDocument> island;
  PLAT_RETURN_IF_FAILED(::CoCreateInstance(__uuidof(DOMDocument60), nullptr, CLSCTX_INPROC_SERVER,
                                           __uuidof(IXMLDOMDocument), island.put_void()));
  VARIANT_BOOL loaded = VARIANT_FALSE;
  BSTR text = ::SysAllocStringLen(node_->text.data(), static_cast<UINT>(node_->text.size()));
  island->loadXML(text, &loaded);
  ::SysFreeString(text);
  com_ptr<IDispatch> object;
  PLAT_RETURN_IF_FAILED(island.query_to(object));
  return ResultObject(result, object.get());
}

HRESULT PageElement::InvokeMember(DISPID id, const PageArgs& args, VARIANT* result) {
  HtmlNode& node = *node_;
  switch (id) {
    case kElTagName:
      return ResultText(result, [&] {
        std::wstring upper = node.tag;
        for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
        return upper;
      }());
    case kElId: return ResultText(result, node.AttributeOr(L"id"));
    case kElType:
      if (node.tag == L"select") return ResultText(result, L"select-one");
      return ResultText(result, Lower(node.AttributeOr(L"type", L"text")));
    case kElValue:
      if (args.IsPut()) {
        std::wstring text;
        PLAT_RETURN_IF_FAILED(args.Text(0, text));
        if (node.tag == L"input")
          node.value = text;
        else
          node.SetAttribute(L"value", text);
        return S_OK;
      }
      return Value(result);
    case kElChecked:
      if (args.IsPut()) {
        bool checked = false;
        PLAT_RETURN_IF_FAILED(args.Bool(0, checked));
        page_->SetChecked(node, checked);
        return S_OK;
      }
      return ResultBool(result, node.checked);
    case kElSelectedIndex:
      if (args.IsPut()) {
        long index = 0;
        PLAT_RETURN_IF_FAILED(args.Long(0, index));
        const long count = static_cast<long>(page_->Options(node).size());
        node.selectedIndex = index >= 0 && index < count ? index : -1;
        return S_OK;
      }
      return ResultLong(result, node.selectedIndex);
    case kElLength: return ResultLong(result, static_cast<long>(page_->Options(node).size()));
    case kElOptions:
      return ResultObject(result, plat::make<PageCollection>(context_, page_->Options(node)).get());
    case kElItem: {
      long index = 0;
      PLAT_RETURN_IF_FAILED(args.Long(0, index));
      const std::vector<HtmlNode*> options = page_->Options(node);
      if (index < 0 || static_cast<size_t>(index) >= options.size())
        return ResultObject(result, nullptr);
      return ResultObject(result, context_->ElementObject(options[index]).get());
    }
    case kElGetAttribute: {
      std::wstring name;
      PLAT_RETURN_IF_FAILED(args.Text(0, name));
      if (node.tag == L"input" && Lower(name) == L"value") return Value(result);
      const std::wstring* value = node.Attribute(name.c_str());
      if (!value) {
        V_VT(result) = VT_NULL;
        return S_OK;
      }
      return ResultText(result, *value);
    }
    case kElSetAttribute: {
      std::wstring name, value;
      PLAT_RETURN_IF_FAILED(args.Text(0, name));
      PLAT_RETURN_IF_FAILED(args.Text(1, value));
      node.SetAttribute(name, value);
      return S_OK;
    }
    case kElInnerText:
    case kElText: return ResultText(result, HtmlPage::InnerText(node));
    case kElName: return ResultText(result, node.AttributeOr(L"name"));
    case kElHref: return ResultText(result, node.AttributeOr(L"href"));
    case kElDisabled: return ResultBool(result, node.Attribute(L"disabled") != nullptr);
    case kElOffsetLeft: return ResultLong(result, page_->Layout(node).left);
    case kElOffsetTop: return ResultLong(result, page_->Layout(node).top);
    case kElOffsetWidth: return ResultLong(result, page_->Layout(node).width);
    case kElOffsetHeight: return ResultLong(result, page_->Layout(node).height);
    case kElXmlDocument: return XmlDocument(result);
    case kElClick: return context_->Click(node);
    case kElFocus: context_->focused = &node; return S_OK;
    case kElTitle: return ResultText(result, node.AttributeOr(L"title"));
  }
  return DISP_E_MEMBERNOTFOUND;
}

// ---------------------------------------------------------------- collections

enum CollectionMember : DISPID { kColLength = 1, kColItem, kColTags };
const PageMember PageCollection::kMembers[4] = {
    {L"length", kColLength}, {L"item", kColItem}, {L"tags", kColTags}, {L"namedItem", kColItem}};

HRESULT PageCollection::InvokeMember(DISPID id, const PageArgs& args, VARIANT* result) {
  switch (id) {
    case kColLength: return ResultLong(result, static_cast<long>(elements_.size()));
    case DISPID_VALUE:
    case kColItem: {
      const VARIANT* which = args.At(0);
      if (!which) return DISP_E_BADPARAMCOUNT;
      if (V_VT(which) == VT_BSTR) {
        for (HtmlNode* element : elements_)
          if (element->AttributeOr(L"id") == V_BSTR(which) ||
              element->AttributeOr(L"name") == V_BSTR(which))
            return ResultObject(result, context_->ElementObject(element).get());
        return ResultObject(result, nullptr);
      }
      long index = 0;
      PLAT_RETURN_IF_FAILED(args.Long(0, index));
      if (index < 0 || static_cast<size_t>(index) >= elements_.size())
        return ResultObject(result, nullptr);
      return ResultObject(result, context_->ElementObject(elements_[index]).get());
    }
    case kColTags: {
      std::wstring tag;
      PLAT_RETURN_IF_FAILED(args.Text(0, tag));
      tag = Lower(tag);
      std::vector<HtmlNode*> matching;
      for (HtmlNode* element : elements_)
        if (element->tag == tag) matching.push_back(element);
      return ResultObject(result, plat::make<PageCollection>(context_, std::move(matching)).get());
    }
  }
  return DISP_E_MEMBERNOTFOUND;
}

// ---------------------------------------------------------------- script object

STDMETHODIMP PageScriptObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP PageScriptObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP PageScriptObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                             DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (count == 0) return S_OK;
  if (!context_->scripts) return DISP_E_UNKNOWNNAME;
  return context_->scripts->GetIdOfName(names[0], &ids[0]);
}

STDMETHODIMP PageScriptObject::Invoke(DISPID member, REFIID, LCID lcid, WORD flags,
                                      DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                                      UINT* argErr) {
  if (!context_->scripts) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  return context_->scripts->Invoke(member, lcid, flags, params ? params : &none, result, excepInfo,
                                   argErr);
}

}  // namespace standins
