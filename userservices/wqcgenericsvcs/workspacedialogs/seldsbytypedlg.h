// The "Select datasheet by type" dialog: the datasheet template names a client offers, in
// the order given, from which the user picks one or more. It fits itself to the names and
// scrolls to the first name that begins with the text typed above the list. The object
// lives as long as its COM object: the names and every confirmed choice carry over.
#pragma once

#include <window.h>

#include <string>
#include <vector>

#include "resources/resource.h"

// The list's size: the widest name (`textWidth`, + 8 already) and all rows (`textHeight`)
// with scroll bars and edges, at least two and a half buttons wide and six buttons high,
// at most a third of the screen each way.
SIZE FitTemplateList(SIZE text, SIZE button, SIZE scrollBars, SIZE edges, SIZE screen) noexcept;

class CSelectDatasheetByTypeDlg : public plat::DialogImpl<CSelectDatasheetByTypeDlg> {
 public:
  static constexpr UINT IDD = IDD_SELDSBYTYPE;

  static constexpr auto GetMessageMap() {
    return plat::MessageMap{
        plat::OnMessage(WM_INITDIALOG, &CSelectDatasheetByTypeDlg::OnInitDialog),
        plat::OnCommand(IDOK, BN_CLICKED, &CSelectDatasheetByTypeDlg::OnOK),
        plat::OnCommand(IDCANCEL, BN_CLICKED, &CSelectDatasheetByTypeDlg::OnCancel),
        plat::OnCommand(IDC_TEMPLATEFINDTEXT, EN_CHANGE, &CSelectDatasheetByTypeDlg::OnFindText),
        plat::OnCommand(IDC_TEMPLATELIST, LBN_SELCHANGE,
                        &CSelectDatasheetByTypeDlg::OnSelectionChanged),
        plat::OnCommand(IDC_TEMPLATELIST, LBN_DBLCLK, &CSelectDatasheetByTypeDlg::OnOK)};
  }

  CSelectDatasheetByTypeDlg() = default;

  void AddTemplateName(const wchar_t* name) { names_.emplace_back(name ? name : L""); }
  // The positions of the chosen names, every confirmed showing's in turn.
  const std::vector<LONG>& GetChosenIndexes() const { return chosen_; }

 private:
  LRESULT OnInitDialog();
  LRESULT OnOK(WORD code, WORD id, HWND control, bool& handled);
  void OnCancel();
  void OnFindText();
  void OnSelectionChanged();

  int ChosenCount() const noexcept;

  std::vector<std::wstring> names_;
  std::vector<LONG> chosen_;

  plat::Edit find_;
  plat::ListBox list_;
  plat::Window ok_, cancel_;
};
