#include "accountpicker.h"

namespace {

UINT SelectionListFormat() {
  static const UINT format = RegisterClipboardFormatW(L"CFSTR_DSOP_DS_SELECTION_LIST");
  return format;
}

// Unlocks the selection's memory and releases its medium with the scope.
class SelectionMedium {
 public:
  SelectionMedium() = default;
  SelectionMedium(const SelectionMedium&) = delete;
  SelectionMedium& operator=(const SelectionMedium&) = delete;
  ~SelectionMedium() {
    if (locked_) GlobalUnlock(medium_.hGlobal);
    ReleaseStgMedium(&medium_);
  }
  STGMEDIUM* put() { return &medium_; }
  const DS_SELECTION_LIST* Lock() {
    locked_ = static_cast<const DS_SELECTION_LIST*>(GlobalLock(medium_.hGlobal));
    return locked_;
  }

 private:
  STGMEDIUM medium_{};
  const DS_SELECTION_LIST* locked_ = nullptr;
};

}  // namespace

AccountPicker::AccountPicker() {
  SelectionListFormat();
  plat::com_ptr<IDsObjectPicker> picker;
  if (FAILED(CoCreateInstance(CLSID_DsObjectPicker, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IDsObjectPicker, picker.put_void())))
    return;
  // One scope: the computer and every kind of domain, paths in the "WinNT" form.
  DSOP_SCOPE_INIT_INFO scope{};
  scope.cbSize = sizeof(scope);
  scope.flType =
      DSOP_SCOPE_TYPE_TARGET_COMPUTER | DSOP_SCOPE_TYPE_UPLEVEL_JOINED_DOMAIN |
      DSOP_SCOPE_TYPE_DOWNLEVEL_JOINED_DOMAIN | DSOP_SCOPE_TYPE_ENTERPRISE_DOMAIN |
      DSOP_SCOPE_TYPE_EXTERNAL_UPLEVEL_DOMAIN | DSOP_SCOPE_TYPE_EXTERNAL_DOWNLEVEL_DOMAIN |
      DSOP_SCOPE_TYPE_USER_ENTERED_UPLEVEL_SCOPE | DSOP_SCOPE_TYPE_USER_ENTERED_DOWNLEVEL_SCOPE;
  scope.flScope = DSOP_SCOPE_FLAG_STARTING_SCOPE | DSOP_SCOPE_FLAG_WANT_PROVIDER_WINNT;
  scope.FilterFlags.Uplevel.flBothModes =
      DSOP_FILTER_USERS | DSOP_FILTER_BUILTIN_GROUPS | DSOP_FILTER_UNIVERSAL_GROUPS_DL |
      DSOP_FILTER_UNIVERSAL_GROUPS_SE | DSOP_FILTER_GLOBAL_GROUPS_DL |
      DSOP_FILTER_GLOBAL_GROUPS_SE | DSOP_FILTER_DOMAIN_LOCAL_GROUPS_DL |
      DSOP_FILTER_DOMAIN_LOCAL_GROUPS_SE;
  scope.FilterFlags.flDownlevel = DSOP_DOWNLEVEL_FILTER_USERS | DSOP_DOWNLEVEL_FILTER_LOCAL_GROUPS |
                                  DSOP_DOWNLEVEL_FILTER_GLOBAL_GROUPS;
  DSOP_INIT_INFO info{};
  info.cbSize = sizeof(info);
  info.cDsScopeInfos = 1;
  info.aDsScopeInfos = &scope;
  if (SUCCEEDED(picker->Initialize(&info))) picker_ = std::move(picker);
}

HRESULT AccountPicker::Run(HWND parent) {
  if (!picker_) return E_UNEXPECTED;
  return picker_->InvokeDialog(parent, selection_.put());
}

HRESULT AccountPicker::ReadSelection() {
  if (!selection_) return E_FAIL;
  FORMATETC format{static_cast<CLIPFORMAT>(SelectionListFormat()), nullptr, DVASPECT_CONTENT, -1,
                   TYMED_HGLOBAL};
  SelectionMedium medium;
  if (FAILED(selection_->GetData(&format, medium.put()))) return E_FAIL;
  const DS_SELECTION_LIST* list = medium.Lock();
  if (!list) return E_FAIL;
  for (ULONG i = 0; i < list->cItems; ++i) {
    WQSecurityPrincipal account;
    // An item that does not resolve is passed over; its failure is nobody's to see.
    if (FAILED(account.Resolve(list->aDsSelection[i].pwzADsPath))) SetErrorInfo(0, nullptr);
    if (*account.GetName() && account.GetSid()) {
      account_ = account;
      break;
    }
  }
  selection_.reset();
  return S_OK;
}
