#include "wqcaccesscontrol.h"
#include "workspace/dataservicerequest.h"

#include "dlgcontrolroles.h"
#include "dlgcontrolusers.h"
#include "wqcomexception.h"

namespace {

constexpr int kTraceLevel = 1;

// Disables the client's window for a scope, and enables it again only when it was this
// scope that disabled it.
class DisabledOwner {
 public:
  explicit DisabledOwner(HWND owner) noexcept
      : owner_(owner), disabled_(owner && !EnableWindow(owner, FALSE)) {}
  DisabledOwner(const DisabledOwner&) = delete;
  DisabledOwner& operator=(const DisabledOwner&) = delete;
  ~DisabledOwner() {
    if (disabled_) EnableWindow(owner_, TRUE);
  }

 private:
  HWND owner_;
  bool disabled_;
};

}  // namespace

STDMETHODIMP WQCAccessControl::Initialize(IDispatch* pWorkspace) {
  WQ_METHOD_BEGIN(error, L"WQCAccessControl::Initialize", kTraceLevel)
  plat::com_ptr<IWQWorkspace> workspace;
  if (FAILED(QueryWorkspace(pWorkspace, workspace))) error.ThrowHrAt(WQ_HERE, E_INVALIDARG);
  workspace_ = std::move(workspace);
  initialized_ = true;
  WQ_METHOD_END(error)
}

template <class Dialog>
HRESULT WQCAccessControl::Show(const wchar_t* method, LONGLONG parent) {
  HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(parent));
  const DisabledOwner disabled(owner);
  if (!owner) owner = GetDesktopWindow();
  WQ_METHOD_BEGIN(error, method, kTraceLevel)
  if (!initialized_) error.ThrowHrAt(WQ_HERE, E_FAIL, L"AccessControl interface not initialized");
  // Each call has its own dialog, node client and model.
  Dialog dialog(workspace_.get());
  if (dialog.DoModal(owner) == -1) {
    const HRESULT hr =
        FAILED(dialog.HandlerError()) ? dialog.HandlerError() : plat::hresult_from_last_error();
    error.ThrowHrAt(WQ_HERE, hr, L"Could not show the dialog");
  }
  WQ_METHOD_END(error)
}

STDMETHODIMP WQCAccessControl::ShowRoles(LONGLONG lParentHWnd) {
  return Show<DlgControlRoles>(L"WQCAccessControl::ShowRoles", lParentHWnd);
}

STDMETHODIMP WQCAccessControl::ShowUsers(LONGLONG lParentHWnd) {
  return Show<DlgControlUsers>(L"WQCAccessControl::ShowUsers", lParentHWnd);
}
