#include "xmlstructure.h"

#include <gtest/gtest.h>

namespace wqtest {

using plat::com_ptr;
using plat::unique_bstr;

com_ptr<IXMLDOMDocument> LoadXml(const wchar_t* xml) {
  com_ptr<IXMLDOMDocument> document;
  if (FAILED(CoCreateInstance(__uuidof(DOMDocument60), nullptr, CLSCTX_INPROC_SERVER,
                              __uuidof(IXMLDOMDocument), document.put_void())))
    return {};
  VARIANT_BOOL ok = VARIANT_FALSE;
  document->loadXML(unique_bstr::copy(xml).get(), &ok);
  if (ok != VARIANT_TRUE) return {};
  return document;
}

std::wstring NodeStructure(IXMLDOMNode* node) {
  DOMNodeType type = NODE_INVALID;
  node->get_nodeType(&type);
  if (type == NODE_TEXT || type == NODE_CDATA_SECTION) {
    unique_bstr text;
    node->get_text(text.put());
    return L"'" + std::wstring(text.c_str()) + L"'";
  }
  unique_bstr name;
  node->get_nodeName(name.put());
  std::wstring out = name.c_str();
  com_ptr<IXMLDOMNamedNodeMap> attributes;
  long count = 0;
  if (SUCCEEDED(node->get_attributes(attributes.put())) && attributes &&
      SUCCEEDED(attributes->get_length(&count)) && count > 0) {
    out += L"[";
    for (long i = 0; i < count; ++i) {
      com_ptr<IXMLDOMNode> attribute;
      attributes->get_item(i, attribute.put());
      unique_bstr attributeName, value;
      attribute->get_nodeName(attributeName.put());
      attribute->get_text(value.put());
      if (i) out += L",";
      out += std::wstring(attributeName.c_str()) + L"=" + value.c_str();
    }
    out += L"]";
  }
  com_ptr<IXMLDOMNodeList> children;
  node->get_childNodes(children.put());
  long length = 0;
  if (children) children->get_length(&length);
  std::wstring inner;
  for (long i = 0; i < length; ++i) {
    com_ptr<IXMLDOMNode> child;
    children->get_item(i, child.put());
    DOMNodeType childType = NODE_INVALID;
    child->get_nodeType(&childType);
    if (childType == NODE_TEXT) {
      unique_bstr text;
      child->get_text(text.put());
      if (std::wstring(text.c_str()).find_first_not_of(L" \t\r\n") == std::wstring::npos) continue;
    } else if (childType != NODE_ELEMENT && childType != NODE_CDATA_SECTION) {
      continue;
    }
    if (!inner.empty()) inner += L",";
    inner += NodeStructure(child.get());
  }
  if (!inner.empty()) out += L"(" + inner + L")";
  return out;
}

std::wstring XmlStructure(const wchar_t* xml) {
  com_ptr<IXMLDOMDocument> document;
  if (FAILED(CoCreateInstance(__uuidof(DOMDocument60), nullptr, CLSCTX_INPROC_SERVER,
                              __uuidof(IXMLDOMDocument), document.put_void())))
    return L"<no DOM document>";
  VARIANT_BOOL ok = VARIANT_FALSE;
  document->loadXML(unique_bstr::copy(xml).get(), &ok);
  if (ok != VARIANT_TRUE) {
    com_ptr<IXMLDOMParseError> error;
    unique_bstr reason;
    document->get_parseError(error.put());
    if (error) error->get_reason(reason.put());
    return L"<parse error: " + std::wstring(reason.c_str()) + L">";
  }
  com_ptr<IXMLDOMElement> root;
  document->get_documentElement(root.put());
  return NodeStructure(root.get());
}

}  // namespace wqtest
