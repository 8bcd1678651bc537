// WQCSelDsByTypeDlg: a client offers datasheet template names, shows the "Select datasheet
// by type" dialog and reads back the positions of the chosen names, counted from 0 in the
// order they were offered.
#pragma once

#include <dispatch.h>

#include "WQCGenericSvcs.h"
#include "seldsbytypedlg.h"

class WQCSelDsByTypeDlg : public plat::DualImplements<WQCSelDsByTypeDlg, IWQCSelDsByTypeDlg> {
 public:
  STDMETHOD(AddDatasheetTemplate)(BSTR templateName) override;
  // The dialog is owned by the thread's active window.
  STDMETHOD(ShowDialog)(VARIANT_BOOL* pbDialogOK) override;
  // Every confirmed showing's choice in turn, as VT_UI4 elements.
  STDMETHOD(GetSelectedDatasheetTemplateIndexes)(SAFEARRAY** templateNamesIdx) override;

 private:
  CSelectDatasheetByTypeDlg dialog_;
};
