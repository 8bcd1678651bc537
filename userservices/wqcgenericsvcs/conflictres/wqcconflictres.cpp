#include "wqcconflictres.h"

#include <wqcomexception.h>

#include "conflictresdlg.h"
#include "modifieddocsdlg.h"
#include "workspace/dataservicerequest.h"

namespace {

constexpr int kTraceLevel = 1;

void ThrowUnlessModelKnown(WQComException& error, bool initialised, bool modelUnknown) {
  if (!initialised)
    error.ThrowHrAt(WQ_HERE, E_FAIL, L"ConflictResolution interface not initialized");
  if (modelUnknown)
    error.ThrowHrAt(WQ_HERE, E_FAIL,
                    L"The server's reply to the applied resolutions could not be read: the "
                    L"project's conflicts are not known until Initialize reads them again");
}

// The out-value starts as VARIANT_FALSE; an empty message keeps Desc out of the error.
void ClearResult(WQComException& error, VARIANT_BOOL* result) {
  error.CheckPointer(result, L"");
  *result = VARIANT_FALSE;
}

bool AnyConflictsOrUpdates(const CProjectUpdates& model) {
  for (int k = 0; k < kProjectItemKindCount; ++k) {
    const auto kind = static_cast<ProjectItemKind>(k);
    if (model.Conflicts(kind).GetCount() || model.Updates(kind).GetCount()) return true;
  }
  return false;
}

}  // namespace

STDMETHODIMP WQCConflictResolution::Initialize(IDispatch* pWorkspace) {
  WQ_METHOD_BEGIN(error, L"WQCConflictResolution::Initialize", kTraceLevel)
  // Until this read succeeds nothing of an earlier project may remain: its resolutions
  // would otherwise go to the new workspace.
  m_bInitialised = false;
  m_bModelUnknown = false;
  m_spWorkspace.reset();
  m_updates.Clear();
  plat::com_ptr<IWQWorkspace> workspace;
  if (FAILED(QueryWorkspace(pWorkspace, workspace))) error.ThrowHrAt(WQ_HERE, E_INVALIDARG);

  DataServiceRequest request;
  error = request.Prepare(workspace.get(), L"System.AdminServices", L"UpdateProject");
  if (error.Failed()) error.ThrowAt(WQ_HERE, L"Failed to create data service call object");
  // A failed step keeps the call object's own error text as its message.
  auto check = [&error](HRESULT hr) { WQThrowIfFailed(error, hr); };
  check(request.StartDocument());
  check(request.StartElement(L"UpdateProject"));
  check(request.Attribute(L"Initialise", 1L));
  check(request.EndElement(L"UpdateProject"));
  check(request.Execute());
  plat::unique_bstr reply;
  check(request.GetResponse(reply.put()));

  error = m_updates.Parse(reply.get());
  if (error.Failed()) {
    m_updates.Clear();
    error.ThrowAt(WQ_HERE, L"Failed to parse Project Update");
  }
  m_spWorkspace = std::move(workspace);
  m_bInitialised = true;
  WQ_METHOD_END(error)
}

STDMETHODIMP WQCConflictResolution::ConflictsExist(VARIANT_BOOL* pbExist) {
  WQ_METHOD_BEGIN(error, L"WQCConflictResolution::ConflictsExist", kTraceLevel)
  ClearResult(error, pbExist);
  ThrowUnlessModelKnown(error, m_bInitialised, m_bModelUnknown);
  if (AnyConflictsOrUpdates(m_updates)) *pbExist = VARIANT_TRUE;
  WQ_METHOD_END(error)
}

STDMETHODIMP WQCConflictResolution::ModifiedDocumentsExist(VARIANT_BOOL* pbExist) {
  WQ_METHOD_BEGIN(error, L"WQCConflictResolution::ModifiedDocumentsExist", kTraceLevel)
  ClearResult(error, pbExist);
  ThrowUnlessModelKnown(error, m_bInitialised, m_bModelUnknown);
  if (m_updates.Modifications().GetCount()) *pbExist = VARIANT_TRUE;
  WQ_METHOD_END(error)
}

STDMETHODIMP WQCConflictResolution::Show(LONGLONG lParentHWnd, VARIANT_BOOL* pbDialogOK) {
  return ShowDialog<CConflictResDlg>(L"WQCConflictResolution::Show", L"conflict resolution",
                                     lParentHWnd, pbDialogOK);
}

STDMETHODIMP WQCConflictResolution::ShowModifiedDocuments(LONGLONG lParentHWnd,
                                                          VARIANT_BOOL* pbDialogOK) {
  return ShowDialog<CModifiedDocsDlg>(L"WQCConflictResolution::ShowModifiedDocuments",
                                      L"modified documents", lParentHWnd, pbDialogOK);
}

template <class Dialog>
HRESULT WQCConflictResolution::ShowDialog(const wchar_t* method, const wchar_t* what,
                                          LONGLONG parent, VARIANT_BOOL* dialogOK) {
  WQ_METHOD_BEGIN(error, method, kTraceLevel)
  ClearResult(error, dialogOK);
  ThrowUnlessModelKnown(error, m_bInitialised, m_bModelUnknown);
  Dialog dialog(&m_updates, m_spWorkspace.get());
  const INT_PTR result =
      dialog.DoModal(parent ? reinterpret_cast<HWND>(parent) : GetDesktopWindow());
  // A dialog that could not be shown is a failure, not a cancel.
  if (result == -1) {
    const HRESULT hr =
        FAILED(dialog.HandlerError()) ? dialog.HandlerError() : plat::hresult_from_last_error();
    error.ThrowHrAt(WQ_HERE, hr, L"Failed to show the %ls dialog", what);
  }
  // A commit that failed updated nothing: the caller must not take it for done.
  if constexpr (requires { dialog.CommitFailure(); }) {
    if (dialog.CommitFailure().Failed()) throw WQComException(dialog.CommitFailure());
    // The resolutions were applied; what the project holds now is not known.
    if (dialog.ReplyUnread()) m_bModelUnknown = true;
  }
  if (result == IDOK) *dialogOK = VARIANT_TRUE;
  WQ_METHOD_END(error)
}
