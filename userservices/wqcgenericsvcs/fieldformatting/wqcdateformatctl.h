// WQCDateFormatCtl: an ActiveX control in which a user picks how a date field shows, from
// a drop-down list of the sample date 2002-09-26 in each offered format, written with the
// user's date separator.
#pragma once

#include "formatctl.h"
#include "resources/resource.h"

struct DateFormatChoice {
  wchar_t separator = L'/';  // the user's date separator when the control was initialized
  int index = -1;            // the position in the list; -1 for none
};

class WQCDateFormatCtl : public ComboFormatCtl<WQCDateFormatCtl, DateFormatChoice> {
 public:
  static constexpr UINT IDD = IDD_DATEFORMATCTL;
  static constexpr int kComboId = IDC_DATEFORMATS;
  static constexpr int kDropDownHeight = 140;

  // The hooks of FormatCtl.
  DateFormatChoice ReadFormat(const wchar_t* format) const;
  std::optional<std::wstring> FormatText() const;
  void ShowChoice();
  void ReadChoice() { choice_.index = SelectedIndex(); }
};
