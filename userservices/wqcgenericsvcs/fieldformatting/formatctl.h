// What the four format controls share: the interface IWQCFormatCtl over the composite
// control, and the keeping of the user's choice.
//
// A control keeps its choice (Choice) itself and its window shows it: Initialize sets the
// choice and shows it when the window exists, a window made later shows it when it
// starts, and the window's state is read back when the format is asked for and when the
// window ends. So a format given before activation is not lost, nor the user's choice when
// the container deactivates the control, initialized or not. T supplies:
//   Choice ReadFormat(const wchar_t* format);        the choice a format makes
//   std::optional<std::wstring> FormatText() const;  the format of the choice, if any
//   void AttachControls();                           WM_INITDIALOG: take the child windows
//   void ShowChoice();  void ReadChoice();           the window shows / gives back the choice
//   void OnEnabledChanged() override;                the child windows follow Enabled
#pragma once

#include <control.h>
#include <dispatch.h>
#include <wqcomexception.h>

#include <optional>
#include <string>
#include <vector>

#include "WQCGenericSvcs.h"

template <class T, class Choice>
class FormatCtl : public plat::DualImplements<T, IWQCFormatCtl, plat::ProvideClassInfo2<T>,
                                              plat::CompositeControl<T>> {
 public:
  STDMETHOD(put_Enabled)(VARIANT_BOOL vbool) override try {
    WQ_BARE_METHOD();
    return this->PutStockEnabled(vbool);
  }
  PLAT_CATCH_RETURN()
  STDMETHOD(get_Enabled)(VARIANT_BOOL* pbool) override {
    WQ_BARE_METHOD();
    return this->GetStockEnabled(pbool);
  }

  STDMETHOD(Initialize)(BSTR FieldFormat) override try {
    WQ_BARE_METHOD();
    choice_ = Self().ReadFormat(FieldFormat);
    hasChoice_ = true;
    if (this->hwnd()) Self().ShowChoice();
    return S_OK;
  }
  PLAT_CATCH_RETURN()

  // Null, with S_OK, when the control offers no format yet.
  STDMETHOD(get_Format)(BSTR* pFormat) override try {
    WQ_BARE_METHOD();
    if (!pFormat) return E_POINTER;
    *pFormat = nullptr;
    if (this->hwnd()) Self().ReadChoice();
    if (const std::optional<std::wstring> format = Self().FormatText())
      *pFormat = plat::unique_bstr::copy(format->c_str()).release();
    return S_OK;
  }
  PLAT_CATCH_RETURN()

  // WM_INITDIALOG. Answers FALSE: the container, not the dialog manager, gives the focus.
  LRESULT OnInitDialog() {
    Self().AttachControls();
    if (hasChoice_) Self().ShowChoice();
    this->OnEnabledChanged();
    return FALSE;
  }

  // WM_DESTROY; the dialog manager still needs the message.
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
    Self().ReadChoice();
    hasChoice_ = true;
    handled = false;
    return 0;
  }

 protected:
  T& Self() { return static_cast<T&>(*this); }
  const T& Self() const { return static_cast<const T&>(*this); }

  Choice choice_{};
  // Whether choice_ is to be shown: set by Initialize and by what a window left.
  bool hasChoice_ = false;
};

// The boolean and date controls: one drop-down list of formats, whose list part gets
// `T::kDropDownHeight` more pixels than the control is high, and whose height the
// container cannot change.
template <class T, class Choice>
class ComboFormatCtl : public FormatCtl<T, Choice> {
 public:
  static constexpr auto GetMessageMap() {
    return plat::MessageMap{plat::OnMessage(WM_INITDIALOG, &ComboFormatCtl::OnInitDialog),
                            plat::OnMessage(WM_SIZE, &ComboFormatCtl::OnSize),
                            plat::OnMessage(WM_DESTROY, &ComboFormatCtl::OnDestroy)};
  }

  STDMETHOD(SetExtent)(DWORD aspect, SIZEL* size) override {
    if (aspect != DVASPECT_CONTENT || !size || !combo_.IsWindow())
      return plat::ControlBase::SetExtent(aspect, size);
    SIZEL pixels = plat::HiMetricToPixels(*size);
    pixels.cy = combo_.GetWindowSize().cy;
    SIZEL kept = plat::PixelsToHiMetric(pixels);
    return plat::ControlBase::SetExtent(aspect, &kept);
  }

  LRESULT OnSize(UINT, WPARAM, LPARAM lParam, bool&) {
    if (combo_.IsWindow()) combo_.ResizeWindow(LOWORD(lParam), HIWORD(lParam) + T::kDropDownHeight);
    return 0;
  }

  void AttachControls() { combo_ = plat::ComboBox(this->GetDlgItem(T::kComboId)); }

 protected:
  void OnEnabledChanged() override {
    if (this->hwnd()) combo_.EnableWindow(this->IsEnabled());
  }
  // Fills the list and selects `selected`; with none selected (a control that was never
  // initialized) the list stays empty.
  void ShowList(const std::vector<std::wstring>& texts, int selected) {
    combo_.ResetContent();
    if (selected < 0) return;
    for (const std::wstring& text : texts) combo_.AddString(text.c_str());
    combo_.SetCurSel(selected);
  }
  int SelectedIndex() const { return combo_.GetCurSel(); }

  plat::ComboBox combo_;
};
