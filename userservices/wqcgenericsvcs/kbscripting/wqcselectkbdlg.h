// WQCSelectKBDlg: lists the KB rules of the workspace, or the KB methods of an object's
// class, lets the user pick one with a case to run it in, runs rules and methods by name,
// and asks the server to load, unload or reload KB modules.
#pragma once

#include <dispatch.h>
#include <handles.h>

#include <vector>

#include "WQCGenericSvcs.h"
#include "kbrunner.h"
#include "listkbparser.h"

class WQCSelectKBDlg : public plat::DualImplements<WQCSelectKBDlg, IWQCSelectKBDlg> {
 public:
  WQCSelectKBDlg();

  STDMETHOD(put_OID)(long newVal) override;
  STDMETHOD(get_Count)(long* pVal) override;
  STDMETHOD(get_Item)(long index, BSTR* pVal) override;
  STDMETHOD(get_Selection)(BSTR* pVal) override;
  STDMETHOD(put_Title)(BSTR newVal) override;
  STDMETHOD(get_CaseID)(long* pVal) override;
  STDMETHOD(put_CaseID)(long newVal) override;
  STDMETHOD(get_DocumentOID)(long* pVal) override;
  STDMETHOD(put_DocumentOID)(long newVal) override;
  STDMETHOD(get_Parameters)(VARIANT* pVal) override;
  STDMETHOD(put_Parameters)(VARIANT newVal) override;
  STDMETHOD(put_AllowCaseSel)(VARIANT_BOOL newVal) override;
  STDMETHOD(get_AllowCaseSel)(VARIANT_BOOL* pVal) override;
  STDMETHOD(put_Extended)(VARIANT_BOOL newVal) override;
  STDMETHOD(LoadList)(IDispatch* pWorkspace) override;
  STDMETHOD(ShowDialog)
  (IDispatch* pWorkspace, LONGLONG lParentHWnd, VARIANT_BOOL* pbDialogOK) override;
  STDMETHOD(RunRule)
  (BSTR bstrName, IDispatch* pWorkspace, LONGLONG lParentHWnd, VARIANT_BOOL bInteractiveAllowed,
   VARIANT* pvResult) override;
  STDMETHOD(RunMethod)
  (BSTR bstrName, long nOID, IDispatch* pWorkspace, LONGLONG lParentHWnd,
   VARIANT_BOOL bInteractiveAllowed, VARIANT* pvResult) override;
  STDMETHOD(ReloadKBModule)
  (BSTR bstrModuleName, BSTR bstrFileName, IDispatch* pWorkspace,
   VARIANT_BOOL* pbReloadOK) override;
  STDMETHOD(LoadKBModule)
  (BSTR bstrFileName, IDispatch* pWorkspace, VARIANT_BOOL* pbReloadOK) override;
  STDMETHOD(UnloadKBModule)
  (BSTR bstrModuleName, IDispatch* pWorkspace, VARIANT_BOOL* pbReloadOK) override;
  STDMETHOD(LoadKBModuleFromXML)
  (BSTR bstrModuleName, BSTR bstrXML, IDispatch* pWorkspace, VARIANT_BOOL* pbReloadOK) override;

  // Whether the list asks the server to leave out the drawing items; no interface has it.
  HRESULT SetIncludeDrawingItems(VARIANT_BOOL include);
  HRESULT GetExcludeDrawingItems(VARIANT_BOOL* exclude);

 private:
  plat::unique_bstr title_;
  std::vector<KBEntry> kbList_;
  int selection_ = -1;  // none until a dialog ends with a pick
  long oid_ = 0;
  KBRunner runner_;
  long caseId_ = 0;
  long documentOid_ = 0;
  bool extended_ = false;
  plat::unique_variant parameters_;
  bool allowCaseSel_ = true;
  bool excludeDrawingItems_ = false;
};
