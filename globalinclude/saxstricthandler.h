// The base of reply handlers that take only what their format allows: every child
// element, simple child value and attribute is refused with E_INVALIDARG and a message
// naming its id, to which the parser adds the element and its position. A handler
// overrides the operations for what it does take.
#pragma once

#include "saxschemaparser.h"

class StrictSAXSchemaElementHandler : public DefaultSAXSchemaElementHandler {
 public:
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler**) override { return RefuseChild(id); }
  HRESULT SetChildValue(ULONG id, const SAXSchemaValue&) override { return RefuseChild(id); }
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue&) override { return RefuseAttribute(id); }

  static HRESULT RefuseChild(ULONG id);
  static HRESULT RefuseAttribute(ULONG id);
};
