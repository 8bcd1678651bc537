// The "Datasheet" dialog: the documents a client offers, on one tab per state ("New",
// "Current", "Submitted", "Checked", "Issued"), from which the user opens existing ones or
// creates new ones. The object lives as long as its COM object, so the documents, the
// tab, the filters and the last choice carry over from one showing to the next.
#pragma once

#include <typeahead.h>
#include <window.h>

#include <array>
#include <string>
#include <vector>

#include "resources/resource.h"

// One offered document. Status is the tab that lists it: 0 for a document to be created,
// 1 to 4 for an existing one in that state.
struct DocumentEntry {
  LONG objectId = 0;    // new datasheets: the object it is for
  LONG documentId = 0;  // existing documents
  int docType = 1;      // 0 diagram; 2 may be built as-built; 0 and 3 are project summaries
  int status = 0;
  std::wstring templateId;
  std::wstring title;  // the first column
  std::wstring name;
  std::wstring revision;
  std::wstring caseName;
  std::wstring diagramClass;
  bool scoped = false;  // the user may edit it
  int row = -1;         // where the last fill listed it; -1 before any
};

// The fitting of the list to its texts, on plain numbers.
struct DocumentTextWidths {
  bool existing;
  int title, diagramClass, caseName, revision;  // as the list measures them
};

struct DocumentColumnsFit {
  std::array<int, 4> columns;  // "Name", "Diagram", "Case", "Revision"
  int grow;                    // how much wider the list (and the dialog) becomes
};

// The list starts `listWidth` wide with the given columns. Each column widens to its
// widest text + 6 ("Name" to the titles of existing documents); the titles of new
// documents widen the whole. The list then fits the columns, an edge on both sides and a
// vertical scroll bar, within two fifths of the screen; what it cannot grow goes to "Name".
DocumentColumnsFit FitDocumentColumns(int listWidth, const std::array<int, 4>& columns,
                                      const std::vector<DocumentTextWidths>& texts, int edge,
                                      int verticalScrollBar, int screenWidth) noexcept;

class COpenDatasheetDlg : public plat::DialogImpl<COpenDatasheetDlg> {
 public:
  static constexpr UINT IDD = IDD_OPENDATASHEET;
  static constexpr int kNewTab = 0;
  static constexpr int kTabCount = 5;

  static constexpr auto GetMessageMap() {
    return plat::MessageMap{
        plat::OnMessage(WM_INITDIALOG, &COpenDatasheetDlg::OnInitDialog),
        plat::OnCommand(IDCANCEL, BN_CLICKED, &COpenDatasheetDlg::OnCancel),
        plat::OnCommand(IDC_OPENDOCUMENTS, BN_CLICKED, &COpenDatasheetDlg::OnOpen),
        plat::OnCommand(IDC_CREATEASBUILT, BN_CLICKED, &COpenDatasheetDlg::OnCreateAsBuiltClicked),
        plat::OnCommand(IDC_ONLYEDITABLEDOCUMENTS, BN_CLICKED,
                        &COpenDatasheetDlg::OnOnlyEditableClicked),
        plat::OnCommand(IDC_ONLYSUMMARYDOCUMENTS, BN_CLICKED,
                        &COpenDatasheetDlg::OnOnlySummariesClicked),
        plat::OnNotify(IDC_DOCUMENTTABS, TCN_SELCHANGE, &COpenDatasheetDlg::OnTabChanged),
        plat::OnNotify(IDC_DOCUMENTLIST, NM_CLICK, &COpenDatasheetDlg::OnListClick),
        plat::OnNotify(IDC_DOCUMENTLIST, NM_DBLCLK, &COpenDatasheetDlg::OnListDoubleClick),
        plat::OnNotify(IDC_DOCUMENTLIST, LVN_ITEMCHANGED, &COpenDatasheetDlg::OnListItemChanged)};
  }

  void SetTitle(const wchar_t* title) { title_ = title ? title : L""; }
  void AddDocument(DocumentEntry entry) { documents_.push_back(std::move(entry)); }
  void SetCurrentTab(int tab) { currentTab_ = tab; }

  // What the last "&Open" chose: "OpenDocuments", "CreateDocuments", or empty before any.
  const std::wstring& GetFunction() const { return function_; }
  int GetCurrentTab() const { return currentTab_; }
  bool GetCreateAsBuilt() const { return createAsBuilt_; }
  // The list rows of the last choice, in list order.
  const std::vector<int>& GetSelectedRows() const { return selectedRows_; }
  // The position (in the order of adding) of the document the current tab lists in
  // `row` under the current filters; -1 when it lists none there.
  int FindShownDocument(int row) const noexcept;
  const DocumentEntry& GetDocument(int position) const { return documents_[position]; }

 private:
  LRESULT OnInitDialog();
  void OnCancel();
  void OnOpen();
  void OnCreateAsBuiltClicked();
  void OnOnlyEditableClicked();
  void OnOnlySummariesClicked();
  void OnTabChanged();
  void OnListClick();
  void OnListDoubleClick();
  LRESULT OnListItemChanged(int id, NMHDR* header, bool& handled);

  bool IsListed(const DocumentEntry& entry) const noexcept;
  void ShowCheckBoxes();
  void SizeToContents();
  void Refill();
  int CollectSelection();
  bool IsAsBuiltCandidate(int row) const noexcept;
  bool AnyAsBuiltCandidate(const std::vector<int>& rows) const noexcept;
  void CountSelection(const std::vector<int>& rows);
  void UpdateChoiceButtons();

  std::wstring title_;
  int currentTab_ = kNewTab;
  std::vector<DocumentEntry> documents_;
  // The position of the document in each row of the last fill, so that a change of a row
  // finds its document at once however many documents there are.
  std::vector<int> rowDocuments_;
  std::vector<int> selectedRows_;
  // The rows selected now, and how many of them may be built as-built.
  int selectedCount_ = 0;
  int selectedCandidates_ = 0;
  std::array<int, 4> columnWidths_{60, 60, 60, 60};
  std::wstring function_;
  bool editableOnly_ = true;
  bool projectSummariesOnly_ = false;
  bool createAsBuilt_ = false;
  bool filling_ = false;  // the list's own notifications while Refill runs are not the user's

  plat::Window open_;
  plat::ListTypeAhead list_;  // type-ahead by title
  plat::TabCtrl tabs_;
  plat::Button editableBox_, summariesBox_, asBuiltBox_;
};
