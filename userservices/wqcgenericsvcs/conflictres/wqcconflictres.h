// WQCConflictResolution: asks "System.AdminServices" once, in Initialize, for the
// project's updates and conflicts from its parent, answers whether there are any, and
// shows the conflict-resolution dialog and the modified-documents dialog over that model.
// The dialogs change the model in place; the conflict dialog's commit sends the chosen
// resolutions and reads the reply back into it.
#pragma once

#include <dispatch.h>

#include "WQCGenericSvcs.h"
#include "WQOutside.h"
#include "projectupdates.h"

class WQCConflictResolution
    : public plat::DualImplements<WQCConflictResolution, IWQCConflictResolution> {
 public:
  STDMETHOD(Initialize)(IDispatch* pWorkspace) override;
  STDMETHOD(ConflictsExist)(VARIANT_BOOL* pbExist) override;
  STDMETHOD(Show)(LONGLONG lParentHWnd, VARIANT_BOOL* pbDialogOK) override;
  STDMETHOD(ModifiedDocumentsExist)(VARIANT_BOOL* pbExist) override;
  STDMETHOD(ShowModifiedDocuments)(LONGLONG lParentHWnd, VARIANT_BOOL* pbDialogOK) override;

 private:
  // Runs the dialog over the model, modally over `parent` (the desktop window for 0).
  template <class Dialog>
  HRESULT ShowDialog(const wchar_t* method, const wchar_t* what, LONGLONG parent,
                     VARIANT_BOOL* dialogOK);

  bool m_bInitialised = false;
  // The server applied resolutions whose reply could not be read: the model is empty and
  // answers nothing until the next Initialize.
  bool m_bModelUnknown = false;
  plat::com_ptr<IWQWorkspace> m_spWorkspace;
  CProjectUpdates m_updates;
};
