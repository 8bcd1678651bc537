// XML compared by structure: MSXML implementations differ in how they indent and
// quote, so tests render a text as elements, attributes in document order and text.
#pragma once

#include <handles.h>
#include <wqmsxml.h>

#include <string>

namespace wqtest {

// name[a=1,b=2](child,'text',...); whitespace-only text is left out. A text that does
// not parse gives "<parse error: reason>".
std::wstring XmlStructure(const wchar_t* xml);
std::wstring NodeStructure(IXMLDOMNode* node);

// A fresh DOMDocument60 holding `xml`, or null when it does not parse.
plat::com_ptr<IXMLDOMDocument> LoadXml(const wchar_t* xml);

}  // namespace wqtest
