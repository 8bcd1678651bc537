// The protection the module sets on every MSXML reader and document it creates instead of
// relying on the parser's defaults: no document type declarations (so no entity of a
// reply is ever expanded) and nothing resolved from outside the reply.
#pragma once

#include "wqmsxml.h"

HRESULT WQSecureSAXReader(ISAXXMLReader* reader) noexcept;
HRESULT WQSecureDOMDocument(IXMLDOMDocument* document) noexcept;

// Whether the prolog of `xml` (after its declaration, comments, processing instructions
// and white space) holds a document type declaration. Some parsers ignore ProhibitDTD,
// so texts the module loads itself are refused on this before a parser sees them.
bool WQDeclaresDocumentType(const wchar_t* xml) noexcept;
