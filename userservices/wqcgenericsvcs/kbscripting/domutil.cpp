#include "domutil.h"

#include <wqtrace.h>
#include <wqxmlsecurity.h>

#include <cstdio>
#include <string>

using plat::com_ptr;
using plat::unique_bstr;

namespace {

std::wstring Trimmed(const wchar_t* text) {
  std::wstring trimmed(text ? text : L"");
  const size_t end = trimmed.find_last_not_of(L" \t\r\n");
  trimmed.erase(end == std::wstring::npos ? 0 : end + 1);
  const size_t start = trimmed.find_first_not_of(L" \t\r\n");
  trimmed.erase(0, start == std::wstring::npos ? trimmed.size() : start);
  return trimmed;
}

}  // namespace

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
  // Each part only when the reader gave it: some readers give no place and no text, and
  // "(line 0, position 0): " would tell a reader nothing.
  std::wstring text = Trimmed(reason.c_str());
  if (line > 0) {
    wchar_t place[64];
    _snwprintf(place, 64, L" (line %ld, position %ld)", line, position);
    place[63] = L'\0';
    text += place;
  }
  const std::wstring quoted = Trimmed(source.c_str());
  if (!quoted.empty()) text += L": " + quoted;
  if (text.empty()) return {};
  TraceInfo(1, text.c_str());
  return unique_bstr::copy(text.c_str(), static_cast<UINT>(text.size()));
}

HRESULT SelectNodeValue(IXMLDOMNode* context, const wchar_t* xpath, VARIANT* value) {
  ::VariantClear(value);
  com_ptr<IXMLDOMNode> node;
  const HRESULT hr = context->selectSingleNode(unique_bstr::copy(xpath).get(), node.put());
  if (FAILED(hr)) return hr;
  if (!node) return S_FALSE;
  return node->get_nodeValue(value);
}
