// WQCRealFormatCtl: an ActiveX control in which a user picks how a real field shows: the
// notation (default, decimal, scientific, engineering), the number of decimals and the
// exponent where the notation takes them (each in an edit with an up-down control), and
// descriptive text and the plus sign. The parts rearrange into one column, two columns or
// one row as the control's size allows.
#pragma once

#include "formatchoice.h"
#include "formatctl.h"
#include "resources/resource.h"

class WQCRealFormatCtl : public FormatCtl<WQCRealFormatCtl, wqc::RealFormatChoice> {
 public:
  static constexpr UINT IDD = IDD_REALFORMATCTL;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{
        plat::OnMessage(WM_INITDIALOG, &WQCRealFormatCtl::OnInitDialog),
        plat::OnMessage(WM_SIZE, &WQCRealFormatCtl::OnSize),
        plat::OnCommand(IDC_NOTATION, CBN_SELCHANGE, &WQCRealFormatCtl::UpdateControls),
        plat::OnCommand(IDC_PRECISION, EN_KILLFOCUS, &WQCRealFormatCtl::OnPrecisionLeft),
        plat::OnCommand(IDC_EXPONENT, EN_KILLFOCUS, &WQCRealFormatCtl::OnExponentLeft),
        plat::OnMessage(WM_DESTROY, &WQCRealFormatCtl::OnDestroy)};
  }

  LRESULT OnSize(UINT, WPARAM, LPARAM lParam, bool&);
  // Enables what the notation uses, all of it only while the control is enabled.
  void UpdateControls();
  // A left edit shows what the format reads from it: its number kept in the up-down's
  // range, or nothing when it held no number.
  void OnPrecisionLeft();
  void OnExponentLeft();

  // The hooks of FormatCtl.
  wqc::RealFormatChoice ReadFormat(const wchar_t* format) const;
  std::optional<std::wstring> FormatText() const;
  void AttachControls();
  void ShowChoice();
  void ReadChoice();

 private:
  void OnEnabledChanged() override;
  int SelectedNotation() const;

  plat::ComboBox notation_;
  plat::Edit precision_;
  plat::Edit exponent_;
  plat::Window precisionLabel_;
  plat::Window exponentLabel_;
  plat::Window precisionSpin_;
  plat::Window exponentSpin_;
  plat::Button descriptive_;
  plat::Button plusSign_;
  // The edits' sizes as the template makes them, before their up-downs take a part.
  SIZE precisionSize_{};
  SIZE exponentSize_{};
};
