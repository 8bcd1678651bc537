// Small DOM helpers of the KB scripting code over MSXML 6.
#pragma once

#include <handles.h>
#include <wqmsxml.h>

// A new MSXML document of class `clsid` (any context), as IXMLDOMDocument.
HRESULT CreateDomDocument(REFCLSID clsid, plat::com_ptr<IXMLDOMDocument>& document) noexcept;

// The document's parse error as one text ("reason (line l, position p): source"),
// traced as information; empty when the document reports none.
plat::unique_bstr ReadParseError(IXMLDOMDocument* document);

// The value of the node `xpath` selects under `context` (S_FALSE and VT_EMPTY when no
// node is selected).
HRESULT SelectNodeValue(IXMLDOMNode* context, const wchar_t* xpath, VARIANT* value);
