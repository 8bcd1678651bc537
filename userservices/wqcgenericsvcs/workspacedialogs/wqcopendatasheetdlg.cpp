#include "wqcopendatasheetdlg.h"

#include "dialogobject.h"

namespace {

std::wstring Text(BSTR text) {
  return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

// What every offered document has. Only VARIANT_TRUE counts as scoped.
DocumentEntry Document(BSTR title, BSTR name, VARIANT_BOOL scoped, int docType) {
  DocumentEntry entry;
  entry.title = Text(title);
  entry.name = Text(name);
  entry.scoped = scoped == VARIANT_TRUE;
  entry.docType = docType;
  return entry;
}

// What an existing document adds: its state (the tab that lists it), id, case and revision.
DocumentEntry Existing(DocumentEntry entry, int status, long documentId, BSTR caseName,
                       BSTR revision) {
  entry.status = status;
  entry.documentId = documentId;
  entry.caseName = Text(caseName);
  entry.revision = Text(revision);
  return entry;
}

}  // namespace

STDMETHODIMP WQCOpenDatasheetDlg::SetTitle(BSTR szTitle) {
  return WQRunComMethod(L"WQCOpenDatasheetDlg::SetTitle",
                        [&](WQComException&) { dialog_.SetTitle(szTitle); });
}

STDMETHODIMP WQCOpenDatasheetDlg::AddNewDatasheet(long nObjectId, BSTR bsTemplateId, BSTR bsTitle,
                                                  BSTR bsName, VARIANT_BOOL bScoped, int nDocType) {
  return WQRunComMethod(L"WQCOpenDatasheetDlg::AddNewDatasheet", [&](WQComException&) {
    DocumentEntry entry = Document(bsTitle, bsName, bScoped, nDocType);
    entry.objectId = nObjectId;
    entry.templateId = Text(bsTemplateId);
    dialog_.AddDocument(std::move(entry));
  });
}

STDMETHODIMP WQCOpenDatasheetDlg::AddExistingDatasheet(int nStatus, long nDocumentId, BSTR bsTitle,
                                                       BSTR bsName, BSTR bsCase, BSTR bsRevision,
                                                       VARIANT_BOOL bScoped, int nDocType) {
  return WQRunComMethod(L"WQCOpenDatasheetDlg::AddExistingDatasheet", [&](WQComException&) {
    dialog_.AddDocument(Existing(Document(bsTitle, bsName, bScoped, nDocType), nStatus, nDocumentId,
                                 bsCase, bsRevision));
    // An existing datasheet makes the dialog open on "Current".
    dialog_.SetCurrentTab(1);
  });
}

STDMETHODIMP WQCOpenDatasheetDlg::AddNewDiagram(BSTR bsName, VARIANT_BOOL bScoped) {
  return WQRunComMethod(L"WQCOpenDatasheetDlg::AddNewDiagram", [&](WQComException&) {
    dialog_.AddDocument(Document(bsName, bsName, bScoped, 1));
  });
}

STDMETHODIMP WQCOpenDatasheetDlg::AddExistingDiagram(int nStatus, long nDocumentId, BSTR bsName,
                                                     BSTR bsDiagramClass, BSTR bsCase,
                                                     BSTR bsRevision, VARIANT_BOOL bScoped) {
  return WQRunComMethod(L"WQCOpenDatasheetDlg::AddExistingDiagram", [&](WQComException&) {
    DocumentEntry entry =
        Existing(Document(bsName, bsName, bScoped, 0), nStatus, nDocumentId, bsCase, bsRevision);
    entry.diagramClass = Text(bsDiagramClass);
    dialog_.AddDocument(std::move(entry));
  });
}

STDMETHODIMP WQCOpenDatasheetDlg::GetSelected(BSTR* bsFunction, SAFEARRAY** docIds,
                                              SAFEARRAY** docTypes, int* nDocStatus,
                                              int* nSelectedCount) {
  return WQRunComMethod(L"WQCOpenDatasheetDlg::GetSelected", [&](WQComException& error) {
    error.CheckPointer(bsFunction);
    error.CheckPointer(docIds);
    error.CheckPointer(docTypes);
    error.CheckPointer(nDocStatus);
    error.CheckPointer(nSelectedCount);
    *bsFunction = nullptr;
    *docIds = *docTypes = nullptr;
    *nDocStatus = *nSelectedCount = 0;

    const std::vector<int>& rows = dialog_.GetSelectedRows();
    std::vector<LONG> ids, types;
    for (int row : rows) {
      const int position = dialog_.FindShownDocument(row);
      ids.push_back(position >= 0 ? dialog_.GetDocument(position).documentId : 0);
      types.push_back(position >= 0 ? dialog_.GetDocument(position).docType : -1);
    }
    plat::unique_safearray idArray = wqc::NewIntegerArray(error, VT_I4, ids);
    plat::unique_safearray typeArray = wqc::NewIntegerArray(error, VT_I4, types);
    plat::unique_bstr function = plat::unique_bstr::copy(dialog_.GetFunction().c_str());

    *bsFunction = function.release();
    *docIds = idArray.release();
    *docTypes = typeArray.release();
    *nDocStatus = dialog_.GetCurrentTab();
    *nSelectedCount = static_cast<int>(rows.size());
  });
}

STDMETHODIMP WQCOpenDatasheetDlg::ShowDialog(__int64, VARIANT_BOOL* pbDialogOK) {
  return WQRunComMethod(L"WQCOpenDatasheetDlg::ShowDialog", [&](WQComException& error) {
    error.CheckPointer(pbDialogOK);
    *pbDialogOK = VARIANT_FALSE;
    if (wqc::RunModalDialog(error, dialog_, GetActiveWindow())) *pbDialogOK = VARIANT_TRUE;
  });
}

STDMETHODIMP WQCOpenDatasheetDlg::GetSelectedPos(SAFEARRAY** saSelectedPos) {
  return WQRunComMethod(L"WQCOpenDatasheetDlg::GetSelectedPos", [&](WQComException& error) {
    error.CheckPointer(saSelectedPos);
    *saSelectedPos = nullptr;
    std::vector<LONG> positions;
    for (int row : dialog_.GetSelectedRows()) positions.push_back(dialog_.FindShownDocument(row));
    *saSelectedPos = wqc::NewIntegerArray(error, VT_I4, positions).release();
  });
}

STDMETHODIMP WQCOpenDatasheetDlg::GetCreateAsBuilt(VARIANT_BOOL* pvbCreateAsBuilt) {
  return WQRunComMethod(L"WQCOpenDatasheetDlg::GetCreateAsBuilt", [&](WQComException& error) {
    error.CheckPointer(pvbCreateAsBuilt);
    *pvbCreateAsBuilt = dialog_.GetCreateAsBuilt() ? VARIANT_TRUE : VARIANT_FALSE;
  });
}
