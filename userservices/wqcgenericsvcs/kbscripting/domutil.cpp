#include "domutil.h"

#include <wqtrace.h>
#include <wqxmlsecurity.h>

#include <cstdio>

using plat::com_ptr;
using plat::unique_bstr;

HRESULT CreateDomDocument(REFCLSID clsid, com_ptr<IXMLDOMDocument>& document) noexcept {
  com_ptr<IXMLDOMDocument> created;
  PLAT_RETURN_IF_FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, __uuidof(IXMLDOMDocument),
                                           created.put_void()));
  PLAT_RETURN_IF_FAILED(WQSecureDOMDocument(created.get()));
  document = std::move(created);
  return S_OK;
}

HRESULT LoadXMLText(IXMLDOMDocument* document, const wchar_t* xml, VARIANT_BOOL* loaded) noexcept
    try {
  *loaded = VARIANT_FALSE;
  if (WQDeclaresDocumentType(xml)) return WQ_E_DOCUMENTTYPE;
  return document->loadXML(unique_bstr::copy(xml ? xml : L"").get(), loaded);
}
PLAT_CATCH_RETURN()

HRESULT LoadXMLLocation(IXMLDOMDocument* document, BSTR location, VARIANT_BOOL* loaded) noexcept {
  *loaded = VARIANT_FALSE;
  VARIANT where;
  V_VT(&where) = VT_BSTR;
  V_BSTR(&where) = location;
  PLAT_RETURN_IF_FAILED(document->load(where, loaded));
  com_ptr<IXMLDOMDocumentType> documentType;
  if (*loaded == VARIANT_TRUE && SUCCEEDED(document->get_doctype(documentType.put())) &&
      documentType) {
    *loaded = VARIANT_FALSE;
    return WQ_E_DOCUMENTTYPE;
  }
  return S_OK;
}

unique_bstr ReadParseError(IXMLDOMDocument* document) {
  com_ptr<IXMLDOMParseError> error;
  if (!document || FAILED(document->get_parseError(error.put())) || !error) return {};
  unique_bstr reason, source;
  long line = 0, position = 0;
  error->get_reason(reason.put());
  error->get_srcText(source.put());
  error->get_line(&line);
  error->get_linepos(&position);
  if (!reason) return {};
  const int length = _scwprintf(L"%ls (line %ld, position %ld): %ls", reason.c_str(), line,
                                position, source.c_str());
  if (length < 0) return {};
  unique_bstr text = unique_bstr::copy(nullptr, static_cast<UINT>(length));
  _snwprintf(text.get(), length + 1, L"%ls (line %ld, position %ld): %ls", reason.c_str(), line,
             position, source.c_str());
  TraceInfo(1, text.get());
  return text;
}

HRESULT SelectNodeValue(IXMLDOMNode* context, const wchar_t* xpath, VARIANT* value) {
  ::VariantClear(value);
  com_ptr<IXMLDOMNode> node;
  const HRESULT hr = context->selectSingleNode(unique_bstr::copy(xpath).get(), node.put());
  if (FAILED(hr)) return hr;
  if (!node) return S_FALSE;
  return node->get_nodeValue(value);
}
