#include "domutil.h"

#include <wqtrace.h>

#include <cstdio>

using plat::com_ptr;
using plat::unique_bstr;

HRESULT CreateDomDocument(REFCLSID clsid, com_ptr<IXMLDOMDocument>& document) noexcept {
  return ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, __uuidof(IXMLDOMDocument),
                            document.put_void());
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
  _snwprintf(text.get(), length + 1, L"%ls (line %ld, position %ld): %ls", reason.c_str(),
             line, position, source.c_str());
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
