// WQCOpenDatasheetDlg: a client offers documents one by one (datasheets and diagrams, new
// ones to create and existing ones by state), shows the "Datasheet" dialog and reads back
// the chosen documents, whether to open or create them, and the as-built choice. All its
// data comes from the client.
#pragma once

#include <dispatch.h>

#include "WQCGenericSvcs.h"
#include "opendatasheetdlg.h"

class WQCOpenDatasheetDlg : public plat::DualImplements<WQCOpenDatasheetDlg, IWQCOpenDatasheetDlg> {
 public:
  STDMETHOD(SetTitle)(BSTR szTitle) override;
  STDMETHOD(AddNewDatasheet)
  (long nObjectId, BSTR bsTemplateId, BSTR bsTitle, BSTR bsName, VARIANT_BOOL bScoped,
   int nDocType) override;
  STDMETHOD(AddExistingDatasheet)
  (int nStatus, long nDocumentId, BSTR bsTitle, BSTR bsName, BSTR bsCase, BSTR bsRevision,
   VARIANT_BOOL bScoped, int nDocType) override;
  STDMETHOD(AddNewDiagram)(BSTR bsName, VARIANT_BOOL bScoped) override;
  STDMETHOD(AddExistingDiagram)
  (int nStatus, long nDocumentId, BSTR bsName, BSTR bsDiagramClass, BSTR bsCase, BSTR bsRevision,
   VARIANT_BOOL bScoped) override;
  // A chosen row that lists no document any more (the tab or a filter changed after the
  // choice, and the dialog was cancelled) reports the id 0, the type -1 and the position -1.
  STDMETHOD(GetSelected)
  (BSTR* bsFunction, SAFEARRAY** docIds, SAFEARRAY** docTypes, int* nDocStatus,
   int* nSelectedCount) override;
  // The dialog is owned by the thread's active window; lParentHWnd is not used.
  STDMETHOD(ShowDialog)(__int64 lParentHWnd, VARIANT_BOOL* pbDialogOK) override;
  STDMETHOD(GetSelectedPos)(SAFEARRAY** saSelectedPos) override;
  STDMETHOD(GetCreateAsBuilt)(VARIANT_BOOL* pvbCreateAsBuilt) override;

 private:
  COpenDatasheetDlg dialog_;
};
