#include "wqcrealformatctl.h"

#include <commctrl.h>

#include "formatctllayout.h"

namespace {

void SetUpDown(const plat::Window& spin, const plat::Window& buddy, int minimum, int maximum) {
  spin.SendMessage(UDM_SETRANGE, 0, MAKELPARAM(maximum, minimum));
  spin.SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy.hwnd()));
}

void KeepInRange(const plat::Edit& edit, int minimum, int maximum) {
  const std::wstring typed = edit.GetWindowText();
  const std::wstring kept = wqc::BoundedNumberText(typed, minimum, maximum);
  if (kept != typed) edit.SetWindowText(kept.c_str());
}

void MoveTo(const plat::Window& window, POINT at) {
  window.SetWindowPos(nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

wqc::RealFormatChoice WQCRealFormatCtl::ReadFormat(const wchar_t* format) const {
  return wqc::ReadRealFormatChoice(format);
}

std::optional<std::wstring> WQCRealFormatCtl::FormatText() const {
  return wqc::RealFormatText(choice_);
}

void WQCRealFormatCtl::AttachControls() {
  notation_ = plat::ComboBox(GetDlgItem(IDC_NOTATION));
  precision_ = plat::Edit(GetDlgItem(IDC_PRECISION));
  exponent_ = plat::Edit(GetDlgItem(IDC_EXPONENT));
  precisionLabel_ = GetDlgItem(IDC_PRECISIONLABEL);
  exponentLabel_ = GetDlgItem(IDC_EXPONENTLABEL);
  precisionSpin_ = GetDlgItem(IDC_PRECISIONSPIN);
  exponentSpin_ = GetDlgItem(IDC_EXPONENTSPIN);
  descriptive_ = plat::Button(GetDlgItem(IDC_REALDESCRIPTIVE));
  plusSign_ = plat::Button(GetDlgItem(IDC_REALPLUSSIGN));
  precisionSize_ = precision_.GetWindowSize();
  exponentSize_ = exponent_.GetWindowSize();
  SetUpDown(precisionSpin_, precision_, wqc::kMinPrecision, wqc::kMaxPrecision);
  SetUpDown(exponentSpin_, exponent_, wqc::kMinExponent, wqc::kMaxExponent);
}

void WQCRealFormatCtl::ShowChoice() {
  notation_.ResetContent();
  // A control never initialized offers no notations.
  if (choice_.notation >= 0) {
    for (const wqc::Notation& notation : wqc::kNotations) notation_.AddString(notation.label);
    notation_.SetCurSel(choice_.notation);
  }
  descriptive_.SetCheck(choice_.descriptive);
  plusSign_.SetCheck(choice_.plusSign);
  precision_.SetWindowText(choice_.precision.c_str());
  exponent_.SetWindowText(choice_.exponent.c_str());
  UpdateControls();
}

void WQCRealFormatCtl::ReadChoice() {
  choice_.notation = notation_.GetCurSel();
  choice_.descriptive = descriptive_.GetCheck();
  choice_.plusSign = plusSign_.GetCheck();
  choice_.precision = precision_.GetWindowText();
  choice_.exponent = exponent_.GetWindowText();
}

int WQCRealFormatCtl::SelectedNotation() const {
  const int selected = notation_.GetCurSel();
  return selected < 0 ? wqc::kDefaultNotation : selected;
}

void WQCRealFormatCtl::OnPrecisionLeft() {
  KeepInRange(precision_, wqc::kMinPrecision, wqc::kMaxPrecision);
}

void WQCRealFormatCtl::OnExponentLeft() {
  KeepInRange(exponent_, wqc::kMinExponent, wqc::kMaxExponent);
}

void WQCRealFormatCtl::OnEnabledChanged() {
  if (hwnd()) UpdateControls();
}

void WQCRealFormatCtl::UpdateControls() {
  if (!notation_.IsWindow()) return;
  const bool enabled = IsEnabled();
  const int notation = SelectedNotation();
  notation_.EnableWindow(enabled);
  descriptive_.EnableWindow(enabled);
  plusSign_.EnableWindow(enabled);
  // An up-down follows its edit: a disabled edit takes no value from it either.
  const bool precision = enabled && wqc::UsesPrecision(notation);
  const bool exponent = enabled && wqc::UsesExponent(notation);
  for (const plat::Window part : {plat::Window(precision_), precisionLabel_, precisionSpin_})
    part.EnableWindow(precision);
  for (const plat::Window part : {plat::Window(exponent_), exponentLabel_, exponentSpin_})
    part.EnableWindow(exponent);
}

LRESULT WQCRealFormatCtl::OnSize(UINT, WPARAM, LPARAM lParam, bool&) {
  if (!notation_.IsWindow()) return 0;
  wqc::RealLayoutSizes sizes{};
  sizes.combo = notation_.GetWindowSize();
  sizes.precisionEdit = precisionSize_;
  sizes.precisionLabel = precisionLabel_.GetWindowSize();
  sizes.exponentEdit = exponentSize_;
  sizes.exponentLabel = exponentLabel_.GetWindowSize();
  sizes.descriptive = descriptive_.GetWindowSize();
  sizes.sign = plusSign_.GetWindowSize();
  const wqc::RealLayout layout = wqc::LayoutRealFormatCtl({LOWORD(lParam), HIWORD(lParam)}, sizes);

  MoveTo(notation_, {0, 0});
  constexpr UINT kPlace = SWP_NOZORDER | SWP_NOACTIVATE;
  precision_.SetWindowPos(nullptr, layout.precisionEdit.x, layout.precisionEdit.y,
                          precisionSize_.cx, precisionSize_.cy, kPlace);
  exponent_.SetWindowPos(nullptr, layout.exponentEdit.x, layout.exponentEdit.y, exponentSize_.cx,
                         exponentSize_.cy, kPlace);
  MoveTo(precisionLabel_, layout.precisionLabel);
  MoveTo(exponentLabel_, layout.exponentLabel);
  // Attached again, each up-down takes its place at the end of its edit.
  precisionSpin_.SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(precision_.hwnd()));
  exponentSpin_.SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(exponent_.hwnd()));
  MoveTo(descriptive_, layout.descriptive);
  MoveTo(plusSign_, layout.sign);
  return 0;
}
