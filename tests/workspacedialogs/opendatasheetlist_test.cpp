// The open-datasheet dialog with thousands of documents, shown straight from the module's
// library: what choosing among them costs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "resources/resource.h"
#include "shownlist.h"
#include "workspacedialogs/opendatasheetdlg.h"

namespace {

// Every change of the selection decides which buttons apply; with the whole selection
// asked for at each change and each row's document found by a walk, choosing 5,000
// documents one by one took some 20 s.
TEST(OpenDatasheetList, ChoosingAmongThousandsOfDocumentsTakesAMoment) {
  constexpr int kDocuments = 5000;
  COpenDatasheetDlg dialog;
  for (int i = 0; i < kDocuments; ++i) {
    DocumentEntry entry;
    entry.objectId = i;
    entry.title = L"DS-" + std::to_wstring(i);
    dialog.AddDocument(std::move(entry));
  }
  const wqtest::ShownList shown = wqtest::RunUntilShown(
      IDC_DOCUMENTLIST, [&] { return dialog.DoModal(nullptr, GetModuleHandleW(nullptr)); },
      [](HWND list) {
        for (int row = 0; row < kDocuments; ++row) {
          LVITEMW item{};
          item.state = item.stateMask = LVIS_SELECTED;
          SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
        }
      });
  EXPECT_EQ(shown.rows, kDocuments);
  EXPECT_LT(shown.milliseconds, 5000u) << "some 1 s";
}

double Seconds() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Rows from `first` on, each unselected and selected again, one at a time, as Ctrl+clicks
// change them: the seconds it took.
double ToggleRows(HWND list, int first, int count) {
  const double start = Seconds();
  for (int row = first; row < first + count; ++row) {
    for (UINT state : {0u, static_cast<UINT>(LVIS_SELECTED)}) {
      LVITEMW item{};
      item.state = state;
      item.stateMask = LVIS_SELECTED;
      SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
  }
  return Seconds() - start;
}

void SelectAll(HWND list) {
  LVITEMW item{};
  item.state = item.stateMask = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

// A list view like the dialog's, as large and as full, in a window that handles none of
// its notifications: what a change of the selection costs the platform itself.
class BareList {
 public:
  BareList(HWND like, int rows) {
    RECT r;
    GetWindowRect(like, &r);
    parent_ =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, r.left, r.top, r.right - r.left,
                        r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    list_ = CreateWindowExW(GetWindowLongW(like, GWL_EXSTYLE), WC_LISTVIEWW, L"",
                            static_cast<DWORD>(GetWindowLongW(like, GWL_STYLE)) & ~WS_TABSTOP, 0, 0,
                            r.right - r.left, r.bottom - r.top, parent_, nullptr, nullptr, nullptr);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    SendMessageW(list_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    for (int row = 0; row < rows; ++row) {
      const std::wstring text = L"DS-" + std::to_wstring(row);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = row;
      item.pszText = const_cast<wchar_t*>(text.c_str());
      SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  }
  BareList(const BareList&) = delete;
  BareList& operator=(const BareList&) = delete;
  ~BareList() { DestroyWindow(parent_); }
  HWND list() const { return list_; }

 private:
  HWND parent_ = nullptr;
  HWND list_ = nullptr;
};

// Each changed row used to walk the documents for its own: with 20,000 documents a click
// that unselected all rows but one took a quarter of a second. A change now costs the
// dialog about what it costs the list view itself, however many documents the other tabs
// hold.
TEST(OpenDatasheetList, ASelectionChangeCostsTheSameWhateverTheNumberOfDocuments) {
  constexpr int kDocuments = 20000;  // a tab's
  constexpr int kChanged = 2000;     // the last rows: the walk to them was the longest
  COpenDatasheetDlg dialog;
  for (int i = 0; i < kDocuments; ++i) {
    for (int tab = 0; tab < 3; ++tab) {
      DocumentEntry entry;
      entry.objectId = i;
      entry.status = tab;
      entry.docType = i % 2 ? 2 : 1;
      if (tab == COpenDatasheetDlg::kNewTab) entry.title = L"DS-" + std::to_wstring(i);
      dialog.AddDocument(std::move(entry));
    }
  }
  const HWND window = dialog.Create(nullptr, GetModuleHandleW(nullptr));
  ASSERT_NE(window, nullptr);
  const HWND list = GetDlgItem(window, IDC_DOCUMENTLIST);
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), kDocuments);
  BareList bare(list, kDocuments);
  // Out of sight, the lists do not repaint: what is left is the changes' own work.
  ShowWindow(window, SW_HIDE);
  ShowWindow(GetParent(bare.list()), SW_HIDE);
  SelectAll(list);
  SelectAll(bare.list());

  double module = 1e9, floor = 1e9;
  for (int run = 0; run < 5; ++run) {
    module = std::min(module, ToggleRows(list, kDocuments - kChanged, kChanged));
    floor = std::min(floor, ToggleRows(bare.list(), kDocuments - kChanged, kChanged));
  }
  EXPECT_LT(module, 3 * floor) << "module " << module * 1e3 << " ms, list view alone "
                               << floor * 1e3 << " ms";
  // Every row is selected again, as-built candidates among them.
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_OPENDOCUMENTS)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_CREATEASBUILT)));
  DestroyWindow(window);
}

}  // namespace
