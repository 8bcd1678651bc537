#include "wqckbdialogrequest.h"

#include <wqcomexception.h>

#include "workspace/requesttext.h"

STDMETHODIMP WQCKBDialogRequest::get_OID(long* pOID) {
  WQ_BARE_METHOD();
  if (!pOID) return E_POINTER;
  *pOID = runner_.GetOID();
  return S_OK;
}

STDMETHODIMP WQCKBDialogRequest::RunDialog(IDispatch* pWorkspace, LONGLONG lParentHWnd) {
  if (!initialised_) {
    WQComException error;
    error.EnterMethod(L"WQCKBDialogRequest::RunDialog", 0);
    error.SetErrorHr(E_UNEXPECTED, L"There is no dialog to run: Initialise gives it");
    return error.ReturnHResult();
  }
  return runner_.RunDialog(pWorkspace, lParentHWnd);
}

STDMETHODIMP WQCKBDialogRequest::Initialise(BSTR strXML, long lOID) try {
  WQ_BARE_METHOD();
  PLAT_RETURN_IF_FAILED(RefuseNulTexts(L"WQCKBDialogRequest::Initialise", {{L"strXML", strXML}}));
  runner_.Initialise(strXML, lOID);
  initialised_ = true;
  return S_OK;
}
PLAT_CATCH_RETURN()
