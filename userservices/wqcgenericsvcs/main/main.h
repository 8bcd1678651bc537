// Main: the workspace operations without a user interface. Nearly every method is one
// data service call to the server component "ZERAZevozarAdid.Main".
#pragma once

#include <dispatch.h>

#include <functional>

#include "WQCGenericSvcs.h"
#include "WQOutside.h"

class DataServiceRequest;
class WQComException;

class Main : public plat::DualImplements<Main, IWQCGenericSvcsMain> {
 public:
  Main();

  // Compares two objects on the server; reachable only by code that holds the class.
  HRESULT CompareObjects(IDispatch* pWorkspace, long OID1, long OID2, BSTR* result);

  // Object operations.
  STDMETHOD(CreateObject)
  (IDispatch* pWorkspace, BSTR bstrClass, BSTR bstrKnownName, long* OID) override;
  STDMETHOD(DeleteObjects)(IDispatch* pWorkspace, VARIANT saOID) override;
  STDMETHOD(CloneObject)(IDispatch* pWorkspace, long lOID, long* lCloneOID) override;
  STDMETHOD(CopyObject)(IDispatch* pWorkspace, long lOID, long* lCopyOID) override;
  STDMETHOD(SpawnExecution)(IDispatch* pWorkspace, BSTR bstrClass, long lOID) override;
  STDMETHOD(ObjectDisplayName)(IDispatch* pWorkspace, long lOID, BSTR* pName) override;
  STDMETHOD(ObjectClass)(IDispatch* pWorkspace, long lOID, BSTR* pClassName) override;

  // Case and governing-case operations.
  STDMETHOD(get_GoverningCase)(IDispatch* pWorkspace, VARIANT iObjectID, long* pCaseID) override;
  STDMETHOD(CreateGlobalCase)(IDispatch* pWorkspace, BSTR bstrCaseName, long* pCaseID) override;
  STDMETHOD(CreateRestrictedCase)
  (IDispatch* pWorkspace, BSTR bstrCaseName, VARIANT Objects, long* pCaseID) override;
  STDMETHOD(DeleteCase)(IDispatch* pWorkspace, BSTR bstrCaseName) override;
  STDMETHOD(RenameCase)(IDispatch* pWorkspace, BSTR bstrOldCaseName, BSTR bstrNewName) override;
  STDMETHOD(CopyObjectCase)
  (IDispatch* pWorkspace, long lOID, BSTR bstrMultipleOIDs, BSTR bstrFromCaseName,
   BSTR bstrToCaseName) override;
  STDMETHOD(RemoveObjectCase)(IDispatch* pWorkspace, long lOID, BSTR bstrCaseName) override;
  STDMETHOD(AssignObjectCase)(IDispatch* pWorkspace, long lOID, BSTR bstrCaseName) override;
  STDMETHOD(CheckForCopyObjectCase)
  (IDispatch* pWorkspace, BSTR bstrMultipleOIDs, BSTR bstrFromCaseName, BSTR bstrToCaseName,
   BSTR* bstrListOfValidOIDs) override;
  STDMETHOD(SetObjectGoverningCase)
  (IDispatch* pWorkspace, BSTR bstrCaseName, VARIANT Objects) override;
  STDMETHOD(ResetObjectGoverningCase)(IDispatch* pWorkspace, VARIANT Objects) override;
  STDMETHOD(SetDefaultGlobalGoverningCase)(IDispatch* pWorkspace, BSTR bstrCaseName) override;

  // Enumerations, KB runs, projects and component groupings.
  STDMETHOD(EnumerationOptions)
  (IDispatch* pWorkspace, BSTR bstrName, BOOL* pbIsClosed, SAFEARRAY** Options) override;
  STDMETHOD(RunKBMethod)
  (BSTR bstrName, long lOID, IDispatch* pWorkspace, LONGLONG lParentHWnd, long lCaseID,
   long lDocOID, VARIANT vParams, VARIANT* pvResult) override;
  STDMETHOD(RunKBRule)
  (BSTR bstrName, IDispatch* pWorkspace, LONGLONG lParentHWnd, long lCaseID, long lDocOID,
   VARIANT vParams, VARIANT* pvResult) override;
  STDMETHOD(VRMProjectStatus)(IDispatch* pWorkspace, EWQCVRMProjectStatus* pStatus) override;
  STDMETHOD(GetProjects)(IDispatch* pWorkspace, SAFEARRAY** Projects) override;
  STDMETHOD(SaveVRMProjectData)(IDispatch* pWorkspace, BSTR sProjectData, BOOL* Succeed) override;
  STDMETHOD(PublishProjectAsBuilt)(IDispatch* pWorkspace, BSTR sProjectName) override;
  STDMETHOD(GetComponentGroupings)(IDispatch* pWorkspace, BSTR* bstrGroupingsInfo) override;
  STDMETHOD(SetComponentGroupings)(IDispatch* pWorkspace, BSTR bstrGroupingsInfo) override;

  // Diagram and datasheet submission.
  STDMETHOD(SubmitDatasheets)
  (IDispatch* pWorkspace, SAFEARRAY* saDatasheets, LONGLONG lParentHwd, INT* submitted) override;
  STDMETHOD(CheckDatasheets)
  (IDispatch* pWorkspace, SAFEARRAY* saDatasheets, LONGLONG lParentHwd, INT* checked) override;
  STDMETHOD(IssueDatasheets)
  (IDispatch* pWorkspace, SAFEARRAY* saDatasheets, LONGLONG lParentHwd, BSTR bstrMajorRevisionLevel,
   BSTR bstrMinorRevisionLevel, INT* issued) override;
  STDMETHOD(SubmitDiagrams)
  (IDispatch* pWorkspace, SAFEARRAY* saDiagrams, LONGLONG lParentHwd, INT* submitted) override;
  STDMETHOD(CheckDiagrams)
  (IDispatch* pWorkspace, SAFEARRAY* saDiagrams, LONGLONG lParentHwd, INT* checked) override;
  STDMETHOD(IssueDiagrams)
  (IDispatch* pWorkspace, SAFEARRAY* saDiagrams, LONGLONG lParentHwd, BSTR bstrMajorRevisionLevel,
   BSTR bstrMinorRevisionLevel, INT* issued) override;

 public:
  using WriteAttributes = std::function<HRESULT(DataServiceRequest&)>;

 private:
  // One request whose root element carries `writeAttributes`'s attributes; the reply is
  // read into `reply` when it is given.
  HRESULT Request(IDispatch* pWorkspace, const wchar_t* method,
                  const WriteAttributes& writeAttributes, BSTR* reply);
  // A request whose reply is a number.
  HRESULT RequestNumber(IDispatch* pWorkspace, const wchar_t* method,
                        const WriteAttributes& writeAttributes, long* value);
  // The case requests that keep an error object and may carry "OID" children.
  enum class Global { None, Yes, No };
  struct CaseRequestShape {
    const wchar_t* methodName;  // recorded in the error object
    const wchar_t* method;      // server method and root element
    Global global;
    bool withCaseName;
    bool readsCaseId;
  };
  HRESULT CaseRequest(const CaseRequestShape& shape, IDispatch* pWorkspace, BSTR caseName,
                      const VARIANT* objects, long* caseId);
  // A request whose whole input is `input` (none when null), raising each failed step;
  // the reply is read when asked for.
  HRESULT SendInput(WQComException& error, IDispatch* pWorkspace, const wchar_t* method,
                    const wchar_t* input, BSTR* reply);
  // Hands a "<CompactPipe " reply of a deletion on to pipe compaction: the drawing editor
  // compacts the pipe the reply names. Failures are traced only.
  void CompactPipes(IDispatch* pWorkspace, const wchar_t* reply);
  // Runs the KB method `name` on the object when its class has one by that name; whether
  // the method answered true. A result that is no boolean raises `error`.
  bool RunPreSubmit(WQComException& error, IDispatch* pWorkspace, const wchar_t* name, long oid,
                    LONGLONG parentWindow);

  plat::unique_bstr serverProgId_;
  plat::com_ptr<IWQCSelectKBDlg> selectKbDialog_;  // made on first diagram submission
};
