// WQCIntegerFormatCtl: an ActiveX control in which a user picks how an integer field
// shows: with or without descriptive text, with or without a plus sign.
#pragma once

#include "formatchoice.h"
#include "formatctl.h"
#include "resources/resource.h"

class WQCIntegerFormatCtl : public FormatCtl<WQCIntegerFormatCtl, wqc::IntegerFormatChoice> {
 public:
  static constexpr UINT IDD = IDD_INTEGERFORMATCTL;
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{plat::OnMessage(WM_INITDIALOG, &WQCIntegerFormatCtl::OnInitDialog),
                            plat::OnMessage(WM_SIZE, &WQCIntegerFormatCtl::OnSize),
                            plat::OnMessage(WM_DESTROY, &WQCIntegerFormatCtl::OnDestroy)};
  }

  LRESULT OnSize(UINT, WPARAM, LPARAM lParam, bool&);

  // The hooks of FormatCtl.
  wqc::IntegerFormatChoice ReadFormat(const wchar_t* format) const;
  std::optional<std::wstring> FormatText() const;
  void AttachControls();
  void ShowChoice();
  void ReadChoice();

 private:
  void OnEnabledChanged() override;

  plat::Button descriptive_;
  plat::Button plusSign_;
};
