#include "saxstricthandler.h"

HRESULT StrictSAXSchemaElementHandler::RefuseChild(ULONG id) {
  WQComException error;
  error.SetErrorHr(E_INVALIDARG, L"Unexpected child element (id %lu)", id);
  return error.ReturnHResult();
}

HRESULT StrictSAXSchemaElementHandler::RefuseAttribute(ULONG id) {
  WQComException error;
  error.SetErrorHr(E_INVALIDARG, L"Unexpected attribute (id %lu)", id);
  return error.ReturnHResult();
}
