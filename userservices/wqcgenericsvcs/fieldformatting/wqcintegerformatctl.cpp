#include "wqcintegerformatctl.h"

#include "formatctllayout.h"

wqc::IntegerFormatChoice WQCIntegerFormatCtl::ReadFormat(const wchar_t* format) const {
  return wqc::ReadIntegerFormatChoice(format);
}

std::optional<std::wstring> WQCIntegerFormatCtl::FormatText() const {
  return wqc::IntegerFormatText(choice_);
}

void WQCIntegerFormatCtl::AttachControls() {
  descriptive_ = plat::Button(GetDlgItem(IDC_INTDESCRIPTIVE));
  plusSign_ = plat::Button(GetDlgItem(IDC_INTPLUSSIGN));
}

void WQCIntegerFormatCtl::ShowChoice() {
  descriptive_.SetCheck(choice_.descriptive);
  plusSign_.SetCheck(choice_.plusSign);
}

void WQCIntegerFormatCtl::ReadChoice() {
  choice_.descriptive = descriptive_.GetCheck();
  choice_.plusSign = plusSign_.GetCheck();
}

void WQCIntegerFormatCtl::OnEnabledChanged() {
  if (!hwnd()) return;
  descriptive_.EnableWindow(IsEnabled());
  plusSign_.EnableWindow(IsEnabled());
}

LRESULT WQCIntegerFormatCtl::OnSize(UINT, WPARAM, LPARAM lParam, bool&) {
  if (!descriptive_.IsWindow() || !plusSign_.IsWindow()) return 0;
  const POINT sign = wqc::IntegerSignBoxPosition(
      {LOWORD(lParam), HIWORD(lParam)}, descriptive_.GetWindowSize(), plusSign_.GetWindowSize());
  constexpr UINT kMoveOnly = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
  descriptive_.SetWindowPos(nullptr, 0, 0, 0, 0, kMoveOnly);
  plusSign_.SetWindowPos(nullptr, sign.x, sign.y, 0, 0, kMoveOnly);
  return 0;
}
