// WQCBoolFormatCtl: an ActiveX control in which a user picks how a boolean field shows,
// from a drop-down list of word pairs ("Yes/No", "Y/N", "True/False", "On/Off").
#pragma once

#include "formatctl.h"
#include "resources/resource.h"

// The choice is the position in the list; -1 for none.
class WQCBoolFormatCtl : public ComboFormatCtl<WQCBoolFormatCtl, int> {
 public:
  static constexpr UINT IDD = IDD_BOOLFORMATCTL;
  static constexpr int kComboId = IDC_BOOLFORMATS;
  static constexpr int kDropDownHeight = 70;

  WQCBoolFormatCtl() { choice_ = -1; }

  // The hooks of FormatCtl.
  int ReadFormat(const wchar_t* format) const;
  std::optional<std::wstring> FormatText() const;
  void ShowChoice();
  void ReadChoice() { choice_ = SelectedIndex(); }
};
