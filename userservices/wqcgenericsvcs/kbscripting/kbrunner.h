// The KB runner: one data service call runs a KB method or rule on the server; its reply
// is a plain value for the caller, a pipe for the drawing editor to highlight, or a
// ScriptUI dialog to show, whose confirmation runs the KB method or rule the dialog names
// with the user's inputs, and so on until a plain value or a cancel.
#pragma once

#include <handles.h>

#include "WQOutside.h"

class WQComException;

class KBRunner {
 public:
  KBRunner();
  KBRunner(const KBRunner&) = delete;
  KBRunner& operator=(const KBRunner&) = delete;

  // `raw` (may be null) is written unchanged as the first content of the request;
  // `parameters` (may be null) as one "Variant" in "UserParameters". `result` is written
  // only by a reply that asks for it.
  HRESULT RunRule(BSTR name, BSTR raw, IWQWorkspace* workspace, LONGLONG parentWindow,
                  VARIANT_BOOL interactiveAllowed, VARIANT* result, long caseId, long activeDocOid,
                  VARIANT* parameters);
  HRESULT RunMethod(BSTR name, BSTR raw, long oid, IWQWorkspace* workspace, LONGLONG parentWindow,
                    VARIANT_BOOL interactiveAllowed, VARIANT* result, long caseId,
                    long activeDocOid, VARIANT* parameters);
  // Shows the held description; a confirmed dialog runs its follow-up on the held OID
  // (a rule for OID 0).
  HRESULT RunDialog(IDispatch* workspace, LONGLONG parentWindow);
  void Initialise(const wchar_t* xml, long oid);
  long GetOID() const { return oid_; }
  // Highlights the pipe a reply names; failures go to the thread's error info only.
  void PipeHighlight(IDispatch* workspace, BSTR reply);

 private:
  // What a run calls: a rule (no object) or a method on object `oid`.
  struct Target {
    const wchar_t* methodName;    // of the run's error object
    const wchar_t* serverMethod;  // "RunRule" or "RunMethod"
    const wchar_t* kind;          // "rule" or "method", for the error texts
    long oid;
  };

  // A run and the conversation that follows it: each confirmed dialog names the next step,
  // which runs in turn in the same loop.
  HRESULT Run(const Target& target, BSTR name, BSTR raw, IWQWorkspace* workspace,
              LONGLONG parentWindow, VARIANT* result, long caseId, long activeDocOid,
              VARIANT* parameters);
  // One call and what its reply asks for. S_FALSE: the conversation is over; S_OK: a
  // dialog was confirmed (its results are held).
  HRESULT RunStep(const Target& target, BSTR name, BSTR raw, IWQWorkspace* workspace,
                  LONGLONG parentWindow, VARIANT* result, long caseId, long activeDocOid,
                  VARIANT* parameters);
  HRESULT CallKB(const wchar_t* serverMethod, BSTR name, BSTR raw, long oid,
                 IWQWorkspace* workspace, long caseId, long activeDocOid, VARIANT* parameters,
                 BSTR* reply);
  // S_FALSE: the run is finished; S_OK: a dialog was confirmed (its results are held). A
  // failure is raised through `error`; `runName` names the run in its texts.
  HRESULT HandleResponse(WQComException& error, const Target& target, const wchar_t* runName,
                         IWQWorkspace* workspace, BSTR reply, LONGLONG parentWindow,
                         VARIANT* result);
  HRESULT HighlightPipe(IDispatch* workspace, BSTR reply);
  // Shows `description`; `confirmed` tells whether the user accepted it, whose results
  // are then held. A dialog that cannot be shown is a failure.
  HRESULT ShowDialog(const wchar_t* description, LONGLONG parentWindow, bool& confirmed);

  plat::unique_bstr returnTo_;
  plat::unique_bstr from_;
  plat::unique_bstr xml_;
  long oid_ = 0;
  long activeDocOid_ = 0;
  long activeCaseId_ = 0;
};

// The KB module reload request: "ReloadKB" with ModuleName and KBFileName when given, the
// XML as its text (method "ReloadKBModuleFromXML") or none ("ReloadKBModule"). `reloaded`
// tells whether the reply holds "<ReloadKBSchema/>"; it is not written when the call
// fails. E_INVALIDARG for a workspace without IWQWorkspace.
HRESULT ReloadKBModule(const wchar_t* moduleName, const wchar_t* fileName, IDispatch* workspace,
                       VARIANT_BOOL* reloaded, const wchar_t* xml);
