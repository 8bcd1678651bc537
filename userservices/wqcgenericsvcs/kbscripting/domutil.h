// Small DOM helpers of the KB scripting code over MSXML 6.
#pragma once

#include <handles.h>
#include <wqmsxml.h>

// A new MSXML document of class `clsid` (any context), as IXMLDOMDocument, with the
// module's protection set (no document type declarations, nothing resolved outside).
HRESULT CreateDomDocument(REFCLSID clsid, plat::com_ptr<IXMLDOMDocument>& document) noexcept;

// What loading a text with a document type declaration gives.
constexpr HRESULT WQ_E_DOCUMENTTYPE = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

// Loads `xml` into `document`; a text that declares a document type is refused with
// WQ_E_DOCUMENTTYPE before the parser sees it, whatever the parser makes of ProhibitDTD.
HRESULT LoadXMLText(IXMLDOMDocument* document, const wchar_t* xml, VARIANT_BOOL* loaded) noexcept;
// Loads the document at `location`; one that declares a document type is refused with
// WQ_E_DOCUMENTTYPE (where the parser ignores ProhibitDTD it leaves its entities unexpanded
// while loading).
HRESULT LoadXMLLocation(IXMLDOMDocument* document, BSTR location, VARIANT_BOOL* loaded) noexcept;

// The document's parse error as one text ("reason (line l, position p): source", each part
// only when the reader gives it), traced as information; empty when it reports none.
plat::unique_bstr ReadParseError(IXMLDOMDocument* document);

// The value of the node `xpath` selects under `context` (S_FALSE and VT_EMPTY when no
// node is selected).
HRESULT SelectNodeValue(IXMLDOMNode* context, const wchar_t* xpath, VARIANT* value);
