#include "wqcunclaimdlg.h"

#include <variantutil.h>
#include <wqcomexception.h>

#include "claimsupport.h"
#include "dialogobject.h"
#include "unclaimdlg.h"
#include "unclaimreportparser.h"
#include "workspace/dataservicerequest.h"

namespace {

constexpr wchar_t kNotInitialized[] = L"WQCUnClaimDlg interface not initialized";
constexpr int kTraceLevel = 1;

// A request whose whole input is the object's number; the reply is read when asked for.
void SendObjectId(WQComException& error, IDispatch* workspace, const wchar_t* method, long oid,
                  BSTR* reply) {
  DataServiceRequest request;
  WQThrowIfFailed(error, request.Prepare(workspace, kServerProgId, method));
  WQThrowIfFailed(error, request.PutInput(std::to_wstring(oid).c_str()));
  WQThrowIfFailed(error, request.Execute());
  if (reply) WQThrowIfFailed(error, request.GetResponse(reply));
}

}  // namespace

STDMETHODIMP WQCUnClaimDlg::Initialize(IDispatch* pWorkspace, long iOID,
                                       VARIANT_BOOL* pbShowDialog) {
  WQ_METHOD_BEGIN(error, L"WQCUnClaimDlg::Initialize", kTraceLevel)
  error.CheckPointer(pbShowDialog);
  *pbShowDialog = VARIANT_TRUE;
  wqc::RequireWorkspace(error, pWorkspace);
  plat::unique_bstr reply;
  SendObjectId(error, pWorkspace, L"UnClaimObjectReport", iOID, reply.put());
  UnClaimObjectReportParser parser;
  WQThrowIfFailed(error, parser.ParseString(reply.get()));

  // The report belongs to this object: one that breaks off, or an earlier object's, is
  // never shown for it.
  UnClaimReport& report = parser.Result();
  name_.swap(report.Name);
  report_.swap(report.Report);
  claimSetting_ = report.ClaimSetting;
  oid_ = iOID;
  initialized_ = true;
  if (claimSetting_ == 0) *pbShowDialog = VARIANT_FALSE;
  WQ_METHOD_END(error)
}

STDMETHODIMP WQCUnClaimDlg::ShowDialog(LONGLONG lParentHWnd, VARIANT_BOOL* pbDialogOK) {
  WQ_METHOD_BEGIN(error, L"WQCUnClaimDlg::ShowDialog", kTraceLevel)
  error.CheckPointer(pbDialogOK);
  *pbDialogOK = VARIANT_FALSE;
  if (!initialized_) error.ThrowHrAt(WQ_HERE, E_FAIL, kNotInitialized);
  CUnClaimDlg dialog(name_, report_);
  if (wqc::RunModalDialog(error, dialog, wqc::ParentWindow(lParentHWnd)))
    *pbDialogOK = VARIANT_TRUE;
  WQ_METHOD_END(error)
}

STDMETHODIMP WQCUnClaimDlg::UnClaimObject(IDispatch* pWorkspace, VARIANT vOID) {
  WQ_METHOD_BEGIN(error, L"WQCUnClaimDlg::UnClaimObject", kTraceLevel)
  wqc::RequireWorkspace(error, pWorkspace);
  const long oid =
      wqc::ObjectIdOrFallback(error, vOID, initialized_ ? &oid_ : nullptr, kNotInitialized);
  SendObjectId(error, pWorkspace, L"UnClaimObject", oid, nullptr);
  WQ_METHOD_END(error)
}
